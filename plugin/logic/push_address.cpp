#include "push_address.h"

#include "ascii_case.h"

namespace duvisto {
namespace {

// C0 controls, DEL, NEL and the Unicode line and paragraph separators: none belongs in an
// address, and any of them could end the line the host types on the user's behalf.
bool IsControlCharacter(char16_t c) {
  return c < 0x20 || c == 0x7F || c == 0x85 || c == 0x2028 || c == 0x2029;
}

bool IsHostNameCharacter(char16_t c) {
  return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') ||
         c == u'-' || c == u'.';
}

bool IsDecimalNumber(std::u16string_view text) {
  if (text.empty()) return false;
  for (char16_t c : text) {
    if (c < u'0' || c > u'9') return false;
  }
  return true;
}

// "www.example.com:8080": a dotted host name and a port. Such text also parses as a scheme
// ("www.example.com") with digits after it; no scheme taking only digits can reach a file or
// run a script, so the dot and the digits-only port are what we insist on.
bool IsHostAndPort(std::u16string_view authority) {
  const std::size_t colon = authority.find(u':');
  if (colon == std::u16string_view::npos) return false;
  const std::u16string_view host = authority.substr(0, colon);
  if (host.empty() || host.find(u'.') == std::u16string_view::npos) return false;
  for (char16_t c : host) {
    if (!IsHostNameCharacter(c)) return false;
  }
  return IsDecimalNumber(authority.substr(colon + 1));
}

}  // namespace

bool IsSafePushedAddress(std::u16string_view address) {
  for (char16_t c : address) {
    if (IsControlCharacter(c)) return false;
  }
  if (StartsWithIgnoringAsciiCase(address, u"http://") || StartsWithIgnoringAsciiCase(address, u"https://")) {
    return true;
  }

  // Without a scheme the text must not be a path. Deliberately stricter than "no leading
  // backslash or //": any leading '/' is a path from a drive's root ("/\server" is even a share
  // name to Windows), and a backslash before the first '/' is a file path's separator, never
  // part of a host name ("..\..\Windows", "www.example.com\..\x").
  if (!address.empty() && address.front() == u'/') return false;
  const std::u16string_view authority = address.substr(0, address.find(u'/'));
  if (authority.find(u'\\') != std::u16string_view::npos) return false;

  if (authority.find(u':') == std::u16string_view::npos) return true;  // "www.example.com/page", ""
  return IsHostAndPort(authority);  // anything else before a ':' is a scheme or a drive letter
}

}  // namespace duvisto
