// One user of the conversation: that user's host signs in on a thread of its own (UserThread),
// loads the registered plug-ins and lists their commands, hands every delivery to the thread,
// where Routing takes it through the plug-ins, and signs out at the end.
#pragma once

#include <windows.h>
#include <wrl/client.h>

#include <chrono>
#include <string>
#include <vector>

#include "activity.h"
#include "plugin.h"
#include "registered_plugins.h"
#include "routing.h"
#include "transcript.h"
#include "user_log.h"
#include "user_thread.h"

namespace host {

// The host version this stand-in reports to Initialize.
inline constexpr long kHostVersion = 2053;

struct UserSetup {
  int index = 0;  // 0 is user A, 1 is user B
  std::wstring signInName;
  bool withPlugins = true;
};

class User {
 public:
  User(UserSetup setup, Transcript& transcript, Activity& activity);
  User(const User&) = delete;
  User& operator=(const User&) = delete;

  void SetPartner(User& partner);

  enum class StartResult { Ready, PluginFailed, HostFailed };
  // Starts the thread, creates and initialises the plug-ins and lists their commands.
  StartResult Start(const std::vector<RegisteredPlugin>& plugins, std::chrono::milliseconds timeout);

  // The user typed and sent `line` (callable from any thread).
  void Type(std::wstring line);
  // The host puts `text` on the wire in this user's name, as if a plug-in had left it to send
  // (callable from any thread).
  void SendRaw(std::wstring text);
  // A text the partner sent arrives (callable from any thread).
  void Receive(std::wstring text);

  // True if the thread answers a message within `timeout`: it is waiting in a message loop
  // (its own or a modal window's), not busy.
  bool Probe(std::chrono::milliseconds timeout) const { return thread_.Probe(timeout); }

  // Uninitialises and releases the plug-ins and ends the thread. False if it did not end in time.
  bool Stop(std::chrono::milliseconds timeout) { return thread_.Stop(timeout); }

  wchar_t Letter() const { return log_.Letter(); }
  const std::wstring& SignInName() const { return setup_.signInName; }
  DWORD ThreadId() const { return thread_.Id(); }
  int MethodFailures() const { return log_.Failures(); }

 private:
  bool SignIn();
  void SignOut();
  bool LoadPlugins();
  void UnloadPlugins();
  // Counts `delivery` as work in flight and runs it on the user's thread.
  void Deliver(std::function<void()> delivery);

  const UserSetup setup_;
  Activity& activity_;
  UserLog log_;
  std::vector<RegisteredPlugin> registered_;

  // The user's thread's own, from sign-in to sign-out.
  std::vector<Plugin> plugins_;
  Microsoft::WRL::ComPtr<IDispatch> messenger_;
  Microsoft::WRL::ComPtr<IDispatch> conversationWindow_;
  Routing routing_;

  UserThread thread_;
};

}  // namespace host
