// The four exports of a self-registering in-process COM server, and the one place that hands the
// server its way to the screen: message boxes and the browser window.
#include <windows.h>

#include "Duvisto_h.h"
#include "browse.h"
#include "class_factory.h"
#include "registration.h"
#include "win32_plugin_ui.h"

namespace {
// Holds no state: every Browse object shows its boxes and the thread's window through it.
duvisto::Win32PluginUi g_pluginUi;
}  // namespace

// libstdc++'s own: frees the buffer it keeps for exceptions thrown when memory runs out.
namespace __gnu_cxx {
void __freeres() noexcept;
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  if (reason == DLL_PROCESS_ATTACH) DisableThreadLibraryCalls(instance);
  // Unloaded by FreeLibrary (not at process exit): the runtime linked into the DLL would leave
  // that buffer behind at each unload, and a host may load and free the plug-in many times.
  if (reason == DLL_PROCESS_DETACH && reserved == nullptr) __gnu_cxx::__freeres();
  return TRUE;
}

STDAPI DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv) {
  return duvisto::GetClassObject(rclsid, CLSID_Browse, duvisto::CreateBrowse, &g_pluginUi, riid, ppv);
}

STDAPI DllCanUnloadNow() { return duvisto::CanUnloadNow(); }

STDAPI DllRegisterServer() { return duvisto::RegisterServer(); }

STDAPI DllUnregisterServer() { return duvisto::UnregisterServer(); }
