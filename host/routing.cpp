#include "routing.h"

#include <optional>

#include "chat_text.h"
#include "text_format.h"

namespace host {

// A line the user sent: slash commands go to the plug-ins first, in the registry's order; the
// first that takes it decides what is sent. Otherwise the line goes out as it is.
void Routing::SendTyped(const std::wstring& line) {
  if (IsSlashCommand(line)) {
    CommandParts parts = SplitCommand(line);
    for (Plugin& plugin : plugins_) {
      log_.Say(plugin.Name() + L".ParseCommand(" + Quoted(parts.word) + L", " + Quoted(parts.rest) + L")");
      Answer answer;
      HRESULT hr = plugin.ParseCommand(parts.word, parts.rest, conversationWindow_.Get(), answer);
      if (FAILED(hr)) {
        log_.Failure(plugin.Name(), L"ParseCommand", hr);
        return;  // a failed call sends nothing
      }
      if (answer.handled) {
        log_.Say(plugin.Name() + L".ParseCommand -> True, sResult " + Quoted(answer.text));
        if (!answer.text.empty()) Send(answer.text);
        return;
      }
      log_.Say(plugin.Name() + L".ParseCommand -> False");
    }
  }
  Send(line);
}

// Puts a text on the wire. A notification is handed to this user's own plug-ins first (the
// sender's window shows its own message at once; the partner's copy travels), then posted.
void Routing::Send(const std::wstring& text) {
  if (std::optional<Notification> notification = AsNotification(text)) {
    log_.Say(L"sends notification " + notification->code + L": " + Visible(notification->payload));
    HandOwnNotification(*notification);
  } else {
    log_.Say(L"sends: " + Visible(text));
  }
  if (partner_.deliver) partner_.deliver(text);
}

// The sender's own plug-ins see the notification it sent. Nothing they leave to send is sent:
// the user received nothing, so there is nobody to answer.
void Routing::HandOwnNotification(const Notification& notification) {
  for (Plugin& plugin : plugins_) {
    Answer answer;
    if (!Notify(plugin, notification, signInName_, L" [own notification]", answer)) return;
    if (answer.handled) {
      if (!answer.text.empty()) log_.Say(L"drops the text to send: an own notification answers nobody");
      return;
    }
  }
}

// Hands `notification` to `plugin` as from `sender`, with the call and its answer in the
// transcript (`mark` after the call). False if the call failed (reported).
bool Routing::Notify(Plugin& plugin, const Notification& notification, const std::wstring& sender,
                     const wchar_t* mark, Answer& answer) {
  log_.Say(plugin.Name() + L".ReceiveNotify(" + Quoted(notification.code) + L", " + Quoted(notification.payload) +
           L", " + Quoted(sender) + L")" + mark);
  HRESULT hr =
      plugin.ReceiveNotify(notification.code, notification.payload, sender, conversationWindow_.Get(), answer);
  if (FAILED(hr)) {
    log_.Failure(plugin.Name(), L"ReceiveNotify", hr);
    return false;
  }
  log_.Say(plugin.Name() + L".ReceiveNotify -> " + BooleanText(answer.handled) + L", sTextToSend " +
           Quoted(answer.text));
  return true;
}

// A text from the partner: a notification goes to the plug-ins, the first that takes it decides
// what this user sends back; a text nobody takes is shown as a chat line.
void Routing::Receive(const std::wstring& text) {
  const std::wstring& from = partner_.signInName;
  std::optional<Notification> notification = AsNotification(text);
  if (notification && !plugins_.empty()) {
    log_.Say(L"notification " + notification->code + L" from " + from + L": " + Visible(notification->payload));
    for (Plugin& plugin : plugins_) {
      Answer answer;
      if (!Notify(plugin, *notification, from, L"", answer)) return;
      if (answer.handled) {
        if (!answer.text.empty()) SendTyped(answer.text);
        return;
      }
    }
  }
  log_.Say(L"chat from " + std::wstring(1, partner_.letter) + L": " + Visible(text));
}

}  // namespace host
