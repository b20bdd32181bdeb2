// A user's user-interface thread: a single-threaded COM apartment (the plug-in's browser window is
// one instance per thread), with the 1 MB stack a real host's user-interface thread usually has,
// and an inbox window through which work reaches it.
//
// Work is posted to the inbox window, not to the thread: the modal loops of message boxes and of
// the browser window dispatch window messages but drop thread messages, so work re-enters the
// plug-in from inside its own modal window, as a real host does.
#pragma once

#include <windows.h>

#include <chrono>
#include <deque>
#include <functional>
#include <mutex>

#include "unique_any.h"
#include "user_log.h"

namespace host {

class UserThread {
 public:
  explicit UserThread(const UserLog& log) : log_(log) {}
  UserThread(const UserThread&) = delete;
  UserThread& operator=(const UserThread&) = delete;

  // What runs on the thread: `begin` once it is an apartment with its inbox, before its message
  // loop (false: no loop); `end` when Stop asks (from whichever loop the thread is in) or after a
  // failed `begin`, before the thread leaves its apartment.
  struct Life {
    std::function<bool()> begin;
    std::function<void()> end;
  };
  enum class Started { Running, BeginFailed, HostFailed };
  Started Start(Life life, std::chrono::milliseconds timeout);

  // Runs `work` on the thread, after the work posted before it (callable from any thread).
  // False if it could not be posted (already reported).
  bool Post(std::function<void()> work);

  // True if the thread answers a message within `timeout`: it is waiting in a message loop (its
  // own or a modal window's), not busy.
  bool Probe(std::chrono::milliseconds timeout) const;

  // Runs `end` on the thread and lets it finish. False if it did not end in time.
  bool Stop(std::chrono::milliseconds timeout);

  DWORD Id() const { return threadId_; }

 private:
  static DWORD WINAPI ThreadEntry(void* self);
  static LRESULT CALLBACK InboxProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  void ThreadMain();
  void End();
  void RunNext();

  const UserLog& log_;
  Life life_;
  duvisto::UniqueHandle thread_;
  DWORD threadId_ = 0;
  duvisto::UniqueHandle ready_;
  Started started_ = Started::HostFailed;
  HWND inbox_ = nullptr;  // destroyed by the thread itself
  bool ended_ = false;    // the thread's own

  std::mutex queueMutex_;
  std::deque<std::function<void()>> queue_;
};

}  // namespace host
