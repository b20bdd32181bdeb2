// frmBrowser: the browser window, its controls and its two events, Go and activation.
// One instance per thread; the window and its controls exist only while it is loaded.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <string_view>

#include "page_host.h"

namespace duvisto {

class FrmBrowser : private PageHost {
 public:
  // The thread's one instance, created the first time the thread asks for it.
  static FrmBrowser& OfThisThread();

  bool IsLoaded() const { return window_ != nullptr; }
  // Creates the window, hidden, and its controls with the creation layout (nothing if loaded).
  HRESULT Load();
  HRESULT SetCaption(const wchar_t* caption);
  // Has the embedded browser go to `address`.
  HRESULT Navigate(std::wstring_view address);
  // Shows the window modally, laid out for its mode; returns once the user has closed it.
  // Past kMaxModalDepth waiting calls it lays out the shown window and returns at once.
  HRESULT ShowModal();

  // How many open operations may wait in the window's loop at once (see the definition).
  static const int kMaxModalDepth;

 private:
  struct Controls;

  FrmBrowser();
  ~FrmBrowser();

  // PageHost: what the page's events and boxes ask of the window (frm_browser_page.cpp).
  bool ShowsPartnersPage() const override;
  bool TakeOwnNavigation() override;
  void OpenInWindow(std::wstring address) override;
  LRESULT ShowPageMessage(const wchar_t* text, const wchar_t* caption, UINT type) override;
  void OnOpenInWindow();

  // Posted when the page asked for a new window that opens in ours instead.
  static constexpr UINT kOpenInWindowMessage = WM_APP + 1;

  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT OnMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  // Loaded with every control in place (not so while loading or being destroyed).
  bool HasControls() const;
  // Still the window of that load with its controls, after a call into the control (which may
  // run the page's script or a modal loop, inside which the window can be closed or opened anew).
  bool StillHasControls(unsigned loadedGeneration) const;
  // The window's own navigation (an open, Go): the page rules leave it alone.
  HRESULT NavigateOwn(std::wstring_view address);
  HRESULT CreateControls();
  void LayOut();
  void OnGo();
  void RememberFocus();
  void RestoreFocus();
  void MoveFocus(HWND from, bool backwards);
  void FocusControl(HWND target);
  void ReleaseOwner();
  HRESULT RunModalLoop(unsigned shownGeneration);
  bool PreTranslate(MSG* message);

  HWND window_ = nullptr;
  std::unique_ptr<Controls> controls_;
  unsigned generation_ = 0;  // counts loads: a modal loop ends with the window it was shown for
  int modalDepth_ = 0;
  bool pageBoxShown_ = false;  // a script box of the page is up (there is never a second)
  HWND owner_ = nullptr;  // disabled while the window is shown over it
};

}  // namespace duvisto
