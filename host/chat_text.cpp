#include "chat_text.h"

namespace host {

CommandParts SplitCommand(std::wstring_view line) {
  size_t blank = line.find(L' ');
  if (blank == std::wstring_view::npos) return {std::wstring(line), {}};
  return {std::wstring(line.substr(0, blank)), std::wstring(line.substr(blank + 1))};
}

std::optional<Notification> AsNotification(std::wstring_view text) {
  constexpr size_t kCodeLength = 5;
  if (text.size() < 1 + kCodeLength || text.front() != L'\t') return std::nullopt;
  std::wstring_view code = text.substr(1, kCodeLength);
  for (wchar_t c : code) {
    bool letter = (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z');
    if (!letter) return std::nullopt;
  }
  return Notification{std::wstring(code), std::wstring(text.substr(1 + kCodeLength))};
}

}  // namespace host
