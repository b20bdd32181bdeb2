// The stack one nesting level of the browser window costs: an open request that arrives from the
// window's own loop (as a partner's push does) waits in a modal loop of its own, on the same stack.
#pragma once

#include "Duvisto_h.h"
#include "report.h"

namespace bench {

Section NestingStackFigures(_Browse* browse);

}  // namespace bench
