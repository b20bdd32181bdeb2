// The host's texts on the plug-in's side: views of BSTRs and the in-out rule.
#pragma once

#include <windows.h>

#include <oleauto.h>

#include "com_owners.h"
#include "text_output.h"
#include "unique_any.h"

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

// An in-out string parameter as the logic's output: the answer is allocated once, at its final
// length, and the logic writes it in place. It replaces the caller's string only when it was
// written, and only through StoreInto, after the logic has finished reading the in-strings.
class BstrAnswer final : public TextOutput {
 public:
  char16_t* Room(std::size_t length) override {
    static_assert(sizeof(OLECHAR) == sizeof(char16_t), "BSTR characters are UTF-16 code units");
    static_assert(sizeof(std::size_t) == sizeof(UINT), "a length is passed on whole");
    // NULL for a length no BSTR can have, as for one there is no memory for.
    answer_.reset(SysAllocStringLen(nullptr, static_cast<UINT>(length)));
    return reinterpret_cast<char16_t*>(answer_.get());
  }
  // The caller's old string is freed and the answer stored, if the logic wrote one.
  void StoreInto(BSTR* target) {
    if (!answer_) return;
    SysFreeString(*target);
    *target = answer_.release();
  }

 private:
  UniqueAny<NullIsEmpty<BSTR, &SysFreeString>> answer_;
};

}  // namespace duvisto
