// The web-browser control's events through which a page acts beyond its own window:
// navigations, new windows, downloads and window.close(). Each is decided by the page rules and
// the window around the page (PageHost); once disconnected, the sink refuses all of them.
#pragma once

#include <windows.h>
#include <oaidl.h>
#include <ocidl.h>
#include <wrl/client.h>

#include "com_object.h"
#include "page_host.h"

namespace duvisto {

class BrowserEvents : public IDispatch {
 public:
  static const InterfaceEntry<BrowserEvents> kInterfaces[];

  // A new sink connected to `control`'s DWebBrowserEvents2. A control that offers no such
  // connection cannot be watched, and is not to be hosted: its failure comes back.
  static HRESULT Connect(IUnknown* control, PageHost* host, Microsoft::WRL::ComPtr<BrowserEvents>* events);
  // Before the control goes: the connection is dropped and the window is asked nothing more.
  void Disconnect();

  STDMETHODIMP QueryInterface(REFIID riid, void** object) override = 0;
  STDMETHODIMP_(ULONG) AddRef() override = 0;
  STDMETHODIMP_(ULONG) Release() override = 0;

  // IDispatch: the events arrive by Invoke alone.
  STDMETHODIMP GetTypeInfoCount(UINT* count) override;
  STDMETHODIMP GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override;
  STDMETHODIMP GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID locale, DISPID* ids) override;
  STDMETHODIMP Invoke(DISPID member, REFIID riid, LCID locale, WORD flags, DISPPARAMS* parameters, VARIANT* result,
                      EXCEPINFO* exception, UINT* badArgument) override;

 protected:
  BrowserEvents(PageHost* host, IUnknown* control);

 private:
  void OnBeforeNavigate2(const DISPPARAMS& parameters);
  void OnNewWindow3(const DISPPARAMS& parameters);
  void OnFileDownload(const DISPPARAMS& parameters);

  PageHost* host_;
  const IUnknown* control_;  // the control's identity, never called: its own navigations are top-level
  Microsoft::WRL::ComPtr<IConnectionPoint> connection_;
  DWORD cookie_ = 0;
};

}  // namespace duvisto
