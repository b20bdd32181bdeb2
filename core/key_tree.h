// A registry key deleted with everything under it, subkeys first: Windows XP has neither
// RegDeleteTreeW nor a recursive RegDeleteKeyW.
#pragma once

#include <windows.h>

namespace duvisto {

// Deletes parent\name and everything under it. A key that is not there is no failure.
LSTATUS DeleteKeyTree(HKEY parent, const wchar_t* name);

}  // namespace duvisto
