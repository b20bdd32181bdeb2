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

bool IsDecimalDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

// What an address without a scheme shows before its first '/' (its authority), read one
// character at a time.
struct Authority {
  bool ended = false;         // the first '/' has been read
  bool colon = false;         // a ':' has been read; what follows the first one is the port
  bool hostIsName = true;     // before the colon: letters, digits, '-' and '.' only
  bool hostIsDotted = false;  // before the colon: at least one '.'
  bool portIsNumber = false;  // after the colon: one decimal digit or more, nothing else
  bool portIsBroken = false;

  // False when the character alone makes the address unsafe.
  bool Read(char16_t c) {
    if (ended) return true;
    if (c == u'/') {
      ended = true;
      return true;
    }
    // A backslash is a file path's separator, never part of a host name ("..\..\Windows", "www.example.com\..\x").
    if (c == u'\\') return false;
    if (colon) {
      portIsNumber = true;
      portIsBroken |= !IsDecimalDigit(c);
    } else if (c == u':') {
      colon = true;
    } else {
      hostIsName &= IsHostNameCharacter(c);
      hostIsDotted |= c == u'.';
    }
    return true;
  }

  // "www.example.com:8080": a dotted host name and a port. Such text also parses as a scheme
  // ("www.example.com") with digits after it; no scheme taking only digits can reach a file or
  // run a script, so the dot and the digits-only port are what we insist on. Anything else
  // before a ':' is a scheme or a drive letter.
  bool IsSafe() const {
    if (!colon) return true;  // "www.example.com/page", ""
    if (!hostIsDotted || !hostIsName) return false;
    return portIsNumber && !portIsBroken;
  }
};

}  // namespace

bool IsSafePushedAddress(std::u16string_view address) {
  const bool webScheme =
      StartsWithIgnoringAsciiCase(address, u"http://") || StartsWithIgnoringAsciiCase(address, u"https://");
  // Without a scheme the text must not be a path. Deliberately stricter than "no leading
  // backslash or //": any leading '/' is a path from a drive's root ("/\server" is even a share
  // name to Windows).
  if (!webScheme && !address.empty() && address.front() == u'/') return false;

  // One pass: every character must be printable, and without a web scheme the authority is read on the way.
  Authority authority;
  authority.ended = webScheme;
  for (char16_t c : address) {
    if (IsControlCharacter(c)) return false;
    if (!authority.Read(c)) return false;
  }
  return webScheme || authority.IsSafe();
}

}  // namespace duvisto
