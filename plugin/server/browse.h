// Browse: the object the host creates by "Duvisto.Browse" and drives through _Browse.
#pragma once

#include <windows.h>

#include "Duvisto_h.h"
#include "browse_state.h"
#include "com_object.h"
#include "plugin_ui.h"

namespace duvisto {

// Created through CreateBrowse; IUnknown comes from ComObject (com_object.h).
class Browse : public _Browse {
 public:
  static const InterfaceEntry<Browse> kInterfaces[];

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

 protected:
  explicit Browse(PluginUi& ui) : ui_(ui) {}

 private:
  PluginUi& ui_;  // message boxes and the browser window
  BrowseState state_;
};

// A new Browse object, handing out `riid`; `ui` is the PluginUi it reaches the screen through.
HRESULT CreateBrowse(void* ui, REFIID riid, void** ppv);

}  // namespace duvisto
