#include "registration.h"

#include <oleauto.h>
#include <wrl/client.h>

#include <new>
#include <string>

#include "Duvisto_h.h"
#include "module.h"
#include "key_tree.h"
#include "unique_any.h"

namespace duvisto {
namespace {

constexpr wchar_t kProgId[] = L"Duvisto.Browse";
constexpr wchar_t kClassKey[] = L"CLSID\\{6C5C9BD1-092C-4712-9E62-D159B1BD0DED}";
constexpr wchar_t kClsidText[] = L"{6C5C9BD1-092C-4712-9E62-D159B1BD0DED}";
constexpr wchar_t kLibidText[] = L"{AE4D4ECD-7414-4BEE-B3D3-8B93F6FC387C}";

HRESULT FromWin32(LSTATUS status) { return status == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(status); }

// Creates HKEY_CLASSES_ROOT\<path> and sets one string value (nullptr: the default value).
HRESULT WriteString(const std::wstring& path, const wchar_t* name, const std::wstring& data) {
  UniqueRegistryKey key;
  LSTATUS status = RegCreateKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                   KEY_SET_VALUE, nullptr, key.put(), nullptr);
  if (status != ERROR_SUCCESS) return FromWin32(status);
  status = RegSetValueExW(key.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                          static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
  return FromWin32(status);
}

HRESULT DeleteTree(const wchar_t* path) { return FromWin32(DeleteKeyTree(HKEY_CLASSES_ROOT, path)); }

HRESULT WriteEntries(const std::wstring& dllPath) {
  // The type library from this DLL's own TYPELIB resource 1; registering it also marshals
  // _Browse through the type library.
  Microsoft::WRL::ComPtr<ITypeLib> library;
  HRESULT hr = LoadTypeLibEx(dllPath.c_str(), REGKIND_NONE, &library);
  if (FAILED(hr)) return hr;
  hr = RegisterTypeLib(library.Get(), const_cast<OLECHAR*>(dllPath.c_str()), nullptr);
  if (FAILED(hr)) return hr;

  const std::wstring classKey = kClassKey;
  const struct {
    std::wstring path;
    const wchar_t* name;
    std::wstring data;
  } entries[] = {
      {classKey, nullptr, kProgId},
      {classKey + L"\\InprocServer32", nullptr, dllPath},
      {classKey + L"\\InprocServer32", L"ThreadingModel", L"Apartment"},
      {classKey + L"\\ProgID", nullptr, kProgId},
      {classKey + L"\\TypeLib", nullptr, kLibidText},
      {classKey + L"\\VERSION", nullptr, L"1.0"},
      {kProgId, nullptr, kProgId},
      {std::wstring(kProgId) + L"\\CLSID", nullptr, kClsidText},
  };
  for (const auto& entry : entries) {
    hr = WriteString(entry.path, entry.name, entry.data);
    if (FAILED(hr)) return hr;
  }
  return S_OK;
}

}  // namespace

HRESULT RegisterServer() {
  HRESULT hr = S_OK;
  try {
    std::wstring dllPath;
    hr = ModulePath(dllPath);
    if (FAILED(hr)) return hr;
    hr = WriteEntries(dllPath);
  } catch (const std::bad_alloc&) {  // the key paths are built as strings; no exception leaves an export
    hr = E_OUTOFMEMORY;
  }
  // Half a registration is worse than none: take back what was written.
  if (FAILED(hr)) UnregisterServer();
  return hr;
}

HRESULT UnregisterServer() {
  HRESULT result = DeleteTree(kClassKey);
  const HRESULT progIdResult = DeleteTree(kProgId);
  if (SUCCEEDED(result)) result = progIdResult;
  // Removes the library's key and the interface's marshalling entries, if it is registered.
  BSTR registeredPath = nullptr;
  if (SUCCEEDED(QueryPathOfRegTypeLib(LIBID_Duvisto, 1, 0, 0, &registeredPath))) {
    SysFreeString(registeredPath);
    const HRESULT libraryResult = UnRegisterTypeLib(LIBID_Duvisto, 1, 0, 0, SYS_WIN32);
    if (SUCCEEDED(result)) result = libraryResult;
  }
  return result;
}

}  // namespace duvisto
