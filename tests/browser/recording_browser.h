// A stand-in for the web-browser control that records what it is asked to do. Tests register
// it and let the web-browser class be treated as it, so the browser window creates it by the
// real control's class identifier without knowing.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// {FAD98DA0-7BA4-4537-9D65-ECBFFC2D00A3}
inline constexpr CLSID kRecordingBrowserClsid = {
    0xfad98da0, 0x7ba4, 0x4537, {0x9d, 0x65, 0xec, 0xbf, 0xfc, 0x2d, 0x00, 0xa3}};

// Navigate fails with E_ACCESSDENIED for an address that starts with this text (recorded all the same).
inline constexpr wchar_t kRefusedAddressPrefix[] = L"refuse:";

extern "C" {
HRESULT RecordingBrowserRegister();    // its class under HKEY_CLASSES_ROOT\CLSID
HRESULT RecordingBrowserUnregister();
void RecordingBrowserClear();
int RecordingBrowserNavigationCount();
// The index-th Navigate argument into `buffer`; its length, or -1 when there is no such call.
int RecordingBrowserNavigation(int index, wchar_t* buffer, int capacity);
int RecordingBrowserRejectedCalls();   // Invoke calls that were not Navigate with one BSTR
int RecordingBrowserKeysOffered();     // keyboard messages offered through TranslateAccelerator
int RecordingBrowserLiveObjects();
HWND RecordingBrowserWindow();         // the in-place window of the last activated object
}

inline std::vector<std::wstring> RecordedNavigations() {
  std::vector<std::wstring> calls;
  for (int i = 0; i < RecordingBrowserNavigationCount(); ++i) {
    const int length = RecordingBrowserNavigation(i, nullptr, 0);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    RecordingBrowserNavigation(i, text.data(), static_cast<int>(text.size()));
    text.resize(static_cast<size_t>(length));
    calls.push_back(text);
  }
  return calls;
}
