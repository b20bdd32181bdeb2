// Browse: the object the host creates by "Duvisto.Browse" and drives through _Browse.
#pragma once

#include <windows.h>
#include <wrl/client.h>

#include "Duvisto_h.h"
#include "browse_state.h"

namespace duvisto {

class Browse final : public _Browse {
 public:
  // Creates a new object and hands out `riid` from it.
  static HRESULT Create(REFIID riid, void** ppv);

  // IUnknown
  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;

  // IDispatch, served from the type library.
  STDMETHODIMP GetTypeInfoCount(UINT* count) override;
  STDMETHODIMP GetTypeInfo(UINT index, LCID lcid, ITypeInfo** typeInfo) override;
  STDMETHODIMP GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid, DISPID* dispids) override;
  STDMETHODIMP Invoke(DISPID dispid, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                      EXCEPINFO* exception, UINT* argError) override;

  // _Browse
  STDMETHODIMP Initialize(LONG nVersion, BSTR sUserEmail, IDispatch* oMessenger, VARIANT_BOOL* result) override;
  STDMETHODIMP Uninitialize(VARIANT* result) override;
  STDMETHODIMP GetPublishInfo(BSTR* sPluginName, LONG* nCommandCount, LONG* nTagCount,
                              VARIANT_BOOL* result) override;
  STDMETHODIMP GetPublishCommandInfo(LONG nCommandIdx, BSTR* sName, BSTR* sValue, BSTR* sHelp,
                                     VARIANT* result) override;
  STDMETHODIMP ParseCommand(BSTR sCommand, BSTR sCommandArg, IDispatch* oConversationWnd, BSTR* sResult,
                            VARIANT_BOOL* result) override;
  STDMETHODIMP ReceiveNotify(BSTR sNotifyCode, BSTR sText, BSTR sContactName, IDispatch* oConversationWnd,
                             BSTR* sTextToSend, VARIANT_BOOL* result) override;

 private:
  Browse();
  ~Browse();
  HRESULT TypeInfo(ITypeInfo** typeInfo);  // borrowed, loaded on first use

  LONG references_ = 1;
  Microsoft::WRL::ComPtr<ITypeInfo> typeInfo_;  // the vtable side of _Browse, once loaded
  BrowseState state_;
};

}  // namespace duvisto
