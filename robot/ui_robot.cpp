#include "ui_robot.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <thread>

#include "unique_any.h"

namespace robot {
namespace {

constexpr UINT kAnswerWaitMs = static_cast<UINT>(kAnswerWait.count());

bool SameClass(HWND window, const wchar_t* className) {
  return className == nullptr || _wcsicmp(ClassName(window).c_str(), className) == 0;
}

BOOL CALLBACK Collect(HWND window, LPARAM list) {
  reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
  return TRUE;
}

std::vector<HWND> ChildrenOf(HWND parent) {
  std::vector<HWND> children;
  EnumChildWindows(parent, Collect, reinterpret_cast<LPARAM>(&children));
  return children;
}

}  // namespace

std::wstring ClassName(HWND window) {
  wchar_t name[256] = {};
  return std::wstring(name, std::max(GetClassNameW(window, name, 256), 0));
}

bool IsMessageBox(HWND window) { return ClassName(window) == kMessageBoxClass; }

std::vector<HWND> ChildWindows(HWND parent) {
  std::vector<HWND> children;
  for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    children.push_back(child);
  }
  return children;
}

Icon IconOf(HWND box) {
  for (HWND child : ChildWindows(box)) {
    if (!SameClass(child, L"Static") || (GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) != SS_ICON) continue;
    DWORD_PTR answer = 0;
    if (!SendMessageTimeoutW(child, STM_GETICON, 0, 0, SMTO_NORMAL, kAnswerWaitMs, &answer)) return Icon::Unreadable;
    const auto shown = reinterpret_cast<HICON>(answer);
    if (shown == nullptr) return Icon::None;
    for (const auto& [id, icon] : {std::pair{IDI_INFORMATION, Icon::Information}, std::pair{IDI_HAND, Icon::Stop},
                                   std::pair{IDI_WARNING, Icon::Warning}, std::pair{IDI_QUESTION, Icon::Question}}) {
      if (shown == LoadIconW(nullptr, id)) return icon;
    }
    return Icon::Unknown;
  }
  return Icon::None;
}

void CloseEverythingOf(DWORD threadId) {
  for (HWND window : TopLevelWindows(Owner::Thread(threadId))) {
    bool pressed = false;
    if (IsMessageBox(window)) {
      for (int id : {IDCANCEL, IDNO, IDOK}) pressed = pressed || PressButton(window, id);
    }
    if (!pressed) AskToClose(window);
  }
}

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
    if (ours && IsWindowVisible(window) && SameClass(window, className)) found.push_back(window);
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

MessageBoxInfo ReadMessageBox(HWND box) {
  MessageBoxInfo info{box, WindowText(box), {}, IconOf(box), {}};
  if (HWND text = GetDlgItem(box, 0xFFFF)) info.text = WindowText(text);
  for (HWND child : ChildWindows(box)) {
    if (!IsWindowVisible(child) || !SameClass(child, L"Button")) continue;
    const LONG kind = GetWindowLongW(child, GWL_STYLE) & BS_TYPEMASK;
    if (kind == BS_PUSHBUTTON || kind == BS_DEFPUSHBUTTON) info.buttons.push_back(GetDlgCtrlID(child));
  }
  return info;
}

std::optional<MessageBoxInfo> WaitForMessageBox(Owner owner, std::chrono::milliseconds timeout) {
  const auto box = WaitForWindow(owner, kMessageBoxClass, timeout);
  return box ? std::optional(ReadMessageBox(*box)) : std::nullopt;
}

bool PressButton(HWND dialog, int buttonId) {
  HWND button = GetDlgItem(dialog, buttonId);
  if (button == nullptr) return false;
  // The WM_NULL behind the click returns once the click is handled, the button is gone or the
  // thread is busy showing what the click opened.
  SendNotifyMessageW(button, BM_CLICK, 0, 0);
  DWORD_PTR ignored = 0;
  SendMessageTimeoutW(button, WM_NULL, 0, 0, SMTO_NORMAL, 2000, &ignored);
  return true;
}

void AskToClose(HWND window) { PostMessageW(window, WM_CLOSE, 0, 0); }

bool CloseAndWait(HWND window, std::chrono::milliseconds timeout) {
  if (!IsWindow(window)) return true;
  AskToClose(window);
  return WaitUntil([&] { return !IsWindow(window); }, timeout);
}

std::optional<std::wstring> ReadWindowText(HWND window) {
  DWORD_PTR length = 0;
  if (!SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_NORMAL, kAnswerWaitMs, &length)) return std::nullopt;
  std::wstring text(length + 1, L'\0');
  DWORD_PTR copied = 0;
  const auto buffer = reinterpret_cast<LPARAM>(text.data());
  if (!SendMessageTimeoutW(window, WM_GETTEXT, text.size(), buffer, SMTO_NORMAL, kAnswerWaitMs, &copied)) {
    return std::nullopt;
  }
  text.resize(copied);
  return text;
}

std::wstring WindowText(HWND window) { return ReadWindowText(window).value_or(std::wstring()); }

RECT WindowRectOnScreen(HWND window) {
  RECT rect{};
  return GetWindowRect(window, &rect), rect;
}

RECT ClientRectOf(HWND window) {
  RECT rect{};
  return GetClientRect(window, &rect), rect;
}

RECT ChildRectInClient(HWND child) {
  RECT rect = WindowRectOnScreen(child);
  MapWindowPoints(HWND_DESKTOP, GetParent(child), reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

HWND FindChild(HWND parent, const wchar_t* className, const std::wstring& text) {
  for (HWND child : ChildrenOf(parent)) {
    if (SameClass(child, className) && (text.empty() || WindowText(child) == text)) return child;
  }
  return nullptr;
}

HWND FocusedWindow(DWORD threadId) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  return GetGUIThreadInfo(threadId, &info) ? info.hwndFocus : nullptr;
}

void PostKey(HWND target, UINT virtualKey) {
  const LPARAM scan = static_cast<LPARAM>(MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC)) << 16;
  PostMessageW(target, WM_KEYDOWN, virtualKey, 1 | scan);
  PostMessageW(target, WM_KEYUP, virtualKey, 1 | scan | 0xC0000000);
}

bool SetText(HWND window, const std::wstring& text) {
  DWORD_PTR result = 0;
  const auto value = reinterpret_cast<LPARAM>(text.c_str());
  return SendMessageTimeoutW(window, WM_SETTEXT, 0, value, SMTO_NORMAL, kAnswerWaitMs, &result) != 0 && result != 0;
}

DrivenCall RunDriven(const std::function<void()>& blockingCall, const std::function<void(DWORD uiThreadId)>& driver,
                     std::chrono::milliseconds timeout) {
  const DWORD uiThreadId = GetCurrentThreadId();
  std::atomic<bool> callDone{false}, closedByForce{false};
  std::exception_ptr driverFailure;
  std::thread watcher([&] {
    try {
      driver(uiThreadId);
    } catch (...) {
      driverFailure = std::current_exception();
    }
    if (WaitUntil([&] { return callDone.load(); }, timeout)) return;
    closedByForce = true;
    // A window that refuses to go is given up on; the test run's own timeout takes over.
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (!callDone && std::chrono::steady_clock::now() < end) {
      CloseEverythingOf(uiThreadId);
      WaitUntil([&] { return callDone.load(); }, 200ms);
    }
  });
  try {
    blockingCall();
  } catch (...) {
    callDone = true;
    watcher.join();
    throw;
  }
  callDone = true;
  watcher.join();
  if (driverFailure) std::rethrow_exception(driverFailure);
  return DrivenCall{!closedByForce};
}

int TwipsToPixelsX(int twips) {
  return MulDiv(twips, GetDeviceCaps(duvisto::UniqueScreenDc(GetDC(nullptr)).get(), LOGPIXELSX), 1440);
}
int TwipsToPixelsY(int twips) {
  return MulDiv(twips, GetDeviceCaps(duvisto::UniqueScreenDc(GetDC(nullptr)).get(), LOGPIXELSY), 1440);
}

}  // namespace robot
