// The web-browser control's Navigate and Silent, called late-bound by their dispatch identifiers.
#pragma once

#include <windows.h>
#include <unknwn.h>

#include <string_view>

namespace duvisto {

inline constexpr DISPID kDispidNavigate = 104;
inline constexpr DISPID kDispidSilent = 551;

// Calls Navigate with `address` as its only argument, a BSTR holding the text unchanged
// (empty included); the control's failure comes back as it is.
HRESULT NavigateLateBound(IUnknown* control, std::wstring_view address);

// Sets Silent to True: the control then raises no dialogs of its own (script errors, download
// prompts), so nothing a page or a partner's push leads to can put up a box of its own.
HRESULT SetSilentLateBound(IUnknown* control);

}  // namespace duvisto
