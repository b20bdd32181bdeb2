#include "window_facts.h"

#include <vector>

#include "text_format.h"

namespace host {

namespace {

constexpr UINT kReadTimeoutMs = 1000;

std::wstring ClassOf(HWND window) {
  wchar_t name[64] = {};
  int length = GetClassNameW(window, name, 64);
  return std::wstring(name, length > 0 ? static_cast<size_t>(length) : 0);
}

std::vector<HWND> DirectChildren(HWND parent) {
  std::vector<HWND> children;
  for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    children.push_back(child);
  }
  return children;
}

std::wstring IconName(HWND box) {
  for (HWND child : DirectChildren(box)) {
    if (ClassOf(child) != L"Static") continue;
    if ((GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) != SS_ICON) continue;
    DWORD_PTR icon = 0;
    if (!SendMessageTimeoutW(child, STM_GETICON, 0, 0, SMTO_NORMAL, kReadTimeoutMs, &icon)) return L"icon unreadable";
    if (icon == 0) return L"no icon";
    struct Known {
      const wchar_t* id;
      const wchar_t* name;
    };
    const Known known[] = {{IDI_INFORMATION, L"information"},
                           {IDI_ERROR, L"stop"},
                           {IDI_WARNING, L"warning"},
                           {IDI_QUESTION, L"question"}};
    for (const Known& k : known) {
      if (reinterpret_cast<HICON>(icon) == LoadIconW(nullptr, k.id)) return k.name;
    }
    return L"other icon";
  }
  return L"no icon";
}

std::wstring DescribeBox(HWND box) {
  HWND textControl = GetDlgItem(box, 0xFFFF);
  std::wstring text = textControl ? TextOf(textControl) : std::wstring();
  return L"box " + Quoted(TextOf(box)) + L" (" + IconName(box) + L"): " + Visible(text);
}

std::wstring Usable(HWND control) { return IsWindowEnabled(control) ? L"enabled" : L"disabled"; }

std::wstring DescribeWindow(HWND window) {
  std::wstring line = L"window " + Quoted(TextOf(window)) + L":";
  RECT client{};
  GetClientRect(window, &client);
  std::wstring details;
  for (HWND child : DirectChildren(window)) {
    std::wstring className = ClassOf(child);
    if (className == L"Edit") {
      details += L" address box " + Quoted(TextOf(child)) + L" " + Usable(child) + L",";
    } else if (className == L"Button") {
      details += L" " + TextOf(child) + L" " + Usable(child) + L",";
    } else if (className == L"Static") {
      // The warning label: fully inside the client area, or cut off by the window's height.
      RECT label{};
      GetWindowRect(child, &label);
      MapWindowPoints(HWND_DESKTOP, window, reinterpret_cast<POINT*>(&label), 2);
      details += label.bottom <= client.bottom ? L" warning shown," : L" warning cut off,";
    }
  }
  RECT outer{};
  GetWindowRect(window, &outer);
  details += L" " + std::to_wstring(outer.right - outer.left) + L"x" + std::to_wstring(outer.bottom - outer.top);
  return line + details;
}

}  // namespace

WindowKind KindOf(HWND window) {
  return ClassOf(window) == L"#32770" ? WindowKind::MessageBox : WindowKind::Window;
}

std::wstring Describe(HWND window) {
  return KindOf(window) == WindowKind::MessageBox ? DescribeBox(window) : DescribeWindow(window);
}

std::wstring TextOf(HWND window) {
  DWORD_PTR length = 0;
  if (!SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_NORMAL, kReadTimeoutMs, &length)) return L"?";
  std::wstring text(length + 1, L'\0');
  DWORD_PTR copied = 0;
  if (!SendMessageTimeoutW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), SMTO_NORMAL,
                           kReadTimeoutMs, &copied)) {
    return L"?";
  }
  text.resize(copied);
  return text;
}

}  // namespace host
