#include "system_queries.h"

#include <shlobj.h>

#include <memory>

#include "install_date.h"

namespace installer {

std::wstring SystemReason(DWORD errorCode) {
  wchar_t* buffer = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, errorCode,
      0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::unique_ptr<wchar_t, decltype(&LocalFree)> owned(buffer, &LocalFree);
  std::wstring reason = length ? std::wstring(buffer, length) : std::wstring();
  while (!reason.empty() && (reason.back() == L'\n' || reason.back() == L'\r' || reason.back() == L' ')) {
    reason.pop_back();
  }
  if (reason.empty()) reason = L"System error " + std::to_wstring(errorCode) + L".";
  return reason;
}

std::wstring FailureReport(const std::wstring& what, const std::wstring& path, DWORD errorCode) {
  return what + L"\n" + path + L"\n\n" + SystemReason(errorCode);
}

std::wstring RunningProgramPath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return {};
    if (length < path.size()) {
      path.resize(length);
      return path;
    }
    path.resize(path.size() * 2);
  }
}

std::wstring SystemFolder() {
  std::wstring folder(MAX_PATH, L'\0');
  UINT length = GetSystemDirectoryW(folder.data(), static_cast<UINT>(folder.size()));
  if (length >= folder.size()) {
    folder.resize(length);
    length = GetSystemDirectoryW(folder.data(), static_cast<UINT>(folder.size()));
  }
  folder.resize(length < folder.size() ? length : 0);
  return folder;
}

std::wstring ProgramFilesFolder() {
  wchar_t folder[MAX_PATH] = L"";
  if (FAILED(SHGetFolderPathW(nullptr, CSIDL_PROGRAM_FILES, nullptr, SHGFP_TYPE_CURRENT, folder))) return {};
  return folder;
}

std::wstring TodayAsInstallDate() {
  SYSTEMTIME today{};
  GetLocalTime(&today);
  return InstallDateText(today.wYear, today.wMonth, today.wDay);
}

}  // namespace installer
