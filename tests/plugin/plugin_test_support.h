// What the plug-in's tests under Wine share: the DLL beside the test program, the system's
// regsvr32, and small owners for BSTRs and VARIANTs.
#pragma once

#include <windows.h>

#include <oleauto.h>
#include <wrl/client.h>

#include <string>

#include "Duvisto_h.h"

namespace plugin_test {

using Microsoft::WRL::ComPtr;

// Full path of a file beside the running test program.
std::wstring BesideTestProgram(const std::wstring& fileName);
inline std::wstring DllPath() { return BesideTestProgram(L"Duvisto.dll"); }

// Runs the system's regsvr32 with `arguments` (e.g. L"/s \"C:\\x\\Duvisto.dll\"") and returns its exit code,
// or -1 when it could not be started or did not finish in time.
int RunRegsvr32(const std::wstring& arguments);
inline int Register() { return RunRegsvr32(L"/s \"" + DllPath() + L"\""); }
inline int Unregister() { return RunRegsvr32(L"/u /s \"" + DllPath() + L"\""); }

// True when HKEY_CLASSES_ROOT\<path> exists.
bool ClassesKeyExists(const std::wstring& path);
// The string value `name` (nullptr: default) of HKEY_CLASSES_ROOT\<path>, or "<missing>".
std::wstring ClassesString(const std::wstring& path, const wchar_t* name = nullptr);

// Creates a Browse object the way the host does: by its ProgID.
HRESULT CreateByProgId(ComPtr<_Browse>& browse);

class Bstr {
 public:
  Bstr() = default;
  explicit Bstr(const wchar_t* text) : value_(SysAllocString(text)) {}
  Bstr(const wchar_t* text, UINT length) : value_(SysAllocStringLen(text, length)) {}
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;
  ~Bstr() { SysFreeString(value_); }
  BSTR get() const { return value_; }
  BSTR* put() { return &value_; }
  std::wstring str() const { return std::wstring(value_ ? value_ : L"", SysStringLen(value_)); }

 private:
  BSTR value_ = nullptr;
};

class Variant {
 public:
  Variant() { VariantInit(&value_); }
  Variant(const Variant&) = delete;
  Variant& operator=(const Variant&) = delete;
  ~Variant() { VariantClear(&value_); }
  VARIANT* get() { return &value_; }
  const VARIANT& operator*() const { return value_; }

 private:
  VARIANT value_;
};


}  // namespace plugin_test
