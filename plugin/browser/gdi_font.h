// An owned GDI font, deleted when its owner goes.
#pragma once

#include <windows.h>

#include <memory>
#include <type_traits>

namespace duvisto {

struct GdiObjectDeleter {
  void operator()(HGDIOBJ object) const { DeleteObject(object); }
};
using UniqueFont = std::unique_ptr<std::remove_pointer_t<HFONT>, GdiObjectDeleter>;

}  // namespace duvisto
