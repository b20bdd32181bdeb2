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

std::u16string Notification(std::u16string_view code, std::u16string_view payload) {
  std::u16string text;
  text.reserve(1 + code.size() + payload.size());
  text += kNotificationMark;
  text += code;
  text += payload;
  return text;
}

}  // namespace

std::u16string StatusRequest() { return Notification(kCheckCode, kStatusRequestText); }

std::u16string PushNotification(std::u16string_view address) { return Notification(kPushCode, address); }

std::u16string StatusAnswer(const BrowseState& state) {
  constexpr std::u16string_view kBeforeVersion = u"I have Messenger Plus! and morvane12's Duvisto plug-in (v";
  constexpr std::u16string_view kBeforeStatus = u"). My remote browsing status is \x02";
  const std::u16string version = VersionText();
  const std::u16string_view status = state.RemoteStatusText();
  std::u16string text;
  text.reserve(kBeforeVersion.size() + version.size() + kBeforeStatus.size() + status.size() + 1);
  text += kBeforeVersion;
  text += version;
  text += kBeforeStatus;
  text += status;
  text += u'.';
  return text;
}

NotifyResult ReceiveNotify(BrowseState& state, std::u16string_view sNotifyCode, std::u16string_view sText) {
  NotifyResult result;
  if (EqualsIgnoringAsciiCase(sNotifyCode, kCheckCode)) {
    result.textToSend = StatusAnswer(state);
    result.textToSendWritten = true;
    result.handled = true;
    return result;
  }
  if (!EqualsIgnoringAsciiCase(sNotifyCode, kPushCode)) return result;

  if (state.sPushOrigin == kOwnPushMarker) {
    // Our own push handed back to us: swallowed once, and not ours to answer.
    state.sPushOrigin.clear();
    return result;
  }
  // A partner's push is opened only when the user allows it and the address is a plain web
  // address; otherwise it is consumed and nothing happens.
  if (state.RemoteStatusText() == kEnabled && IsSafePushedAddress(sText)) {
    result.textToSend.reserve(kLocalOpenRequest.size() + sText.size());
    result.textToSend += kLocalOpenRequest;
    result.textToSend += sText;
    result.textToSendWritten = true;
  }
  result.handled = true;
  return result;
}

}  // namespace duvisto
