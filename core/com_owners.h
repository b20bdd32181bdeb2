// Owners for the automation types that cross the plug-in's interface: a BSTR and a VARIANT.
#pragma once

#include <windows.h>

#include <oleauto.h>

#include <string>
#include <string_view>

#include "unique_any.h"

namespace duvisto {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "BSTR characters are UTF-16 code units");

class UniqueBstr {
 public:
  UniqueBstr() = default;
  // A new BSTR holding `text`, embedded NULs included; empty when memory runs out.
  explicit UniqueBstr(std::wstring_view text)
      : value_(SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {}
  static UniqueBstr From(std::u16string_view text) {
    return UniqueBstr(std::wstring_view(reinterpret_cast<const wchar_t*>(text.data()), text.size()));
  }

  BSTR get() const { return value_.get(); }
  explicit operator bool() const { return static_cast<bool>(value_); }
  BSTR release() { return value_.release(); }
  // For an in-out parameter: the callee frees the old string and stores a new one.
  BSTR* inout() { return value_.addressof(); }
  // The whole text, embedded NULs included; a NULL BSTR is the empty text.
  std::wstring str() const { return std::wstring(get() ? get() : L"", SysStringLen(get())); }

 private:
  UniqueAny<NullIsEmpty<BSTR, &SysFreeString>> value_;
};

class UniqueVariant {
 public:
  UniqueVariant() { VariantInit(&value_); }
  UniqueVariant(const UniqueVariant&) = delete;
  UniqueVariant& operator=(const UniqueVariant&) = delete;
  ~UniqueVariant() { VariantClear(&value_); }
  // Cleared, for a callee to fill (an out-parameter).
  VARIANT* put() {
    VariantClear(&value_);
    return &value_;
  }
  const VARIANT& get() const { return value_; }

 private:
  VARIANT value_;
};

// The texts an automation exception hands back, freed when it goes.
class UniqueExcepInfo {
 public:
  UniqueExcepInfo() = default;
  UniqueExcepInfo(const UniqueExcepInfo&) = delete;
  UniqueExcepInfo& operator=(const UniqueExcepInfo&) = delete;
  ~UniqueExcepInfo() { Clear(); }
  // Cleared, for a callee to fill (an out-parameter).
  EXCEPINFO* put() {
    Clear();
    return &value_;
  }
  const EXCEPINFO& get() const { return value_; }

 private:
  void Clear() {
    SysFreeString(value_.bstrSource);
    SysFreeString(value_.bstrDescription);
    SysFreeString(value_.bstrHelpFile);
    value_ = EXCEPINFO{};
  }
  EXCEPINFO value_{};
};

}  // namespace duvisto
