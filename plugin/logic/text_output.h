// Where the logic writes a text it hands back to the host (sResult, sTextToSend). The logic knows
// the whole length before it writes: it asks once for room of exactly that length and fills it
// in place, so the host's string can be allocated at its final size and never copied again.
#pragma once

#include <cstddef>
#include <initializer_list>
#include <string>
#include <string_view>

#include "plugin_ui.h"

namespace duvisto {

class TextOutput {
 public:
  virtual ~TextOutput() = default;
  // Room for exactly `length` UTF-16 units, which the caller then fills; nullptr when there is
  // no memory for it. Asked at most once per call of the logic.
  virtual char16_t* Room(std::size_t length) = 0;
};

// Writes `parts` one after the other as the output's text.
inline Status WriteText(TextOutput& out, std::initializer_list<std::u16string_view> parts) {
  // No overflow: the parts are distinct texts in memory, two bytes a unit.
  std::size_t length = 0;
  for (std::u16string_view part : parts) length += part.size();
  char16_t* at = out.Room(length);
  if (at == nullptr) return kOutOfMemory;
  for (std::u16string_view part : parts) {
    std::char_traits<char16_t>::copy(at, part.data(), part.size());
    at += part.size();
  }
  return kOk;
}

}  // namespace duvisto
