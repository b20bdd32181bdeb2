// IUnknown, written once for every COM class here: an interface table in the manner of the
// shell's QITAB, one reference count, and one reference on the module per live object (but for
// class factories, which only LockServer counts).
//
//   class Thing : public IFoo, public IBar {
//    public:
//     static const InterfaceEntry<Thing> kInterfaces[];  // IUnknown is the first row's interface
//    protected:
//     Thing(...);
//   };
//   const InterfaceEntry<Thing> Thing::kInterfaces[] = {
//       Implements<Thing, IFoo>(IID_IFoo), Implements<Thing, IBar>(IID_IBar), kEndOfInterfaces};
//   ComObject<Thing>::Create(riid, ppv, ...);
#pragma once

#include <windows.h>

#include <unknwn.h>
#include <wrl/client.h>

#include <new>
#include <type_traits>
#include <utility>

#include "module.h"

namespace duvisto {

template <typename Class>
struct InterfaceEntry {
  const IID* iid;  // nullptr ends the table
  IUnknown* (*reach)(Class* object);
};

// The row for `iid`, answered with the object seen as `Via`: the interface itself, or the base
// through which an interface that several bases share (IUnknown, IDispatch, IOleWindow) is reached.
template <typename Class, typename Via>
constexpr InterfaceEntry<Class> Implements(const IID& iid) {
  return {&iid, [](Class* object) -> IUnknown* { return static_cast<Via*>(object); }};
}

constexpr struct EndOfInterfaces {
  template <typename Class>
  constexpr operator InterfaceEntry<Class>() const {
    return {nullptr, nullptr};
  }
} kEndOfInterfaces{};

enum class HoldsModule { Yes, No };

template <typename Implementation, HoldsModule holdsModule = HoldsModule::Yes>
class ComObject final : public Implementation {
 public:
  template <typename... Arguments>
  explicit ComObject(Arguments&&... arguments) : Implementation(std::forward<Arguments>(arguments)...) {}
  ComObject(const ComObject&) = delete;
  ComObject& operator=(const ComObject&) = delete;

  // A new object, handing out `riid`; the object goes again when it has no such interface.
  template <typename... Arguments>
  static HRESULT Create(REFIID riid, void** ppv, Arguments&&... arguments) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    auto* object = new (std::nothrow) ComObject(std::forward<Arguments>(arguments)...);
    if (!object) return E_OUTOFMEMORY;
    const HRESULT hr = object->QueryInterface(riid, ppv);
    object->Release();
    return hr;
  }

  // A new object for its maker's own use; null when memory runs out.
  template <typename... Arguments>
  static Microsoft::WRL::ComPtr<Implementation> Make(Arguments&&... arguments) {
    Microsoft::WRL::ComPtr<Implementation> made;
    if (auto* object = new (std::nothrow) ComObject(std::forward<Arguments>(arguments)...)) {
      made = object;  // mingw's ComPtr takes a reference of its own: drop the creation's
      object->Release();
    }
    return made;
  }

  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    const InterfaceEntry<Implementation>* const table = Implementation::kInterfaces;
    for (const auto* entry = table; entry->iid; ++entry) {
      if (riid == *entry->iid || (entry == table && riid == IID_IUnknown)) {
        IUnknown* const found = entry->reach(this);
        found->AddRef();
        *ppv = found;
        return S_OK;
      }
    }
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return InterlockedIncrement(&references_); }
  STDMETHODIMP_(ULONG) Release() override {
    const ULONG remaining = InterlockedDecrement(&references_);
    if (remaining == 0) delete this;
    return remaining;
  }

 private:
  ~ComObject() = default;

  struct NoReference {};
  LONG references_ = 1;
  // A live object keeps its DLL loaded.
  std::conditional_t<holdsModule == HoldsModule::Yes, ModuleReference, NoReference> module_;
};

}  // namespace duvisto
