// Letter-case rules for the host's command words and notification codes: ASCII letters only,
// so no locale (Turkish dotless i, Kelvin sign...) can make a foreign word match.
#pragma once

#include <string_view>

namespace duvisto {

constexpr char16_t FoldAsciiCase(char16_t c) {
  return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c - u'A' + u'a') : c;
}

// The whole texts, lengths included: an embedded NUL or a trailing blank makes them differ.
constexpr bool EqualsIgnoringAsciiCase(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (FoldAsciiCase(a[i]) != FoldAsciiCase(b[i])) return false;
  }
  return true;
}

constexpr bool StartsWithIgnoringAsciiCase(std::u16string_view text, std::u16string_view prefix) {
  return text.size() >= prefix.size() && EqualsIgnoringAsciiCase(text.substr(0, prefix.size()), prefix);
}

}  // namespace duvisto
