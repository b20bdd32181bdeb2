// The floor DLL's exports and class factory: the in-process server protocol, no more.
#include <unknwn.h>
#include <windows.h>

#include <atomic>
#include <new>

#include "Duvisto_h.h"
#include "floor_browse.h"
#include "floor_module.h"

namespace browse_floor {
namespace {

std::atomic<long> moduleReferences{0};

class FloorClassFactory final : public IClassFactory, public OnProcessHeap {
 public:
  // IUnknown
  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (riid != IID_IUnknown && riid != IID_IClassFactory) return E_NOINTERFACE;
    *ppv = static_cast<IClassFactory*>(this);
    AddRef();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return InterlockedIncrement(&references_); }
  STDMETHODIMP_(ULONG) Release() override {
    const ULONG remaining = InterlockedDecrement(&references_);
    if (remaining == 0) delete this;
    return remaining;
  }

  // IClassFactory
  STDMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    return CreateFloorBrowse(riid, ppv);
  }
  STDMETHODIMP LockServer(BOOL lock) override {
    if (lock)
      ModuleAddRef();
    else
      ModuleRelease();
    return S_OK;
  }

 private:
  LONG references_ = 1;
};

HRESULT CreateClassFactory(REFIID riid, void** ppv) {
  auto* factory = new (std::nothrow) FloorClassFactory();
  if (!factory) return E_OUTOFMEMORY;
  const HRESULT hr = factory->QueryInterface(riid, ppv);
  factory->Release();
  return hr;
}

}  // namespace

void ModuleAddRef() { ++moduleReferences; }
void ModuleRelease() { --moduleReferences; }
bool ModuleInUse() { return moduleReferences.load() != 0; }

HMODULE ModuleHandle() {
  HMODULE module = nullptr;
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCWSTR>(&ModuleHandle), &module);
  return module;
}

}  // namespace browse_floor

// The floor answers for the plug-in's class, so a host's calls are the same against either DLL.
STDAPI DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (rclsid != CLSID_Browse) return CLASS_E_CLASSNOTAVAILABLE;
  return browse_floor::CreateClassFactory(riid, ppv);
}

STDAPI DllCanUnloadNow() { return browse_floor::ModuleInUse() ? S_FALSE : S_OK; }
