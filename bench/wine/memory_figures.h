// (e) Memory over a million window-free calls on one warm object, and the DLL's state once the
// object is released.
#pragma once

#include "com_server.h"
#include "report.h"

namespace bench {

Section MemoryFigures(const LoadedServer& plugin);

}  // namespace bench
