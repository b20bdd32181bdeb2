// (a) The host's start-up path, against Duvisto.dll and against the floors.
#pragma once

#include "report.h"

namespace bench {

// Both variants: the DLL already loaded, and loaded afresh each round. Run it while no one
// else holds either DLL, or the "afresh" rounds cannot unload it.
Section StartupFigures();

}  // namespace bench
