#include "win32_plugin_ui.h"

#include <windows.h>

#include <string>

#include "module.h"
#include "open_browser_window.h"

namespace duvisto {
namespace {

std::wstring ToWide(std::u16string_view text) { return std::wstring(text.begin(), text.end()); }

}  // namespace

Status Win32PluginUi::ShowMessage(std::u16string_view text, std::u16string_view title, MessageIcon icon) {
  const std::wstring wideText = ToWide(text);
  const std::wstring wideTitle = ToWide(title);
  const UINT style = MB_OK | (icon == MessageIcon::Information ? MB_ICONINFORMATION : 0);
  // The box's loop dispatches the host's messages, and the host may free the library from one:
  // the DLL stays mapped until it is idle, so the box has code to return to.
  const HRESULT pinned = ModuleKeepMapped();
  if (FAILED(pinned)) return pinned;
  // Owned by the thread's active window, so the box is modal to the host's window like any of its own.
  if (MessageBoxW(GetActiveWindow(), wideText.c_str(), wideTitle.c_str(), style) == 0) {
    const DWORD error = GetLastError();
    return error ? HRESULT_FROM_WIN32(error) : E_FAIL;
  }
  return kOk;
}

Status Win32PluginUi::OpenBrowser(BrowserMode mode, std::u16string_view address, OpenOrder order) {
  const std::wstring wideAddress = ToWide(address);
  return OpenBrowserWindow(mode, wideAddress, order);
}

}  // namespace duvisto
