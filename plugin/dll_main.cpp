// The four exports of a self-registering in-process COM server, and the one place that hands the
// server its way to the screen: message boxes and the browser window.
#include <windows.h>

#include "Duvisto_h.h"
#include "class_factory.h"
#include "module.h"
#include "registration.h"
#include "win32_plugin_ui.h"

namespace {
// Holds no state: every Browse object shows its boxes and the thread's window through it.
duvisto::Win32PluginUi g_pluginUi;
}  // namespace

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) DisableThreadLibraryCalls(instance);
  return TRUE;
}

STDAPI DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (rclsid != CLSID_Browse) return CLASS_E_CLASSNOTAVAILABLE;
  return duvisto::CreateBrowseClassFactory(g_pluginUi, riid, ppv);
}

STDAPI DllCanUnloadNow() {
  if (duvisto::ModuleInUse()) return S_FALSE;
  // Idle, and the caller holds the library: the reference a window took may go now.
  duvisto::ModuleStopKeepingMapped();
  return S_OK;
}

STDAPI DllRegisterServer() { return duvisto::RegisterServer(); }

STDAPI DllUnregisterServer() { return duvisto::UnregisterServer(); }
