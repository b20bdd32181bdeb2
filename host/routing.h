// How a line a user sends, and a text that reaches the user, go through that user's plug-ins (in
// the registry's order) and what is put on the wire; host/README.md tells the rules. Everything
// here runs on the user's thread.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "chat_text.h"
#include "plugin.h"
#include "user_log.h"

namespace host {

// The partner as this user's routing sees it: who it is, and how a sent text reaches it.
struct Partner {
  wchar_t letter = L'?';
  std::wstring signInName;
  std::function<void(std::wstring)> deliver;  // callable from any thread
};

class Routing {
 public:
  // `plugins` and `conversationWindow` are the user's, filled once the user has signed in.
  Routing(UserLog& log, const std::wstring& signInName, std::vector<Plugin>& plugins,
          const Microsoft::WRL::ComPtr<IDispatch>& conversationWindow)
      : log_(log), signInName_(signInName), plugins_(plugins), conversationWindow_(conversationWindow) {}

  void SetPartner(Partner partner) { partner_ = std::move(partner); }

  // The user typed and sent `line`: slash commands go to the plug-ins first.
  void SendTyped(const std::wstring& line);
  // Puts `text` on the wire as it is; a notification is handed to the sender's own plug-ins first.
  void Send(const std::wstring& text);
  // A text the partner sent arrives.
  void Receive(const std::wstring& text);

 private:
  void HandOwnNotification(const Notification& notification);
  bool Notify(Plugin& plugin, const Notification& notification, const std::wstring& sender, const wchar_t* mark,
              Answer& answer);

  UserLog& log_;
  const std::wstring& signInName_;
  std::vector<Plugin>& plugins_;
  const Microsoft::WRL::ComPtr<IDispatch>& conversationWindow_;
  Partner partner_;
};

}  // namespace host
