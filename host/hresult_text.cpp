#include "hresult_text.h"

#include <cwchar>
#include <memory>

namespace host {

namespace {

struct LocalFreeDeleter {
  void operator()(wchar_t* p) const { LocalFree(p); }
};

std::wstring SystemMessage(HRESULT hr) {
  wchar_t* buffer = nullptr;
  DWORD length = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                nullptr, static_cast<DWORD>(hr), 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::unique_ptr<wchar_t, LocalFreeDeleter> owner(buffer);
  if (length == 0 || !buffer) return {};
  std::wstring text(buffer, length);
  while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n' || text.back() == L' ' || text.back() == L'.')) {
    text.pop_back();
  }
  return text;
}

}  // namespace

std::wstring DescribeHresult(HRESULT hr) {
  wchar_t number[16];
  std::swprintf(number, 16, L"0x%08lX", static_cast<unsigned long>(hr));
  std::wstring message = SystemMessage(hr);
  return std::wstring(number) + L" (" + (message.empty() ? L"no system message" : message) + L")";
}

}  // namespace host
