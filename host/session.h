// The conversation between users A and B: their threads and plug-ins, the window watcher, and
// the wait after each line until everything the line caused has settled.
#pragma once

#include <array>
#include <chrono>
#include <memory>
#include <string>

#include "activity.h"
#include "scenario.h"
#include "transcript.h"
#include "user.h"
#include "window_watcher.h"

namespace host {

class Session {
 public:
  Session(Transcript& transcript, RobotOptions robot);
  ~Session();

  // Signs both users in; a user without plug-ins needs no registry entry. kExitOk or the
  // exit code of what went wrong (already reported).
  int Begin(const std::array<bool, kUserCount>& withPlugins);
  bool Begun() const { return begun_; }

  // Starts what the step does; returns at once.
  void Perform(const Step& step);

  // True once no delivery waits or runs and no window is open, except a held user's window with
  // that user's thread waiting inside it. False if that did not happen within `timeout`.
  bool WaitUntilSettled(std::chrono::milliseconds timeout);
  // What is still going on, for a report.
  std::wstring Pending() const;

  // Releases held windows, lets everything settle, uninitialises the plug-ins and ends the
  // threads. kExitOk, or the exit code for failed plug-in calls or a run that did not settle.
  int End(std::chrono::milliseconds timeout);
  // Closes every window and ends what can be ended. False if a thread is still stuck: the
  // process must then end without waiting for it.
  bool GiveUp();

 private:
  // The robot types `address` into the user's open browser window and presses GO.
  void Go(int user, const std::wstring& address);
  bool SettledNow();
  bool StopUsers(std::chrono::milliseconds timeout);

  Transcript& transcript_;
  Activity activity_;
  WindowWatcher watcher_;
  std::array<std::unique_ptr<User>, kUserCount> users_;
  bool begun_ = false;
};

}  // namespace host
