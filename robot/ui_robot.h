// A small UI robot: finds the windows a thread or a process shows, reads message boxes and
// controls, presses buttons and closes windows. The tests under Wine, the host stand-in's window
// watcher, the demo's installer driver and the bench use it. Every wait is bounded: a wait that
// runs out returns nothing, so the caller fails or reports instead of hanging.
#pragma once

#include <windows.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "twips.h"
#include "unique_any.h"

namespace robot {

using namespace std::chrono_literals;
inline constexpr std::chrono::milliseconds kDefaultWait = 10s;
// How long a window of another thread has to answer a message that reads it.
inline constexpr std::chrono::milliseconds kAnswerWait = 5s;
inline constexpr UINT kAnswerWaitMs = static_cast<UINT>(kAnswerWait.count());  // as SendMessageTimeoutW takes it
inline constexpr wchar_t kMessageBoxClass[] = L"#32770";

// Whose windows to look at: one thread's (threadId non-zero) or else one process's.
struct Owner {
  DWORD threadId = 0, processId = 0;
  static Owner Thread(DWORD id) { return {id, 0}; }
  static Owner Process(DWORD id) { return {0, id}; }
};

enum class Icon { None, Information, Stop, Warning, Question, Unknown, Unreadable /* no answer in time */ };

struct MessageBoxInfo {
  HWND hwnd = nullptr;
  std::wstring title, text;
  Icon icon = Icon::None;
  std::vector<int> buttons;  // ids of the visible push buttons (IDOK, IDYES, IDNO, ...)
};

// Polls `condition` until it holds or `timeout` runs out.
bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout = kDefaultWait);

// Visible top-level windows of `owner`, optionally only of one window class ("#32770" for boxes).
std::vector<HWND> TopLevelWindows(Owner owner, const wchar_t* className = nullptr);
std::optional<HWND> WaitForWindow(Owner owner, const wchar_t* className = nullptr,
                                  std::chrono::milliseconds timeout = kDefaultWait);
// A visible top-level window of `owner` whose caption is exactly `caption`.
std::optional<HWND> WaitForWindowCaptioned(Owner owner, const std::wstring& caption,
                                           std::chrono::milliseconds timeout = kDefaultWait);

// A message box (class #32770) of `owner`, read in full.
std::optional<MessageBoxInfo> WaitForMessageBox(Owner owner, std::chrono::milliseconds timeout = kDefaultWait);
MessageBoxInfo ReadMessageBox(HWND box);
bool IsMessageBox(HWND window);
Icon IconOf(HWND box);

// Clicks a dialog button by id without waiting on the click (it may open further modal UI), then
// gives the window's thread at most 2 s to handle it. False if there is no such button.
bool PressButton(HWND dialog, int buttonId);
// Posts WM_CLOSE, as the close box does, and returns at once.
void AskToClose(HWND window);
// Posts WM_CLOSE (as the close box does) and waits until the window is gone.
bool CloseAndWait(HWND window, std::chrono::milliseconds timeout = kDefaultWait);
// Ends whatever keeps a thread's modal UI open: boxes get the button that backs out (Cancel, No
// or OK), every other window is asked to close. Returns without waiting for them to go.
void CloseEverythingOf(DWORD threadId);

std::wstring WindowText(HWND window);  // also of other threads' controls; empty if it did not answer
// The same, or nothing if the window's thread did not answer within kAnswerWait.
std::optional<std::wstring> ReadWindowText(HWND window);
std::wstring ClassName(HWND window);
// Whether the window is of this class (compared without case); any class when it is null.
bool HasClass(HWND window, const wchar_t* className);
// The window's own children (not their descendants), in Z order.
std::vector<HWND> ChildWindows(HWND parent);
RECT WindowRectOnScreen(HWND window);
RECT ClientRectOf(HWND window);      // origin 0,0
RECT ChildRectInClient(HWND child);  // in its parent's client coordinates
// The first descendant of `parent` of this class (any if null) with this text (any if empty).
HWND FindChild(HWND parent, const wchar_t* className, const std::wstring& text);
HWND FocusedWindow(DWORD threadId);

void PostKey(HWND target, UINT virtualKey);           // WM_KEYDOWN and WM_KEYUP, as the keyboard posts them
bool SetText(HWND window, const std::wstring& text);  // WM_SETTEXT, as typing the whole text leaves it

// Runs `blockingCall` (expected to show modal UI) on the calling thread while `driver` runs on a
// second thread with the calling thread's id. If the call has not returned `timeout` after the
// driver, every window of the calling thread is closed (boxes answered Cancel, No or OK, others
// sent WM_CLOSE, every 200 ms) and the result says so. A driver's exception is rethrown.
struct DrivenCall {
  bool callReturnedInTime = true;
};
DrivenCall RunDriven(const std::function<void()>& blockingCall, const std::function<void(DWORD uiThreadId)>& driver,
                     std::chrono::milliseconds timeout = 30s);

// A program started from a whole command line (the program found from it, as the shell finds
// it), in `folder` if one is given, its standard output and error written to `output` if one is
// given (an inheritable handle), as `token` says if one is given (a user with other rights).
// Empty when it could not be started.
struct StartedProgram {
  duvisto::UniqueHandle process;
  DWORD id = 0;
  explicit operator bool() const { return static_cast<bool>(process); }
};
StartedProgram StartProgram(std::wstring commandLine, const wchar_t* folder = nullptr, HANDLE output = nullptr,
                            HANDLE token = nullptr);
// Its exit code once it has ended within `timeout`; otherwise it is stopped and nothing comes back.
std::optional<DWORD> WaitForExit(HANDLE process, std::chrono::milliseconds timeout = kDefaultWait);

// Pixels for twips at the display's real DPI (15 twips a pixel at 96 DPI), as the windows convert them.
using duvisto::TwipsToPixelsX;
using duvisto::TwipsToPixelsY;

}  // namespace robot
