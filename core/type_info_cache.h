// The vtable side of a dual interface, read from the type library in this module's own
// resources at the first late-bound call: a caller that binds early never pays for it.
#pragma once

#include <oaidl.h>
#include <wrl/client.h>

namespace duvisto {

class TypeInfoCache {
 public:
  explicit TypeInfoCache(const IID& dualInterface) : interface_(dualInterface) {}
  // Borrowed: it lives as long as the cache.
  HRESULT Get(ITypeInfo** typeInfo);
  // IDispatch::GetTypeInfo: a reference of the caller's own to type info 0.
  HRESULT GetTypeInfo(UINT index, ITypeInfo** typeInfo);

 private:
  const IID& interface_;
  Microsoft::WRL::ComPtr<ITypeInfo> typeInfo_;
};

}  // namespace duvisto
