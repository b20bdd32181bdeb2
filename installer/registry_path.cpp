#include "registry_path.h"

#include <array>
#include <utility>

namespace installer {
namespace {

bool EqualsIgnoringAsciiCase(std::wstring_view a, std::wstring_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    auto lower = [](wchar_t c) { return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c - L'A' + L'a') : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

}  // namespace

std::optional<RegistryRoot> RegistryRootNamed(std::wstring_view name) {
  static constexpr std::array<std::pair<std::wstring_view, RegistryRoot>, 8> kRoots{{
      {L"HKEY_LOCAL_MACHINE", RegistryRoot::LocalMachine},
      {L"HKLM", RegistryRoot::LocalMachine},
      {L"HKEY_CURRENT_USER", RegistryRoot::CurrentUser},
      {L"HKCU", RegistryRoot::CurrentUser},
      {L"HKEY_CLASSES_ROOT", RegistryRoot::ClassesRoot},
      {L"HKCR", RegistryRoot::ClassesRoot},
      {L"HKEY_USERS", RegistryRoot::Users},
      {L"HKEY_CURRENT_CONFIG", RegistryRoot::CurrentConfig},
  }};
  for (const auto& [rootName, root] : kRoots) {
    if (EqualsIgnoringAsciiCase(name, rootName)) return root;
  }
  return std::nullopt;
}

std::optional<RegistryPath> ParseRegistryPath(std::wstring_view path) {
  const size_t afterRoot = path.find(L'\\');
  if (afterRoot == std::wstring_view::npos) return std::nullopt;
  const auto root = RegistryRootNamed(path.substr(0, afterRoot));
  if (!root) return std::nullopt;

  RegistryPath result;
  result.root = *root;
  std::wstring_view rest = path.substr(afterRoot + 1);
  if (rest.empty() || rest.back() == L'\\') {
    result.namesKey = true;
    if (!rest.empty()) rest.remove_suffix(1);
    result.subKey = rest;
    return result;
  }
  const size_t lastSeparator = rest.rfind(L'\\');
  if (lastSeparator == std::wstring_view::npos) {
    result.valueName = rest;
  } else {
    result.subKey = rest.substr(0, lastSeparator);
    result.valueName = rest.substr(lastSeparator + 1);
  }
  return result;
}

}  // namespace installer
