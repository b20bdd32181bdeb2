// (b) Steady window-free calls on Duvisto.dll and on the floor, through the vtable and through
// IDispatch::Invoke.
#pragma once

#include "Duvisto_h.h"
#include "report.h"

namespace bench {

// `plugin` should have remote browsing enabled, so that "brows" takes its full path.
Section SteadyCallFigures(_Browse* plugin, _Browse* floor);

}  // namespace bench
