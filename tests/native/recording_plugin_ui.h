// A PluginUi recording each box and window as a line, failing a chosen call, running code while a call
// is "open" (as the host does from a modal loop); and states as "STATUS ORIGIN", "-" for no status.
#pragma once

#include <algorithm>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "browse_state.h"
#include "plugin_ui.h"
#include "text_output.h"

namespace duvisto {

constexpr Status kPortFailure = static_cast<Status>(0x80004005);  // E_FAIL

inline std::u16string U16(std::string_view ascii) { return std::u16string(ascii.begin(), ascii.end()); }

inline std::string Narrow(std::u16string_view text) {  // ASCII as it is, anything else as \u{code}
  std::string out;
  for (char16_t c : text) out += c < 0x80 ? std::string(1, static_cast<char>(c)) : "\\u{" + std::to_string(c) + "}";
  return out;
}

inline BrowseState State(std::string_view text) {
  const size_t blank = std::min(text.find(' '), text.size());
  BrowseState state{std::nullopt, U16(text.substr(std::min(blank + 1, text.size())))};
  if (text.substr(0, blank) != "-") state.sRemoteStatus = U16(text.substr(0, blank));
  return state;
}

inline std::string StatusOf(const BrowseState& s) { return s.sRemoteStatus ? Narrow(*s.sRemoteStatus) : "-"; }
inline std::string Describe(const BrowseState& state) {
  return StatusOf(state) + (state.sPushOrigin.empty() ? "" : " " + Narrow(state.sPushOrigin));
}

// An in-out text as the logic sees it: `text` holds what was written, nothing if it was left alone.
// With `refuse` set it has no memory to give.
struct StringOutput : TextOutput {
  std::optional<std::u16string> text;
  bool refuse = false;
  char16_t* Room(std::size_t length) override {
    if (refuse) return nullptr;
    text.emplace(length, u'?');
    return text->data();
  }
};

class RecordingPluginUi : public PluginUi {
 public:
  std::vector<std::string> shown;  // "box TITLE (i): TEXT" or "window MODE[, navigate first]: ADDRESS"
  std::size_t failCallNumber = 0;  // 1-based; 0 fails nothing
  std::function<void(std::size_t callNumber)> whileOpen;

  Status ShowMessage(std::u16string_view text, std::u16string_view title, MessageIcon icon) override {
    return Record("box " + Narrow(title) + (icon == MessageIcon::Information ? " (i): " : ": ") + Narrow(text));
  }
  Status OpenBrowser(BrowserMode mode, std::u16string_view address, OpenOrder order) override {
    return Record(std::string("window ") + (mode == BrowserMode::Local ? "local" : "local&remote") +
                  (order == OpenOrder::NavigateThenCaption ? ", navigate first: " : ": ") + Narrow(address));
  }

 private:
  Status Record(std::string call) {
    shown.push_back(std::move(call));
    const std::size_t number = shown.size();
    if (whileOpen) whileOpen(number);
    return number == failCallNumber ? kPortFailure : kOk;
  }
};

}  // namespace duvisto
