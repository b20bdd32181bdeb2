#include "key_tree.h"

#include "unique_any.h"

namespace duvisto {

LSTATUS DeleteKeyTree(HKEY parent, const wchar_t* name) {
  UniqueRegistryKey key;
  LSTATUS status = RegOpenKeyExW(parent, name, 0, KEY_ENUMERATE_SUB_KEYS | KEY_QUERY_VALUE, key.put());
  if (status == ERROR_FILE_NOT_FOUND) return ERROR_SUCCESS;
  if (status != ERROR_SUCCESS) return status;
  wchar_t child[256];  // the longest key name the registry allows is 255 characters
  for (;;) {
    DWORD length = ARRAYSIZE(child);
    // Always the first subkey: each pass deletes the one it found.
    status = RegEnumKeyExW(key.get(), 0, child, &length, nullptr, nullptr, nullptr, nullptr);
    if (status == ERROR_NO_MORE_ITEMS) break;
    if (status != ERROR_SUCCESS) return status;
    status = DeleteKeyTree(key.get(), child);
    if (status != ERROR_SUCCESS) return status;
  }
  status = RegDeleteKeyW(parent, name);
  return status == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : status;
}

}  // namespace duvisto
