// The plug-in's identity and the seven commands it publishes to the host.
#pragma once

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

// "1.0.0": major, minor and revision in decimal, joined by full stops.
std::u16string VersionText();

}  // namespace duvisto
