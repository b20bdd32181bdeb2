// Host detection: the host's four registry values, each read only when the checks before it passed.
#include "build_number.h"
#include "form1.h"
#include "host_registry.h"

namespace installer {
namespace {

constexpr wchar_t kTitle[] = L"Plugin Installer/uninstaller";
constexpr wchar_t kNotInstalled[] = L"Messenger Plus! isn't installed!";
constexpr wchar_t kUntestedBuild[] =
    L"I didn't test this program on this version are you sure you wan't to continue?";
constexpr wchar_t kNoPluginDir[] =
    L"Messenger Plus! has no Plugin dir. Reinstall Plus! or install a newer version of Plus!";
constexpr wchar_t kNoExeFile[] =
    L"Messenger Plus! Has no exe file defined reinstall Plus! or Install a newer version of Plus!";

std::wstring HostValue(const wchar_t* name) { return kHostKeyPath + std::wstring(name); }

}  // namespace

void Form1::Initz() {
  sBinDir = ReadKey(HostValue(L"BinDir"));
  if (sBinDir.empty()) {
    Box(kNotInstalled, kTitle, MB_OK | MB_ICONHAND);
    EndProgram();
  }

  sSoftwareBuild = ReadKey(HostValue(L"SoftwareBuild"));
  if (sSoftwareBuild.empty()) {
    Box(kNotInstalled, kTitle, MB_OK | MB_ICONHAND);
    EndProgram();
  }
  const auto build = ReadAsNumber(sSoftwareBuild);
  if (!build) {
    EndWithFailure(L"Type mismatch: the build number \"" + sSoftwareBuild +
                   L"\" of Messenger Plus! is not a number. Nothing has been installed.");
  }
  if (!IsTestedBuild(*build)) {
    nBuildAnswer = Box(kUntestedBuild, kTitle, MB_YESNO | MB_ICONINFORMATION);
    if (nBuildAnswer != IDYES) EndProgram();
  }

  sPluginDir = ReadKey(HostValue(L"PluginDir"));
  if (sPluginDir.empty()) {
    Box(kNoPluginDir, kTitle, MB_OK | MB_ICONHAND);
    EndProgram();
  }

  sFileNameExe = ReadKey(HostValue(L"FileNameExe"));
  if (sFileNameExe.empty()) {
    Box(kNoExeFile, kTitle, MB_OK | MB_ICONHAND);
    EndProgram();
  }
}

}  // namespace installer
