#include "system_file_system.h"

#include "install_paths.h"

namespace installer {
namespace {

std::uint32_t ResultOf(BOOL worked) { return worked ? kNoError : GetLastError(); }

}  // namespace

std::uint32_t SystemFileSystem::Attributes(const std::wstring& path) { return GetFileAttributesW(path.c_str()); }

std::uint32_t SystemFileSystem::SetAttributes(const std::wstring& path, std::uint32_t attributes) {
  return ResultOf(SetFileAttributesW(path.c_str(), attributes));
}

std::uint32_t SystemFileSystem::Copy(const std::wstring& source, const std::wstring& target) {
  return ResultOf(CopyFileW(source.c_str(), target.c_str(), FALSE));
}

std::uint32_t SystemFileSystem::Delete(const std::wstring& path) { return ResultOf(DeleteFileW(path.c_str())); }

std::uint32_t SystemFileSystem::Rename(const std::wstring& from, const std::wstring& to) {
  // Without MOVEFILE_COPY_ALLOWED a move is a rename: it never copies a file in use.
  return ResultOf(MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING));
}

std::uint32_t SystemFileSystem::DeleteAtRestart(const std::wstring& path) {
  return ResultOf(MoveFileExW(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT));
}

std::wstring SystemFileSystem::UniqueFileBeside(const std::wstring& path) {
  const std::wstring folder = FolderOfProgram(path);
  wchar_t name[MAX_PATH];
  if (folder.empty() || !GetTempFileNameW(folder.c_str(), L"duv", 0, name)) return {};
  return name;
}

void SystemFileSystem::Pause(std::chrono::milliseconds length) { Sleep(static_cast<DWORD>(length.count())); }

bool FileExists(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

DWORD RemoveInternetMark(const std::wstring& path) {
  if (DeleteFileW((path + L":Zone.Identifier").c_str())) return ERROR_SUCCESS;
  const DWORD error = GetLastError();
  // No such stream; or a file system without streams (FAT), which keeps no mark either.
  const bool noMark = error == ERROR_FILE_NOT_FOUND || error == ERROR_INVALID_NAME || error == ERROR_NOT_SUPPORTED;
  return noMark ? ERROR_SUCCESS : error;
}

}  // namespace installer
