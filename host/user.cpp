#include "user.h"

#include "chat_text.h"
#include "host_object.h"
#include "hresult_text.h"
#include "text_format.h"

namespace host {

namespace {

constexpr wchar_t kInboxClass[] = L"DuvistoHostInbox";
constexpr UINT kWorkMessage = WM_APP + 1;   // one delivery waits in the queue
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

std::wstring Boolean(bool value) { return value ? L"True" : L"False"; }

}  // namespace

User::User(UserSetup setup, Transcript& transcript, Activity& activity)
    : setup_(std::move(setup)), transcript_(transcript), activity_(activity) {}

User::~User() {
  if (thread_) CloseHandle(thread_);
  if (ready_) CloseHandle(ready_);
}

User::StartResult User::Start(const std::vector<RegisteredPlugin>& plugins, std::chrono::milliseconds timeout) {
  registered_ = plugins;
  ready_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (!ready_ || !RegisterInboxClass(&User::InboxProc)) {
    transcript_.Error(L"cannot prepare the thread of user " + std::wstring(1, Letter()));
    return StartResult::HostFailed;
  }
  // The stack a real host's user-interface thread usually has, so the plug-in meets the same limit.
  constexpr SIZE_T kHostStack = 1024 * 1024;
  thread_ = CreateThread(nullptr, kHostStack, &User::ThreadEntry, this, STACK_SIZE_PARAM_IS_A_RESERVATION, &threadId_);
  if (!thread_) {
    transcript_.Error(L"cannot start the thread of user " + std::wstring(1, Letter()));
    return StartResult::HostFailed;
  }
  if (WaitForSingleObject(ready_, static_cast<DWORD>(timeout.count())) != WAIT_OBJECT_0) {
    transcript_.Error(L"user " + std::wstring(1, Letter()) + L" was not ready in time");
    return StartResult::HostFailed;
  }
  return startResult_;
}

DWORD WINAPI User::ThreadEntry(void* self) {
  static_cast<User*>(self)->ThreadMain();
  return 0;
}

void User::ThreadMain() {
  HRESULT hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  if (FAILED(hr)) {
    transcript_.Error(L"user " + std::wstring(1, Letter()) + L": CoInitializeEx failed: " + DescribeHresult(hr));
    startResult_ = StartResult::HostFailed;
    SetEvent(ready_);
    return;
  }
  inbox_ = CreateWindowExW(0, kInboxClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, GetModuleHandleW(nullptr), this);
  messenger_ = MakeHostObject();
  conversationWindow_ = MakeHostObject();
  if (!inbox_) {
    transcript_.Error(L"user " + std::wstring(1, Letter()) + L": cannot create the inbox window");
    startResult_ = StartResult::HostFailed;
  } else if (setup_.withPlugins && !LoadPlugins()) {
    UnloadPlugins();
    startResult_ = StartResult::PluginFailed;
  } else {
    if (!setup_.withPlugins) Say(setup_.signInName + L" signs in without plug-ins: this host shows chat lines only");
    startResult_ = StartResult::Ready;
  }
  bool run = startResult_ == StartResult::Ready;
  SetEvent(ready_);

  if (run) {
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
  if (inbox_ && IsWindow(inbox_)) DestroyWindow(inbox_);
  messenger_.Reset();
  conversationWindow_.Reset();
  plugins_.clear();
  CoUninitialize();
}

LRESULT CALLBACK User::InboxProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<User*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  switch (message) {
    case kWorkMessage:
      if (self) self->RunNext();
      return 0;
    case kProbeMessage:
      return 1;
    case kStopMessage:
      if (self) self->UnloadPlugins();
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcW(window, message, wParam, lParam);
  }
}

bool User::LoadPlugins() {
  Say(setup_.signInName + L" signs in");
  for (const RegisteredPlugin& registration : registered_) {
    const std::wstring who = L"user " + std::wstring(1, Letter()) + L": plug-in \"" + registration.name +
                             L"\" (ProgID \"" + registration.progId + L"\")";
    Plugin plugin;
    const wchar_t* failedStep = L"";
    HRESULT hr = Plugin::Create(registration, plugin, failedStep);
    if (FAILED(hr)) {
      transcript_.Error(who + L" cannot be created: " + failedStep + L" failed with " + DescribeHresult(hr));
      return false;
    }
    bool ready = false;
    hr = plugin.Initialize(kHostVersion, setup_.signInName, messenger_.Get(), ready);
    if (FAILED(hr)) {
      transcript_.Error(who + L": Initialize failed with " + DescribeHresult(hr));
      return false;
    }
    Say(registration.name + L".Initialize(" + std::to_wstring(kHostVersion) + L", " + Quoted(setup_.signInName) +
        L") -> " + Boolean(ready));
    if (!ready) {
      transcript_.Error(who + L" is not ready: Initialize returned False");
      return false;
    }
    plugins_.push_back(std::move(plugin));

    Publication publication;
    hr = plugins_.back().Publish(publication);
    if (FAILED(hr)) {
      transcript_.Error(who + L": publishing its commands failed with " + DescribeHresult(hr));
      return false;
    }
    Say(registration.name + L" publishes " + Quoted(publication.pluginName) + L": " +
        std::to_wstring(publication.commands.size()) + L" commands, " + std::to_wstring(publication.tagCount) +
        L" tags");
    for (const PublishedCommand& command : publication.commands) {
      std::wstring row = L"  /" + command.value + L"  " + command.name;
      if (!command.help.empty()) row += L" (" + command.help + L")";
      Say(row);
    }
  }
  return true;
}

void User::UnloadPlugins() {
  for (Plugin& plugin : plugins_) {
    HRESULT hr = plugin.Uninitialize();
    if (FAILED(hr)) {
      ReportFailure(plugin, L"Uninitialize", hr);
    } else {
      Say(plugin.Name() + L".Uninitialize -> done");
    }
    plugin.Release();
  }
  plugins_.clear();
}

void User::Type(std::wstring line) { Post({Work::Kind::Typed, std::move(line)}); }

void User::SendRaw(std::wstring text) { Post({Work::Kind::Raw, std::move(text)}); }

void User::Receive(std::wstring text) { Post({Work::Kind::Received, std::move(text)}); }

void User::Post(Work work) {
  {
    std::lock_guard<std::mutex> lock(queueMutex_);
    queue_.push_back(std::move(work));
  }
  activity_.Queued(setup_.index);
  if (!PostMessageW(inbox_, kWorkMessage, 0, 0)) {
    transcript_.Error(L"user " + std::wstring(1, Letter()) + L": a delivery could not be posted");
  }
}

void User::RunNext() {
  Work work;
  {
    std::lock_guard<std::mutex> lock(queueMutex_);
    if (queue_.empty()) return;
    work = std::move(queue_.front());
    queue_.pop_front();
  }
  activity_.Started(setup_.index);
  switch (work.kind) {
    case Work::Kind::Typed: SendTyped(work.text); break;
    case Work::Kind::Raw: Send(work.text); break;
    case Work::Kind::Received: HandleReceived(work.text); break;
  }
  activity_.Finished(setup_.index);
}

bool User::Probe(std::chrono::milliseconds timeout) const {
  DWORD_PTR answer = 0;
  return SendMessageTimeoutW(inbox_, kProbeMessage, 0, 0, SMTO_NORMAL, static_cast<UINT>(timeout.count()), &answer) &&
         answer == 1;
}

bool User::Stop(std::chrono::milliseconds timeout) {
  if (!thread_) return true;
  if (inbox_) PostMessageW(inbox_, kStopMessage, 0, 0);
  return WaitForSingleObject(thread_, static_cast<DWORD>(timeout.count())) == WAIT_OBJECT_0;
}

// A line the user sent: slash commands go to the plug-ins first, in the registry's order; the
// first that takes it decides what is sent. Otherwise the line goes out as it is.
void User::SendTyped(const std::wstring& line) {
  if (IsSlashCommand(line)) {
    CommandParts parts = SplitCommand(line);
    for (Plugin& plugin : plugins_) {
      Say(plugin.Name() + L".ParseCommand(" + Quoted(parts.word) + L", " + Quoted(parts.rest) + L")");
      Answer answer;
      HRESULT hr = plugin.ParseCommand(parts.word, parts.rest, conversationWindow_.Get(), answer);
      if (FAILED(hr)) {
        ReportFailure(plugin, L"ParseCommand", hr);
        return;  // a failed call sends nothing
      }
      if (answer.handled) {
        Say(plugin.Name() + L".ParseCommand -> True, sResult " + Quoted(answer.text));
        if (!answer.text.empty()) Send(answer.text);
        return;
      }
      Say(plugin.Name() + L".ParseCommand -> False");
    }
  }
  Send(line);
}

// Puts a text on the wire. A notification is handed to this user's own plug-ins first (the
// sender's window shows its own message at once; the partner's copy travels), then posted.
void User::Send(const std::wstring& text) {
  if (std::optional<Notification> notification = AsNotification(text)) {
    Say(L"sends notification " + notification->code + L": " + Visible(notification->payload));
    HandOwnNotification(notification->code, notification->payload);
  } else {
    Say(L"sends: " + Visible(text));
  }
  if (partner_) partner_->Receive(text);
}

// The sender's own plug-ins see the notification it sent. Nothing they leave to send is sent:
// the user received nothing, so there is nobody to answer.
void User::HandOwnNotification(const std::wstring& code, const std::wstring& payload) {
  for (Plugin& plugin : plugins_) {
    Say(plugin.Name() + L".ReceiveNotify(" + Quoted(code) + L", " + Quoted(payload) + L", " +
        Quoted(setup_.signInName) + L") [own notification]");
    Answer answer;
    HRESULT hr = plugin.ReceiveNotify(code, payload, setup_.signInName, conversationWindow_.Get(), answer);
    if (FAILED(hr)) {
      ReportFailure(plugin, L"ReceiveNotify", hr);
      return;
    }
    Say(plugin.Name() + L".ReceiveNotify -> " + Boolean(answer.handled) + L", sTextToSend " + Quoted(answer.text));
    if (answer.handled) {
      if (!answer.text.empty()) Say(L"drops the text to send: an own notification answers nobody");
      return;
    }
  }
}

// A text from the partner: a notification goes to the plug-ins, the first that takes it decides
// what this user sends back; a text nobody takes is shown as a chat line.
void User::HandleReceived(const std::wstring& text) {
  const std::wstring from = partner_ ? partner_->SignInName() : std::wstring();
  const std::wstring partnerLetter(1, partner_ ? partner_->Letter() : L'?');
  std::optional<Notification> notification = AsNotification(text);
  if (notification && !plugins_.empty()) {
    Say(L"notification " + notification->code + L" from " + from + L": " + Visible(notification->payload));
    for (Plugin& plugin : plugins_) {
      Say(plugin.Name() + L".ReceiveNotify(" + Quoted(notification->code) + L", " + Quoted(notification->payload) +
          L", " + Quoted(from) + L")");
      Answer answer;
      HRESULT hr = plugin.ReceiveNotify(notification->code, notification->payload, from, conversationWindow_.Get(),
                                        answer);
      if (FAILED(hr)) {
        ReportFailure(plugin, L"ReceiveNotify", hr);
        return;
      }
      Say(plugin.Name() + L".ReceiveNotify -> " + Boolean(answer.handled) + L", sTextToSend " + Quoted(answer.text));
      if (answer.handled) {
        if (!answer.text.empty()) SendTyped(answer.text);
        return;
      }
    }
  }
  Say(L"chat from " + partnerLetter + L": " + Visible(text));
}

void User::Say(std::wstring_view text) const {
  transcript_.Line(L"[" + std::wstring(1, Letter()) + L"] " + std::wstring(text));
}

void User::ReportFailure(const Plugin& plugin, const wchar_t* method, HRESULT hr) {
  ++methodFailures_;
  Say(plugin.Name() + L"." + method + L" failed: " + DescribeHresult(hr));
}

}  // namespace host
