// The floor DLL's exports and class factory: the in-process server protocol, no more.
#include <unknwn.h>
#include <windows.h>

#include "Duvisto_h.h"
#include "com_object.h"
#include "floor_browse.h"
#include "module.h"

namespace browse_floor {
namespace {

class FloorClassFactory : public IClassFactory {
 public:
  static const duvisto::InterfaceEntry<FloorClassFactory> kInterfaces[];

  STDMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    return CreateFloorBrowse(riid, ppv);
  }
  STDMETHODIMP LockServer(BOOL lock) override {
    if (lock)
      duvisto::ModuleAddRef();
    else
      duvisto::ModuleRelease();
    return S_OK;
  }
};

const duvisto::InterfaceEntry<FloorClassFactory> FloorClassFactory::kInterfaces[] = {
    duvisto::Implements<FloorClassFactory, IClassFactory>(IID_IClassFactory), duvisto::kEndOfInterfaces};

}  // namespace
}  // namespace browse_floor

// The floor answers for the plug-in's class, so a host's calls are the same against either DLL.
STDAPI DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (rclsid != CLSID_Browse) return CLASS_E_CLASSNOTAVAILABLE;
  using Factory = duvisto::ComObject<browse_floor::FloorClassFactory, duvisto::HoldsModule::No>;
  return Factory::Create(riid, ppv);
}

STDAPI DllCanUnloadNow() { return duvisto::ModuleInUse() ? S_FALSE : S_OK; }
