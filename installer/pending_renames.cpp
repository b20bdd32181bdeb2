#include "pending_renames.h"

#include <algorithm>

#include "install_paths.h"

namespace installer {

std::vector<PendingOperation> ReadPendingOperations(std::wstring_view data) {
  std::vector<std::wstring> texts;
  // Each text ends at a zero; a target may be empty, so the list ends where the data ends, or
  // where a source would be empty.
  for (size_t at = 0; at < data.size();) {
    size_t end = data.find(L'\0', at);
    if (end == std::wstring_view::npos) end = data.size();
    texts.emplace_back(data.substr(at, end - at));
    at = end + 1;
  }
  std::vector<PendingOperation> operations;
  for (size_t i = 0; i + 1 < texts.size() && !texts[i].empty(); i += 2) {
    operations.push_back({texts[i], texts[i + 1]});
  }
  return operations;
}

std::wstring StoredPendingOperations(const std::vector<PendingOperation>& operations) {
  std::wstring data;
  for (const PendingOperation& operation : operations) {
    data += operation.source;
    data += L'\0';
    data += operation.target;
    data += L'\0';
  }
  data += L'\0';
  return data;
}

std::vector<PendingOperation> WithoutUndoing(const std::vector<PendingOperation>& operations,
                                             const std::vector<std::wstring>& installed) {
  std::vector<PendingOperation> kept;
  for (const PendingOperation& operation : operations) {
    const bool undoes = std::any_of(installed.begin(), installed.end(),
                                    [&](const std::wstring& path) { return SameFilePath(operation.source, path); });
    if (!undoes) kept.push_back(operation);
  }
  return kept;
}

}  // namespace installer
