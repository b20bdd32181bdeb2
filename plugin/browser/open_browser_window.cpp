// The open operation: load, caption and navigation in the caller's order, then the modal show.
// A failing step ends it there; what the earlier steps did stays done.
#include "open_browser_window.h"

#include "frm_browser.h"
#include "browser_layout.h"

namespace duvisto {

HRESULT OpenBrowserWindow(BrowserMode mode, std::wstring_view address, OpenOrder order) {
  FrmBrowser& form = FrmBrowser::OfThisThread();
  HRESULT hr = form.Load();
  if (FAILED(hr)) return hr;

  const wchar_t* caption =
      mode == BrowserMode::Local ? browser_layout::kCaptionLocal : browser_layout::kCaptionLocalAndRemote;
  if (order == OpenOrder::CaptionThenNavigate) {
    hr = form.SetCaption(caption);
    if (SUCCEEDED(hr)) hr = form.Navigate(address);
  } else {
    hr = form.Navigate(address);
    if (SUCCEEDED(hr)) hr = form.SetCaption(caption);
  }
  if (FAILED(hr)) return hr;
  return form.ShowModal();
}

}  // namespace duvisto
