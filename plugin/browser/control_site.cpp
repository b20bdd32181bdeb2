#include "control_site.h"

#include "page_rules.h"

namespace duvisto {
namespace {

// {C4D244B0-D43E-11CF-893B-00AA00BDCE1A}, which mingw's uuid library leaves out.
constexpr IID kIID_IDocHostShowUI = {0xC4D244B0, 0xD43E, 0x11CF, {0x89, 0x3B, 0x00, 0xAA, 0x00, 0xBD, 0xCE, 0x1A}};

bool KeyIsDown(int key) { return GetKeyState(key) < 0; }

}  // namespace

const InterfaceEntry<ControlSite> ControlSite::kInterfaces[] = {
    Implements<ControlSite, IOleClientSite>(IID_IOleClientSite),
    Implements<ControlSite, IOleInPlaceSite>(IID_IOleWindow),
    Implements<ControlSite, IOleInPlaceSite>(IID_IOleInPlaceSite),
    Implements<ControlSite, IOleInPlaceFrame>(IID_IOleInPlaceUIWindow),
    Implements<ControlSite, IOleInPlaceFrame>(IID_IOleInPlaceFrame),
    Implements<ControlSite, IDocHostUIHandler>(IID_IDocHostUIHandler),
    Implements<ControlSite, IDocHostShowUI>(kIID_IDocHostShowUI),
    kEndOfInterfaces};

ControlSite::ControlSite(HWND container, const RECT& box, PageHost* host)
    : container_(container), host_(host), box_(box) {}

void ControlSite::Detach() {
  activeObject_.Reset();
  container_ = nullptr;
  host_ = nullptr;
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

// IDocHostUIHandler. S_FALSE and E_NOTIMPL leave each matter to the control.
STDMETHODIMP ControlSite::ShowContextMenu(DWORD, POINT*, IUnknown*, IDispatch*) { return S_FALSE; }
STDMETHODIMP ControlSite::GetHostInfo(DOCHOSTUIINFO*) { return E_NOTIMPL; }
STDMETHODIMP ControlSite::ShowUI(DWORD, IOleInPlaceActiveObject*, IOleCommandTarget*, IOleInPlaceFrame*,
                                 IOleInPlaceUIWindow*) {
  return S_FALSE;
}
STDMETHODIMP ControlSite::HideUI() { return S_OK; }
STDMETHODIMP ControlSite::UpdateUI() { return S_OK; }
STDMETHODIMP ControlSite::OnDocWindowActivate(BOOL) { return S_OK; }
STDMETHODIMP ControlSite::OnFrameWindowActivate(BOOL) { return S_OK; }
STDMETHODIMP ControlSite::ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) { return S_OK; }

// A shortcut that would open a window or a file outside ours is used up here, doing nothing.
STDMETHODIMP ControlSite::TranslateAccelerator(LPMSG message, const GUID*, DWORD) {
  if (message == nullptr || (message->message != WM_KEYDOWN && message->message != WM_SYSKEYDOWN)) return S_FALSE;
  const auto key = static_cast<char16_t>(message->wParam);
  return IsRefusedBrowserShortcut(key, KeyIsDown(VK_CONTROL), KeyIsDown(VK_MENU)) ? S_OK : S_FALSE;
}

STDMETHODIMP ControlSite::GetOptionKeyPath(LPOLESTR* key, DWORD) {
  if (key) *key = nullptr;
  return E_NOTIMPL;
}
STDMETHODIMP ControlSite::GetDropTarget(IDropTarget*, IDropTarget** target) {
  if (target) *target = nullptr;
  return E_NOTIMPL;
}
// No object of the host's for the page's script to call (window.external is null).
STDMETHODIMP ControlSite::GetExternal(IDispatch** external) {
  if (external == nullptr) return E_POINTER;
  *external = nullptr;
  return S_FALSE;
}
STDMETHODIMP ControlSite::TranslateUrl(DWORD, LPWSTR, LPWSTR* translated) {
  if (translated) *translated = nullptr;
  return S_FALSE;
}
STDMETHODIMP ControlSite::FilterDataObject(IDataObject*, IDataObject** filtered) {
  if (filtered) *filtered = nullptr;
  return S_FALSE;
}

// IDocHostShowUI. S_OK: the host has dealt with it, and the control shows nothing of its own.
STDMETHODIMP ControlSite::ShowMessage(HWND, LPOLESTR text, LPOLESTR caption, DWORD type, LPOLESTR, DWORD,
                                      LRESULT* result) {
  if (result == nullptr) return E_POINTER;
  *result = host_ != nullptr ? host_->ShowPageMessage(text ? text : L"", caption ? caption : L"", type) : IDCANCEL;
  return S_OK;
}
STDMETHODIMP ControlSite::ShowHelp(HWND, LPOLESTR, UINT, DWORD, POINT, IDispatch*) { return S_OK; }

}  // namespace duvisto
