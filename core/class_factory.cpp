#include "class_factory.h"

#include "com_object.h"
#include "module.h"
#include "type_info_cache.h"

namespace duvisto {
namespace {

class ClassFactory : public IClassFactory {
 public:
  static const InterfaceEntry<ClassFactory> kInterfaces[];

  STDMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    return make_(context_, riid, ppv);
  }
  STDMETHODIMP LockServer(BOOL lock) override {
    if (lock)
      ModuleAddRef();
    else
      ModuleRelease();
    return S_OK;
  }

 protected:
  ClassFactory(ObjectMaker make, void* context) : make_(make), context_(context) {}

 private:
  ObjectMaker make_;
  void* context_;
};

const InterfaceEntry<ClassFactory> ClassFactory::kInterfaces[] = {
    Implements<ClassFactory, IClassFactory>(IID_IClassFactory), kEndOfInterfaces};

}  // namespace

HRESULT GetClassObject(REFCLSID requested, REFCLSID served, ObjectMaker make, void* context, REFIID riid,
                       void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (requested != served) return CLASS_E_CLASSNOTAVAILABLE;
  return ComObject<ClassFactory, HoldsModule::No>::Create(riid, ppv, make, context);
}

HRESULT CanUnloadNow() {
  if (ModuleInUse()) return S_FALSE;
  ReleaseModuleTypeInfo();
  ModuleStopKeepingMapped();
  return S_OK;
}

}  // namespace duvisto
