#include "transcript.h"

#include "text_format.h"

namespace host {

Transcript::Transcript() : out_(GetStdHandle(STD_OUTPUT_HANDLE)), err_(GetStdHandle(STD_ERROR_HANDLE)) {}

bool Transcript::AlsoWriteTo(const std::wstring& path) {
  duvisto::UniqueFile file(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  std::lock_guard<std::mutex> lock(mutex_);
  file_ = std::move(file);
  return true;
}

void Transcript::Line(std::wstring_view text) {
  std::lock_guard<std::mutex> lock(mutex_);
  Write(out_, text);
  Write(file_.get(), text);
}

void Transcript::Error(std::wstring_view text) {
  std::wstring line = L"host: " + std::wstring(text);
  std::lock_guard<std::mutex> lock(mutex_);
  Write(err_, line);
  Write(file_.get(), line);
}

// A real console gets the text as UTF-16; a pipe or a file gets UTF-8.
void Transcript::Write(HANDLE handle, std::wstring_view line) {
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return;
  std::wstring whole = std::wstring(line) + L"\r\n";
  DWORD mode = 0;
  DWORD written = 0;
  if (GetConsoleMode(handle, &mode)) {
    WriteConsoleW(handle, whole.data(), static_cast<DWORD>(whole.size()), &written, nullptr);
    return;
  }
  std::string bytes = ToUtf8(whole);
  WriteFile(handle, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

}  // namespace host
