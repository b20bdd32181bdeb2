#include "com_registration_removal.h"

#include <optional>
#include <vector>

#include "install_paths.h"
#include "registry_tree.h"
#include "unique_any.h"

namespace installer {

using duvisto::UniqueRegistryKey;
namespace {

bool SameTextIgnoringCase(const std::wstring& a, const std::wstring& b) {
  if (a.size() != b.size()) return false;
  const auto lower = [](wchar_t c) { return c >= L'A' && c <= L'Z' ? wchar_t(c - L'A' + L'a') : c; };
  for (size_t i = 0; i < a.size(); ++i) {
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

// A key's default text, or a named text value's; nothing when the key or value is missing.
std::optional<std::wstring> ClassesText(const std::wstring& key, const wchar_t* name = nullptr) {
  return RegistryText(HKEY_CLASSES_ROOT, key, name);
}

bool ClassesKeyExists(const std::wstring& key) {
  UniqueRegistryKey opened;
  return RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_QUERY_VALUE, opened.put()) == ERROR_SUCCESS;
}

// Whether every file the type library's registration names (TypeLib\{libid}\<version>\<lcid>\win32)
// is the plug-in; a library without any is taken as the plug-in's, as the class named it.
DWORD LibraryIsOnlyThePlugins(const std::wstring& libraryKey, const std::wstring& pluginFile, bool& onlyThePlugins) {
  onlyThePlugins = true;
  std::vector<std::wstring> versions;
  if (const DWORD error = SubkeyNames(HKEY_CLASSES_ROOT, libraryKey, versions)) return error;
  for (const std::wstring& version : versions) {
    const std::wstring versionKey = libraryKey + L"\\" + version;
    std::vector<std::wstring> locales;
    if (const DWORD error = SubkeyNames(HKEY_CLASSES_ROOT, versionKey, locales)) return error;
    for (const std::wstring& locale : locales) {
      const auto file = ClassesText(versionKey + L"\\" + locale + L"\\win32");
      if (file && !SameFilePath(*file, pluginFile)) onlyThePlugins = false;
    }
  }
  return ERROR_SUCCESS;
}

// The type library and the interfaces it describes, when the library is the plug-in's alone.
DWORD RemoveTypeLibrary(const std::wstring& libraryId, const std::wstring& pluginFile) {
  const std::wstring libraryKey = L"TypeLib\\" + libraryId;
  bool onlyThePlugins = true;
  if (const DWORD error = LibraryIsOnlyThePlugins(libraryKey, pluginFile, onlyThePlugins)) return error;
  if (!onlyThePlugins) return ERROR_SUCCESS;
  std::vector<std::wstring> interfaces;
  if (const DWORD error = SubkeyNames(HKEY_CLASSES_ROOT, L"Interface", interfaces)) return error;
  for (const std::wstring& interfaceId : interfaces) {
    const std::wstring interfaceKey = L"Interface\\" + interfaceId;
    const auto library = ClassesText(interfaceKey + L"\\TypeLib");
    if (!library || !SameTextIgnoringCase(*library, libraryId)) continue;
    if (const DWORD error = DeleteKeyTree(HKEY_CLASSES_ROOT, interfaceKey)) return error;
  }
  return DeleteKeyTree(HKEY_CLASSES_ROOT, libraryKey);
}

}  // namespace

DWORD RemoveComRegistration(const std::wstring& progId, const std::wstring& pluginFile) {
  const auto classId = ClassesText(progId + L"\\CLSID");
  if (!classId) return ERROR_SUCCESS;  // no ProgID of ours, or not one that leads to a class
  const std::wstring classKey = L"CLSID\\" + *classId;
  if (ClassesKeyExists(classKey)) {
    const auto server = ClassesText(classKey + L"\\InprocServer32");
    if (!server || !SameFilePath(*server, pluginFile)) return ERROR_SUCCESS;  // another file's class
    if (const auto libraryId = ClassesText(classKey + L"\\TypeLib")) {
      if (const DWORD error = RemoveTypeLibrary(*libraryId, pluginFile)) return error;
    }
    if (const DWORD error = DeleteKeyTree(HKEY_CLASSES_ROOT, classKey)) return error;
  }
  return DeleteKeyTree(HKEY_CLASSES_ROOT, progId);
}

}  // namespace installer
