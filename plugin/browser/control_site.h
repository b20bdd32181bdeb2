// The container side of the embedded web-browser control: the client site, the in-place site
// and the in-place frame the control asks for, and the host's side of its page (script boxes,
// help, keyboard shortcuts). The container has no menus, toolbars or status bar, so those
// requests are declined; the site tells the control where it lives and asks the window around
// the page (PageHost) about the rest. Detached, it refuses what the page still asks for.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <oleidl.h>
#include <mshtmhst.h>
#include <wrl/client.h>

#include "com_object.h"
#include "page_host.h"

namespace duvisto {

// Made by ComObject<ControlSite>::Make, so it holds the DLL: a control that keeps its site past
// the window keeps the code that site runs loaded.
class ControlSite : public IOleClientSite, public IOleInPlaceSite, public IOleInPlaceFrame, public IDocHostUIHandler,
                    public IDocHostShowUI {
 public:
  static const InterfaceEntry<ControlSite> kInterfaces[];

  // IUnknown, from ComObject: declared once here for the three interfaces that share it.
  STDMETHODIMP QueryInterface(REFIID riid, void** object) override = 0;
  STDMETHODIMP_(ULONG) AddRef() override = 0;
  STDMETHODIMP_(ULONG) Release() override = 0;

  // The control's keyboard handler, as the control announced it (SetActiveObject).
  IOleInPlaceActiveObject* ActiveObject() const { return activeObject_.Get(); }
  const RECT& Box() const { return box_; }
  // Drops the links to the control, the window and its page host once the control is closed.
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
  STDMETHODIMP EnableModeless(BOOL enable) override;  // also IDocHostUIHandler's
  STDMETHODIMP TranslateAccelerator(MSG* message, WORD id) override;

  // IDocHostUIHandler: the control's defaults, but for its shortcuts that open windows or files
  // outside ours, and no window.external of the host's.
  STDMETHODIMP ShowContextMenu(DWORD id, POINT* point, IUnknown* target, IDispatch* object) override;
  STDMETHODIMP GetHostInfo(DOCHOSTUIINFO* info) override;
  STDMETHODIMP ShowUI(DWORD id, IOleInPlaceActiveObject* active, IOleCommandTarget* target, IOleInPlaceFrame* frame,
                      IOleInPlaceUIWindow* document) override;
  STDMETHODIMP HideUI() override;
  STDMETHODIMP UpdateUI() override;
  STDMETHODIMP OnDocWindowActivate(BOOL active) override;
  STDMETHODIMP OnFrameWindowActivate(BOOL active) override;
  STDMETHODIMP ResizeBorder(LPCRECT border, IOleInPlaceUIWindow* window, BOOL frameWindow) override;
  STDMETHODIMP TranslateAccelerator(LPMSG message, const GUID* group, DWORD command) override;
  STDMETHODIMP GetOptionKeyPath(LPOLESTR* key, DWORD reserved) override;
  STDMETHODIMP GetDropTarget(IDropTarget* offered, IDropTarget** target) override;
  STDMETHODIMP GetExternal(IDispatch** external) override;
  STDMETHODIMP TranslateUrl(DWORD translate, LPWSTR url, LPWSTR* translated) override;
  STDMETHODIMP FilterDataObject(IDataObject* offered, IDataObject** filtered) override;

  // IDocHostShowUI: the page's script boxes are the window's to show or answer; help opens nothing.
  STDMETHODIMP ShowMessage(HWND window, LPOLESTR text, LPOLESTR caption, DWORD type, LPOLESTR helpFile,
                           DWORD helpContext, LRESULT* result) override;
  STDMETHODIMP ShowHelp(HWND window, LPOLESTR helpFile, UINT command, DWORD data, POINT mouse,
                        IDispatch* object) override;

 protected:
  ControlSite(HWND container, const RECT& box, PageHost* host);

 private:
  HWND container_;
  PageHost* host_;
  RECT box_;
  Microsoft::WRL::ComPtr<IOleInPlaceActiveObject> activeObject_;
};

}  // namespace duvisto
