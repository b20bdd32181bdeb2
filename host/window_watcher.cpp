#include "window_watcher.h"

#include <algorithm>
#include <cwchar>

#include "screenshot.h"
#include "ui_robot.h"
#include "window_description.h"

namespace host {

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kLookInterval = std::chrono::milliseconds(20);
constexpr auto kCloseRetry = std::chrono::seconds(2);

}  // namespace

WindowWatcher::WindowWatcher(Transcript& transcript, RobotOptions options)
    : transcript_(transcript), options_(std::move(options)) {}

WindowWatcher::~WindowWatcher() { Stop(); }

void WindowWatcher::Watch(int user, wchar_t letter, DWORD threadId) {
  std::lock_guard<std::mutex> lock(mutex_);
  watched_[user].letter = letter;
  watched_[user].threadId = threadId;
}

void WindowWatcher::Start() { thread_ = std::thread([this] { Run(); }); }

void WindowWatcher::Stop() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  stopRequested_.notify_all();
  if (thread_.joinable()) thread_.join();
}

void WindowWatcher::Hold(int user, bool hold) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (watched_[user].held && !hold) watched_[user].released = true;
  watched_[user].held = hold;
  state_.held[user] = hold;
}

WindowWatcher::State WindowWatcher::Current() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return state_;
}

bool WindowWatcher::WaitForFreshLook(std::chrono::milliseconds timeout) {
  std::unique_lock<std::mutex> lock(mutex_);
  const std::uint64_t wanted = state_.polls + 2;
  return looked_.wait_for(lock, timeout, [&] { return state_.polls >= wanted || stopping_; }) && !stopping_;
}

void WindowWatcher::CloseEverything() {
  std::array<DWORD, kUserCount> threads{};
  {
    std::lock_guard<std::mutex> lock(mutex_);
    for (int user = 0; user < kUserCount; ++user) threads[user] = watched_[user].threadId;
  }
  for (DWORD threadId : threads) {
    if (threadId) robot::CloseEverythingOf(threadId);
  }
}

// Looks at the windows every kLookInterval until asked to stop.
void WindowWatcher::Run() {
  for (;;) {
    Look();
    std::unique_lock<std::mutex> lock(mutex_);
    if (stopRequested_.wait_for(lock, kLookInterval, [this] { return stopping_; })) break;
  }
  looked_.notify_all();
}

void WindowWatcher::Look() {
  std::array<Watched, kUserCount> watched;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    watched = watched_;
    for (Watched& w : watched_) w.released = false;
  }
  const Clock::time_point now = Clock::now();

  std::array<std::vector<HWND>, kUserCount> visible;
  for (int user = 0; user < kUserCount; ++user) {
    if (watched[user].threadId) visible[user] = robot::TopLevelWindows(robot::Owner::Thread(watched[user].threadId));
  }

  // Windows gone since the last look.
  seen_.erase(std::remove_if(seen_.begin(), seen_.end(),
                             [&](const Seen& s) {
                               const auto& now = visible[s.user];
                               return std::find(now.begin(), now.end(), s.window) == now.end();
                             }),
              seen_.end());

  // New windows, in the order the system lists them.
  for (int user = 0; user < kUserCount; ++user) {
    for (HWND window : visible[user]) {
      bool known = std::any_of(seen_.begin(), seen_.end(), [&](const Seen& s) { return s.window == window; });
      if (known) continue;
      Seen seen;
      seen.window = window;
      seen.user = user;
      seen.letter = watched[user].letter;
      seen.order = nextOrder_++;
      seen.shownSince = now;
      seen.description = Describe(window);
      Say(seen.letter, seen.description);
      seen_.push_back(std::move(seen));
    }
  }

  // Released windows are read again and shown for another pause before they close.
  for (int user = 0; user < kUserCount; ++user) {
    if (!watched[user].released) continue;
    for (Seen& seen : seen_) {
      if (seen.user != user) continue;
      std::wstring description = Describe(seen.window);
      if (description != seen.description) {
        Say(seen.letter, L"now " + description);
        seen.description = std::move(description);
      }
      seen.shownSince = now;
    }
  }

  if (options_.closeWindows) {
    for (int user = 0; user < kUserCount; ++user) {
      if (!watched[user].held) CloseNewest(user, now);
    }
  }

  std::lock_guard<std::mutex> lock(mutex_);
  state_.unheldOpen = false;
  state_.open.fill(0);
  for (const Seen& seen : seen_) {
    ++state_.open[seen.user];
    if (!watched_[seen.user].held) state_.unheldOpen = true;
  }
  ++state_.polls;
  looked_.notify_all();
}

// Only the newest window of a user is closed: it is the innermost modal one, whose loop has to
// end before the windows under it can.
void WindowWatcher::CloseNewest(int user, Clock::time_point now) {
  Seen* newest = nullptr;
  for (Seen& seen : seen_) {
    if (seen.user == user && (!newest || seen.order > newest->order)) newest = &seen;
  }
  if (!newest || now - newest->shownSince < options_.pause) return;
  if (newest->closeAsked && now - newest->closeAskedAt < kCloseRetry) return;
  Close(*newest);
  newest->closeAsked = true;
  newest->closeAskedAt = Clock::now();
}

void WindowWatcher::Close(Seen& seen) {
  const bool box = robot::IsMessageBox(seen.window);
  std::wstring shot;
  if (!options_.screenshotFolder.empty() && !seen.closeAsked) {
    wchar_t name[64];
    std::swprintf(name, 64, L"%02d-%lc-%ls", ++shots_, static_cast<wint_t>(seen.letter),
                  box ? L"box" : L"window");
    std::wstring path = options_.screenshotFolder + L"\\" + name + L".bmp";
    shot = robot::SaveScreenshot(seen.window, path) ? std::wstring(L" [") + name + L"]" : L" [no picture: " + path + L"]";
  }
  if (seen.closeAsked) {
    Say(seen.letter, L"robot asks again: WM_CLOSE");
    robot::AskToClose(seen.window);
  } else if (box) {
    Say(seen.letter, L"robot presses OK" + shot);
    if (!robot::PressButton(seen.window, IDOK)) robot::AskToClose(seen.window);
  } else {
    Say(seen.letter, L"robot closes the window" + shot);
    robot::AskToClose(seen.window);
  }
}

void WindowWatcher::Say(wchar_t letter, const std::wstring& text) {
  transcript_.Line(L"[" + std::wstring(1, letter) + L"] " + text);
}

}  // namespace host
