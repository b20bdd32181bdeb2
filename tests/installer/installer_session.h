// What the installer tests set up and observe: a setup folder in the Wine prefix, the host's
// registry values, a running installer.exe driven through its window, and the traces the
// installation leaves (marker of the reset stand-in, copied file, registry values).
#pragma once

#include <windows.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "ui_robot.h"

namespace installer_test {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// A fresh folder under the prefix's temp folder, removed with everything in it at the end.
class ScratchFolder {
 public:
  explicit ScratchFolder(const std::wstring& name);
  ~ScratchFolder();
  const fs::path& Path() const { return path_; }

 private:
  fs::path path_;
};

// The folder holding the test program, installer.exe, Duvisto.dll and the reset stand-in.
fs::path BinFolder();

// Puts installer.exe and, unless told otherwise, Duvisto.dll and the reset stand-in (as
// msgplusreset.exe) into `folder`, creating it.
struct SetupContents {
  bool plugin = true;
  bool resetProgram = true;
};
void FillSetupFolder(const fs::path& folder, SetupContents contents = {});
// Copies the reset stand-in into `folder` under another name: a planted program.
void PlantProgram(const fs::path& folder, const std::wstring& fileName);

// Lines the stand-in wrote to "<name>.marker" in `folder`: "<show state>|<command line>".
std::vector<std::wstring> MarkerLines(const fs::path& folder, const std::wstring& programName);
bool WaitForMarkerLines(const fs::path& folder, const std::wstring& programName, size_t count);

// The host's values under HKLM\SOFTWARE\Vendaro\MsgPlus2.
void RemoveHost();
void SetHostText(const wchar_t* name, const std::wstring& text);
void SetHostNumber(const wchar_t* name, DWORD number);
// All four values of a working host, build 2053 as text.
void SeedWorkingHost(const fs::path& pluginDir);
// The data of RegisteredPlugins\Duvisto when it is a REG_SZ value; "<other type>" otherwise.
std::optional<std::wstring> AnnouncedProgId();

// The COM registration of the plug-in's class: the server path, if registered.
void RemovePluginRegistration();
std::optional<std::wstring> RegisteredServerPath();
// Waits until no regsvr32 process is left, answering any message box one of them shows.
bool WaitForRegistrationToolToEnd(std::chrono::milliseconds timeout = 20s);

bool SameFileContents(const fs::path& a, const fs::path& b);
bool SamePath(const std::wstring& a, const std::wstring& b);  // by full path, letter case ignored

// installer.exe started from `exePath` (with another current folder) and driven by its window.
class InstallerRun {
 public:
  explicit InstallerRun(const fs::path& exePath);
  ~InstallerRun();  // a run still going at the end of a test is stopped

  robot::Owner Owner() const { return robot::Owner::Process(processId_); }
  HWND Form();  // the Form1 window, waited for
  HWND Control(const wchar_t* className, const std::wstring& text);
  void Press(const std::wstring& buttonText);  // on Form1
  std::optional<robot::MessageBoxInfo> NextBox(std::chrono::milliseconds timeout = robot::kDefaultWait);
  // Yes, then Yes at the confirmation box.
  void ConfirmInstall();
  bool Ended(std::chrono::milliseconds timeout = robot::kDefaultWait);
  DWORD ExitCode() const;

 private:
  HANDLE process_ = nullptr;
  DWORD processId_ = 0;
  HWND form_ = nullptr;
};

}  // namespace installer_test
