// Installing over a removal that left a file to the next restart under its own name.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace installer {

// Takes out of the system's list of renames and deletions at the next start every one that
// would delete one of `installed`, or rename it away (pending_renames.h). The list's other
// entries stay as they were. Returns ERROR_SUCCESS, also when there is no list, or the first
// error of the registry.
DWORD TakeBackPendingDeletions(const std::vector<std::wstring>& installed);

}  // namespace installer
