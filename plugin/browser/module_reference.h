// One reference on the DLL for as long as this object lives (a loaded window keeps the DLL in).
#pragma once

#include "../server/module.h"

namespace duvisto {

class ModuleReference {
 public:
  ModuleReference() { ModuleAddRef(); }
  ~ModuleReference() { ModuleRelease(); }
  ModuleReference(const ModuleReference&) = delete;
  ModuleReference& operator=(const ModuleReference&) = delete;
};

}  // namespace duvisto
