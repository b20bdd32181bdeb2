#include "page_rules.h"

#include "ascii_case.h"
#include "push_address.h"

namespace duvisto {
namespace {

// The pages the control shows for its own errors (a host not found, a navigation cancelled):
// ieframe.dll's from Internet Explorer 7 on, shdoclc.dll's with Internet Explorer 6. Any other
// res: address names a resource of any DLL on the machine.
constexpr std::u16string_view kErrorPages[] = {u"res://ieframe.dll/", u"res://shdoclc.dll/"};

}  // namespace

bool IsAllowedPageAddress(std::u16string_view address) {
  if (StartsWithIgnoringAsciiCase(address, u"http://") || StartsWithIgnoringAsciiCase(address, u"https://")) {
    return IsSafePushedAddress(address);
  }
  if (EqualsIgnoringAsciiCase(address, u"about:blank")) return true;
  if (StartsWithIgnoringAsciiCase(address, u"javascript:")) return true;
  for (std::u16string_view page : kErrorPages) {
    if (StartsWithIgnoringAsciiCase(address, page)) return true;
  }
  return false;
}

bool IsRefusedBrowserShortcut(char16_t key, bool control, bool alt) {
  if (!control || alt) return false;
  switch (key) {
    case u'N': case u'O': case u'L': case u'S': case u'P':
      return true;
    default:
      return false;
  }
}

}  // namespace duvisto
