// A PluginUi that records every box and window, can fail a chosen call, and can run code
// while a call is "open", as the host does from a modal loop.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "browse_state.h"
#include "plugin_ui.h"

namespace duvisto {

constexpr Status kPortFailure = static_cast<Status>(0x80004005);  // E_FAIL

struct UiCall {
  enum class Kind { Message, Browser } kind;
  std::u16string text;   // box text, or the browser's address
  std::u16string title;  // empty for the browser
  MessageIcon icon = MessageIcon::None;
  BrowserMode mode = BrowserMode::Local;
  OpenOrder order = OpenOrder::CaptionThenNavigate;
  BrowseState stateWhileOpen;  // what the state held when the box or window opened
};

class RecordingPluginUi : public PluginUi {
 public:
  explicit RecordingPluginUi(const BrowseState& watched) : watched_(watched) {}

  std::vector<UiCall> calls;
  std::size_t failCallNumber = 0;                    // 1-based; 0 fails nothing
  std::function<void(std::size_t callNumber)> whileOpen;  // runs inside every call

  Status ShowMessage(std::u16string_view text, std::u16string_view title, MessageIcon icon) override {
    UiCall call{UiCall::Kind::Message, std::u16string(text), std::u16string(title), icon, {}, {}, watched_};
    return Record(std::move(call));
  }

  Status OpenBrowser(BrowserMode mode, std::u16string_view address, OpenOrder order) override {
    UiCall call{UiCall::Kind::Browser, std::u16string(address), {}, MessageIcon::None, mode, order, watched_};
    return Record(std::move(call));
  }

 private:
  Status Record(UiCall call) {
    calls.push_back(std::move(call));
    const std::size_t number = calls.size();
    if (whileOpen) whileOpen(number);
    return number == failCallNumber ? kPortFailure : kOk;
  }

  const BrowseState& watched_;
};

inline UiCall Box(std::u16string text, std::u16string title, MessageIcon icon) {
  return {UiCall::Kind::Message, std::move(text), std::move(title), icon, {}, {}, {}};
}

inline UiCall Window(BrowserMode mode, std::u16string address, OpenOrder order) {
  return {UiCall::Kind::Browser, std::move(address), {}, MessageIcon::None, mode, order, {}};
}

// Compares what was shown, not the state snapshot.
inline bool operator==(const UiCall& a, const UiCall& b) {
  return a.kind == b.kind && a.text == b.text && a.title == b.title && a.icon == b.icon && a.mode == b.mode &&
         a.order == b.order;
}

inline bool operator==(const BrowseState& a, const BrowseState& b) {
  return a.sRemoteStatus == b.sRemoteStatus && a.sPushOrigin == b.sPushOrigin;
}

inline void PrintTo(const UiCall& call, std::ostream* os) {
  *os << (call.kind == UiCall::Kind::Message ? "box " : "window ") << ::testing::PrintToString(call.text) << " "
      << ::testing::PrintToString(call.title) << " icon=" << static_cast<int>(call.icon)
      << " mode=" << static_cast<int>(call.mode) << " order=" << static_cast<int>(call.order);
}

inline void PrintTo(const BrowseState& state, std::ostream* os) {
  *os << "{status " << (state.sRemoteStatus ? ::testing::PrintToString(*state.sRemoteStatus) : "(none)")
      << ", origin " << ::testing::PrintToString(state.sPushOrigin) << "}";
}

inline BrowseState StateWith(std::optional<std::u16string> status, std::u16string origin = {}) {
  BrowseState state;
  state.sRemoteStatus = std::move(status);
  state.sPushOrigin = std::move(origin);
  return state;
}

}  // namespace duvisto
