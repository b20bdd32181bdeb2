// What the plug-in does with a notification from the partner (or its own echo).
#pragma once

#include <string_view>

#include "browse_state.h"
#include "text_output.h"

namespace duvisto {

// Decides what a notification means. `handled` is True to the host; `sTextToSend` is written
// only when the notification asks for an answer. Fails only when the answer finds no memory,
// with nothing written.
Status ReceiveNotify(BrowseState& state, std::u16string_view sNotifyCode, std::u16string_view sText,
                     TextOutput& sTextToSend, bool& handled);

// The texts the two sides exchange, each written as the output's whole text.
Status WriteStatusRequest(TextOutput& out);                               // "\t" "check" + the fixed request
Status WritePushNotification(TextOutput& out, std::u16string_view address);  // "\t" "brows" + address
Status WriteStatusAnswer(TextOutput& out, const BrowseState& state);

}  // namespace duvisto
