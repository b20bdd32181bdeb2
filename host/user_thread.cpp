#include "user_thread.h"

#include "hresult_text.h"

namespace host {

namespace {

constexpr wchar_t kInboxClass[] = L"DuvistoHostInbox";
constexpr UINT kWorkMessage = WM_APP + 1;   // one piece of work waits in the queue
constexpr UINT kProbeMessage = WM_APP + 2;  // answered at once by a thread that pumps messages
constexpr UINT kStopMessage = WM_APP + 3;   // the conversation ends

bool RegisterInboxClass(WNDPROC procedure) {
  static const bool registered = [procedure] {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = kInboxClass;
    return RegisterClassExW(&windowClass) != 0;
  }();
  return registered;
}

}  // namespace

UserThread::Started UserThread::Start(Life life, std::chrono::milliseconds timeout) {
  life_ = std::move(life);
  ready_.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  if (!ready_ || !RegisterInboxClass(&UserThread::InboxProc)) {
    log_.Error(L"cannot prepare the thread of " + log_.Who());
    return Started::HostFailed;
  }
  // The stack a real host's user-interface thread usually has, so the plug-in meets the same limit.
  constexpr SIZE_T kHostStack = 1024 * 1024;
  thread_.reset(
      CreateThread(nullptr, kHostStack, &UserThread::ThreadEntry, this, STACK_SIZE_PARAM_IS_A_RESERVATION, &threadId_));
  if (!thread_) {
    log_.Error(L"cannot start the thread of " + log_.Who());
    return Started::HostFailed;
  }
  if (WaitForSingleObject(ready_.get(), static_cast<DWORD>(timeout.count())) != WAIT_OBJECT_0) {
    log_.Error(log_.Who() + L" was not ready in time");
    return Started::HostFailed;
  }
  return started_;
}

DWORD WINAPI UserThread::ThreadEntry(void* self) {
  static_cast<UserThread*>(self)->ThreadMain();
  return 0;
}

void UserThread::ThreadMain() {
  HRESULT hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  if (FAILED(hr)) {
    log_.Error(log_.Who() + L": CoInitializeEx failed: " + DescribeHresult(hr));
    started_ = Started::HostFailed;
    SetEvent(ready_.get());
    return;
  }
  inbox_ = CreateWindowExW(0, kInboxClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, GetModuleHandleW(nullptr), this);
  if (!inbox_) {
    log_.Error(log_.Who() + L": cannot create the inbox window");
    started_ = Started::HostFailed;
  } else if (!life_.begin()) {
    End();
    started_ = Started::BeginFailed;
  } else {
    started_ = Started::Running;
  }
  const bool run = started_ == Started::Running;
  SetEvent(ready_.get());

  if (run) {
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    End();  // when the loop ended otherwise than by Stop
  }
  if (inbox_ && IsWindow(inbox_)) DestroyWindow(inbox_);
  CoUninitialize();
}

LRESULT CALLBACK UserThread::InboxProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<UserThread*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  switch (message) {
    case kWorkMessage:
      if (self) self->RunNext();
      return 0;
    case kProbeMessage:
      return 1;
    case kStopMessage:
      if (self) self->End();
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcW(window, message, wParam, lParam);
  }
}

bool UserThread::Post(std::function<void()> work) {
  {
    std::lock_guard<std::mutex> lock(queueMutex_);
    queue_.push_back(std::move(work));
  }
  if (!PostMessageW(inbox_, kWorkMessage, 0, 0)) {
    log_.Error(log_.Who() + L": a delivery could not be posted");
    return false;
  }
  return true;
}

void UserThread::End() {
  if (ended_) return;
  ended_ = true;
  life_.end();
}

void UserThread::RunNext() {
  std::function<void()> work;
  {
    std::lock_guard<std::mutex> lock(queueMutex_);
    if (queue_.empty()) return;
    work = std::move(queue_.front());
    queue_.pop_front();
  }
  work();
}

bool UserThread::Probe(std::chrono::milliseconds timeout) const {
  DWORD_PTR answer = 0;
  return SendMessageTimeoutW(inbox_, kProbeMessage, 0, 0, SMTO_NORMAL, static_cast<UINT>(timeout.count()), &answer) &&
         answer == 1;
}

bool UserThread::Stop(std::chrono::milliseconds timeout) {
  if (!thread_) return true;
  if (inbox_) PostMessageW(inbox_, kStopMessage, 0, 0);
  return WaitForSingleObject(thread_.get(), static_cast<DWORD>(timeout.count())) == WAIT_OBJECT_0;
}

}  // namespace host
