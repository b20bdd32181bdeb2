// The host's own objects that a plug-in is handed: the messenger (Initialize) and the
// conversation window (ParseCommand, ReceiveNotify). A plug-in may hold them for a call; they
// answer IDispatch but publish no members, as this host offers plug-ins no automation.
#pragma once

#include <windows.h>

#include <oaidl.h>
#include <wrl/client.h>

namespace host {

Microsoft::WRL::ComPtr<IDispatch> MakeHostObject();

}  // namespace host
