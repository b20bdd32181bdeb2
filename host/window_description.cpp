#include "window_description.h"

#include "text_format.h"
#include "ui_robot.h"

namespace host {

namespace {

// A text the window's thread did not give in time shows as "?".
std::wstring TextOf(HWND window) { return robot::ReadWindowText(window).value_or(L"?"); }

const wchar_t* IconName(robot::Icon icon) {
  switch (icon) {
    case robot::Icon::None: return L"no icon";
    case robot::Icon::Information: return L"information";
    case robot::Icon::Stop: return L"stop";
    case robot::Icon::Warning: return L"warning";
    case robot::Icon::Question: return L"question";
    case robot::Icon::Unknown: return L"other icon";
    case robot::Icon::Unreadable: return L"icon unreadable";
  }
  return L"other icon";
}

std::wstring DescribeBox(HWND box) {
  HWND textControl = GetDlgItem(box, 0xFFFF);
  std::wstring text = textControl ? TextOf(textControl) : std::wstring();
  return L"box " + Quoted(TextOf(box)) + L" (" + IconName(robot::IconOf(box)) + L"): " + Visible(text);
}

std::wstring Usable(HWND control) { return IsWindowEnabled(control) ? L"enabled" : L"disabled"; }

std::wstring DescribeWindow(HWND window) {
  std::wstring line = L"window " + Quoted(TextOf(window)) + L":";
  const RECT client = robot::ClientRectOf(window);
  std::wstring details;
  for (HWND child : robot::ChildWindows(window)) {
    std::wstring className = robot::ClassName(child);
    if (className == L"Edit") {
      details += L" address box " + Quoted(TextOf(child)) + L" " + Usable(child) + L",";
    } else if (className == L"Button") {
      details += L" " + TextOf(child) + L" " + Usable(child) + L",";
    } else if (className == L"Static") {
      // The warning label: fully inside the client area, or cut off by the window's height.
      details += robot::ChildRectInClient(child).bottom <= client.bottom ? L" warning shown," : L" warning cut off,";
    }
  }
  const RECT outer = robot::WindowRectOnScreen(window);
  details += L" " + std::to_wstring(outer.right - outer.left) + L"x" + std::to_wstring(outer.bottom - outer.top);
  return line + details;
}

}  // namespace

std::wstring Describe(HWND window) {
  return robot::IsMessageBox(window) ? DescribeBox(window) : DescribeWindow(window);
}

}  // namespace host
