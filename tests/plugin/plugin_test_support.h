// What the plug-in's tests under Wine share: the DLL beside the test program registered through
// the system's regsvr32, creation by ProgID, the calls as the host makes them, and the drivers
// that answer the plug-in's boxes and window and call in again from inside their modal loops.
#pragma once

#include <windows.h>

#include <oleauto.h>
#include <wrl/client.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>

#include "Duvisto_h.h"
#include "com_owners.h"
#include "ui_robot.h"

namespace plugin_test {

using Microsoft::WRL::ComPtr;
using namespace std::chrono_literals;

std::wstring DllPath();  // Duvisto.dll beside the test program
// The exit code of the system's regsvr32 run with `switches` on the DLL, -1 if it did not finish.
int RunRegsvr32(const std::wstring& switches);
inline int Register() { return RunRegsvr32(L"/s"); }
inline int Unregister() { return RunRegsvr32(L"/u /s"); }

// The string value `name` (nullptr: default) of HKEY_CLASSES_ROOT\<path>; "<no key>" or "<missing>".
std::wstring ClassesString(const std::wstring& path, const wchar_t* name = nullptr);

HRESULT CreateByProgId(ComPtr<_Browse>& browse);
// The loaded DLL's DllCanUnloadNow: S_OK once no object, factory lock or call holds it.
HRESULT CanUnloadNow();

using Bstr = duvisto::UniqueBstr;

// The members' DISPIDs, in the order of the interface.
inline constexpr DISPID kInitialize = 0x60030000, kUninitialize = 0x60030001, kGetPublishInfo = 0x60030002,
                        kGetPublishCommandInfo = 0x60030003, kParseCommand = 0x60030004,
                        kReceiveNotify = 0x60030005;

// The two answers the tests here read whole, to see a text pass through a path unchanged (every
// text's wording is the command logic's and is pinned by its native tests): the status answer
// up to the status word, which follows it, and "/xbchkcontact"'s request.
extern const std::wstring kStatusAnswer, kStatusRequest;
inline constexpr wchar_t kLocalCaption[] = L"Internet browser (local)";
inline constexpr wchar_t kRemoteCaption[] = L"Internet browser (local & remote)";
inline constexpr VARIANT_BOOL kUnset = 7;  // neither True nor False: shows whether a result was written

// One ParseCommand or ReceiveNotify as the host makes it, the in-out text passed in as "kept".
struct Outcome {
  HRESULT hr = E_UNEXPECTED;
  VARIANT_BOOL handled = kUnset;
  std::wstring text;  // sResult or sTextToSend after the call; "kept" when not written
};
Outcome Parse(_Browse* object, const std::wstring& command, const std::wstring& argument = L"");
Outcome Notify(_Browse* object, const std::wstring& code, const std::wstring& text = L"");
// An outcome as "handled: text", "not handled: text", or the failure.
std::wstring Shown(const Outcome& outcome);

// The status as the "check" answer shows it: "enabled.", "disabled.", "." before Initialize.
std::wstring Status(_Browse* object);
// Row `index` of the catalogue through the vtable, "name|value|help", each text passed in as
// `passed` ("kept", or NULL) and so left where not written.
std::wstring Row(_Browse* object, LONG index, const wchar_t* passed = L"kept");
// A box as its title and whether it shows the information icon: "Duvisto (i)", "Duvisto".
std::wstring Described(const robot::MessageBoxInfo& box);

// Created on the apartment thread; Post() from any thread queues work for that thread, which
// runs it from whatever message loop it is in (a message box's, the browser window's).
class UiThreadCaller {
 public:
  UiThreadCaller();
  UiThreadCaller(const UiThreadCaller&) = delete;
  UiThreadCaller& operator=(const UiThreadCaller&) = delete;
  ~UiThreadCaller() { DestroyWindow(window_); }
  void Post(std::function<void()> work) const;
  // Posts `work`, runs `meanwhile` here, and waits for the work to have run.
  bool Run(const std::function<void()>& work, const std::function<void()>& meanwhile = nullptr) const;

 private:
  HWND window_;
};

// Runs `call` on the apartment thread; it shows one box: `whileUp` runs while it is up, then OK
// is pressed. The box as read, or nothing if none came or the call did not return.
std::optional<robot::MessageBoxInfo> WithBox(
    const std::function<void()>& call,
    const std::function<void(DWORD uiThread, const robot::MessageBoxInfo& box)>& whileUp = nullptr);

// "/xbenable" answered, and the status "enabled.".
bool Enable(_Browse* object);

// "/xnewurl" with remote browsing enabled: the explanation is acknowledged, `whileOpen` runs
// while the browser window is up (and the call has not returned), then the window is closed.
Outcome Push(_Browse* object, const std::wstring& address,
             const std::function<void(DWORD uiThread)>& whileOpen = nullptr, std::chrono::milliseconds wait = 10s);

}  // namespace plugin_test
