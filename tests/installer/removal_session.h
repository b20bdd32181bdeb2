// What the removal tests share: a working host with another plug-in beside Duvisto, an
// installation through the window, a removal confirmed with Yes, and what is left afterwards,
// including the files Windows is to delete at its next start.
#pragma once

#include <algorithm>
#include <set>

#include "installer_session.h"

namespace installer_test {

constexpr wchar_t kConfirm[] = L"Are you sure you want to uninstall this plugin?";
constexpr wchar_t kRemoved[] = L"The Duvisto plug-in has been removed.";
constexpr wchar_t kNothing[] = L"The Duvisto plug-in is not installed: there is nothing to remove.";
constexpr wchar_t kInUse[] = L"\n\nDuvisto.dll is still in use, by Messenger Plus! perhaps. ";
constexpr DWORD kRestartNeeded = ERROR_SUCCESS_REBOOT_REQUIRED;

// The files Windows is to delete at its next start (PendingFileRenameOperations pairs whose
// target is empty), as plain paths.
inline std::set<fs::path> DeletedAtRestart() {
  std::vector<wchar_t> data(64 * 1024);
  DWORD size = DWORD(data.size() * sizeof(wchar_t));
  std::set<fs::path> files;
  if (RegGetValueW(HKEY_LOCAL_MACHINE, L"SYSTEM\\CurrentControlSet\\Control\\Session Manager",
                   L"PendingFileRenameOperations", RRF_RT_REG_MULTI_SZ, nullptr, data.data(), &size)) {
    return files;
  }
  for (const wchar_t* at = data.data(); *at;) {
    const std::wstring source = at;
    at += source.size() + 1;
    const std::wstring target = at;
    at += target.size() + 1;
    if (target.empty()) files.insert(source.substr(source.rfind(L"\\??\\", 0) == 0 ? 4 : 0));
  }
  return files;
}

inline std::vector<std::wstring> FileNames(const fs::path& folder) {
  std::vector<std::wstring> names;
  for (const auto& file : fs::directory_iterator(folder)) names.push_back(file.path().filename().wstring());
  std::sort(names.begin(), names.end());
  return names;
}

class UninstallTest : public InstallerTest {
 protected:
  void SetUp() override {
    InstallerTest::SetUp();
    FillSetup();
    SeedHost();
    // Another plug-in of the same host, which no removal of ours may touch.
    { std::ofstream(plugins_ / L"Other.dll") << "another plug-in"; }
    RegSetKeyValueW(HKEY_LOCAL_MACHINE, kOtherPlugins, L"Other", REG_SZ, L"Other.Plugin", sizeof L"Other.Plugin");
  }

  // Installs through the window as a user does, and ends the installer.
  void Install() {
    InstallerRun run(setup_ / L"installer.exe");
    run.ConfirmInstall();
    ASSERT_TRUE(robot::WaitUntil([] { return RegisteredServer() && EntryNumber(L"EstimatedSize"); }, 20s));
    ASSERT_TRUE(RegistrationToolEnded());
    run.Press(L"No");
    ASSERT_EQ(run.ExitCode(), 0u);
  }
  // Confirms a removal with Yes and returns the text of the box that follows, which it answers.
  std::wstring Uninstall(InstallerRun& run, LPCWSTR icon = IDI_INFORMATION) {
    EXPECT_EQ(run.Answer(IDYES), kConfirm);
    return run.Answer(IDOK, kBoxTitle, icon);
  }
  int ResetStarts() { return int(MarkerLines(setup_, L"msgplusreset").size()); }

  // Everything of Duvisto gone, and the other plug-in's file and list value (unless the host,
  // with its list, has gone too) still there. The uninstaller's folder may hold the renamed
  // running uninstaller until the restart, but no uninstaller of that name.
  void ExpectNothingOfDuvistoLeft(bool hostListThere = true) {
    EXPECT_EQ(FileNames(plugins_), std::vector<std::wstring>{L"Other.dll"});
    EXPECT_FALSE(Announced());
    for (const wchar_t* key : kComKeys) EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, key)) << fs::path(key).string();
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
    EXPECT_FALSE(fs::exists(uninstaller_));
    EXPECT_EQ(Contents(plugins_ / L"Other.dll"), "another plug-in");
    if (hostListThere) EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kOtherPlugins, L"Other"), L"Other.Plugin");
  }

  static constexpr wchar_t kOtherPlugins[] = L"SOFTWARE\\Vendaro\\MsgPlus2\\RegisteredPlugins";
  const fs::path uninstaller_ = UninstallerFolder() / L"Duvisto-uninstall.exe";
};

}  // namespace installer_test
