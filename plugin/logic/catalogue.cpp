#include "catalogue.h"

#include <array>
#include <charconv>
#include <iterator>
#include <string>

namespace duvisto {
namespace {

constexpr std::u16string_view kAddressHelp = u"URL (address)";

constexpr std::array<CatalogueRow, kCommandCount> kRows{{
    {u"Enable remote browsing", u"xbenable", false, {}},
    {u"Disable remote browsing", u"xbdisable", true, u"you will still be able to browse locally"},
    {u"Check my status", u"xbchkmy", true, u"check whether remote browsing is enabled"},
    {u"Check my contact's status", u"xbchkcontact", true,
     u"check whether your contact's remote browsing is enabled"},
    {u"Open browser (local)", u"xbrowser", true, kAddressHelp},
    {u"Open browser/change URL (local and remote)", u"xnewurl", true, kAddressHelp},
    {u"About...", u"xbabout", false, {}},
}};

// Decimal digits without any locale: the version is printed the same everywhere.
void AppendDecimal(std::u16string& text, int value) {
  char digits[12];
  char* const end = std::to_chars(std::begin(digits), std::end(digits), value).ptr;
  text.append(std::begin(digits), end);
}

}  // namespace

const CatalogueRow* CatalogueRowAt(std::int32_t nCommandIdx) {
  if (nCommandIdx < 1 || nCommandIdx > kCommandCount) return nullptr;
  return &kRows[static_cast<std::size_t>(nCommandIdx - 1)];
}

std::u16string VersionText() {
  std::u16string text;
  AppendDecimal(text, kVersionMajor);
  text += u'.';
  AppendDecimal(text, kVersionMinor);
  text += u'.';
  AppendDecimal(text, kVersionRevision);
  return text;
}

}  // namespace duvisto
