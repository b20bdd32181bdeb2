// What the plug-in's tests under Wine share: the DLL beside the test program registered through
// the system's regsvr32, creation by ProgID, a BSTR owner, and a way to call the plug-in again
// from inside its own modal loops, as the host does.
#pragma once

#include <windows.h>

#include <oleauto.h>
#include <wrl/client.h>

#include <functional>
#include <string>

#include "Duvisto_h.h"
#include "com_owners.h"

namespace plugin_test {

using Microsoft::WRL::ComPtr;

std::wstring DllPath();  // Duvisto.dll beside the test program
// The exit code of the system's regsvr32 run with `switches` on the DLL, -1 if it did not finish.
int RunRegsvr32(const std::wstring& switches);
inline int Register() { return RunRegsvr32(L"/s"); }
inline int Unregister() { return RunRegsvr32(L"/u /s"); }

// The string value `name` (nullptr: default) of HKEY_CLASSES_ROOT\<path>; "<no key>" or "<missing>".
std::wstring ClassesString(const std::wstring& path, const wchar_t* name = nullptr);

HRESULT CreateByProgId(ComPtr<_Browse>& browse);

using Bstr = duvisto::UniqueBstr;

// The status answer up to the status word, which follows it.
extern const std::wstring kStatusAnswer;
inline constexpr VARIANT_BOOL kUnset = 7;  // neither True nor False: shows whether a result was written

// One ParseCommand or ReceiveNotify as the host makes it, the in-out text passed in as "kept".
struct Outcome {
  HRESULT hr = E_UNEXPECTED;
  VARIANT_BOOL handled = kUnset;
  std::wstring text;  // sResult or sTextToSend after the call; "kept" when not written
};
Outcome Parse(_Browse* object, const std::wstring& command, const std::wstring& argument = L"");
Outcome Notify(_Browse* object, const std::wstring& code, const std::wstring& text = L"");

// Created on the apartment thread; Post() from any thread queues work for that thread, which
// runs it from whatever message loop it is in (a message box's, the browser window's).
class UiThreadCaller {
 public:
  UiThreadCaller();
  UiThreadCaller(const UiThreadCaller&) = delete;
  UiThreadCaller& operator=(const UiThreadCaller&) = delete;
  ~UiThreadCaller() { DestroyWindow(window_); }
  void Post(std::function<void()> work) const;

 private:
  HWND window_;
};

}  // namespace plugin_test
