// What one user's host writes into the transcript: its lines, marked with the user's letter
// ("[A] ..."), its own errors, and the plug-in calls that failed, which it also counts (they set
// the exit code). Used from the user's thread; the count is read from the main thread.
#pragma once

#include <windows.h>

#include <atomic>
#include <string>
#include <string_view>

#include "transcript.h"

namespace host {

class UserLog {
 public:
  UserLog(Transcript& transcript, wchar_t letter) : transcript_(transcript), letter_(letter) {}

  wchar_t Letter() const { return letter_; }
  // "user A", for the host's own errors.
  std::wstring Who() const { return L"user " + std::wstring(1, letter_); }

  void Say(std::wstring_view text) const;
  void Error(std::wstring_view text) const { transcript_.Error(text); }
  // `plugin`.`method` failed with `hr`: said, and counted.
  void Failure(const std::wstring& plugin, const wchar_t* method, HRESULT hr);
  int Failures() const { return failures_.load(); }

 private:
  Transcript& transcript_;
  const wchar_t letter_;
  std::atomic<int> failures_{0};
};

}  // namespace host
