// The renames and deletions Windows carries out at its next start (the Session Manager's
// PendingFileRenameOperations value, written by MoveFileEx with MOVEFILE_DELAY_UNTIL_REBOOT): a
// list of pairs, each a source path in the system's \??\ form and a target, empty for a deletion.
// A removal that could only leave a file in use to the restart puts its real name there; an
// installation before that restart takes such an entry back, or the restart would delete the
// file it has just installed.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace installer {

inline constexpr wchar_t kSessionManagerKey[] = L"SYSTEM\\CurrentControlSet\\Control\\Session Manager";
inline constexpr wchar_t kPendingRenamesValue[] = L"PendingFileRenameOperations";

struct PendingOperation {
  std::wstring source;
  std::wstring target;  // empty: delete the source
};

// The pairs of the value's data (REG_MULTI_SZ as stored: texts each closed by a zero, the
// list closed by one more). A source without its target is dropped.
std::vector<PendingOperation> ReadPendingOperations(std::wstring_view data);
// The data to store for the pairs, in the same form.
std::wstring StoredPendingOperations(const std::vector<PendingOperation>& operations);

// The operations that leave every path of `installed` alone at the next start: those that
// would delete one, or rename it away, are dropped; the others keep their order.
std::vector<PendingOperation> WithoutUndoing(const std::vector<PendingOperation>& operations,
                                             const std::vector<std::wstring>& installed);

}  // namespace installer
