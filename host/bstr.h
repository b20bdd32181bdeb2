// An owned BSTR for the host's calls: plain texts in, in-out texts that the plug-in may replace.
#pragma once

#include <windows.h>

#include <oleauto.h>

#include <string>
#include <string_view>
#include <utility>

namespace host {

class Bstr {
 public:
  Bstr() = default;
  explicit Bstr(std::wstring_view text) : value_(SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {}
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;
  Bstr(Bstr&& other) noexcept : value_(std::exchange(other.value_, nullptr)) {}
  Bstr& operator=(Bstr&& other) noexcept {
    if (this != &other) {
      SysFreeString(value_);
      value_ = std::exchange(other.value_, nullptr);
    }
    return *this;
  }
  ~Bstr() { SysFreeString(value_); }

  BSTR get() const { return value_; }
  // For an in-out parameter: the callee frees the old string and stores a new one.
  BSTR* inout() { return &value_; }
  // The whole text, embedded NULs included; a NULL BSTR is the empty text.
  std::wstring str() const { return std::wstring(value_ ? value_ : L"", SysStringLen(value_)); }

 private:
  BSTR value_ = nullptr;
};

// A VARIANT result the host does not look at, cleared on every path.
class Variant {
 public:
  Variant() { VariantInit(&value_); }
  Variant(const Variant&) = delete;
  Variant& operator=(const Variant&) = delete;
  ~Variant() { VariantClear(&value_); }
  VARIANT* out() { return &value_; }

 private:
  VARIANT value_;
};

}  // namespace host
