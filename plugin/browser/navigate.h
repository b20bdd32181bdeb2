// The web-browser control's Navigate, called late-bound by its dispatch identifier.
#pragma once

#include <windows.h>
#include <unknwn.h>

#include <string_view>

namespace duvisto {

inline constexpr DISPID kDispidNavigate = 104;

// Calls Navigate with `address` as its only argument, a BSTR holding the text unchanged
// (empty included); the control's failure comes back as it is.
HRESULT NavigateLateBound(IUnknown* control, std::wstring_view address);

}  // namespace duvisto
