// (b) Steady window-free calls on Duvisto.dll and on the floor, through the vtable and through
// IDispatch::Invoke.
#pragma once

#include "Duvisto_h.h"
#include "report.h"

namespace bench {

// `plugin` should have remote browsing enabled, so that "brows" takes its full path. `floor` is
// BrowseFloor.dll's object, `emptyFloor` BrowseFloorEmpty.dll's.
Section SteadyCallFigures(_Browse* plugin, _Browse* floor, _Browse* emptyFloor);

}  // namespace bench
