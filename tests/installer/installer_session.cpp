#include "installer_session.h"

#include <tlhelp32.h>

#include <fstream>
#include <iterator>
#include <sstream>

#include <gtest/gtest.h>

namespace installer_test {
namespace {

constexpr wchar_t kHostKey[] = L"SOFTWARE\\Vendaro\\MsgPlus2";
constexpr wchar_t kPluginClassKey[] = L"CLSID\\{6C5C9BD1-092C-4712-9E62-D159B1BD0DED}";

std::wstring FromUtf8(const std::string& text) {
  std::wstring wide(MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(),
                      static_cast<int>(wide.size()));
  return wide;
}

void SetHostValue(const wchar_t* name, DWORD type, const void* data, DWORD size) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, kHostKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  EXPECT_EQ(RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), size), ERROR_SUCCESS);
  RegCloseKey(key);
}

std::vector<DWORD> ProcessesNamed(const wchar_t* exeName) {
  std::vector<DWORD> found;
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return found;
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry)) {
    if (_wcsicmp(entry.szExeFile, exeName) == 0) found.push_back(entry.th32ProcessID);
  }
  CloseHandle(snapshot);
  return found;
}

}  // namespace

ScratchFolder::ScratchFolder(const std::wstring& name) {
  wchar_t temp[MAX_PATH] = L"";
  GetTempPathW(MAX_PATH, temp);
  path_ = fs::path(temp) / (L"duvisto-" + std::to_wstring(GetCurrentProcessId())) / name;
  std::error_code ignored;
  fs::remove_all(path_, ignored);
  fs::create_directories(path_);
}

ScratchFolder::~ScratchFolder() {
  std::error_code ignored;
  fs::remove_all(path_, ignored);
}

fs::path BinFolder() {
  wchar_t self[MAX_PATH] = L"";
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  return fs::path(self).parent_path();
}

void FillSetupFolder(const fs::path& folder, SetupContents contents) {
  fs::create_directories(folder);
  const auto copy = fs::copy_options::overwrite_existing;
  fs::copy_file(BinFolder() / L"installer.exe", folder / L"installer.exe", copy);
  if (contents.plugin) fs::copy_file(BinFolder() / L"Duvisto.dll", folder / L"Duvisto.dll", copy);
  if (contents.resetProgram) PlantProgram(folder, L"msgplusreset.exe");
}

void PlantProgram(const fs::path& folder, const std::wstring& fileName) {
  fs::copy_file(BinFolder() / L"reset_stub.exe", folder / fileName, fs::copy_options::overwrite_existing);
}

std::vector<std::wstring> MarkerLines(const fs::path& folder, const std::wstring& programName) {
  std::ifstream in(folder / (programName + L".marker"), std::ios::binary);
  std::vector<std::wstring> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(FromUtf8(line));
  return lines;
}

bool WaitForMarkerLines(const fs::path& folder, const std::wstring& programName, size_t count) {
  return robot::WaitUntil([&] { return MarkerLines(folder, programName).size() >= count; });
}

void RemoveHost() { RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Vendaro"); }

void SetHostText(const wchar_t* name, const std::wstring& text) {
  SetHostValue(name, REG_SZ, text.c_str(), static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

void SetHostNumber(const wchar_t* name, DWORD number) { SetHostValue(name, REG_DWORD, &number, sizeof number); }

void SeedWorkingHost(const fs::path& pluginDir) {
  SetHostText(L"BinDir", L"C:\\Program Files\\Messenger Plus! 2");
  SetHostText(L"SoftwareBuild", L"2053");
  SetHostText(L"PluginDir", pluginDir.wstring());
  SetHostText(L"FileNameExe", L"MsgPlus.exe");
}

std::optional<std::wstring> AnnouncedProgId() {
  wchar_t data[256] = L"";
  DWORD size = sizeof data;
  DWORD type = 0;
  if (RegGetValueW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Vendaro\\MsgPlus2\\RegisteredPlugins", L"Duvisto", RRF_RT_ANY,
                   &type, data, &size) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  return type == REG_SZ ? std::wstring(data) : L"<other type>";
}

void RemovePluginRegistration() { RegDeleteTreeW(HKEY_CLASSES_ROOT, kPluginClassKey); }

std::optional<std::wstring> RegisteredServerPath() {
  wchar_t data[MAX_PATH] = L"";
  DWORD size = sizeof data;
  const std::wstring key = std::wstring(kPluginClassKey) + L"\\InprocServer32";
  if (RegGetValueW(HKEY_CLASSES_ROOT, key.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, data, &size) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  return std::wstring(data);
}

bool WaitForRegistrationToolToEnd(std::chrono::milliseconds timeout) {
  return robot::WaitUntil(
      [] {
        const auto running = ProcessesNamed(L"regsvr32.exe");
        for (DWORD id : running) {
          for (HWND box : robot::TopLevelWindows(robot::Owner::Process(id), L"#32770")) robot::PressButton(box, IDOK);
        }
        return running.empty();
      },
      timeout);
}

bool SameFileContents(const fs::path& a, const fs::path& b) {
  std::ifstream first(a, std::ios::binary), second(b, std::ios::binary);
  if (!first || !second) return false;
  return std::string(std::istreambuf_iterator<char>(first), {}) ==
         std::string(std::istreambuf_iterator<char>(second), {});
}

bool SamePath(const std::wstring& a, const std::wstring& b) {
  auto full = [](const std::wstring& path) {
    wchar_t buffer[MAX_PATH] = L"";
    GetFullPathNameW(path.c_str(), MAX_PATH, buffer, nullptr);
    return std::wstring(buffer);
  };
  return _wcsicmp(full(a).c_str(), full(b).c_str()) == 0;
}

InstallerRun::InstallerRun(const fs::path& exePath) {
  // Started from another current folder: the installer must find its files beside itself.
  const std::wstring folder = exePath.parent_path().parent_path().wstring();
  std::wstring commandLine = L"\"" + exePath.wstring() + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started{};
  if (!CreateProcessW(exePath.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(),
                      &startup, &started)) {
    ADD_FAILURE() << "installer.exe did not start, error " << GetLastError();
    return;
  }
  CloseHandle(started.hThread);
  process_ = started.hProcess;
  processId_ = started.dwProcessId;
}

InstallerRun::~InstallerRun() {
  if (!process_) return;
  if (WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) {
    TerminateProcess(process_, 99);
    WaitForSingleObject(process_, 5000);
  }
  CloseHandle(process_);
}

HWND InstallerRun::Form() {
  if (!form_) {
    if (auto found = robot::WaitForWindow(Owner(), L"Form1")) form_ = *found;
  }
  return form_;
}

HWND InstallerRun::Control(const wchar_t* className, const std::wstring& text) {
  HWND form = Form();
  return form ? robot::FindChild(form, className, text) : nullptr;
}

void InstallerRun::Press(const std::wstring& buttonText) {
  HWND button = Control(L"Button", buttonText);
  ASSERT_NE(button, nullptr) << "no button " << std::string(buttonText.begin(), buttonText.end());
  robot::PressButton(Form(), GetDlgCtrlID(button));
}

std::optional<robot::MessageBoxInfo> InstallerRun::NextBox(std::chrono::milliseconds timeout) {
  return robot::WaitForMessageBox(Owner(), timeout);
}

void InstallerRun::ConfirmInstall() {
  Press(L"Yes");
  const auto confirmation = NextBox();
  ASSERT_TRUE(confirmation);
  ASSERT_EQ(confirmation->text, L"Are you sure you want to install this plugin?");
  robot::PressButton(confirmation->hwnd, IDYES);
  ASSERT_TRUE(robot::WaitUntil([&] { return !IsWindow(confirmation->hwnd); }));
}

bool InstallerRun::Ended(std::chrono::milliseconds timeout) {
  return process_ && WaitForSingleObject(process_, static_cast<DWORD>(timeout.count())) == WAIT_OBJECT_0;
}

DWORD InstallerRun::ExitCode() const {
  DWORD code = STILL_ACTIVE;
  GetExitCodeProcess(process_, &code);
  return code;
}

}  // namespace installer_test
