// Taking a file of the installation away, also when a program still has it open or is running
// from it.
#pragma once

#include <windows.h>

#include <string>

namespace installer {

enum class Removal {
  Removed,    // deleted now
  NotThere,   // there was no such file
  MovedOut,   // in use: moved into the temporary folder, deleted when Windows restarts
  AtRestart,  // in use and could not be moved: deleted in place when Windows restarts
  Failed,     // none of these worked; `error` says why
};

struct RemovalResult {
  Removal removal = Removal::Failed;
  DWORD error = ERROR_SUCCESS;
};

// Windows deletes no file that is mapped as a running program or a loaded DLL, and none that is
// open without FILE_SHARE_DELETE. It does rename a mapped file, so such a file is first moved out
// of its folder into the temporary folder of the same volume, which frees its name at once (a new
// installation can put its own file there), and is then handed to the system to be deleted at the
// next restart (MOVEFILE_DELAY_UNTIL_REBOOT, an administrator's right, which the installer has).
// A file that cannot even be renamed is handed over where it is.
RemovalResult RemoveFile(const std::wstring& path);

bool FileExists(const std::wstring& path);

}  // namespace installer
