// Form1's window: its layout in twips, its controls, Form_Load and the messages it handles.
#include <array>

#include "form1.h"
#include "twips.h"

namespace installer {
namespace {

constexpr wchar_t kWindowClass[] = L"Form1";
constexpr wchar_t kCaption[] = L"Installer";
constexpr int kClientWidthTwips = 3045;
constexpr int kClientHeightTwips = 1890;
constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;

// Control ids stay clear of IDOK and IDCANCEL, which the dialog keys send: Enter and Escape
// must not answer the question, as neither button is the default or the cancel button.
enum ControlId : int { kLblTitle = 101, kCmdYes = 102, kCmdNo = 103, kLblQuestion = 104 };

struct ControlLayout {
  int id;
  const wchar_t* className;
  DWORD style;
  int left, top, width, height;  // twips, in the client area
  const wchar_t* designText;
};

// In tab order: the system moves the focus in the order the controls are created.
constexpr std::array<ControlLayout, 4> kLayout{{
    {kLblTitle, L"STATIC", SS_LEFT, 120, 120, 2775, 735, L"Installer"},
    {kCmdYes, L"BUTTON", BS_PUSHBUTTON | WS_TABSTOP, 120, 960, 1455, 495, L"Yes"},
    {kCmdNo, L"BUTTON", BS_PUSHBUTTON | WS_TABSTOP, 1560, 960, 1455, 495, L"No"},
    {kLblQuestion, L"STATIC", SS_CENTER, 0, 1560, 3015, 375, L"This installer was created by Tovu"},
}};

UniqueFont MessageFont() {
  // Built for XP (WINVER 0x0501), the structure has XP's size, which every later Windows accepts;
  // XP refuses the larger Vista one.
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) return {};
  return UniqueFont(CreateFontIndirectW(&metrics.lfMessageFont));
}

bool RegisterWindowClass(HINSTANCE instance, WNDPROC procedure) {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = procedure;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));  // the program's own (installer.rc)
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  windowClass.lpszClassName = kWindowClass;
  return RegisterClassExW(&windowClass) || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

}  // namespace

Form1::~Form1() {
  if (hwnd_) DestroyWindow(hwnd_);
}

bool Form1::Show(HINSTANCE instance, int showCommand) {
  if (!RegisterWindowClass(instance, &Form1::WindowProcedure)) return false;
  RECT frame{0, 0, duvisto::TwipsToPixelsX(kClientWidthTwips), duvisto::TwipsToPixelsY(kClientHeightTwips)};
  AdjustWindowRectEx(&frame, kWindowStyle, FALSE, 0);
  if (!CreateWindowExW(0, kWindowClass, kCaption, kWindowStyle, CW_USEDEFAULT, CW_USEDEFAULT, frame.right - frame.left,
                       frame.bottom - frame.top, nullptr, nullptr, instance, this)) {
    return false;
  }
  CreateControls();
  // The texts are set before the window is first shown, so the design text of lblTitle is never seen.
  Form_Load();
  ShowWindow(hwnd_, showCommand);
  UpdateWindow(hwnd_);
  SetFocus(cmdYes);
  return true;
}

void Form1::CreateControls() {
  font_ = MessageFont();
  const auto instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(hwnd_, GWLP_HINSTANCE));
  for (const ControlLayout& control : kLayout) {
    HWND created = CreateWindowExW(0, control.className, control.designText, WS_CHILD | WS_VISIBLE | control.style,
                                   duvisto::TwipsToPixelsX(control.left), duvisto::TwipsToPixelsY(control.top),
                                   duvisto::TwipsToPixelsX(control.width), duvisto::TwipsToPixelsY(control.height),
                                   hwnd_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(control.id)), instance, nullptr);
    if (created && font_) SendMessageW(created, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
  }
  lblTitle = GetDlgItem(hwnd_, kLblTitle);
  cmdYes = GetDlgItem(hwnd_, kCmdYes);
  cmdNo = GetDlgItem(hwnd_, kCmdNo);
  lblquestion = GetDlgItem(hwnd_, kLblQuestion);
  lastFocus_ = cmdYes;
}

void Form1::Form_Load() {
  SetWindowTextW(lblTitle, L"Do you want to install the Duvisto plug-in?");
  SetWindowTextW(cmdYes, L"Yes");
  SetWindowTextW(cmdNo, L"No");
  LoadConstants();
}

void Form1::LoadConstants() {
  sConfirmText = L"Are you sure you want to install this plugin?";
  sResetExe = L"msgplusreset.exe";
  sDllFile = L"Duvisto.dll";
  sPluginEntry = L"Duvisto";
  sProgId = L"Duvisto.Browse";
}

void Form1::cmdNo_Click() { EndProgram(); }

void Form1::EndProgram(int exitCode) { throw ProgramEnd{exitCode}; }

int Form1::Box(const std::wstring& text, const std::wstring& title, UINT flags) const {
  return MessageBoxW(hwnd_, text.c_str(), title.c_str(), flags);
}

void Form1::OnCommand(int controlId) {
  try {
    if (controlId == kCmdYes) cmdYes_Click();
    if (controlId == kCmdNo) cmdNo_Click();
  } catch (const ProgramEnd& end) {
    exitCode_ = end.exitCode;
    DestroyWindow(hwnd_);
  }
}

LRESULT CALLBACK Form1::WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* form = static_cast<Form1*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    form->hwnd_ = window;
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
  }
  auto* form = reinterpret_cast<Form1*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  return form ? form->HandleMessage(message, wParam, lParam) : DefWindowProcW(window, message, wParam, lParam);
}

LRESULT Form1::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      if (HIWORD(wParam) == BN_CLICKED) OnCommand(LOWORD(wParam));
      return 0;
    case WM_ACTIVATE:
      // Give the focus back to the control that had it when the window was left.
      if (LOWORD(wParam) == WA_INACTIVE) {
        if (HWND focus = GetFocus(); focus && IsChild(hwnd_, focus)) lastFocus_ = focus;
      } else if (lastFocus_) {
        SetFocus(lastFocus_);
      }
      return 0;
    case WM_DESTROY:
      // The only window: closing it, by the close box or by ending the program, ends the program.
      PostQuitMessage(exitCode_);
      return 0;
    case WM_NCDESTROY: {
      HWND window = hwnd_;
      hwnd_ = nullptr;
      SetWindowLongPtrW(window, GWLP_USERDATA, 0);
      return DefWindowProcW(window, message, wParam, lParam);
    }
    default:
      return DefWindowProcW(hwnd_, message, wParam, lParam);
  }
}

}  // namespace installer
