// (d) Duvisto.dll as a file: its size on disk and the DLLs it imports.
#pragma once

#include "report.h"

namespace bench {

Section DllFileFigures();

}  // namespace bench
