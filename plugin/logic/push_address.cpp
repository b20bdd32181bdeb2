#include "push_address.h"

#include <array>
#include <cstdint>

#include "ascii_case.h"

namespace duvisto {
namespace {

// What the rule needs to know of a character, as bits.
enum CharacterClass : std::uint8_t {
  kControl = 1,  // C0 controls, DEL, NEL and the Unicode line and paragraph separators
  kName = 2,     // letters, digits, '-' and '.': what a host name is made of
  kDigit = 4,
  kDot = 8,
  kSlash = 16,
  kBackslash = 32,
  kColon = 64,
};

constexpr std::array<std::uint8_t, 0x80> MakeAsciiClasses() {
  std::array<std::uint8_t, 0x80> classes{};
  for (char16_t c = 0; c < 0x20; ++c) classes[c] = kControl;
  classes[0x7F] = kControl;
  for (char16_t c = u'a'; c <= u'z'; ++c) classes[c] = kName;
  for (char16_t c = u'A'; c <= u'Z'; ++c) classes[c] = kName;
  for (char16_t c = u'0'; c <= u'9'; ++c) classes[c] = kName | kDigit;
  classes[u'-'] = kName;
  classes[u'.'] = kName | kDot;
  classes[u'/'] = kSlash;
  classes[u'\\'] = kBackslash;
  classes[u':'] = kColon;
  return classes;
}
constexpr std::array<std::uint8_t, 0x80> kAsciiClasses = MakeAsciiClasses();

// None of the control characters belongs in an address, and any of them could end the line the
// host types on the user's behalf.
std::uint8_t ClassOf(char16_t c) {
  if (c < 0x80) return kAsciiClasses[c];
  return (c == 0x85 || c == 0x2028 || c == 0x2029) ? kControl : 0;
}

constexpr std::u16string_view kHttp = u"http://";
constexpr std::u16string_view kHttps = u"https://";

}  // namespace

bool IsSafePushedAddress(std::u16string_view address) {
  const bool webScheme = StartsWithIgnoringAsciiCase(address, kHttp) || StartsWithIgnoringAsciiCase(address, kHttps);
  // Without a scheme the text must not be a path. Deliberately stricter than "no leading
  // backslash or //": any leading '/' is a path from a drive's root ("/\server" is even a share
  // name to Windows).
  if (!webScheme && !address.empty() && address.front() == u'/') return false;

  // One pass: every character must be printable; without a web scheme, the text before the first
  // '/' (the authority) is read on the way, split at its first ':' into a host and a port.
  bool inAuthority = !webScheme;
  bool colon = false;
  std::uint8_t hostAll = 0xFF, hostAny = 0, portAll = 0xFF;
  std::size_t portLength = 0;
  for (char16_t c : address) {
    const std::uint8_t cls = ClassOf(c);
    if (cls & kControl) return false;
    if (!inAuthority) continue;
    if (cls & kSlash) {
      inAuthority = false;
      continue;
    }
    // A backslash is a file path's separator, never part of a host name ("..\..\Windows", "www.example.com\..\x").
    if (cls & kBackslash) return false;
    if (colon) {
      portAll &= cls;
      ++portLength;
    } else if (cls & kColon) {
      colon = true;
    } else {
      hostAll &= cls;
      hostAny |= cls;
    }
  }
  if (webScheme || !colon) return true;  // "http://...", "www.example.com/page", ""
  // "www.example.com:8080": a dotted host name and a port. Such text also parses as a scheme
  // ("www.example.com") with digits after it; no scheme taking only digits can reach a file or
  // run a script, so the dot and the digits-only port are what we insist on. Anything else
  // before a ':' is a scheme or a drive letter.
  if (!(hostAny & kDot) || !(hostAll & kName)) return false;
  return portLength != 0 && (portAll & kDigit);
}

}  // namespace duvisto
