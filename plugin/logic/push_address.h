// Which pushed addresses the partner's plug-in may open: plain web addresses only.
#pragma once

#include <string_view>

namespace duvisto {

// True for an address a partner may make this user's browser open: no control characters or
// Unicode line breaks, and either an http/https address or one without a scheme that is not a
// path (no leading backslash or "//", no drive letter, no other scheme).
bool IsSafePushedAddress(std::u16string_view address);

}  // namespace duvisto
