// What the window answers for its page: which navigation is the window's own, where a new window the user asked for goes, and the page's script boxes.
#include <utility>

#include "frm_browser.h"
#include "frm_browser_controls.h"
#include "navigate.h"

namespace duvisto {
namespace {

// Of the type a page asks for, the buttons, the icon and the default button; never system- or
// task-modal, topmost or foreground boxes, which reach beyond the window.
constexpr UINT kPageBoxType = MB_TYPEMASK | MB_ICONMASK | MB_DEFMASK;

}  // namespace

bool FrmBrowser::TakeOwnNavigation() {
  return controls_ && std::exchange(controls_->ownNavigationPending, false);
}

// Not from inside the control's event: the window goes there once the event has returned.
void FrmBrowser::OpenInWindow(std::wstring address) {
  if (!HasControls()) return;
  controls_->openInWindow = std::move(address);
  PostMessageW(window_, kOpenInWindowMessage, 0, 0);
}

// A page's navigation like any other, which the page rules judge again as it starts.
void FrmBrowser::OnOpenInWindow() {
  if (!HasControls() || controls_->openInWindow.empty()) return;
  const std::wstring address = std::move(controls_->openInWindow);
  controls_->openInWindow.clear();
  (void)NavigateLateBound(controls_->browser->Object(), address);
}

// One box at a time, owned by the window: one asked for while it is up (a page's loop of
// alerts, or a push's page inside it) is answered at once, as cancelled, and so is every box of
// a page the partner chose. The DLL stays mapped while the box's loop runs: the loaded window
// keeps it so, and the site the control calls through keeps DllCanUnloadNow from letting go.
LRESULT FrmBrowser::ShowPageMessage(const wchar_t* text, const wchar_t* caption, UINT type) {
  if (!IsLoaded() || pageBoxShown_ || ShowsPartnersPage()) return IDCANCEL;
  pageBoxShown_ = true;
  const int answer = MessageBoxW(window_, text, caption, (type & kPageBoxType) | MB_APPLMODAL);
  pageBoxShown_ = false;
  return answer != 0 ? answer : IDCANCEL;
}

}  // namespace duvisto
