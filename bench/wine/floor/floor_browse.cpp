// A _Browse whose every method checks nothing, writes nothing and returns S_OK, with IDispatch
// served plainly from the type library: names by DispGetIDsOfNames, calls by ITypeInfo::Invoke
// on the vtable side of the dual interface. What remains of a call here is what COM, the
// automation runtime and the calling convention cost, the floor the plug-in is measured against.
#include "floor_browse.h"

#include <oleauto.h>

#include "Duvisto_h.h"
#include "com_object.h"
#include "type_info_cache.h"

namespace browse_floor {
namespace {

using duvisto::ComObject;
using duvisto::Implements;
using duvisto::InterfaceEntry;

class FloorBrowse : public _Browse {
 public:
  static const InterfaceEntry<FloorBrowse> kInterfaces[];

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
    ITypeInfo* loaded = nullptr;
    const HRESULT hr = typeInfo_.Get(&loaded);
    if (FAILED(hr)) return hr;
    loaded->AddRef();
    *typeInfo = loaded;
    return S_OK;
  }
  STDMETHODIMP GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID, DISPID* dispids) override {
    if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
    ITypeInfo* typeInfo = nullptr;
    const HRESULT hr = typeInfo_.Get(&typeInfo);
    return FAILED(hr) ? hr : DispGetIDsOfNames(typeInfo, names, count, dispids);
  }
  STDMETHODIMP Invoke(DISPID dispid, REFIID riid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                      EXCEPINFO* exception, UINT* argError) override {
    if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
    ITypeInfo* typeInfo = nullptr;
    const HRESULT hr = typeInfo_.Get(&typeInfo);
    if (FAILED(hr)) return hr;
    return typeInfo->Invoke(static_cast<_Browse*>(this), dispid, flags, params, result, exception, argError);
  }

  // _Browse: nothing at all.
  STDMETHODIMP Initialize(LONG, BSTR, IDispatch*, VARIANT_BOOL*) override { return S_OK; }
  STDMETHODIMP Uninitialize(VARIANT*) override { return S_OK; }
  STDMETHODIMP GetPublishInfo(BSTR*, LONG*, LONG*, VARIANT_BOOL*) override { return S_OK; }
  STDMETHODIMP GetPublishCommandInfo(LONG, BSTR*, BSTR*, BSTR*, VARIANT*) override { return S_OK; }
  STDMETHODIMP ParseCommand(BSTR, BSTR, IDispatch*, BSTR*, VARIANT_BOOL*) override { return S_OK; }
  STDMETHODIMP ReceiveNotify(BSTR, BSTR, BSTR, IDispatch*, BSTR*, VARIANT_BOOL*) override { return S_OK; }

 private:
  duvisto::TypeInfoCache typeInfo_{IID__Browse};
};

const InterfaceEntry<FloorBrowse> FloorBrowse::kInterfaces[] = {Implements<FloorBrowse, _Browse>(IID__Browse),
                                                               Implements<FloorBrowse, _Browse>(IID_IDispatch),
                                                               duvisto::kEndOfInterfaces};

}  // namespace

HRESULT CreateFloorBrowse(REFIID riid, void** ppv) { return ComObject<FloorBrowse>::Create(riid, ppv); }

}  // namespace browse_floor
