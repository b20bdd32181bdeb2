// The host's window watcher: it notices every window a plug-in shows on a user's thread and
// writes it into the transcript. Running unattended it is also the robot that, after a short
// visible pause, saves a picture of the window and closes it as a user would (OK on a box, the
// close box on a window). A user's windows can be held open until released.
#pragma once

#include <windows.h>

#include <array>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "activity.h"
#include "transcript.h"

namespace host {

struct RobotOptions {
  bool closeWindows = true;                      // false: a person closes them
  std::chrono::milliseconds pause{500};          // how long a window stays visible first
  std::wstring screenshotFolder;                 // empty: no pictures
};

class WindowWatcher {
 public:
  WindowWatcher(Transcript& transcript, RobotOptions options);
  ~WindowWatcher();
  WindowWatcher(const WindowWatcher&) = delete;
  WindowWatcher& operator=(const WindowWatcher&) = delete;

  void Watch(int user, wchar_t letter, DWORD threadId);
  void Start();
  void Stop();

  // Held windows of `user` stay open; on release each is read again (changes are reported)
  // and closed after the pause.
  void Hold(int user, bool hold);

  struct State {
    std::uint64_t polls = 0;
    bool unheldOpen = false;  // a window the robot (or a person) still has to close
    std::array<int, kUserCount> open{};
    std::array<bool, kUserCount> held{};
  };
  State Current() const;
  // Waits until two full looks at the windows have been taken after this call.
  bool WaitForFreshLook(std::chrono::milliseconds timeout);
  // Asks every open window to close, held or not (used when a run is given up).
  void CloseEverything();

 private:
  struct Watched {
    wchar_t letter = L'?';
    DWORD threadId = 0;
    bool held = false;
    bool released = false;
  };
  struct Seen {
    HWND window = nullptr;
    int user = 0;
    wchar_t letter = L'?';
    std::uint64_t order = 0;
    std::chrono::steady_clock::time_point shownSince;
    std::chrono::steady_clock::time_point closeAskedAt{};
    bool closeAsked = false;
    std::wstring description;
  };

  void Run();
  void Look();
  void CloseNewest(int user, std::chrono::steady_clock::time_point now);
  void Close(Seen& seen);
  void Say(wchar_t letter, const std::wstring& text);

  Transcript& transcript_;
  const RobotOptions options_;
  // The watcher thread's own: it reads the watched users only through a copy taken under the lock.
  std::vector<Seen> seen_;
  std::uint64_t nextOrder_ = 0;
  int shots_ = 0;

  mutable std::mutex mutex_;  // guards what follows
  std::array<Watched, kUserCount> watched_{};
  std::condition_variable looked_;
  std::condition_variable stopRequested_;
  State state_;
  bool stopping_ = false;
  std::thread thread_;
};

}  // namespace host
