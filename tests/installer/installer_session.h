// What the installer tests set up and observe: a scratch setup folder, the host's registry values,
// installer.exe driven through its window, and the traces an installation leaves.
#pragma once

#include <windows.h>
#include <tlhelp32.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ui_robot.h"
#include "unique_any.h"

namespace installer_test {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

inline constexpr wchar_t kHostKey[] = L"SOFTWARE\\Vendaro\\MsgPlus2";
inline constexpr wchar_t kClassKey[] = L"CLSID\\{6C5C9BD1-092C-4712-9E62-D159B1BD0DED}";
inline constexpr wchar_t kQuestion[] = L"Do you want to install the Duvisto plug-in?";
inline constexpr wchar_t kBoxTitle[] = L"Plugin Installer/uninstaller";
inline constexpr wchar_t kUninstallKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Duvisto";
// Where COM keeps the plug-in: class, ProgID, type library and interface.
inline constexpr const wchar_t* kComKeys[] = {kClassKey, L"Duvisto.Browse",
                                              L"TypeLib\\{AE4D4ECD-7414-4BEE-B3D3-8B93F6FC387C}",
                                              L"Interface\\{CB3C4CA7-8668-4DC1-BDC3-0A14EFA54F4C}"};

// A REG_SZ value's text; nothing for any other type (REG_EXPAND_SZ too, which Programs and
// Features and the host would read otherwise).
inline std::optional<std::wstring> RegText(HKEY root, const std::wstring& key, const wchar_t* name) {
  wchar_t data[MAX_PATH] = L"";
  DWORD size = sizeof data;
  if (RegGetValueW(root, key.c_str(), name, RRF_RT_REG_SZ | RRF_NOEXPAND, nullptr, data, &size)) return {};
  return data;
}
inline auto Announced() {
  return RegText(HKEY_LOCAL_MACHINE, kHostKey + std::wstring(L"\\RegisteredPlugins"), L"Duvisto");
}
inline auto RegisteredServer() {
  return RegText(HKEY_CLASSES_ROOT, kClassKey + std::wstring(L"\\InprocServer32"), nullptr);
}
inline auto EntryText(const wchar_t* name) { return RegText(HKEY_LOCAL_MACHINE, kUninstallKey, name); }
inline std::optional<DWORD> EntryNumber(const wchar_t* name) {
  DWORD number = 0, size = sizeof number;
  if (RegGetValueW(HKEY_LOCAL_MACHINE, kUninstallKey, name, RRF_RT_REG_DWORD, nullptr, &number, &size)) return {};
  return number;
}
inline bool KeyExists(HKEY root, const wchar_t* path) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(root, path, 0, KEY_READ, &key)) return false;
  RegCloseKey(key);
  return true;
}
inline void SetHost(const wchar_t* name, const std::wstring& text) {
  RegSetKeyValueW(HKEY_LOCAL_MACHINE, kHostKey, name, REG_SZ, text.c_str(), DWORD((text.size() + 1) * 2));
}
inline void SetHost(const wchar_t* name, DWORD number) {
  RegSetKeyValueW(HKEY_LOCAL_MACHINE, kHostKey, name, REG_DWORD, &number, sizeof number);
}

// Lines the reset stand-in appended to "<name>.marker" beside itself: "<show state>|<command line>".
inline std::vector<std::string> MarkerLines(const fs::path& folder, const wchar_t* name) {
  std::ifstream in(folder / (std::wstring(name) + L".marker"));
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}
inline std::string Contents(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

// Waits until no regsvr32 is left, answering any box one of them shows.
inline bool RegistrationToolEnded() {
  return robot::WaitUntil(
      [] {
        bool running = false;
        const duvisto::UniqueFile snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
        PROCESSENTRY32W entry{};
        entry.dwSize = sizeof entry;
        for (BOOL more = Process32FirstW(snapshot.get(), &entry); more; more = Process32NextW(snapshot.get(), &entry)) {
          if (_wcsicmp(entry.szExeFile, L"regsvr32.exe") != 0) continue;
          running = true;
          for (HWND box : robot::TopLevelWindows(robot::Owner::Process(entry.th32ProcessID), L"#32770")) {
            robot::PressButton(box, IDOK);
          }
        }
        return !running;
      },
      20s);
}

// Each process under Wine has its own copy of the system icons, so the icon a box of the installer
// shows is told by its pixels: those on the screen against the icon drawn here on the same background.
inline bool ShowsIcon(HWND box, LPCWSTR iconId) {
  HWND control = robot::FindChild(box, L"Static", L"");  // the icon comes first, the text after it
  const RECT rect = control ? robot::WindowRectOnScreen(control) : RECT{};
  const int width = rect.right - rect.left, height = rect.bottom - rect.top;
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -2 * height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  DWORD* pixels = nullptr;  // the screen's above, the reference below
  const duvisto::UniqueGdiObject<HBITMAP> bitmap(
      CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&pixels), nullptr, 0));
  const duvisto::UniqueMemoryDc memory(CreateCompatibleDC(nullptr));
  if (width <= 0 || height <= 0 || !bitmap || !memory) return false;
  SelectObject(memory.get(), bitmap.get());
  return robot::WaitUntil(
      [&] {
        const duvisto::UniqueScreenDc screen(GetDC(nullptr));
        BitBlt(memory.get(), 0, 0, width, height, screen.get(), rect.left, rect.top, SRCCOPY);
        GdiFlush();
        const duvisto::UniqueGdiObject<HBRUSH> background(
            CreateSolidBrush(RGB(GetBValue(pixels[0]), GetGValue(pixels[0]), GetRValue(pixels[0]))));
        DrawIconEx(memory.get(), 0, height, LoadIconW(nullptr, iconId), width, height, 0, background.get(), DI_NORMAL);
        GdiFlush();
        return std::equal(pixels, pixels + width * height, pixels + width * height);
      },
      2s);
}

// The uninstaller's folder of its own under Program Files.
inline fs::path UninstallerFolder() {
  const wchar_t* programFiles = _wgetenv(L"ProgramFiles");
  return fs::path(programFiles ? programFiles : L"C:\\Program Files") / L"Duvisto";
}

// installer.exe started from another current folder, ended at the latest with the test.
class InstallerRun {
 public:
  explicit InstallerRun(const fs::path& exe, const std::wstring& arguments = L"")
      : InstallerRun(L"\"" + exe.wstring() + L"\"" + arguments, exe.parent_path().parent_path()) {}
  // As Programs and Features starts a program: by a whole command line, the program found from it.
  InstallerRun(const std::wstring& commandLine, const fs::path& folder, HANDLE token = nullptr) {
    robot::StartedProgram started = robot::StartProgram(commandLine, folder.c_str(), nullptr, token);
    process_ = std::move(started.process);
    EXPECT_TRUE(process_) << "not started: " << fs::path(commandLine).string();
    owner_ = robot::Owner::Process(started.id);
  }
  ~InstallerRun() {
    if (process_ && !ExitCode(0ms) && TerminateProcess(process_.get(), 99)) ExitCode(5s);
  }

  HWND Form() { return robot::WaitForWindow(owner_, L"Form1").value_or(nullptr); }
  HWND Control(const wchar_t* className, const std::wstring& text) {
    HWND form = Form();
    return form ? robot::FindChild(form, className, text) : nullptr;
  }
  void Press(const wchar_t* button) {
    HWND control = Control(L"Button", button);
    ASSERT_TRUE(control && robot::PressButton(Form(), GetDlgCtrlID(control)));
  }
  std::optional<robot::MessageBoxInfo> NextBox(std::chrono::milliseconds timeout = robot::kDefaultWait) {
    return robot::WaitForMessageBox(owner_, timeout);
  }
  // Answers the next box after checking its title and kind: the installer shows stop boxes with
  // OK and information boxes with Yes and No; the removal's outcome may also be an information
  // box with OK. Returns the box's text.
  std::wstring Answer(int answer, const std::wstring& title = kBoxTitle, LPCWSTR icon = nullptr) {
    const auto box = NextBox();
    if (!box) return ADD_FAILURE() << "no box", L"";
    const bool ok = answer == IDOK;
    EXPECT_EQ(box->title, title);
    EXPECT_EQ(box->buttons, (ok ? std::vector<int>{IDOK} : std::vector<int>{IDYES, IDNO}));
    EXPECT_TRUE(ShowsIcon(box->hwnd, icon ? icon : ok ? IDI_HAND : IDI_INFORMATION));
    EXPECT_TRUE(robot::PressButton(box->hwnd, answer) && robot::WaitUntil([&] { return !IsWindow(box->hwnd); }));
    return box->text;
  }
  void ConfirmInstall() {
    Press(L"Yes");
    EXPECT_EQ(Answer(IDYES, kQuestion), L"Are you sure you want to install this plugin?");
  }
  // Once the program has ended, its exit code.
  std::optional<DWORD> ExitCode(std::chrono::milliseconds timeout = robot::kDefaultWait) {
    DWORD code = 0;
    if (!process_ || WaitForSingleObject(process_.get(), DWORD(timeout.count())) != WAIT_OBJECT_0) return {};
    return GetExitCodeProcess(process_.get(), &code) ? std::optional(code) : std::nullopt;
  }

 private:
  duvisto::UniqueHandle process_;
  robot::Owner owner_;
};

// Each test starts with no host, no registration of the plug-in's class and a scratch folder of
// its own; it leaves nothing behind.
class InstallerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TearDown();
    fs::create_directories(plugins_);
  }
  void TearDown() override {
    EXPECT_TRUE(RegistrationToolEnded());
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Vendaro");
    for (const wchar_t* key : kComKeys) RegDeleteTreeW(HKEY_CLASSES_ROOT, key);
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, kUninstallKey);
    // Removals left for the next start of Windows; this prefix is never restarted.
    RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, L"SYSTEM\\CurrentControlSet\\Control\\Session Manager",
                       L"PendingFileRenameOperations");
    std::error_code ignored;
    for (const fs::path& folder : {scratch_, UninstallerFolder()}) {
      fs::permissions(folder, fs::perms::owner_write, fs::perm_options::add, ignored);
      for (auto& file : fs::recursive_directory_iterator(folder, ignored)) {
        fs::permissions(file.path(), fs::perms::owner_write, fs::perm_options::add, ignored);
      }
      fs::remove_all(folder, ignored);
    }
  }

  // installer.exe and, unless told otherwise, Duvisto.dll and the reset stand-in as msgplusreset.exe.
  void FillSetup(bool plugin = true, bool resetProgram = true) {
    fs::create_directories(setup_);
    fs::copy_file(bin_ / L"installer.exe", setup_ / L"installer.exe");
    if (plugin) fs::copy_file(bin_ / L"Duvisto.dll", setup_ / L"Duvisto.dll");
    if (resetProgram) Plant(setup_ / L"msgplusreset.exe");
  }
  void Plant(const fs::path& program) { fs::copy_file(bin_ / L"reset_stub.exe", program); }
  // A working host: build 2053 as text, the plug-in folder under the scratch folder.
  void SeedHost() {
    SetHost(L"BinDir", L"C:\\Program Files\\Messenger Plus! 2");
    SetHost(L"SoftwareBuild", L"2053");
    SetHost(L"PluginDir", plugins_.wstring());
    SetHost(L"FileNameExe", L"MsgPlus.exe");
  }

  static fs::path BinFolder() {  // the test program's, with installer.exe, Duvisto.dll and reset_stub.exe
    wchar_t self[MAX_PATH] = L"";
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    return fs::path(self).parent_path();
  }
  const fs::path bin_ = BinFolder();
  const fs::path scratch_ = fs::temp_directory_path() / L"duvisto-installer" /
                            ::testing::UnitTest::GetInstance()->current_test_info()->name();
  const fs::path setup_ = scratch_ / L"setup folder";
  const fs::path plugins_ = scratch_ / L"Messenger Plus! 2" / L"Plugins";
};

}  // namespace installer_test
