// The plug-in's identity and the seven commands it publishes to the host.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace duvisto {

inline constexpr std::u16string_view kPluginName = u"Duvisto by morvane12";
inline constexpr std::u16string_view kApplicationTitle = u"Duvisto";
inline constexpr int kVersionMajor = 1;
inline constexpr int kVersionMinor = 0;
inline constexpr int kVersionRevision = 0;
inline constexpr std::int32_t kCommandCount = 7;
inline constexpr std::int32_t kTagCount = 0;

struct CatalogueRow {
  std::u16string_view sName;
  std::u16string_view sValue;  // the command word without its slash
  bool hasHelp;                // rows without help leave the caller's text as it was
  std::u16string_view sHelp;
};

// The row for a 1-based index, or nullptr for any index outside 1..7.
const CatalogueRow* CatalogueRowAt(std::int32_t nCommandIdx);

namespace detail {
// The version's text, worked out by the compiler: decimal digits need no locale or runtime.
struct VersionDigits {
  char16_t text[3 * 10 + 2] = {};
  std::size_t size = 0;
  constexpr void Append(int value) {
    char16_t reversed[10] = {};
    std::size_t count = 0;
    do {
      reversed[count++] = static_cast<char16_t>(u'0' + value % 10);
      value /= 10;
    } while (value != 0);
    while (count != 0) text[size++] = reversed[--count];
  }
};
constexpr VersionDigits MakeVersionText() {
  static_assert(kVersionMajor >= 0 && kVersionMinor >= 0 && kVersionRevision >= 0);
  VersionDigits version;
  version.Append(kVersionMajor);
  version.text[version.size++] = u'.';
  version.Append(kVersionMinor);
  version.text[version.size++] = u'.';
  version.Append(kVersionRevision);
  return version;
}
inline constexpr VersionDigits kVersionDigits = MakeVersionText();
}  // namespace detail

// "1.0.0": major, minor and revision in decimal, joined by full stops.
inline constexpr std::u16string_view kVersionText{detail::kVersionDigits.text, detail::kVersionDigits.size};

}  // namespace duvisto
