// A small UI robot for tests under Wine: finds the windows a thread or a process shows,
// reads message boxes and controls, presses buttons and closes windows. Every wait is
// bounded; a wait that runs out returns nothing and the test fails instead of hanging.
#pragma once

#include <windows.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace robot {

using namespace std::chrono_literals;
inline constexpr std::chrono::milliseconds kDefaultWait = 10s;

// Which windows to look at: top-level, visible windows of one thread or of one process.
struct Owner {
  DWORD threadId = 0;   // non-zero: windows of this thread
  DWORD processId = 0;  // non-zero: windows of this process (used when threadId is 0)
  static Owner Thread(DWORD id) { return {id, 0}; }
  static Owner Process(DWORD id) { return {0, id}; }
};

enum class Icon { None, Information, Stop, Warning, Question, Unknown };

struct MessageBoxInfo {
  HWND hwnd = nullptr;
  std::wstring title;
  std::wstring text;
  Icon icon = Icon::None;
  std::vector<int> buttons;  // ids of the visible push buttons (IDOK, IDYES, IDNO, ...)
};

// Polls `condition` until it holds or `timeout` runs out.
bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout = kDefaultWait);

// Visible top-level windows of `owner`, optionally only of one window class ("#32770" for boxes).
std::vector<HWND> TopLevelWindows(Owner owner, const wchar_t* className = nullptr);

// The first visible top-level window of `owner` (of `className`, if given) not in `ignore`.
std::optional<HWND> WaitForWindow(Owner owner, const wchar_t* className = nullptr,
                                  std::chrono::milliseconds timeout = kDefaultWait,
                                  const std::vector<HWND>& ignore = {});

// A message box (class #32770) of `owner`, read in full.
std::optional<MessageBoxInfo> WaitForMessageBox(Owner owner, std::chrono::milliseconds timeout = kDefaultWait);
MessageBoxInfo ReadMessageBox(HWND box);

// Presses a dialog button by id (IDOK, IDYES, IDNO...) with BM_CLICK. False if there is no such button.
bool PressButton(HWND dialog, int buttonId);

// Asks a window to close (WM_CLOSE posted, as the close box does) and waits until it is gone.
bool CloseAndWait(HWND window, std::chrono::milliseconds timeout = kDefaultWait);

std::wstring WindowText(HWND window);
std::wstring ClassName(HWND window);
RECT WindowRectOnScreen(HWND window);
RECT ClientRectOf(HWND window);  // client area, origin 0,0
// The child control with this class whose text equals `text`, or with this id (text empty).
HWND FindChild(HWND parent, const wchar_t* className, const std::wstring& text);

// Saves what the window shows as a 24-bit BMP file. True on success.
bool SaveScreenshot(HWND window, const std::wstring& bmpPath);

// Runs `blockingCall` on the calling thread (it is expected to show modal UI and return when
// that UI is closed) while `driver` runs on a second thread with the calling thread's id.
// If the driver returns and the call has not finished within `timeout`, every window of the
// calling thread is sent WM_CLOSE so the call can return, and the result says so.
struct DrivenCall {
  bool callReturnedInTime = true;
};
DrivenCall RunDriven(const std::function<void()>& blockingCall, const std::function<void(DWORD uiThreadId)>& driver,
                     std::chrono::milliseconds timeout = 30s);

// Pixels for twips at the display's real DPI (15 twips a pixel at 96 DPI).
int TwipsToPixelsX(int twips);
int TwipsToPixelsY(int twips);

}  // namespace robot
