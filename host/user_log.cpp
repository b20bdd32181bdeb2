#include "user_log.h"

#include "hresult_text.h"

namespace host {

void UserLog::Say(std::wstring_view text) const {
  transcript_.Line(L"[" + std::wstring(1, letter_) + L"] " + std::wstring(text));
}

void UserLog::Failure(const std::wstring& plugin, const wchar_t* method, HRESULT hr) {
  ++failures_;
  Say(plugin + L"." + method + L" failed: " + DescribeHresult(hr));
}

}  // namespace host
