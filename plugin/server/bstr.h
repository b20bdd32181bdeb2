// The host's texts on the plug-in's side: views of BSTRs and the in-out rule.
#pragma once

#include <windows.h>

#include <oleauto.h>

#include "com_owners.h"

#include <string>
#include <string_view>
#include <utility>

namespace duvisto {

// The whole text of a BSTR, its length included; a NULL BSTR is the empty text.
inline std::u16string_view View(BSTR text) {
  return {reinterpret_cast<const char16_t*>(text), SysStringLen(text)};
}

// Writes an in-out string parameter: the caller's old string is freed and a new copy stored.
// On allocation failure the caller's string is left exactly as it was.
inline HRESULT ReplaceBstr(BSTR* target, std::u16string_view text) {
  UniqueBstr replacement = UniqueBstr::From(text);
  if (!replacement) return E_OUTOFMEMORY;
  SysFreeString(*target);
  *target = replacement.release();
  return S_OK;
}

}  // namespace duvisto
