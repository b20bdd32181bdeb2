// What a page in the browser window may do on its own: the addresses it may go to, and the
// control's keyboard shortcuts it keeps. The window's own navigations (the commands' opens, Go)
// are not judged here.
#pragma once

#include <string_view>

namespace duvisto {

// True for an address a page may take the window to, by a link, a script, a refresh or a
// frame: a plain web address (http or https, as a partner's push may open), "about:blank",
// the page's own script ("javascript:", which reaches no further than the page already does)
// and the control's own error pages. Anything else (files, shares, mail, every other registered
// protocol, other resource addresses) is refused.
bool IsAllowedPageAddress(std::u16string_view address);

// True for the control's shortcuts that open a window or a file outside ours: Ctrl with N (new
// window), O or L (open a file or an address), S (save), P (print); Shift does not change that.
// `key` is the key's upper-case letter; Ctrl+Alt is AltGr on many keyboards and types text.
bool IsRefusedBrowserShortcut(char16_t key, bool control, bool alt);

}  // namespace duvisto
