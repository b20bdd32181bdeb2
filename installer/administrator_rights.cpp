#include "administrator_rights.h"

#include "unique_any.h"

namespace installer {

DWORD CheckAdministratorRights(bool& administrator) {
  administrator = false;
  SID_IDENTIFIER_AUTHORITY ntAuthority = SECURITY_NT_AUTHORITY;
  duvisto::UniqueAny<duvisto::NullIsEmpty<PSID, &FreeSid>> administrators;
  if (!AllocateAndInitializeSid(&ntAuthority, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0,
                                0, administrators.put())) {
    return GetLastError();
  }
  BOOL member = FALSE;
  // No token: the calling thread's, or else the process's.
  if (!CheckTokenMembership(nullptr, administrators.get(), &member)) return GetLastError();
  administrator = member != FALSE;
  return ERROR_SUCCESS;
}

}  // namespace installer
