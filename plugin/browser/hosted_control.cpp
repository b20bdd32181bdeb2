#include "hosted_control.h"

#include <ocidl.h>

#include <new>

namespace duvisto {

using Microsoft::WRL::ComPtr;

HRESULT HostedControl::Create(REFCLSID clsid, HWND container, const RECT& box, PageHost* host,
                              std::unique_ptr<HostedControl>* control) {
  std::unique_ptr<HostedControl> created(new (std::nothrow) HostedControl());
  if (!created) return E_OUTOFMEMORY;
  // A failure half-way leaves nothing behind: the destructor closes what was started.
  const HRESULT hr = created->Activate(clsid, container, box, host);
  if (FAILED(hr)) return hr;
  *control = std::move(created);
  return S_OK;
}

HRESULT HostedControl::Activate(REFCLSID clsid, HWND container, const RECT& box, PageHost* host) {
  container_ = container;
  HRESULT hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&object_));
  if (FAILED(hr)) return hr;
  // Watched before it has a site or a page, so nothing it does goes unseen.
  hr = BrowserEvents::Connect(object_.Get(), host, &events_);
  if (FAILED(hr)) return hr;
  site_ = ComObject<ControlSite>::Make(container, box, host);
  if (!site_) return E_OUTOFMEMORY;
  // The site comes first: the web-browser control asks for it before it initialises.
  hr = object_->SetClientSite(site_.Get());
  if (FAILED(hr)) return hr;
  ComPtr<IPersistStreamInit> persist;
  if (SUCCEEDED(object_.As(&persist))) {
    hr = persist->InitNew();  // every setting at the control's own default
    if (FAILED(hr)) return hr;
  }
  RECT position = box;
  hr = object_->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, site_.Get(), 0, container, &position);
  if (FAILED(hr)) return hr;
  ComPtr<IOleInPlaceObject> inPlace;
  if (SUCCEEDED(object_.As(&inPlace))) {
    hr = inPlace->SetObjectRects(&position, &position);
    if (FAILED(hr)) return hr;
  }
  return S_OK;
}

HostedControl::~HostedControl() {
  if (events_) events_->Disconnect();  // before the control goes, and before it can fire more
  if (object_) {
    ComPtr<IOleInPlaceObject> inPlace;
    if (SUCCEEDED(object_.As(&inPlace))) inPlace->InPlaceDeactivate();
    object_->Close(OLECLOSE_NOSAVE);
    object_->SetClientSite(nullptr);
  }
  if (site_) site_->Detach();
}

HWND HostedControl::Window() const {
  ComPtr<IOleInPlaceObject> inPlace;
  HWND window = nullptr;
  if (object_ && SUCCEEDED(object_.As(&inPlace)) && SUCCEEDED(inPlace->GetWindow(&window))) return window;
  return nullptr;
}

bool HostedControl::Contains(HWND window) const {
  HWND own = Window();
  return own != nullptr && window != nullptr && (window == own || IsChild(own, window));
}

// Each call into the control holds what it calls on: the page may close the window inside it,
// and this object and its references go while the control still runs.
bool HostedControl::TranslateAccelerator(MSG* message) const {
  ComPtr<IOleInPlaceActiveObject> active = site_ ? site_->ActiveObject() : nullptr;
  if (!active && object_) object_.As(&active);
  return active && active->TranslateAccelerator(message) == S_OK;
}

HRESULT HostedControl::UIActivate() const {
  const ComPtr<IOleObject> object = object_;
  const ComPtr<ControlSite> site = site_;
  if (!object || !site) return E_UNEXPECTED;
  RECT position = site->Box();
  return object->DoVerb(OLEIVERB_UIACTIVATE, nullptr, site.Get(), 0, container_, &position);
}

void HostedControl::OnFrameWindowActivate(bool active) const {
  ComPtr<IOleInPlaceActiveObject> activeObject = site_ ? site_->ActiveObject() : nullptr;
  if (!activeObject && object_) object_.As(&activeObject);
  if (activeObject) activeObject->OnFrameWindowActivate(active ? TRUE : FALSE);
}

}  // namespace duvisto
