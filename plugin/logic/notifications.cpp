#include "notifications.h"

#include "ascii_case.h"
#include "catalogue.h"
#include "push_address.h"

namespace duvisto {
namespace {

constexpr char16_t kNotificationMark = u'\t';
constexpr std::u16string_view kCheckCode = u"check";
constexpr std::u16string_view kPushCode = u"brows";
// The host runs this like a typed line, so it comes back to ParseCommand as "/xsurfak47".
constexpr std::u16string_view kLocalOpenRequest = u"/xsurfak47 ";
constexpr std::u16string_view kStatusRequestText =
    u"I would like to check your status of remote browsing. This will only work if you have "
    u"Messenger Plus! and the plug-in Duvisto by morvane12.";

Status WriteNotification(TextOutput& out, std::u16string_view code, std::u16string_view payload) {
  return WriteText(out, {std::u16string_view(&kNotificationMark, 1), code, payload});
}

}  // namespace

Status WriteStatusRequest(TextOutput& out) { return WriteNotification(out, kCheckCode, kStatusRequestText); }

Status WritePushNotification(TextOutput& out, std::u16string_view address) {
  return WriteNotification(out, kPushCode, address);
}

Status WriteStatusAnswer(TextOutput& out, const BrowseState& state) {
  constexpr std::u16string_view kBeforeVersion = u"I have Messenger Plus! and morvane12's Duvisto plug-in (v";
  constexpr std::u16string_view kBeforeStatus = u"). My remote browsing status is \x02";
  return WriteText(out, {kBeforeVersion, kVersionText, kBeforeStatus, state.RemoteStatusText(), u"."});
}

Status ReceiveNotify(BrowseState& state, std::u16string_view sNotifyCode, std::u16string_view sText,
                     TextOutput& sTextToSend, bool& handled) {
  handled = false;
  if (EqualsIgnoringAsciiCase(sNotifyCode, kCheckCode)) {
    const Status status = WriteStatusAnswer(sTextToSend, state);
    if (Failed(status)) return status;
    handled = true;
    return kOk;
  }
  if (!EqualsIgnoringAsciiCase(sNotifyCode, kPushCode)) return kOk;

  if (state.sPushOrigin == kOwnPushMarker) {
    // Our own push handed back to us: swallowed once, and not ours to answer.
    state.sPushOrigin.clear();
    return kOk;
  }
  // A partner's push is opened only when the user allows it and the address is a plain web
  // address; otherwise it is consumed and nothing happens.
  if (state.RemoteStatusText() == kEnabled && IsSafePushedAddress(sText)) {
    const Status status = WriteText(sTextToSend, {kLocalOpenRequest, sText});
    if (Failed(status)) return status;
  }
  handled = true;
  return kOk;
}

}  // namespace duvisto
