// Taking back the plug-in's COM registration from the registry alone, without loading the
// plug-in: the file may be gone (deleted by hand, quarantined), damaged, or not ours any more
// (a plug-in folder that standard users can write), and loading it in the elevated uninstaller
// would run its code, and whatever DLL it pulls in from its folder, with administrator rights.
#pragma once

#include <windows.h>

#include <string>

namespace installer {

// Removes what the plug-in's registration writes under HKEY_CLASSES_ROOT, found from its
// ProgID: the class (CLSID\{...}), its type library (TypeLib\{...}) and the interfaces that
// library describes (Interface\{...} whose TypeLib names it), and last the ProgID itself, so
// that a run cut short is finished by the next one. Only a class whose InprocServer32 names
// `pluginFile`, and only a type library whose files all name it, are taken: a ProgID that now
// leads to another file belongs to another installation and stays with everything under it.
// A ProgID whose class is gone is removed. Nothing registered is no failure.
// Returns ERROR_SUCCESS or the first error of the registry.
DWORD RemoveComRegistration(const std::wstring& progId, const std::wstring& pluginFile);

}  // namespace installer
