// The class object of an in-process server's one class, and the two exports built on it: written
// once for the plug-in and the bench's floor DLLs.
#pragma once

#include <windows.h>
#include <unknwn.h>

namespace duvisto {

// Makes a new object of the class, handing out `riid`; `context` is the server's own.
using ObjectMaker = HRESULT (*)(void* context, REFIID riid, void** ppv);

// DllGetClassObject for a server of the class `served`: its class object, which makes objects
// with `make` and refuses aggregation. Locks count on the module; the class object's own
// references do not.
HRESULT GetClassObject(REFCLSID requested, REFCLSID served, ObjectMaker make, void* context, REFIID riid,
                       void** ppv);

// DllCanUnloadNow: S_OK once no object, lock or window holds the module. Its caller still holds
// the library, so what the module keeps for its objects' sake (the type information, the
// mapping a window took) is let go here.
HRESULT CanUnloadNow();

}  // namespace duvisto
