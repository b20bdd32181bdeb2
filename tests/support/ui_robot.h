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
// The click is sent without waiting on it, then the robot waits (at most 2 s) until the window's
// thread has handled it, so a click that opens further modal UI never blocks the robot.
bool PressButton(HWND dialog, int buttonId);

// Asks a window to close (WM_CLOSE posted, as the close box does) and waits until it is gone.
bool CloseAndWait(HWND window, std::chrono::milliseconds timeout = kDefaultWait);

std::wstring WindowText(HWND window);
std::wstring ClassName(HWND window);
RECT WindowRectOnScreen(HWND window);
RECT ClientRectOf(HWND window);  // client area, origin 0,0
// The first descendant of `parent` of this class (any class if null) whose text equals `text`
// (any text if `text` is empty); null if there is none.
HWND FindChild(HWND parent, const wchar_t* className, const std::wstring& text);

// A child's rectangle in its parent's client coordinates.
RECT ChildRectInClient(HWND child);

// The window with the keyboard focus, and the active window, of a thread (GetGUIThreadInfo).
HWND FocusedWindow(DWORD threadId);
HWND ActiveWindow(DWORD threadId);

// Posts a key press (WM_KEYDOWN, WM_KEYUP) to `target`, as the keyboard would to the focus window.
void PostKey(HWND target, UINT virtualKey);

// Sets a window's or control's text (WM_SETTEXT), as typing the whole text would leave it.
bool SetText(HWND window, const std::wstring& text);

// Takes the activation away from `window` (to a window of the calling thread) and gives it
// back, so that `window` is really deactivated and activated again. True once it is active.
bool Reactivate(HWND window, std::chrono::milliseconds timeout = kDefaultWait);

// Saves what the window shows as a 24-bit BMP file. True on success.
bool SaveScreenshot(HWND window, const std::wstring& bmpPath);

// Runs `blockingCall` on the calling thread (it is expected to show modal UI and return when
// that UI is closed) while `driver` runs on a second thread with the calling thread's id.
// If the driver returns and the call has not finished within `timeout`, every visible window of
// the calling thread is closed (message boxes answered Cancel, No or OK, other windows posted
// WM_CLOSE, again every 200 ms) so the call can return, and the result says so. An exception
// thrown by the driver is rethrown once the call has returned.
struct DrivenCall {
  bool callReturnedInTime = true;
};
DrivenCall RunDriven(const std::function<void()>& blockingCall, const std::function<void(DWORD uiThreadId)>& driver,
                     std::chrono::milliseconds timeout = 30s);

// Pixels for twips at the display's real DPI (15 twips a pixel at 96 DPI).
int TwipsToPixelsX(int twips);
int TwipsToPixelsY(int twips);

}  // namespace robot
