// The four exports of a self-registering in-process COM server.
#include <windows.h>

#include "Duvisto_h.h"
#include "class_factory.h"
#include "module.h"
#include "registration.h"

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) DisableThreadLibraryCalls(instance);
  return TRUE;
}

STDAPI DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (rclsid != CLSID_Browse) return CLASS_E_CLASSNOTAVAILABLE;
  return duvisto::CreateBrowseClassFactory(riid, ppv);
}

STDAPI DllCanUnloadNow() {
  if (duvisto::ModuleInUse()) return S_FALSE;
  // Idle, and the caller holds the library: the reference a window took may go now.
  duvisto::ModuleStopKeepingMapped();
  return S_OK;
}

STDAPI DllRegisterServer() { return duvisto::RegisterServer(); }

STDAPI DllUnregisterServer() { return duvisto::UnregisterServer(); }
