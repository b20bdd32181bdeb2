#include "console_input.h"

#include "text_format.h"

namespace host {

ConsoleInput::ConsoleInput() : input_(GetStdHandle(STD_INPUT_HANDLE)) {
  DWORD mode = 0;
  console_ = GetConsoleMode(input_, &mode) != 0;
}

bool ConsoleInput::ReadChunk() {
  if (ended_) return false;
  DWORD got = 0;
  if (console_) {
    wchar_t buffer[512];
    if (!ReadConsoleW(input_, buffer, 512, &got, nullptr) || got == 0) return !(ended_ = true);
    pending_.append(buffer, got);
    return true;
  }
  char buffer[4096];
  if (!ReadFile(input_, buffer, sizeof(buffer), &got, nullptr) || got == 0) return !(ended_ = true);
  undecoded_.append(buffer, got);
  // Decode up to the last complete line; the rest waits for more bytes.
  size_t cut = undecoded_.rfind('\n');
  if (cut != std::string::npos) {
    pending_ += FromUtf8(std::string_view(undecoded_).substr(0, cut + 1));
    undecoded_.erase(0, cut + 1);
  }
  return true;
}

bool ConsoleInput::ReadLine(std::wstring& line) {
  for (;;) {
    size_t end = pending_.find(L'\n');
    if (end != std::wstring::npos) {
      line = pending_.substr(0, end);
      pending_.erase(0, end + 1);
      if (!line.empty() && line.back() == L'\r') line.pop_back();
      return true;
    }
    if (!ReadChunk()) {
      pending_ += FromUtf8(undecoded_);
      undecoded_.clear();
      if (pending_.empty()) return false;
      line = std::move(pending_);
      pending_.clear();
      // A Ctrl+Z typed at the console ends the input.
      if (line == L"\x1A") return false;
      return true;
    }
  }
}

}  // namespace host
