// What the browser window's tests share: a recording stand-in for the web-browser control,
// registered for this apartment under the control's class identifier so the window creates it
// as it creates the real one; work handed to the window's thread; the fixture that opens the
// window while a driver thread works it. The stand-in offers the control's connection point
// and calls its site's host interfaces the way the real control does, so the tests can act as
// the page.
#pragma once

#include <gtest/gtest.h>
#include <ole2.h>
#include <wrl/client.h>

#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "open_browser_window.h"

namespace browser_test {

using Calls = std::vector<std::wstring>;

extern const CLSID kWebBrowserClsid;
inline constexpr wchar_t kLocal[] = L"Internet browser (local)";
inline constexpr wchar_t kLocalAndRemote[] = L"Internet browser (local & remote)";
inline constexpr int kLocalHeight = 9015, kRemoteHeight = 9630;  // the window's outer height in twips, per mode

// ---- what the stand-in records and how it behaves (set by the tests before an open)
extern std::atomic<HWND> g_browser;  // the in-place window of the last activated stand-in
extern std::atomic<int> g_keysOffered, g_liveControls, g_uiActivations, g_frameActive, g_silentBeforeNavigate;
extern std::atomic<int> g_ownNavigationsCancelled;  // the window's own navigations the window's sink cancelled
extern HRESULT g_creation;                          // a failure here fails every CreateInstance
// BeforeNavigate2 of the window's own navigations held until AnnounceHeld(), as Wine's control
// announces them later from the loop (Internet Explorer inside the Navigate call).
extern bool g_announceLater;
extern bool g_noConnection;  // offers no DWebBrowserEvents2 connection
extern bool g_keepSite, g_keepSink;  // hold on to the site or the sink after Close, as a leaky control may
extern Microsoft::WRL::ComPtr<IOleClientSite> g_site;
extern Microsoft::WRL::ComPtr<IDispatch> g_sink;
// Run once from inside the stand-in's DoVerb(OLEIVERB_UIACTIVATE), TranslateAccelerator or
// OnFrameWindowActivate; g_outlivedHook tells whether the stand-in was still alive after it.
extern std::function<void()> g_onUiActivate, g_onKey, g_onFrameActivate;
extern std::atomic<int> g_outlivedHook;

Calls Recorded();  // per Invoke: Navigate's one BSTR as received, or "<not Navigate(BSTR)>"
void ResetStandIn();
void ResetCalls();
void AnnounceHeld();  // on the window's thread
IClassFactory* StandInFactory();

// ---- the page, as the control reports it to the window (on the window's thread)
bool PageNavigates(const wchar_t* address, bool topLevel = true);  // BeforeNavigate2; false when cancelled
bool NewWindowOpens(DISPID event, DWORD flags, const wchar_t* address);  // NewWindow2 or 3; false when cancelled
bool DownloadGoesOn(int activeDocument);  // FileDownload; -1: without ActiveDocument, as before IE 7
bool WindowCloses();                      // WindowClosing
LRESULT PageBox(const wchar_t* text);     // IDocHostShowUI::ShowMessage, an alert

// ---- work for the window's thread, run from a timer inside whatever loop it is in
void StartOnUiThread(std::function<void()> task);

struct Parts { HWND window, address, go, label; };
// The thread's browser window once its activation has laid it out to this outer height.
Parts WaitForLaidOut(DWORD uiThread, int heightTwips);
testing::AssertionResult NavigatedTo(const Calls& expected);

class BrowserWindow : public testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // The open operation on this thread while `driver` works the window from another.
  HRESULT Open(duvisto::BrowserMode mode, const std::wstring& address, const std::function<void(DWORD uiThread)>& driver,
               duvisto::OpenOrder order = duvisto::OpenOrder::CaptionThenNavigate);
  // Closes the window with the close box, after checking that the open call still waits for that.
  void CloseWindow(HWND window);
  // A driver that closes the window once it is laid out to this height.
  std::function<void(DWORD)> CloseWhenLaidOut(int heightTwips);

  std::atomic<bool> returned_{false};
  DWORD cookie_ = 0;
  UINT_PTR tasks_ = 0;
};

}  // namespace browser_test
