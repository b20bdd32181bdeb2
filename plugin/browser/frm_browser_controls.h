// The part of frmBrowser that exists only while the window is loaded, for the files that make
// up the window (frm_browser.cpp, frm_browser_page.cpp).
#pragma once

#include <windows.h>
#include <ole2.h>

#include <memory>
#include <string>

#include "frm_browser.h"
#include "hosted_control.h"
#include "module.h"
#include "unique_any.h"

namespace duvisto {

// OLE on the window's thread while the window exists, for the control's clipboard and drag and
// drop, whatever the host did; balanced when the window goes. A thread the host put into the
// multithreaded apartment keeps its mode, and the window goes on without OLE.
class OleInitialization {
 public:
  OleInitialization() = default;
  OleInitialization(const OleInitialization&) = delete;
  OleInitialization& operator=(const OleInitialization&) = delete;
  ~OleInitialization() {
    if (initialized_) OleUninitialize();
  }
  HRESULT Start() {
    const HRESULT hr = OleInitialize(nullptr);
    initialized_ = SUCCEEDED(hr);
    return hr == RPC_E_CHANGED_MODE ? S_OK : hr;
  }

 private:
  bool initialized_ = false;
};

// What exists only while the window is loaded. The hosted control goes first, while the
// window still exists; the font after the controls that use it; OLE after the control; the
// module reference last.
struct FrmBrowser::Controls {
  ModuleReference moduleReference;
  OleInitialization ole;
  UniqueFont addressFont;
  std::unique_ptr<HostedControl> browser;
  HWND txtAddress = nullptr;
  HWND cmdGo = nullptr;
  HWND label1 = nullptr;
  HWND focus = nullptr;  // where the focus was when the window was last deactivated
  bool ownNavigationPending = false;  // the window asked the control to go somewhere itself
  std::wstring openInWindow;  // where a new window the user asked for goes instead
};

}  // namespace duvisto
