#include "com_server.h"

#include "com_owners.h"
#include "failure.h"

namespace bench {
namespace {
// An exported function of `module`, null if it has none.
template <typename Function>
Function* Export(HMODULE module, const char* name) {
  return reinterpret_cast<Function*>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}
}  // namespace

std::wstring BesideThisProgram(const wchar_t* fileName) {
  wchar_t path[MAX_PATH * 4] = {};
  std::wstring folder(path, GetModuleFileNameW(nullptr, path, ARRAYSIZE(path)));
  return folder.erase(folder.find_last_of(L'\\') + 1) + fileName;
}

HRESULT CreateFromModule(HMODULE module, ComPtr<_Browse>& browse) {
  const auto getClassObject = Export<HRESULT STDAPICALLTYPE(REFCLSID, REFIID, void**)>(module, "DllGetClassObject");
  if (!getClassObject) return HRESULT_FROM_WIN32(GetLastError());
  ComPtr<IClassFactory> factory;
  const HRESULT hr = getClassObject(CLSID_Browse, IID_IClassFactory, &factory);
  if (FAILED(hr)) return hr;
  return factory->CreateInstance(nullptr, IID__Browse, &browse);
}

HRESULT InitializeAsHost(_Browse* browse) {
  const duvisto::UniqueBstr email(L"a@example.com");
  VARIANT_BOOL ready = VARIANT_FALSE;
  return browse->Initialize(2053, email.get(), nullptr, &ready);
}

LoadedServer::LoadedServer(const wchar_t* fileName) : module_(LoadLibraryW(BesideThisProgram(fileName).c_str())) {
  if (!module_) Check(HRESULT_FROM_WIN32(GetLastError()), "LoadLibrary");
}

ComPtr<_Browse> LoadedServer::Create() const {
  ComPtr<_Browse> browse;
  Check(CreateFromModule(module_.get(), browse), "creating an object");
  Check(InitializeAsHost(browse.Get()), "Initialize");
  return browse;
}

HRESULT LoadedServer::CanUnloadNow() const {
  const auto canUnloadNow = Export<HRESULT STDAPICALLTYPE()>(module_.get(), "DllCanUnloadNow");
  return canUnloadNow ? canUnloadNow() : HRESULT_FROM_WIN32(GetLastError());
}

}  // namespace bench
