#include "class_factory.h"

#include <unknwn.h>

#include "browse.h"
#include "com_object.h"
#include "module.h"

namespace duvisto {
namespace {

class BrowseClassFactory : public IClassFactory {
 public:
  static const InterfaceEntry<BrowseClassFactory> kInterfaces[];

  // IClassFactory
  STDMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    return CreateBrowse(ui_, riid, ppv);
  }
  // Locks keep the DLL loaded; the factory's own references do not.
  STDMETHODIMP LockServer(BOOL lock) override {
    if (lock)
      ModuleAddRef();
    else
      ModuleRelease();
    return S_OK;
  }

 protected:
  explicit BrowseClassFactory(PluginUi& ui) : ui_(ui) {}

 private:
  PluginUi& ui_;
};

const InterfaceEntry<BrowseClassFactory> BrowseClassFactory::kInterfaces[] = {
    Implements<BrowseClassFactory, IClassFactory>(IID_IClassFactory), kEndOfInterfaces};

}  // namespace

HRESULT CreateBrowseClassFactory(PluginUi& ui, REFIID riid, void** ppv) {
  return ComObject<BrowseClassFactory, HoldsModule::No>::Create(riid, ppv, ui);
}

}  // namespace duvisto
