// Self-registration: the type library, the class with its ProgID, and the interface.
#pragma once

#include <windows.h>

namespace duvisto {

HRESULT RegisterServer();
HRESULT UnregisterServer();

}  // namespace duvisto
