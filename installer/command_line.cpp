#include "command_line.h"

#include <vector>

namespace installer {
namespace {

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

std::vector<std::wstring_view> Words(std::wstring_view text) {
  std::vector<std::wstring_view> words;
  size_t at = 0;
  while (at < text.size()) {
    while (at < text.size() && IsBlank(text[at])) ++at;
    if (at == text.size()) break;
    size_t end = at;
    if (text[at] == L'"') {
      end = text.find(L'"', at + 1);
      end = end == std::wstring_view::npos ? text.size() : end + 1;
    } else {
      while (end < text.size() && !IsBlank(text[end])) ++end;
    }
    std::wstring_view word = text.substr(at, end - at);
    if (word.size() >= 2 && word.front() == L'"' && word.back() == L'"') word = word.substr(1, word.size() - 2);
    words.push_back(word);
    at = end;
  }
  return words;
}

bool SameIgnoringAsciiCase(std::wstring_view a, std::wstring_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    const auto lower = [](wchar_t c) { return c >= L'A' && c <= L'Z' ? wchar_t(c - L'A' + L'a') : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

std::wstring_view Trimmed(std::wstring_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

}  // namespace

InstallerRequest ParseArguments(std::wstring_view arguments) {
  const std::vector<std::wstring_view> words = Words(arguments);
  if (words.empty()) return {InstallerMode::Install, {}};
  if (words.size() == 1 && SameIgnoringAsciiCase(words.front(), kUninstallSwitch)) {
    return {InstallerMode::Uninstall, {}};
  }
  return {InstallerMode::Unknown, std::wstring(Trimmed(arguments))};
}

InstallerRequest RequestOf(std::wstring_view programPath, std::wstring_view arguments) {
  InstallerRequest request = ParseArguments(arguments);
  const size_t separator = programPath.find_last_of(L"\\/");
  const std::wstring_view fileName = separator == std::wstring_view::npos ? programPath : programPath.substr(separator + 1);
  if (request.mode == InstallerMode::Install && SameIgnoringAsciiCase(fileName, kUninstallerFile)) {
    request.mode = InstallerMode::Uninstall;
  }
  return request;
}

}  // namespace installer
