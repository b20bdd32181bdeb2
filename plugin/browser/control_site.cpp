#include "control_site.h"

namespace duvisto {

const InterfaceEntry<ControlSite> ControlSite::kInterfaces[] = {
    Implements<ControlSite, IOleClientSite>(IID_IOleClientSite),
    Implements<ControlSite, IOleInPlaceSite>(IID_IOleWindow),
    Implements<ControlSite, IOleInPlaceSite>(IID_IOleInPlaceSite),
    Implements<ControlSite, IOleInPlaceFrame>(IID_IOleInPlaceUIWindow),
    Implements<ControlSite, IOleInPlaceFrame>(IID_IOleInPlaceFrame),
    kEndOfInterfaces};

ControlSite::ControlSite(HWND container, const RECT& box) : container_(container), box_(box) {}

void ControlSite::Detach() {
  activeObject_.Reset();
  container_ = nullptr;
}

// IOleClientSite: the control is never saved and lives in no document.
STDMETHODIMP ControlSite::SaveObject() { return E_NOTIMPL; }
STDMETHODIMP ControlSite::GetMoniker(DWORD, DWORD, IMoniker** moniker) {
  if (moniker) *moniker = nullptr;
  return E_NOTIMPL;
}
STDMETHODIMP ControlSite::GetContainer(IOleContainer** container) {
  if (container) *container = nullptr;
  return E_NOINTERFACE;
}
STDMETHODIMP ControlSite::ShowObject() { return S_OK; }
STDMETHODIMP ControlSite::OnShowWindow(BOOL) { return S_OK; }
STDMETHODIMP ControlSite::RequestNewObjectLayout() { return E_NOTIMPL; }

STDMETHODIMP ControlSite::GetWindow(HWND* window) {
  if (window == nullptr) return E_POINTER;
  *window = container_;
  return container_ ? S_OK : E_FAIL;
}
STDMETHODIMP ControlSite::ContextSensitiveHelp(BOOL) { return E_NOTIMPL; }

// IOleInPlaceSite: the control may activate in place, inside its box of the container.
STDMETHODIMP ControlSite::CanInPlaceActivate() { return container_ ? S_OK : S_FALSE; }
STDMETHODIMP ControlSite::OnInPlaceActivate() { return S_OK; }
STDMETHODIMP ControlSite::OnUIActivate() { return S_OK; }

STDMETHODIMP ControlSite::GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document,
                                           RECT* position, RECT* clip, OLEINPLACEFRAMEINFO* frameInfo) {
  if (!frame || !document || !position || !clip || !frameInfo) return E_POINTER;
  AddRef();
  *frame = this;
  *document = nullptr;  // no document window: the frame is the container window itself
  *position = box_;
  *clip = box_;
  frameInfo->fMDIApp = FALSE;
  frameInfo->hwndFrame = container_;
  frameInfo->haccel = nullptr;
  frameInfo->cAccelEntries = 0;
  return S_OK;
}

STDMETHODIMP ControlSite::Scroll(SIZE) { return E_NOTIMPL; }
STDMETHODIMP ControlSite::OnUIDeactivate(BOOL) { return S_OK; }
STDMETHODIMP ControlSite::OnInPlaceDeactivate() {
  activeObject_.Reset();
  return S_OK;
}
STDMETHODIMP ControlSite::DiscardUndoState() { return E_NOTIMPL; }
STDMETHODIMP ControlSite::DeactivateAndUndo() { return E_NOTIMPL; }

STDMETHODIMP ControlSite::OnPosRectChange(const RECT*) {
  // The control keeps its box: the window is never resized around it.
  return S_OK;
}

// IOleInPlaceUIWindow: no border space for tools.
STDMETHODIMP ControlSite::GetBorder(RECT*) { return INPLACE_E_NOTOOLSPACE; }
STDMETHODIMP ControlSite::RequestBorderSpace(const BORDERWIDTHS*) { return INPLACE_E_NOTOOLSPACE; }
// A UI-activating control asks for no space at all with a null request: that much there is.
STDMETHODIMP ControlSite::SetBorderSpace(const BORDERWIDTHS* widths) {
  return widths == nullptr ? S_OK : OLE_E_INVALIDRECT;
}

STDMETHODIMP ControlSite::SetActiveObject(IOleInPlaceActiveObject* object, LPCOLESTR) {
  activeObject_ = object;
  return S_OK;
}

// IOleInPlaceFrame: no menus, no status bar, no accelerators of the frame's own.
STDMETHODIMP ControlSite::InsertMenus(HMENU, OLEMENUGROUPWIDTHS*) { return E_NOTIMPL; }
STDMETHODIMP ControlSite::SetMenu(HMENU, HOLEMENU, HWND) { return S_OK; }
STDMETHODIMP ControlSite::RemoveMenus(HMENU) { return E_NOTIMPL; }
STDMETHODIMP ControlSite::SetStatusText(LPCOLESTR) { return S_OK; }
STDMETHODIMP ControlSite::EnableModeless(BOOL) { return S_OK; }
STDMETHODIMP ControlSite::TranslateAccelerator(MSG*, WORD) { return S_FALSE; }

}  // namespace duvisto
