#include "session.h"

#include "registered_plugins.h"
#include "exit_codes.h"
#include "text_format.h"
#include "ui_robot.h"

namespace host {

namespace {

using namespace std::chrono_literals;
constexpr auto kStartTimeout = 30s;
constexpr auto kStopTimeout = 10s;
constexpr auto kProbeTimeout = 250ms;
const wchar_t* const kSignInNames[kUserCount] = {L"a@example.com", L"b@example.com"};

}  // namespace

Session::Session(Transcript& transcript, RobotOptions robot)
    : transcript_(transcript), watcher_(transcript, std::move(robot)) {}

Session::~Session() { watcher_.Stop(); }

int Session::Begin(const std::array<bool, kUserCount>& withPlugins) {
  std::vector<RegisteredPlugin> registered;
  if (withPlugins[0] || withPlugins[1]) {
    registered = ReadRegisteredPlugins();
    if (registered.empty()) {
      transcript_.Error(std::wstring(L"no plug-in is registered: HKEY_LOCAL_MACHINE\\") + kRegisteredPluginsKey +
                        L" holds no string value naming a ProgID");
      return kExitNoPlugin;
    }
  }
  for (int user = 0; user < kUserCount; ++user) {
    users_[user] = std::make_unique<User>(UserSetup{user, kSignInNames[user], withPlugins[user]}, transcript_,
                                          activity_);
  }
  users_[0]->SetPartner(*users_[1]);
  users_[1]->SetPartner(*users_[0]);

  for (int user = 0; user < kUserCount; ++user) {
    User::StartResult result = users_[user]->Start(registered, kStartTimeout);
    if (result != User::StartResult::Ready) {
      StopUsers(kStopTimeout);
      return result == User::StartResult::PluginFailed ? kExitPluginNotLoaded : kExitHostFailure;
    }
    watcher_.Watch(user, users_[user]->Letter(), users_[user]->ThreadId());
  }
  watcher_.Start();
  begun_ = true;
  return kExitOk;
}

void Session::Perform(const Step& step) {
  User& user = *users_[step.user];
  switch (step.kind) {
    case Step::Kind::Type:
      for (int i = 0; i < step.repeat; ++i) user.Type(step.text);
      break;
    case Step::Kind::Send:
      for (int i = 0; i < step.repeat; ++i) user.SendRaw(step.text);
      break;
    case Step::Kind::Hold: watcher_.Hold(step.user, true); break;
    case Step::Kind::Release: watcher_.Hold(step.user, false); break;
    case Step::Kind::Go: Go(step.user, step.text); break;
    case Step::Kind::Note:
    case Step::Kind::WithoutPlugin: break;
  }
}

void Session::Go(int user, const std::wstring& address) {
  const std::wstring who = L"[" + std::wstring(1, users_[user]->Letter()) + L"] robot ";
  for (HWND window : robot::TopLevelWindows(robot::Owner::Thread(users_[user]->ThreadId()))) {
    HWND box = robot::FindChild(window, L"Edit", L"");
    HWND go = robot::FindChild(window, L"Button", L"GO");
    if (box == nullptr || go == nullptr) continue;
    // As a person could: nothing is typed into a disabled box or pressed on a disabled button.
    if (!IsWindowEnabled(box) || !IsWindowEnabled(go)) {
      transcript_.Line(who + L"cannot type: the address box or GO is disabled");
      return;
    }
    transcript_.Line(who + L"types " + Quoted(address) + L" into the address box and presses GO");
    if (!robot::SetText(box, address) || !robot::PressButton(GetParent(go), GetDlgCtrlID(go))) {
      transcript_.Line(who + L"could not reach the window");
    }
    return;
  }
  transcript_.Line(who + L"finds no browser window with an address box and GO (is it held open?)");
}

bool Session::WaitUntilSettled(std::chrono::milliseconds timeout) {
  return robot::WaitUntil([this] { return SettledNow(); }, timeout);
}

bool Session::SettledNow() {
  const Activity::Snapshot before = activity_.Take();
  for (int user = 0; user < kUserCount; ++user) {
    if (before.queued[user] > 0) return false;
  }
  // A look at the windows taken wholly after the snapshot.
  if (!watcher_.WaitForFreshLook(2s)) return false;
  const WindowWatcher::State look = watcher_.Current();
  if (look.unheldOpen) return false;
  for (int user = 0; user < kUserCount; ++user) {
    if (before.running[user] == 0) continue;
    // Work in progress is fine only when it waits inside a held window's modal loop.
    if (!look.held[user] || look.open[user] == 0) return false;
    if (!users_[user]->Probe(kProbeTimeout)) return false;
  }
  return activity_.Take().sequence == before.sequence;
}

std::wstring Session::Pending() const {
  const Activity::Snapshot now = activity_.Take();
  const WindowWatcher::State look = watcher_.Current();
  std::wstring text;
  for (int user = 0; user < kUserCount; ++user) {
    if (!text.empty()) text += L"; ";
    text += std::wstring(1, static_cast<wchar_t>(L'A' + user)) + L": " + std::to_wstring(now.queued[user]) +
            L" waiting, " + std::to_wstring(now.running[user]) + L" in progress, " +
            std::to_wstring(look.open[user]) + L" windows open" + (look.held[user] ? L" (held)" : L"");
  }
  return text;
}

int Session::End(std::chrono::milliseconds timeout) {
  if (!begun_) return kExitOk;
  for (int user = 0; user < kUserCount; ++user) watcher_.Hold(user, false);
  if (!WaitUntilSettled(timeout)) {
    transcript_.Error(L"the conversation did not settle at the end: " + Pending());
    GiveUp();
    return kExitNotSettled;
  }
  if (!StopUsers(kStopTimeout)) return kExitHostFailure;
  watcher_.Stop();
  int failures = 0;
  for (const auto& user : users_) failures += user->MethodFailures();
  if (failures > 0) {
    transcript_.Error(std::to_wstring(failures) + L" plug-in call(s) failed");
    return kExitMethodFailed;
  }
  return kExitOk;
}

bool Session::GiveUp() {
  for (int user = 0; user < kUserCount; ++user) watcher_.Hold(user, false);
  // Whatever is still open is closed again until everything has settled, for 5 s at the most.
  robot::WaitUntil(
      [this] {
        if (SettledNow()) return true;
        watcher_.CloseEverything();
        return false;
      },
      5s);
  bool stopped = StopUsers(kStopTimeout);
  watcher_.Stop();
  return stopped;
}

bool Session::StopUsers(std::chrono::milliseconds timeout) {
  bool all = true;
  for (auto& user : users_) {
    if (user && !user->Stop(timeout)) {
      transcript_.Error(std::wstring(L"user ") + user->Letter() + L" did not end in time");
      all = false;
    }
  }
  return all;
}

}  // namespace host
