// The only way the command logic reaches the screen: message boxes and the browser window.
// Production implements it with MessageBoxW and frmBrowser; native tests with a recording fake.
#pragma once

#include <cstdint>
#include <string_view>

namespace duvisto {

// An HRESULT-compatible status: negative means failure. The logic never interprets it beyond
// that; it stops at the first failure and hands the value back to the host.
using Status = std::int32_t;
constexpr Status kOk = 0;
constexpr Status kOutOfMemory = static_cast<Status>(0x8007000E);  // E_OUTOFMEMORY
inline bool Failed(Status s) { return s < 0; }

enum class MessageIcon { None, Information };

enum class BrowserMode { Local, LocalAndRemote };

// Which of the two open steps comes first: setting the caption or navigating.
enum class OpenOrder { CaptionThenNavigate, NavigateThenCaption };

class PluginUi {
 public:
  virtual ~PluginUi() = default;
  // A modal box with a single OK button; returns when the user has dismissed it.
  virtual Status ShowMessage(std::u16string_view text, std::u16string_view title, MessageIcon icon) = 0;
  // Opens the browser window modally; returns when the user has closed it.
  virtual Status OpenBrowser(BrowserMode mode, std::u16string_view address, OpenOrder order) = 0;
};

}  // namespace duvisto
