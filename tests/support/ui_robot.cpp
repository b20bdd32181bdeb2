#include "ui_robot.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <exception>
#include <memory>
#include <thread>

namespace robot {
namespace {

constexpr auto kPollInterval = 10ms;

struct DcReleaser {
  HWND window;
  void operator()(HDC dc) const { ReleaseDC(window, dc); }
};
struct DcDeleter {
  void operator()(HDC dc) const { DeleteDC(dc); }
};
struct GdiDeleter {
  void operator()(HGDIOBJ object) const { DeleteObject(object); }
};

bool IsVisibleTopLevelOf(HWND window, Owner owner, const wchar_t* className) {
  if (!IsWindowVisible(window)) return false;
  DWORD processId = 0;
  const DWORD threadId = GetWindowThreadProcessId(window, &processId);
  if (owner.threadId != 0 ? threadId != owner.threadId : processId != owner.processId) return false;
  return className == nullptr || _wcsicmp(ClassName(window).c_str(), className) == 0;
}

BOOL CALLBACK CollectChild(HWND child, LPARAM list) {
  reinterpret_cast<std::vector<HWND>*>(list)->push_back(child);
  return TRUE;
}

std::vector<HWND> ChildrenOf(HWND parent) {
  std::vector<HWND> children;
  EnumChildWindows(parent, CollectChild, reinterpret_cast<LPARAM>(&children));
  return children;
}

struct TopLevelSearch {
  Owner owner;
  const wchar_t* className;
  std::vector<HWND> found;
};

BOOL CALLBACK CollectTopLevel(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<TopLevelSearch*>(param);
  if (IsVisibleTopLevelOf(window, search->owner, search->className)) search->found.push_back(window);
  return TRUE;
}

Icon IconOf(HWND box) {
  for (HWND child : ChildrenOf(box)) {
    if (_wcsicmp(ClassName(child).c_str(), L"Static") != 0) continue;
    if ((GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) != SS_ICON) continue;
    const auto shown = reinterpret_cast<HICON>(SendMessageW(child, STM_GETICON, 0, 0));
    if (shown == nullptr) return Icon::None;
    if (shown == LoadIconW(nullptr, IDI_INFORMATION)) return Icon::Information;
    if (shown == LoadIconW(nullptr, IDI_HAND)) return Icon::Stop;
    if (shown == LoadIconW(nullptr, IDI_WARNING)) return Icon::Warning;
    if (shown == LoadIconW(nullptr, IDI_QUESTION)) return Icon::Question;
    return Icon::Unknown;
  }
  return Icon::None;
}

bool WriteBmp(const std::wstring& path, int width, int height, const std::vector<BYTE>& pixels) {
  BITMAPINFOHEADER info{};
  info.biSize = sizeof info;
  info.biWidth = width;
  info.biHeight = height;
  info.biPlanes = 1;
  info.biBitCount = 24;
  info.biCompression = BI_RGB;
  info.biSizeImage = static_cast<DWORD>(pixels.size());
  BITMAPFILEHEADER file{};
  file.bfType = 0x4D42;  // "BM"
  file.bfOffBits = sizeof file + sizeof info;
  file.bfSize = file.bfOffBits + info.biSizeImage;

  std::unique_ptr<FILE, int (*)(FILE*)> out(_wfopen(path.c_str(), L"wb"), &fclose);
  if (!out) return false;
  return fwrite(&file, sizeof file, 1, out.get()) == 1 && fwrite(&info, sizeof info, 1, out.get()) == 1 &&
         fwrite(pixels.data(), 1, pixels.size(), out.get()) == pixels.size();
}

// Ends whatever keeps the UI thread's blocking call from returning: message boxes are
// answered with the button that backs out, every other visible window is asked to close.
void CloseEverythingOf(DWORD threadId) {
  for (HWND window : TopLevelWindows(Owner::Thread(threadId))) {
    if (ClassName(window) == L"#32770") {
      bool pressed = false;
      for (int id : {IDCANCEL, IDNO, IDOK}) {
        if (!pressed && GetDlgItem(window, id) != nullptr) pressed = PressButton(window, id);
      }
      if (pressed) continue;
    }
    PostMessageW(window, WM_CLOSE, 0, 0);
  }
}

}  // namespace

bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    if (condition()) return true;
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(kPollInterval);
  }
}

std::vector<HWND> TopLevelWindows(Owner owner, const wchar_t* className) {
  TopLevelSearch search{owner, className, {}};
  if (owner.threadId != 0) {
    EnumThreadWindows(owner.threadId, CollectTopLevel, reinterpret_cast<LPARAM>(&search));
  } else {
    EnumWindows(CollectTopLevel, reinterpret_cast<LPARAM>(&search));
  }
  return search.found;
}

std::optional<HWND> WaitForWindow(Owner owner, const wchar_t* className, std::chrono::milliseconds timeout,
                                  const std::vector<HWND>& ignore) {
  std::optional<HWND> result;
  WaitUntil(
      [&] {
        for (HWND window : TopLevelWindows(owner, className)) {
          if (std::find(ignore.begin(), ignore.end(), window) == ignore.end()) {
            result = window;
            return true;
          }
        }
        return false;
      },
      timeout);
  return result;
}

std::optional<MessageBoxInfo> WaitForMessageBox(Owner owner, std::chrono::milliseconds timeout) {
  const auto box = WaitForWindow(owner, L"#32770", timeout);
  if (!box) return std::nullopt;
  return ReadMessageBox(*box);
}

MessageBoxInfo ReadMessageBox(HWND box) {
  MessageBoxInfo info;
  info.hwnd = box;
  info.title = WindowText(box);
  if (HWND text = GetDlgItem(box, 0xFFFF)) info.text = WindowText(text);
  info.icon = IconOf(box);
  for (HWND child : ChildrenOf(box)) {
    if (GetParent(child) != box || !IsWindowVisible(child)) continue;
    if (_wcsicmp(ClassName(child).c_str(), L"Button") != 0) continue;
    const LONG kind = GetWindowLongW(child, GWL_STYLE) & BS_TYPEMASK;
    if (kind == BS_PUSHBUTTON || kind == BS_DEFPUSHBUTTON) info.buttons.push_back(GetDlgCtrlID(child));
  }
  return info;
}

bool PressButton(HWND dialog, int buttonId) {
  HWND button = GetDlgItem(dialog, buttonId);
  if (button == nullptr) return false;
  // Sent without waiting for the reply, so a click that opens further modal UI cannot
  // block the robot; the WM_NULL behind it returns once the click has been handled or the
  // button is gone (or the window's own thread is busy showing what the click opened).
  SendNotifyMessageW(button, BM_CLICK, 0, 0);
  DWORD_PTR ignored = 0;
  SendMessageTimeoutW(button, WM_NULL, 0, 0, SMTO_NORMAL, 2000, &ignored);
  return true;
}

bool CloseAndWait(HWND window, std::chrono::milliseconds timeout) {
  if (!IsWindow(window)) return true;
  PostMessageW(window, WM_CLOSE, 0, 0);
  return WaitUntil([&] { return !IsWindow(window); }, timeout);
}

std::wstring WindowText(HWND window) {
  // WM_GETTEXT rather than GetWindowText: it also reads controls of other threads.
  DWORD_PTR length = 0;
  if (!SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_NORMAL, 5000, &length)) return {};
  std::wstring text(length + 1, L'\0');
  DWORD_PTR copied = 0;
  if (!SendMessageTimeoutW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), SMTO_NORMAL,
                           5000, &copied)) {
    return {};
  }
  text.resize(copied);
  return text;
}

std::wstring ClassName(HWND window) {
  wchar_t name[256] = {};
  const int length = GetClassNameW(window, name, 256);
  return std::wstring(name, length > 0 ? length : 0);
}

RECT WindowRectOnScreen(HWND window) {
  RECT rect{};
  GetWindowRect(window, &rect);
  return rect;
}

RECT ClientRectOf(HWND window) {
  RECT rect{};
  GetClientRect(window, &rect);
  return rect;
}

HWND FindChild(HWND parent, const wchar_t* className, const std::wstring& text) {
  for (HWND child : ChildrenOf(parent)) {
    if (className != nullptr && _wcsicmp(ClassName(child).c_str(), className) != 0) continue;
    if (text.empty() || WindowText(child) == text) return child;
  }
  return nullptr;
}

RECT ChildRectInClient(HWND child) {
  RECT rect = WindowRectOnScreen(child);
  MapWindowPoints(HWND_DESKTOP, GetParent(child), reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

HWND FocusedWindow(DWORD threadId) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  if (!GetGUIThreadInfo(threadId, &info)) return nullptr;
  return info.hwndFocus;
}

HWND ActiveWindow(DWORD threadId) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  if (!GetGUIThreadInfo(threadId, &info)) return nullptr;
  return info.hwndActive;
}

void PostKey(HWND target, UINT virtualKey) {
  const UINT scanCode = MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC);
  PostMessageW(target, WM_KEYDOWN, virtualKey, 1 | (scanCode << 16));
  PostMessageW(target, WM_KEYUP, virtualKey, 1 | (scanCode << 16) | (1u << 30) | (1u << 31));
}

bool SetText(HWND window, const std::wstring& text) {
  DWORD_PTR result = 0;
  return SendMessageTimeoutW(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), SMTO_NORMAL, 5000,
                             &result) != 0 &&
         result != 0;
}

bool Reactivate(HWND window, std::chrono::milliseconds timeout) {
  // A window of the robot's own thread takes the activation, then hands it back, so the
  // target receives a real deactivation and a real activation.
  static const wchar_t kClass[] = L"RobotActivationDecoy";
  WNDCLASSW decoyClass{};
  decoyClass.lpfnWndProc = DefWindowProcW;
  decoyClass.hInstance = GetModuleHandleW(nullptr);
  decoyClass.lpszClassName = kClass;
  RegisterClassW(&decoyClass);  // fails harmlessly when already registered
  HWND decoy = CreateWindowExW(0, kClass, L"decoy", WS_POPUP | WS_VISIBLE, 0, 0, 10, 10, nullptr, nullptr,
                               GetModuleHandleW(nullptr), nullptr);
  if (decoy == nullptr) return false;
  const auto pumpUntil = [&](HWND foreground) {
    return WaitUntil(
        [&] {
          MSG msg;
          while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
          if (GetForegroundWindow() != foreground) SetForegroundWindow(foreground);
          return GetForegroundWindow() == foreground;
        },
        timeout);
  };
  const bool away = pumpUntil(decoy);
  DestroyWindow(decoy);
  const DWORD targetThread = GetWindowThreadProcessId(window, nullptr);
  const bool back = pumpUntil(window) && WaitUntil([&] { return ActiveWindow(targetThread) == window; }, timeout);
  return away && back;
}

bool SaveScreenshot(HWND window, const std::wstring& bmpPath) {
  // What the screen shows at the window's place: the hosted controls' own drawing included.
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  const RECT rect = WindowRectOnScreen(window);
  const int width = rect.right - rect.left;
  const int height = rect.bottom - rect.top;
  if (width <= 0 || height <= 0) return false;

  std::unique_ptr<std::remove_pointer_t<HDC>, DcReleaser> screen(GetDC(nullptr), DcReleaser{nullptr});
  std::unique_ptr<std::remove_pointer_t<HDC>, DcDeleter> memory(CreateCompatibleDC(screen.get()));
  std::unique_ptr<std::remove_pointer_t<HBITMAP>, GdiDeleter> bitmap(
      CreateCompatibleBitmap(screen.get(), width, height));
  if (!screen || !memory || !bitmap) return false;
  HGDIOBJ previous = SelectObject(memory.get(), bitmap.get());
  const BOOL copied = BitBlt(memory.get(), 0, 0, width, height, screen.get(), rect.left, rect.top, SRCCOPY);
  SelectObject(memory.get(), previous);
  if (!copied) return false;

  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;  // bottom-up, as a BMP file stores it
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  const int stride = (width * 3 + 3) & ~3;
  std::vector<BYTE> pixels(static_cast<size_t>(stride) * height);
  if (GetDIBits(memory.get(), bitmap.get(), 0, height, pixels.data(), &info, DIB_RGB_COLORS) != height) return false;
  return WriteBmp(bmpPath, width, height, pixels);
}

DrivenCall RunDriven(const std::function<void()>& blockingCall, const std::function<void(DWORD uiThreadId)>& driver,
                     std::chrono::milliseconds timeout) {
  const DWORD uiThreadId = GetCurrentThreadId();
  std::atomic<bool> callDone{false};
  std::atomic<bool> closedByForce{false};
  std::exception_ptr driverFailure;

  std::thread watcher([&] {
    try {
      driver(uiThreadId);
    } catch (...) {
      driverFailure = std::current_exception();
    }
    if (WaitUntil([&] { return callDone.load(); }, timeout)) return;
    closedByForce = true;
    // Keep closing until the call is back; a window that refuses to go is given up on
    // after a while and the test run's own timeout takes over.
    WaitUntil(
        [&] {
          if (callDone) return true;
          CloseEverythingOf(uiThreadId);
          std::this_thread::sleep_for(200ms);
          return callDone.load();
        },
        timeout);
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
  std::unique_ptr<std::remove_pointer_t<HDC>, DcReleaser> screen(GetDC(nullptr), DcReleaser{nullptr});
  return MulDiv(twips, GetDeviceCaps(screen.get(), LOGPIXELSX), 1440);
}

int TwipsToPixelsY(int twips) {
  std::unique_ptr<std::remove_pointer_t<HDC>, DcReleaser> screen(GetDC(nullptr), DcReleaser{nullptr});
  return MulDiv(twips, GetDeviceCaps(screen.get(), LOGPIXELSY), 1440);
}

}  // namespace robot
