// A _Browse whose every method checks nothing, writes nothing and returns S_OK, with IDispatch
// served plainly from the type library: names by DispGetIDsOfNames, calls by ITypeInfo::Invoke
// on the vtable side of the dual interface. What remains of a call here is what COM, the
// automation runtime and the calling convention cost, the floor the plug-in is measured against.
#include "floor_browse.h"

#include <oleauto.h>
#include <wrl/client.h>

#include <new>

#include "Duvisto_h.h"
#include "floor_module.h"

namespace browse_floor {
namespace {

using Microsoft::WRL::ComPtr;

// The vtable side of _Browse, which describes the real slots and their HRESULT returns.
HRESULT LoadVtableTypeInfo(ComPtr<ITypeInfo>& typeInfo) {
  wchar_t path[MAX_PATH * 4] = {};
  const DWORD length = GetModuleFileNameW(ModuleHandle(), path, ARRAYSIZE(path));
  if (length == 0 || length == ARRAYSIZE(path)) return HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER);
  ComPtr<ITypeLib> library;
  HRESULT hr = LoadTypeLibEx(path, REGKIND_NONE, &library);
  if (FAILED(hr)) return hr;
  ComPtr<ITypeInfo> dispatchSide;
  hr = library->GetTypeInfoOfGuid(IID__Browse, &dispatchSide);
  if (FAILED(hr)) return hr;
  HREFTYPE vtableSide = 0;
  hr = dispatchSide->GetRefTypeOfImplType(static_cast<UINT>(-1), &vtableSide);
  if (FAILED(hr)) return hr;
  return dispatchSide->GetRefTypeInfo(vtableSide, &typeInfo);
}

class FloorBrowse final : public _Browse, public OnProcessHeap {
 public:
  FloorBrowse() { ModuleAddRef(); }
  FloorBrowse(const FloorBrowse&) = delete;
  FloorBrowse& operator=(const FloorBrowse&) = delete;

  // IUnknown
  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (riid != IID_IUnknown && riid != IID_IDispatch && riid != IID__Browse) return E_NOINTERFACE;
    *ppv = static_cast<_Browse*>(this);
    AddRef();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return InterlockedIncrement(&references_); }
  STDMETHODIMP_(ULONG) Release() override {
    const ULONG remaining = InterlockedDecrement(&references_);
    if (remaining == 0) delete this;
    return remaining;
  }

  // IDispatch, from the type library loaded on first use: a host that never binds late never pays for it.
  STDMETHODIMP GetTypeInfoCount(UINT* count) override {
    if (!count) return E_POINTER;
    *count = 1;
    return S_OK;
  }
  STDMETHODIMP GetTypeInfo(UINT index, LCID, ITypeInfo** typeInfo) override {
    if (!typeInfo) return E_POINTER;
    *typeInfo = nullptr;
    if (index != 0) return DISP_E_BADINDEX;
    const HRESULT hr = LoadTypeInfoOnce();
    return FAILED(hr) ? hr : typeInfo_.CopyTo(typeInfo);
  }
  STDMETHODIMP GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID, DISPID* dispids) override {
    if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
    const HRESULT hr = LoadTypeInfoOnce();
    return FAILED(hr) ? hr : DispGetIDsOfNames(typeInfo_.Get(), names, count, dispids);
  }
  STDMETHODIMP Invoke(DISPID dispid, REFIID riid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                      EXCEPINFO* exception, UINT* argError) override {
    if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
    const HRESULT hr = LoadTypeInfoOnce();
    if (FAILED(hr)) return hr;
    return typeInfo_->Invoke(static_cast<_Browse*>(this), dispid, flags, params, result, exception, argError);
  }

  // _Browse: nothing at all.
  STDMETHODIMP Initialize(LONG, BSTR, IDispatch*, VARIANT_BOOL*) override { return S_OK; }
  STDMETHODIMP Uninitialize(VARIANT*) override { return S_OK; }
  STDMETHODIMP GetPublishInfo(BSTR*, LONG*, LONG*, VARIANT_BOOL*) override { return S_OK; }
  STDMETHODIMP GetPublishCommandInfo(LONG, BSTR*, BSTR*, BSTR*, VARIANT*) override { return S_OK; }
  STDMETHODIMP ParseCommand(BSTR, BSTR, IDispatch*, BSTR*, VARIANT_BOOL*) override { return S_OK; }
  STDMETHODIMP ReceiveNotify(BSTR, BSTR, BSTR, IDispatch*, BSTR*, VARIANT_BOOL*) override { return S_OK; }

 private:
  ~FloorBrowse() { ModuleRelease(); }

  HRESULT LoadTypeInfoOnce() { return typeInfo_ ? S_OK : LoadVtableTypeInfo(typeInfo_); }

  LONG references_ = 1;
  ComPtr<ITypeInfo> typeInfo_;
};

}  // namespace

HRESULT CreateFloorBrowse(REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  auto* object = new (std::nothrow) FloorBrowse();
  if (!object) return E_OUTOFMEMORY;
  const HRESULT hr = object->QueryInterface(riid, ppv);
  object->Release();
  return hr;
}

}  // namespace browse_floor
