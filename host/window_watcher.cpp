#include "window_watcher.h"

#include <algorithm>
#include <cwchar>

#include "screenshot.h"

namespace host {

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kLookInterval = std::chrono::milliseconds(20);
constexpr auto kCloseRetry = std::chrono::seconds(2);
constexpr UINT kClickTimeoutMs = 2000;

BOOL CALLBACK CollectVisible(HWND window, LPARAM found) {
  if (IsWindowVisible(window)) reinterpret_cast<std::vector<HWND>*>(found)->push_back(window);
  return TRUE;
}

std::vector<HWND> VisibleWindowsOf(DWORD threadId) {
  std::vector<HWND> windows;
  EnumThreadWindows(threadId, &CollectVisible, reinterpret_cast<LPARAM>(&windows));
  return windows;
}

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
    if (!threadId) continue;
    for (HWND window : VisibleWindowsOf(threadId)) {
      if (KindOf(window) == WindowKind::MessageBox) {
        PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
      }
      PostMessageW(window, WM_CLOSE, 0, 0);
    }
  }
}

void WindowWatcher::Run() {
  for (;;) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (stopping_) break;
    }
    Look();
    Sleep(static_cast<DWORD>(kLookInterval.count()));
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
    if (watched[user].threadId) visible[user] = VisibleWindowsOf(watched[user].threadId);
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
      seen.order = nextOrder_++;
      seen.shownSince = now;
      seen.description = Describe(window);
      Say(user, seen.description);
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
        Say(user, L"now " + description);
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
  const bool box = KindOf(seen.window) == WindowKind::MessageBox;
  std::wstring shot;
  if (!options_.screenshotFolder.empty() && !seen.closeAsked) {
    wchar_t name[64];
    std::swprintf(name, 64, L"%02d-%lc-%ls", ++shots_, static_cast<wint_t>(watched_[seen.user].letter),
                  box ? L"box" : L"window");
    std::wstring path = options_.screenshotFolder + L"\\" + name + L".bmp";
    shot = SaveScreenshot(seen.window, path) ? std::wstring(L" [") + name + L"]" : L" [no picture: " + path + L"]";
  }
  if (seen.closeAsked) {
    Say(seen.user, L"robot asks again: WM_CLOSE");
    PostMessageW(seen.window, WM_CLOSE, 0, 0);
  } else if (box) {
    Say(seen.user, L"robot presses OK" + shot);
    HWND ok = GetDlgItem(seen.window, IDOK);
    DWORD_PTR ignored = 0;
    if (!ok || !SendMessageTimeoutW(ok, BM_CLICK, 0, 0, SMTO_NORMAL, kClickTimeoutMs, &ignored)) {
      PostMessageW(seen.window, WM_CLOSE, 0, 0);
    }
  } else {
    Say(seen.user, L"robot closes the window" + shot);
    PostMessageW(seen.window, WM_CLOSE, 0, 0);
  }
}

void WindowWatcher::Say(int user, const std::wstring& text) {
  wchar_t letter;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    letter = watched_[user].letter;
  }
  transcript_.Line(L"[" + std::wstring(1, letter) + L"] " + text);
}

}  // namespace host
