#include "type_info_cache.h"

#include <oleauto.h>

#include <string>

#include "module.h"

namespace duvisto {
namespace {

using Microsoft::WRL::ComPtr;

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

HRESULT TypeInfoCache::Get(ITypeInfo** typeInfo) {
  if (!typeInfo_) {
    const HRESULT hr = LoadVtableSide(interface_, typeInfo_);
    if (FAILED(hr)) return hr;
  }
  *typeInfo = typeInfo_.Get();
  return S_OK;
}

HRESULT TypeInfoCache::GetTypeInfo(UINT index, ITypeInfo** typeInfo) {
  if (!typeInfo) return E_POINTER;
  *typeInfo = nullptr;
  if (index != 0) return DISP_E_BADINDEX;
  ITypeInfo* loaded = nullptr;
  const HRESULT hr = Get(&loaded);
  if (FAILED(hr)) return hr;
  loaded->AddRef();
  *typeInfo = loaded;
  return S_OK;
}

}  // namespace duvisto
