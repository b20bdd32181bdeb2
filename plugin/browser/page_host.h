// What the page's events and boxes ask of the window around it. The window answers; the
// control's site and its event sink only carry the questions, and ask nothing once the
// control is closed (they then refuse whatever the page still tries).
#pragma once

#include <windows.h>

#include <string>

namespace duvisto {

class PageHost {
 public:
  // Whether the window shows a page a partner chose (local-and-remote mode).
  virtual bool ShowsPartnersPage() const = 0;
  // Whether the top-level navigation about to start is the one the window itself asked for
  // last (an open or Go); it is counted off, so the page's next one is the page's own.
  virtual bool TakeOwnNavigation() = 0;
  // Has the window go to `address` once the control's event has returned.
  virtual void OpenInWindow(std::wstring address) = 0;
  // A script box of the page (alert, confirm), shown by the window or answered at once.
  virtual LRESULT ShowPageMessage(const wchar_t* text, const wchar_t* caption, UINT type) = 0;

 protected:
  ~PageHost() = default;
};

}  // namespace duvisto
