#include "plugin_unregistration.h"

#include "unique_any.h"

namespace installer {

using duvisto::UniqueModule;

HRESULT UnregisterPlugin(const std::wstring& dllPath) {
  // The altered search path resolves the plug-in's own imports from its folder, as for regsvr32.
  const UniqueModule plugin(LoadLibraryExW(dllPath.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
  if (!plugin) return HRESULT_FROM_WIN32(GetLastError());
  using Export = HRESULT(STDAPICALLTYPE*)();
  const auto unregister = reinterpret_cast<Export>(GetProcAddress(plugin.get(), "DllUnregisterServer"));
  if (!unregister) return HRESULT_FROM_WIN32(GetLastError());
  // regsvr32 initialises OLE around the call; a server may rely on it.
  const HRESULT oleStarted = OleInitialize(nullptr);
  const HRESULT result = unregister();
  if (SUCCEEDED(oleStarted)) OleUninitialize();
  return result;
}

}  // namespace installer
