#pragma once

#include <windows.h>

namespace duvisto {

// The class object for Browse: creates new objects and refuses aggregation.
HRESULT CreateBrowseClassFactory(REFIID riid, void** ppv);

}  // namespace duvisto
