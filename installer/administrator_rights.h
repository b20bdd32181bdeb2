// Whether the installer runs with administrator rights. With UAC the manifest has it started
// elevated; a limited user of Windows XP, or an administrator's unelevated token, has the
// Administrators group only as a group that denies.
#pragma once

#include <windows.h>

namespace installer {

// ERROR_SUCCESS with `administrator` set, or the system's error code when it cannot be told.
DWORD CheckAdministratorRights(bool& administrator);

}  // namespace installer
