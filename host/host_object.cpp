#include "host_object.h"

#include <windows.h>

#include "com_object.h"

namespace host {

namespace {

class HostObject : public IDispatch {
 public:
  static const duvisto::InterfaceEntry<HostObject> kInterfaces[];

  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
    if (info) *info = nullptr;
    return DISP_E_BADINDEX;
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT count, LCID, DISPID* ids) override {
    if (!ids) return E_POINTER;
    for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
    return DISP_E_UNKNOWNNAME;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
    return DISP_E_MEMBERNOTFOUND;
  }

};

const duvisto::InterfaceEntry<HostObject> HostObject::kInterfaces[] = {
    duvisto::Implements<HostObject, IDispatch>(IID_IDispatch), duvisto::kEndOfInterfaces};

}  // namespace

Microsoft::WRL::ComPtr<IDispatch> MakeHostObject() {
  Microsoft::WRL::ComPtr<IDispatch> object;
  duvisto::ComObject<HostObject>::Create(IID_IDispatch, &object);  // null only without memory
  return object;
}

}  // namespace host
