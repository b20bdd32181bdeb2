// The file operations of the installation's steps (file_steps.h) as the system does them.
#pragma once

#include <windows.h>

#include <string>

#include "file_steps.h"

namespace installer {

class SystemFileSystem final : public FileSystem {
 public:
  std::uint32_t Attributes(const std::wstring& path) override;
  std::uint32_t SetAttributes(const std::wstring& path, std::uint32_t attributes) override;
  std::uint32_t Copy(const std::wstring& source, const std::wstring& target) override;
  std::uint32_t Delete(const std::wstring& path) override;
  std::uint32_t Rename(const std::wstring& from, const std::wstring& to) override;
  // MOVEFILE_DELAY_UNTIL_REBOOT: an administrator's right, which the installer has.
  std::uint32_t DeleteAtRestart(const std::wstring& path) override;
  std::wstring UniqueFileBeside(const std::wstring& path) override;
  void Pause(std::chrono::milliseconds length) override;
};

bool FileExists(const std::wstring& path);

// Takes the "downloaded from the internet" mark (the Zone.Identifier stream) off a file: a copy
// keeps its source's streams, and the mark makes Windows warn before it starts the file.
// Returns ERROR_SUCCESS, also when there was no mark, or the system's error code.
DWORD RemoveInternetMark(const std::wstring& path);

}  // namespace installer
