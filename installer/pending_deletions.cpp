#include "pending_deletions.h"

#include "pending_renames.h"
#include "unique_any.h"

namespace installer {

using duvisto::UniqueRegistryKey;

DWORD TakeBackPendingDeletions(const std::vector<std::wstring>& installed) {
  UniqueRegistryKey key;
  LSTATUS status =
      RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSessionManagerKey, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, key.put());
  if (status != ERROR_SUCCESS) return static_cast<DWORD>(status);
  DWORD type = REG_NONE, size = 0;
  status = RegQueryValueExW(key.get(), kPendingRenamesValue, nullptr, &type, nullptr, &size);
  if (status == ERROR_FILE_NOT_FOUND) return ERROR_SUCCESS;
  if (status != ERROR_SUCCESS) return static_cast<DWORD>(status);
  if (type != REG_MULTI_SZ) return ERROR_SUCCESS;  // not a list the system would carry out
  std::wstring data(size / sizeof(wchar_t), L'\0');
  status = RegQueryValueExW(key.get(), kPendingRenamesValue, nullptr, &type, reinterpret_cast<BYTE*>(data.data()),
                            &size);
  if (status != ERROR_SUCCESS) return static_cast<DWORD>(status);
  data.resize(size / sizeof(wchar_t));

  const auto operations = ReadPendingOperations(data);
  const auto kept = WithoutUndoing(operations, installed);
  if (kept.size() == operations.size()) return ERROR_SUCCESS;
  if (kept.empty()) return static_cast<DWORD>(RegDeleteValueW(key.get(), kPendingRenamesValue));
  const std::wstring stored = StoredPendingOperations(kept);
  return static_cast<DWORD>(RegSetValueExW(key.get(), kPendingRenamesValue, 0, REG_MULTI_SZ,
                                           reinterpret_cast<const BYTE*>(stored.data()),
                                           static_cast<DWORD>(stored.size() * sizeof(wchar_t))));
}

}  // namespace installer
