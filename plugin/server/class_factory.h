#pragma once

#include <windows.h>

#include "plugin_ui.h"

namespace duvisto {

// The class object for Browse: creates new objects, which reach the screen through `ui`, and
// refuses aggregation. `ui` must outlive every object.
HRESULT CreateBrowseClassFactory(PluginUi& ui, REFIID riid, void** ppv);

}  // namespace duvisto
