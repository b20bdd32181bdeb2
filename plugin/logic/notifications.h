// What the plug-in does with a notification from the partner (or its own echo).
#pragma once

#include <string>
#include <string_view>

#include "browse_state.h"

namespace duvisto {

struct NotifyResult {
  bool handled = false;           // True to the host
  bool textToSendWritten = false; // sTextToSend must be replaced by `textToSend`
  std::u16string textToSend;
};

NotifyResult ReceiveNotify(BrowseState& state, std::u16string_view sNotifyCode, std::u16string_view sText);

// The texts the two sides exchange.
std::u16string StatusRequest();                          // "\t" "check" + the fixed request
std::u16string PushNotification(std::u16string_view address);  // "\t" "brows" + address
std::u16string StatusAnswer(const BrowseState& state);

}  // namespace duvisto
