#include "type_info_cache.h"

#include <oleauto.h>
#include <wrl/client.h>

#include <atomic>
#include <string>

#include "module.h"

namespace duvisto {
namespace {

using Microsoft::WRL::ComPtr;

// Published once by whichever thread loads it first; the others let their own copy go.
std::atomic<ITypeInfo*> g_typeInfo{nullptr};

HRESULT LoadVtableSide(const IID& dualInterface, ComPtr<ITypeInfo>& typeInfo) {
  std::wstring path;
  HRESULT hr = ModulePath(path);
  if (FAILED(hr)) return hr;
  ComPtr<ITypeLib> library;
  hr = LoadTypeLibEx(path.c_str(), REGKIND_NONE, &library);
  if (FAILED(hr)) return hr;
  ComPtr<ITypeInfo> dispatchSide;
  hr = library->GetTypeInfoOfGuid(dualInterface, &dispatchSide);
  if (FAILED(hr)) return hr;
  // Invoke through the vtable side, which describes the real slots and the HRESULT returns.
  HREFTYPE vtableReference = 0;
  hr = dispatchSide->GetRefTypeOfImplType(static_cast<UINT>(-1), &vtableReference);
  if (FAILED(hr)) return hr;
  return dispatchSide->GetRefTypeInfo(vtableReference, &typeInfo);
}

}  // namespace

HRESULT ModuleTypeInfo(const IID& dualInterface, ITypeInfo** typeInfo) {
  ITypeInfo* loaded = g_typeInfo.load(std::memory_order_acquire);
  if (loaded == nullptr) {
    ComPtr<ITypeInfo> fresh;
    const HRESULT hr = LoadVtableSide(dualInterface, fresh);
    if (FAILED(hr)) return hr;
    ITypeInfo* expected = nullptr;
    if (g_typeInfo.compare_exchange_strong(expected, fresh.Get(), std::memory_order_acq_rel)) {
      loaded = fresh.Detach();
    } else {
      loaded = expected;  // another thread was first; `fresh` goes
    }
  }
  *typeInfo = loaded;
  return S_OK;
}

HRESULT ModuleTypeInfoForCaller(const IID& dualInterface, UINT index, ITypeInfo** typeInfo) {
  if (!typeInfo) return E_POINTER;
  *typeInfo = nullptr;
  if (index != 0) return DISP_E_BADINDEX;
  ITypeInfo* loaded = nullptr;
  const HRESULT hr = ModuleTypeInfo(dualInterface, &loaded);
  if (FAILED(hr)) return hr;
  loaded->AddRef();
  *typeInfo = loaded;
  return S_OK;
}

void ReleaseModuleTypeInfo() {
  if (ITypeInfo* loaded = g_typeInfo.exchange(nullptr)) loaded->Release();
}

}  // namespace duvisto
