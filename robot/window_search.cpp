// The robot finds windows: a thread's or a process's top-level ones, and children by class and text.
#include "ui_robot.h"

#include <algorithm>
#include <thread>

namespace robot {
namespace {

BOOL CALLBACK Collect(HWND window, LPARAM list) {
  reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
  return TRUE;
}

// Every descendant, depth first.
std::vector<HWND> DescendantsOf(HWND parent) {
  std::vector<HWND> children;
  EnumChildWindows(parent, Collect, reinterpret_cast<LPARAM>(&children));
  return children;
}

}  // namespace

bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    if (condition()) return true;
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(10ms);
  }
}

std::vector<HWND> TopLevelWindows(Owner owner, const wchar_t* className) {
  std::vector<HWND> all, found;
  const auto list = reinterpret_cast<LPARAM>(&all);
  owner.threadId != 0 ? EnumThreadWindows(owner.threadId, Collect, list) : EnumWindows(Collect, list);
  for (HWND window : all) {
    DWORD processId = 0;
    const DWORD threadId = GetWindowThreadProcessId(window, &processId);
    const bool ours = owner.threadId != 0 ? threadId == owner.threadId : processId == owner.processId;
    if (ours && IsWindowVisible(window) && HasClass(window, className)) found.push_back(window);
  }
  return found;
}

std::optional<HWND> WaitForWindow(Owner owner, const wchar_t* className, std::chrono::milliseconds timeout) {
  std::vector<HWND> windows;
  WaitUntil([&] { return !(windows = TopLevelWindows(owner, className)).empty(); }, timeout);
  return windows.empty() ? std::nullopt : std::optional(windows.front());
}

std::optional<HWND> WaitForWindowCaptioned(Owner owner, const std::wstring& caption,
                                           std::chrono::milliseconds timeout) {
  std::optional<HWND> found;
  WaitUntil(
      [&] {
        for (HWND window : TopLevelWindows(owner))
          if (WindowText(window) == caption) found = window;
        return found.has_value();
      },
      timeout);
  return found;
}

std::wstring ClassName(HWND window) {
  wchar_t name[256] = {};
  return std::wstring(name, std::max(GetClassNameW(window, name, 256), 0));
}

bool HasClass(HWND window, const wchar_t* className) {
  return className == nullptr || _wcsicmp(ClassName(window).c_str(), className) == 0;
}

bool IsMessageBox(HWND window) { return ClassName(window) == kMessageBoxClass; }

std::vector<HWND> ChildWindows(HWND parent) {
  std::vector<HWND> children;
  for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    children.push_back(child);
  }
  return children;
}

HWND FindChild(HWND parent, const wchar_t* className, const std::wstring& text) {
  for (HWND child : DescendantsOf(parent)) {
    if (HasClass(child, className) && (text.empty() || WindowText(child) == text)) return child;
  }
  return nullptr;
}

HWND FocusedWindow(DWORD threadId) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  return GetGUIThreadInfo(threadId, &info) ? info.hwndFocus : nullptr;
}

}  // namespace robot
