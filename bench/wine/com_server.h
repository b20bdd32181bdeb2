// Duvisto.dll and the floors as a host that knows the file meets them: loaded by path, the class
// object from the exported DllGetClassObject, a new object from IClassFactory::CreateInstance.
#pragma once

#include <windows.h>
#include <wrl/client.h>

#include <string>

#include "Duvisto_h.h"
#include "unique_any.h"

namespace bench {

using Microsoft::WRL::ComPtr;

constexpr wchar_t kPluginDll[] = L"Duvisto.dll";
constexpr wchar_t kFloorDll[] = L"BrowseFloor.dll";            // answers as long as the plug-in's
constexpr wchar_t kEmptyFloorDll[] = L"BrowseFloorEmpty.dll";  // answers nothing

std::wstring BesideThisProgram(const wchar_t* fileName);

// GetProcAddress(DllGetClassObject), the class object, a new object, the class object released.
HRESULT CreateFromModule(HMODULE module, ComPtr<_Browse>& browse);
// Initialize as the host calls it, once after creating the object.
HRESULT InitializeAsHost(_Browse* browse);

// One LoadLibrary reference, held for the object's life, and new objects from it.
class LoadedServer {
 public:
  explicit LoadedServer(const wchar_t* fileName);
  LoadedServer(const LoadedServer&) = delete;
  LoadedServer& operator=(const LoadedServer&) = delete;

  // A new object, initialized.
  ComPtr<_Browse> Create() const;
  // The DLL's DllCanUnloadNow: S_OK when no object or lock is left.
  HRESULT CanUnloadNow() const;

 private:
  duvisto::UniqueModule module_;
};

}  // namespace bench
