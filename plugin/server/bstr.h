// Small helpers for the host's texts: an owning BSTR, views of BSTRs, and the in-out rule.
#pragma once

#include <windows.h>

#include <oleauto.h>

#include <string>
#include <string_view>
#include <utility>

namespace duvisto {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "BSTR characters are UTF-16 code units");

class UniqueBstr {
 public:
  UniqueBstr() = default;
  explicit UniqueBstr(BSTR owned) : value_(owned) {}
  UniqueBstr(const UniqueBstr&) = delete;
  UniqueBstr& operator=(const UniqueBstr&) = delete;
  UniqueBstr(UniqueBstr&& other) noexcept : value_(std::exchange(other.value_, nullptr)) {}
  UniqueBstr& operator=(UniqueBstr&& other) noexcept {
    if (this != &other) {
      SysFreeString(value_);
      value_ = std::exchange(other.value_, nullptr);
    }
    return *this;
  }
  ~UniqueBstr() { SysFreeString(value_); }

  // A new BSTR holding `text` (embedded NULs included); empty on allocation failure.
  static UniqueBstr From(std::u16string_view text) {
    return UniqueBstr(SysAllocStringLen(reinterpret_cast<const OLECHAR*>(text.data()),
                                        static_cast<UINT>(text.size())));
  }

  BSTR get() const { return value_; }
  explicit operator bool() const { return value_ != nullptr; }
  BSTR release() { return std::exchange(value_, nullptr); }

 private:
  BSTR value_ = nullptr;
};

// The whole text of a BSTR, its length included; a NULL BSTR is the empty text.
inline std::u16string_view View(BSTR text) {
  return {reinterpret_cast<const char16_t*>(text), SysStringLen(text)};
}

inline std::u16string Copy(BSTR text) { return std::u16string(View(text)); }

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
