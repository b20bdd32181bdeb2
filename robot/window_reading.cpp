// The robot reads windows: texts, message boxes with their icon and buttons, and geometry.
#include "ui_robot.h"

#include "unique_any.h"

namespace robot {

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

Icon IconOf(HWND box) {
  for (HWND child : ChildWindows(box)) {
    if (!HasClass(child, L"Static") || (GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) != SS_ICON) continue;
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

MessageBoxInfo ReadMessageBox(HWND box) {
  MessageBoxInfo info{box, WindowText(box), {}, IconOf(box), {}};
  if (HWND text = GetDlgItem(box, 0xFFFF)) info.text = WindowText(text);
  for (HWND child : ChildWindows(box)) {
    if (!IsWindowVisible(child) || !HasClass(child, L"Button")) continue;
    const LONG kind = GetWindowLongW(child, GWL_STYLE) & BS_TYPEMASK;
    if (kind == BS_PUSHBUTTON || kind == BS_DEFPUSHBUTTON) info.buttons.push_back(GetDlgCtrlID(child));
  }
  return info;
}

std::optional<MessageBoxInfo> WaitForMessageBox(Owner owner, std::chrono::milliseconds timeout) {
  const auto box = WaitForWindow(owner, kMessageBoxClass, timeout);
  return box ? std::optional(ReadMessageBox(*box)) : std::nullopt;
}

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

}  // namespace robot
