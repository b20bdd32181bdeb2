#include "file_removal.h"

#include <vector>

namespace installer {
namespace {

// A new, empty file of its own in the temporary folder, or nothing.
std::wstring TemporaryFile() {
  std::vector<wchar_t> folder(MAX_PATH + 1);
  const DWORD length = GetTempPathW(static_cast<DWORD>(folder.size()), folder.data());
  if (length == 0 || length >= folder.size()) return {};
  wchar_t name[MAX_PATH];
  if (!GetTempFileNameW(folder.data(), L"duv", 0, name)) return {};
  return name;
}

}  // namespace

bool FileExists(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

RemovalResult RemoveFile(const std::wstring& path) {
  // A copy keeps its source's attributes: a plug-in installed from a CD is read-only, which
  // DeleteFileW refuses like a file in use.
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
    SetFileAttributesW(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
  }
  if (DeleteFileW(path.c_str())) return {Removal::Removed};
  const DWORD error = GetLastError();
  if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return {Removal::NotThere};
  if (error != ERROR_ACCESS_DENIED && error != ERROR_SHARING_VIOLATION) return {Removal::Failed, error};
  // In use. Without MOVEFILE_COPY_ALLOWED the move is a rename, which only works on one volume.
  if (const std::wstring moved = TemporaryFile(); !moved.empty()) {
    if (MoveFileExW(path.c_str(), moved.c_str(), MOVEFILE_REPLACE_EXISTING)) {
      // The name is free now. Should Windows refuse the deletion at restart, what is left is a
      // file in the temporary folder, where it harms nothing.
      MoveFileExW(moved.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
      return {Removal::MovedOut};
    }
    DeleteFileW(moved.c_str());
  }
  if (MoveFileExW(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT)) return {Removal::AtRestart};
  return {Removal::Failed, error};
}

}  // namespace installer
