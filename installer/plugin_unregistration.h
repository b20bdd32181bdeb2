// Taking back the plug-in's COM registration: its class, ProgID, type library and interface keys.
#pragma once

#include <windows.h>

#include <string>

namespace installer {

// Loads the installed plug-in and calls its own DllUnregisterServer, as `regsvr32 /u` does, so
// that the installer learns the result (regsvr32 would show it in a box of its own, or, silenced,
// only in an exit code). The library is freed before this returns, so the file can be deleted.
HRESULT UnregisterPlugin(const std::wstring& dllPath);

}  // namespace installer
