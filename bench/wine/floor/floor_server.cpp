// The floor DLL's exports: the in-process server protocol, no more, written as the plug-in's.
#include <windows.h>

#include "Duvisto_h.h"
#include "class_factory.h"
#include "floor_browse.h"

// The floor answers for the plug-in's class, so a host's calls are the same against either DLL.
STDAPI DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv) {
  return duvisto::GetClassObject(rclsid, CLSID_Browse, browse_floor::CreateFloorBrowse, nullptr, riid, ppv);
}

STDAPI DllCanUnloadNow() { return duvisto::CanUnloadNow(); }
