// The container side of one embedded ActiveX control: the client site, the in-place site and
// the in-place frame the control asks for. The container has no menus, toolbars or status
// bar, so those requests are declined; the site only tells the control where it lives.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <oleidl.h>
#include <wrl/client.h>

#include "com_object.h"

namespace duvisto {

// Made by ComObject<ControlSite, HoldsModule::No>::Make: the loaded window already keeps the
// DLL, and a control that held on to its site must not keep it loaded for ever.
class ControlSite : public IOleClientSite, public IOleInPlaceSite, public IOleInPlaceFrame {
 public:
  static const InterfaceEntry<ControlSite> kInterfaces[];

  // IUnknown, from ComObject: declared once here for the three interfaces that share it.
  STDMETHODIMP QueryInterface(REFIID riid, void** object) override = 0;
  STDMETHODIMP_(ULONG) AddRef() override = 0;
  STDMETHODIMP_(ULONG) Release() override = 0;

  // The control's keyboard handler, as the control announced it (SetActiveObject).
  IOleInPlaceActiveObject* ActiveObject() const { return activeObject_.Get(); }
  const RECT& Box() const { return box_; }
  // Drops the links to the control and the window once the control is closed.
  void Detach();

  // IOleClientSite
  STDMETHODIMP SaveObject() override;
  STDMETHODIMP GetMoniker(DWORD assign, DWORD whichMoniker, IMoniker** moniker) override;
  STDMETHODIMP GetContainer(IOleContainer** container) override;
  STDMETHODIMP ShowObject() override;
  STDMETHODIMP OnShowWindow(BOOL show) override;
  STDMETHODIMP RequestNewObjectLayout() override;

  // IOleWindow (shared by the in-place site and the frame)
  STDMETHODIMP GetWindow(HWND* window) override;
  STDMETHODIMP ContextSensitiveHelp(BOOL enterMode) override;

  // IOleInPlaceSite
  STDMETHODIMP CanInPlaceActivate() override;
  STDMETHODIMP OnInPlaceActivate() override;
  STDMETHODIMP OnUIActivate() override;
  STDMETHODIMP GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document, RECT* position,
                                RECT* clip, OLEINPLACEFRAMEINFO* frameInfo) override;
  STDMETHODIMP Scroll(SIZE extent) override;
  STDMETHODIMP OnUIDeactivate(BOOL undoable) override;
  STDMETHODIMP OnInPlaceDeactivate() override;
  STDMETHODIMP DiscardUndoState() override;
  STDMETHODIMP DeactivateAndUndo() override;
  STDMETHODIMP OnPosRectChange(const RECT* position) override;

  // IOleInPlaceUIWindow
  STDMETHODIMP GetBorder(RECT* border) override;
  STDMETHODIMP RequestBorderSpace(const BORDERWIDTHS* widths) override;
  STDMETHODIMP SetBorderSpace(const BORDERWIDTHS* widths) override;
  STDMETHODIMP SetActiveObject(IOleInPlaceActiveObject* object, LPCOLESTR name) override;

  // IOleInPlaceFrame
  STDMETHODIMP InsertMenus(HMENU shared, OLEMENUGROUPWIDTHS* widths) override;
  STDMETHODIMP SetMenu(HMENU shared, HOLEMENU descriptor, HWND activeObject) override;
  STDMETHODIMP RemoveMenus(HMENU shared) override;
  STDMETHODIMP SetStatusText(LPCOLESTR text) override;
  STDMETHODIMP EnableModeless(BOOL enable) override;
  STDMETHODIMP TranslateAccelerator(MSG* message, WORD id) override;

 protected:
  ControlSite(HWND container, const RECT& box);

 private:
  HWND container_;
  RECT box_;
  Microsoft::WRL::ComPtr<IOleInPlaceActiveObject> activeObject_;
};

}  // namespace duvisto
