// The web-browser control embedded in a window: created by class identifier through COM (so the
// registry decides which server provides it), watched by an event sink from its creation on,
// given its default settings, activated in place inside its box and closed again when this
// object goes. Its site and its sink ask `host` about whatever the page tries.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <wrl/client.h>

#include <memory>

#include "browser_events.h"
#include "control_site.h"
#include "page_host.h"

namespace duvisto {

class HostedControl {
 public:
  static HRESULT Create(REFCLSID clsid, HWND container, const RECT& box, PageHost* host,
                        std::unique_ptr<HostedControl>* control);
  ~HostedControl();
  HostedControl(const HostedControl&) = delete;
  HostedControl& operator=(const HostedControl&) = delete;

  // The control's own window inside the container (null for a windowless control).
  HWND Window() const;
  // True when `window` is the control's window or lies inside it.
  bool Contains(HWND window) const;
  // Offers a keyboard message to the control; true when the control used it.
  bool TranslateAccelerator(MSG* message) const;
  // Makes the control the window's active part: it takes the focus and its caret, and gets
  // the keys first. An only in-place active control can lose both after the window was left.
  HRESULT UIActivate() const;
  // Tells the active control that the window around it was activated or deactivated.
  void OnFrameWindowActivate(bool active) const;
  IUnknown* Object() const { return object_.Get(); }

 private:
  HostedControl() = default;
  HRESULT Activate(REFCLSID clsid, HWND container, const RECT& box, PageHost* host);

  Microsoft::WRL::ComPtr<BrowserEvents> events_;
  Microsoft::WRL::ComPtr<ControlSite> site_;
  Microsoft::WRL::ComPtr<IOleObject> object_;
  HWND container_ = nullptr;
};

}  // namespace duvisto
