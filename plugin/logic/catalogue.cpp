#include "catalogue.h"

#include <array>

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

}  // namespace

const CatalogueRow* CatalogueRowAt(std::int32_t nCommandIdx) {
  if (nCommandIdx < 1 || nCommandIdx > kCommandCount) return nullptr;
  return &kRows[static_cast<std::size_t>(nCommandIdx - 1)];
}

}  // namespace duvisto
