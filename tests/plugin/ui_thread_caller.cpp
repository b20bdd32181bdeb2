#include "ui_thread_caller.h"

#include <memory>

namespace plugin_test {
namespace {
constexpr UINT kRunWork = WM_APP + 1;
constexpr UINT kRunPostedWork = WM_APP + 2;
constexpr wchar_t kClassName[] = L"DuvistoTestUiThreadCaller";
}  // namespace

UiThreadCaller::UiThreadCaller() {
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = WindowProcedure;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.lpszClassName = kClassName;
  RegisterClassW(&windowClass);  // a second registration fails harmlessly
  window_ = CreateWindowW(kClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, windowClass.hInstance, nullptr);
}

UiThreadCaller::~UiThreadCaller() {
  if (window_) DestroyWindow(window_);
}

bool UiThreadCaller::Run(const std::function<void()>& work) const {
  DWORD_PTR answer = 0;
  return SendMessageTimeoutW(window_, kRunWork, 0, reinterpret_cast<LPARAM>(&work), SMTO_NORMAL, 10000, &answer) &&
         answer == 1;
}

bool UiThreadCaller::Post(std::function<void()> work) const {
  auto* queued = new std::function<void()>(std::move(work));
  if (PostMessageW(window_, kRunPostedWork, 0, reinterpret_cast<LPARAM>(queued))) return true;
  delete queued;
  return false;
}

LRESULT CALLBACK UiThreadCaller::WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kRunWork) {
    (*reinterpret_cast<const std::function<void()>*>(lParam))();
    return 1;
  }
  if (message == kRunPostedWork) {
    const std::unique_ptr<std::function<void()>> work(reinterpret_cast<std::function<void()>*>(lParam));
    (*work)();
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace plugin_test
