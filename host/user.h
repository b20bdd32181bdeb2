// One user of the conversation: a user-interface thread of its own (a single-threaded COM
// apartment, as the plug-in's browser window is one instance per thread) with that user's
// plug-ins, and an inbox window through which everything reaches the thread.
//
// Deliveries are posted to the inbox window, not to the thread: the modal loops of message
// boxes and of the browser window dispatch window messages but drop thread messages, so a
// delivery re-enters the plug-in from inside its own modal window, as a real host does.
#pragma once

#include <windows.h>
#include <wrl/client.h>

#include <atomic>
#include <chrono>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "activity.h"
#include "plugin.h"
#include "registered_plugins.h"
#include "transcript.h"

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
  ~User();
  User(const User&) = delete;
  User& operator=(const User&) = delete;

  void SetPartner(User* partner) { partner_ = partner; }

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
  bool Probe(std::chrono::milliseconds timeout) const;

  // Uninitialises and releases the plug-ins and ends the thread. False if it did not end in time.
  bool Stop(std::chrono::milliseconds timeout);

  wchar_t Letter() const { return static_cast<wchar_t>(L'A' + setup_.index); }
  int Index() const { return setup_.index; }
  const std::wstring& SignInName() const { return setup_.signInName; }
  DWORD ThreadId() const { return threadId_; }
  int MethodFailures() const { return methodFailures_.load(); }

 private:
  struct Work {
    enum class Kind { Typed, Raw, Received } kind = Kind::Typed;
    std::wstring text;
  };

  static DWORD WINAPI ThreadEntry(void* self);
  static LRESULT CALLBACK InboxProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  void ThreadMain();
  bool LoadPlugins();
  void UnloadPlugins();
  void Post(Work work);
  void RunNext();

  void SendTyped(const std::wstring& line);
  void Send(const std::wstring& text);
  void HandOwnNotification(const std::wstring& code, const std::wstring& payload);
  void HandleReceived(const std::wstring& text);

  void Say(std::wstring_view text) const;
  void ReportFailure(const Plugin& plugin, const wchar_t* method, HRESULT hr);

  UserSetup setup_;
  Transcript& transcript_;
  Activity& activity_;
  User* partner_ = nullptr;

  std::vector<RegisteredPlugin> registered_;
  std::vector<Plugin> plugins_;  // touched on the user's thread only
  Microsoft::WRL::ComPtr<IDispatch> messenger_;
  Microsoft::WRL::ComPtr<IDispatch> conversationWindow_;

  HANDLE thread_ = nullptr;
  DWORD threadId_ = 0;
  HANDLE ready_ = nullptr;
  StartResult startResult_ = StartResult::HostFailed;
  HWND inbox_ = nullptr;

  std::mutex queueMutex_;
  std::deque<Work> queue_;
  std::atomic<int> methodFailures_{0};
};

}  // namespace host
