#include "box_icon.h"

#include <atomic>
#include <map>
#include <memory>
#include <thread>
#include <vector>

namespace installer_test {
namespace {

using namespace std::chrono_literals;

struct ScreenDcReleaser {
  void operator()(HDC dc) const { ReleaseDC(nullptr, dc); }
};
struct GdiObjectDeleter {
  void operator()(HBITMAP object) const { DeleteObject(object); }
};

HWND IconControl(HWND box) {
  for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    if (robot::ClassName(child) == L"Static" && (GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
      return child;
    }
  }
  return nullptr;
}

// The screen's pixels where the box's icon control is, freshly painted.
std::vector<DWORD> IconPixels(HWND box) {
  HWND control = IconControl(box);
  if (!control) return {};
  RedrawWindow(box, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  const RECT rect = robot::WindowRectOnScreen(control);
  const int width = rect.right - rect.left, height = rect.bottom - rect.top;
  if (width <= 0 || height <= 0) return {};

  const std::unique_ptr<std::remove_pointer_t<HDC>, ScreenDcReleaser> screen(GetDC(nullptr));
  const std::unique_ptr<std::remove_pointer_t<HDC>, decltype(&DeleteDC)> memory(CreateCompatibleDC(screen.get()),
                                                                                &DeleteDC);
  const std::unique_ptr<std::remove_pointer_t<HBITMAP>, GdiObjectDeleter> bitmap(
      CreateCompatibleBitmap(screen.get(), width, height));
  if (!screen || !memory || !bitmap) return {};
  const HGDIOBJ previous = SelectObject(memory.get(), bitmap.get());
  BitBlt(memory.get(), 0, 0, width, height, screen.get(), rect.left, rect.top, SRCCOPY);
  SelectObject(memory.get(), previous);
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  std::vector<DWORD> pixels(static_cast<size_t>(width) * height);
  if (GetDIBits(memory.get(), bitmap.get(), 0, height, pixels.data(), &info, DIB_RGB_COLORS) != height) pixels.clear();
  return pixels;
}

// The pixels of `icon` in a message box of this process, shown once and remembered.
const std::vector<DWORD>& ReferencePixels(robot::Icon icon) {
  static std::map<robot::Icon, std::vector<DWORD>> references;
  auto& pixels = references[icon];
  if (!pixels.empty()) return pixels;
  const UINT flags = icon == robot::Icon::Stop ? MB_ICONHAND : MB_ICONINFORMATION;
  std::atomic<DWORD> threadId{0};
  std::thread shower([&] {
    threadId = GetCurrentThreadId();
    MessageBoxW(nullptr, L"reference", L"reference", MB_OK | flags);
  });
  robot::WaitUntil([&] { return threadId != 0; });
  if (const auto box = robot::WaitForWindow(robot::Owner::Thread(threadId), L"#32770")) {
    robot::WaitUntil([&] { return !(pixels = IconPixels(*box)).empty(); }, 2s);
    robot::PressButton(*box, IDOK);
  }
  shower.join();
  return pixels;
}

}  // namespace

bool ShowsIcon(HWND box, robot::Icon icon) {
  // The reference first: its box may cover the one looked at for a moment, never the other way round.
  const std::vector<DWORD>& expected = ReferencePixels(icon);
  // Two different icons must look different, or the comparison would tell nothing.
  if (expected.empty() || ReferencePixels(robot::Icon::Stop) == ReferencePixels(robot::Icon::Information)) {
    return false;
  }
  return robot::WaitUntil([&] { return IconPixels(box) == expected; }, 2s);
}

}  // namespace installer_test
