// The robot acts on windows as a user would: clicks, keys, typed text, the close box.
#include "ui_robot.h"

namespace robot {

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

void CloseEverythingOf(DWORD threadId) {
  for (HWND window : TopLevelWindows(Owner::Thread(threadId))) {
    bool pressed = false;
    if (IsMessageBox(window)) {
      for (int id : {IDCANCEL, IDNO, IDOK}) pressed = pressed || PressButton(window, id);
    }
    if (!pressed) AskToClose(window);
  }
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

}  // namespace robot
