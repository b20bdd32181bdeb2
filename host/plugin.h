// One loaded plug-in, created by its ProgID and driven through its `_Browse` interface in the
// order the host contract gives: Initialize, the publish calls, ParseCommand and ReceiveNotify
// for as long as the conversation lasts, Uninitialize last.
#pragma once

#include <windows.h>
#include <wrl/client.h>

#include <string>
#include <string_view>
#include <vector>

#include "Duvisto_h.h"
#include "registered_plugins.h"

namespace host {

struct PublishedCommand {
  std::wstring name;   // display name
  std::wstring value;  // command word without the slash
  std::wstring help;   // help line or argument hint; empty when the plug-in wrote none
};

struct Publication {
  std::wstring pluginName;
  long tagCount = 0;
  std::vector<PublishedCommand> commands;
};

// What ParseCommand or ReceiveNotify answered: handled (True) and the text it left to send.
struct Answer {
  bool handled = false;
  std::wstring text;
};

class Plugin {
 public:
  // Creates the plug-in object; on failure `failedStep` names the call that failed.
  static HRESULT Create(const RegisteredPlugin& registration, Plugin& plugin, const wchar_t*& failedStep);

  const std::wstring& Name() const { return registration_.name; }

  HRESULT Initialize(long hostVersion, std::wstring_view userName, IDispatch* messenger, bool& ready);
  HRESULT Publish(Publication& publication);
  HRESULT ParseCommand(std::wstring_view command, std::wstring_view argument, IDispatch* conversation, Answer& answer);
  HRESULT ReceiveNotify(std::wstring_view code, std::wstring_view text, std::wstring_view contactName,
                        IDispatch* conversation, Answer& answer);
  HRESULT Uninitialize();
  // Lets go of the object; the plug-in may unload afterwards.
  void Release() { object_.Reset(); }

 private:
  RegisteredPlugin registration_;
  Microsoft::WRL::ComPtr<_Browse> object_;
};

}  // namespace host
