#include "hosted_control.h"

#include <ocidl.h>

#include <new>

namespace duvisto {

using Microsoft::WRL::ComPtr;

HRESULT HostedControl::Create(REFCLSID clsid, HWND container, const RECT& box,
                              std::unique_ptr<HostedControl>* control) {
  std::unique_ptr<HostedControl> created(new (std::nothrow) HostedControl());
  if (!created) return E_OUTOFMEMORY;
  // A failure half-way leaves nothing behind: the destructor closes what was started.
  const HRESULT hr = created->Activate(clsid, container, box);
  if (FAILED(hr)) return hr;
  *control = std::move(created);
  return S_OK;
}

HRESULT HostedControl::Activate(REFCLSID clsid, HWND container, const RECT& box) {
  container_ = container;
  HRESULT hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&object_));
  if (FAILED(hr)) return hr;
  site_ = ComObject<ControlSite, HoldsModule::No>::Make(container, box);
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

bool HostedControl::TranslateAccelerator(MSG* message) const {
  ComPtr<IOleInPlaceActiveObject> active = site_ ? site_->ActiveObject() : nullptr;
  if (!active && object_) object_.As(&active);
  return active && active->TranslateAccelerator(message) == S_OK;
}

HRESULT HostedControl::UIActivate() const {
  if (!object_ || !site_) return E_UNEXPECTED;
  RECT position = site_->Box();
  return object_->DoVerb(OLEIVERB_UIACTIVATE, nullptr, site_.Get(), 0, container_, &position);
}

void HostedControl::OnFrameWindowActivate(bool active) const {
  ComPtr<IOleInPlaceActiveObject> activeObject = site_ ? site_->ActiveObject() : nullptr;
  if (!activeObject && object_) object_.As(&activeObject);
  if (activeObject) activeObject->OnFrameWindowActivate(active ? TRUE : FALSE);
}

}  // namespace duvisto
