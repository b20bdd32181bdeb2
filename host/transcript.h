// The transcript: every line the host prints, from whichever thread, written whole and in the
// order the lines are made. Ordinary lines go to standard output, errors to standard error;
// both can also go to a file.
#pragma once

#include <windows.h>

#include <mutex>
#include <string>
#include <string_view>

#include "unique_any.h"

namespace host {

class Transcript {
 public:
  Transcript();
  Transcript(const Transcript&) = delete;
  Transcript& operator=(const Transcript&) = delete;

  // Also writes every line to `path` (created afresh). False if the file cannot be created.
  bool AlsoWriteTo(const std::wstring& path);

  void Line(std::wstring_view text);
  // An error of the host itself, marked "host: ".
  void Error(std::wstring_view text);

 private:
  void Write(HANDLE handle, std::wstring_view line);

  std::mutex mutex_;
  HANDLE out_;
  HANDLE err_;
  duvisto::UniqueFile file_;
};

}  // namespace host
