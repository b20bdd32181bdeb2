// The floor's object: a _Browse whose methods do nothing, served the plain way.
#pragma once

#include <windows.h>

namespace browse_floor {

// Creates a new object and hands out `riid` from it (an ObjectMaker: the floor needs no context).
HRESULT CreateFloorBrowse(void* context, REFIID riid, void** ppv);

}  // namespace browse_floor
