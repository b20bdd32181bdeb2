#include "user.h"

#include "host_object.h"
#include "hresult_text.h"
#include "text_format.h"

namespace host {

User::User(UserSetup setup, Transcript& transcript, Activity& activity)
    : setup_(std::move(setup)),
      activity_(activity),
      log_(transcript, static_cast<wchar_t>(L'A' + setup_.index)),
      routing_(log_, setup_.signInName, plugins_, conversationWindow_),
      thread_(log_) {}

void User::SetPartner(User& partner) {
  routing_.SetPartner(
      {partner.Letter(), partner.SignInName(), [&partner](std::wstring text) { partner.Receive(std::move(text)); }});
}

User::StartResult User::Start(const std::vector<RegisteredPlugin>& plugins, std::chrono::milliseconds timeout) {
  registered_ = plugins;
  switch (thread_.Start({[this] { return SignIn(); }, [this] { SignOut(); }}, timeout)) {
    case UserThread::Started::Running: return StartResult::Ready;
    case UserThread::Started::BeginFailed: return StartResult::PluginFailed;
    case UserThread::Started::HostFailed: break;
  }
  return StartResult::HostFailed;
}

// On the user's thread, before its message loop.
bool User::SignIn() {
  messenger_ = MakeHostObject();
  conversationWindow_ = MakeHostObject();
  if (!setup_.withPlugins) {
    log_.Say(setup_.signInName + L" signs in without plug-ins: this host shows chat lines only");
    return true;
  }
  return LoadPlugins();
}

// On the user's thread, last.
void User::SignOut() {
  UnloadPlugins();
  messenger_.Reset();
  conversationWindow_.Reset();
}

bool User::LoadPlugins() {
  log_.Say(setup_.signInName + L" signs in");
  for (const RegisteredPlugin& registration : registered_) {
    const std::wstring who =
        log_.Who() + L": plug-in \"" + registration.name + L"\" (ProgID \"" + registration.progId + L"\")";
    Plugin plugin;
    const wchar_t* failedStep = L"";
    HRESULT hr = Plugin::Create(registration, plugin, failedStep);
    if (FAILED(hr)) {
      log_.Error(who + L" cannot be created: " + failedStep + L" failed with " + DescribeHresult(hr));
      return false;
    }
    bool ready = false;
    hr = plugin.Initialize(kHostVersion, setup_.signInName, messenger_.Get(), ready);
    if (FAILED(hr)) {
      log_.Error(who + L": Initialize failed with " + DescribeHresult(hr));
      return false;
    }
    log_.Say(registration.name + L".Initialize(" + std::to_wstring(kHostVersion) + L", " +
             Quoted(setup_.signInName) + L") -> " + BooleanText(ready));
    if (!ready) {
      log_.Error(who + L" is not ready: Initialize returned False");
      return false;
    }
    plugins_.push_back(std::move(plugin));

    Publication publication;
    hr = plugins_.back().Publish(publication);
    if (FAILED(hr)) {
      log_.Error(who + L": publishing its commands failed with " + DescribeHresult(hr));
      return false;
    }
    log_.Say(registration.name + L" publishes " + Quoted(publication.pluginName) + L": " +
             std::to_wstring(publication.commands.size()) + L" commands, " + std::to_wstring(publication.tagCount) +
             L" tags");
    for (const PublishedCommand& command : publication.commands) {
      std::wstring row = L"  /" + command.value + L"  " + command.name;
      if (!command.help.empty()) row += L" (" + command.help + L")";
      log_.Say(row);
    }
  }
  return true;
}

void User::UnloadPlugins() {
  for (Plugin& plugin : plugins_) {
    HRESULT hr = plugin.Uninitialize();
    if (FAILED(hr)) {
      log_.Failure(plugin.Name(), L"Uninitialize", hr);
    } else {
      log_.Say(plugin.Name() + L".Uninitialize -> done");
    }
    plugin.Release();
  }
  plugins_.clear();
}

void User::Type(std::wstring line) {
  Deliver([this, line = std::move(line)] { routing_.SendTyped(line); });
}

void User::SendRaw(std::wstring text) {
  Deliver([this, text = std::move(text)] { routing_.Send(text); });
}

void User::Receive(std::wstring text) {
  Deliver([this, text = std::move(text)] { routing_.Receive(text); });
}

void User::Deliver(std::function<void()> delivery) {
  const int user = setup_.index;
  activity_.Queued(user);
  thread_.Post([this, user, delivery = std::move(delivery)] {
    activity_.Started(user);
    delivery();
    activity_.Finished(user);
  });
}

}  // namespace host
