#include "uninstall_entry.h"

#include "install_paths.h"
#include "registry_tree.h"
#include "unique_any.h"
#include "version.h"

namespace installer {

using duvisto::UniqueRegistryKey;
namespace {

// The record's values, beside those Programs and Features reads.
constexpr wchar_t kPluginFileValue[] = L"PluginFile";
constexpr wchar_t kUninstallerValue[] = L"UninstallerFile";

DWORD SetText(HKEY key, const wchar_t* name, const std::wstring& text) {
  return RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                        static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

DWORD SetNumber(HKEY key, const wchar_t* name, DWORD number) {
  return RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number);
}

}  // namespace

DWORD WriteUninstallEntry(const UninstallEntry& entry) {
  UniqueRegistryKey key;
  if (const LSTATUS status = RegCreateKeyExW(HKEY_LOCAL_MACHINE, kUninstallKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                             KEY_SET_VALUE, nullptr, key.put(), nullptr)) {
    return static_cast<DWORD>(status);
  }
  const struct {
    const wchar_t* name;
    std::wstring text;
  } texts[] = {
      {L"DisplayName", L"Duvisto plug-in for Messenger Plus!"},
      {L"DisplayVersion", L"" DUVISTO_INSTALLER_VERSION_TEXT},
      {L"Publisher", L"morvane12"},
      {L"InstallLocation", entry.installLocation},
      {L"InstallDate", entry.installDate},
      {L"UninstallString", UninstallCommandLine(entry.record.uninstaller)},
      {L"DisplayIcon", entry.record.uninstaller},  // its first icon
      {kPluginFileValue, entry.record.pluginFile},
      {kUninstallerValue, entry.record.uninstaller},
  };
  for (const auto& value : texts) {
    if (const DWORD error = SetText(key.get(), value.name, value.text)) return error;
  }
  const struct {
    const wchar_t* name;
    DWORD number;
  } numbers[] = {{L"NoModify", 1},
                 {L"NoRepair", 1},
                 {L"EstimatedSize", entry.estimatedSizeKb},
                 {L"VersionMajor", DUVISTO_INSTALLER_VERSION_MAJOR},
                 {L"VersionMinor", DUVISTO_INSTALLER_VERSION_MINOR}};
  for (const auto& value : numbers) {
    if (const DWORD error = SetNumber(key.get(), value.name, value.number)) return error;
  }
  return ERROR_SUCCESS;
}

std::optional<RemovalRecord> ReadRemovalRecord() {
  auto pluginFile = RegistryText(HKEY_LOCAL_MACHINE, kUninstallKey, kPluginFileValue);
  auto uninstaller = RegistryText(HKEY_LOCAL_MACHINE, kUninstallKey, kUninstallerValue);
  if (!pluginFile || !uninstaller || pluginFile->empty() || uninstaller->empty()) return std::nullopt;
  return RemovalRecord{std::move(*pluginFile), std::move(*uninstaller)};
}

DWORD FileSizeKb(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return 0;
  const ULONGLONG bytes = (ULONGLONG{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
  return static_cast<DWORD>((bytes + 1023) / 1024);
}

}  // namespace installer
