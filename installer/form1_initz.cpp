// Host detection: the host's four registry values, each read only when the checks before it passed.
#include "build_number.h"
#include "form1.h"
#include "host_registry.h"

namespace installer {
namespace {

constexpr wchar_t kNotInstalled[] = L"Messenger Plus! isn't installed!";
constexpr wchar_t kUntestedBuild[] =
    L"I didn't test this program on this version are you sure you wan't to continue?";
constexpr wchar_t kNoPluginDir[] =
    L"Messenger Plus! has no Plugin dir. Reinstall Plus! or install a newer version of Plus!";
constexpr wchar_t kNoExeFile[] =
    L"Messenger Plus! Has no exe file defined reinstall Plus! or Install a newer version of Plus!";

std::wstring HostValue(const wchar_t* name) { return kHostKeyPath + std::wstring(name); }

}  // namespace

// One of the host's values; when it reads as empty, `missing` is shown and the program ends.
std::wstring Form1::ReadHostValue(const wchar_t* name, const wchar_t* missing) {
  std::wstring text = ReadKey(HostValue(name));
  if (text.empty()) {
    Box(missing, kBoxTitle, MB_OK | MB_ICONHAND);
    EndProgram();
  }
  return text;
}

void Form1::Initz() {
  sBinDir = ReadHostValue(L"BinDir", kNotInstalled);
  sSoftwareBuild = ReadHostValue(L"SoftwareBuild", kNotInstalled);
  const auto build = ReadAsNumber(sSoftwareBuild);
  if (!build) {
    EndWithFailure(L"Type mismatch: the build number \"" + sSoftwareBuild +
                   L"\" of Messenger Plus! is not a number. Nothing has been changed.");
  }
  if (!IsTestedBuild(*build)) {
    nBuildAnswer = Box(kUntestedBuild, kBoxTitle, MB_YESNO | MB_ICONINFORMATION);
    if (nBuildAnswer != IDYES) EndProgram();
  }
  sPluginDir = ReadHostValue(L"PluginDir", kNoPluginDir);
  sFileNameExe = ReadHostValue(L"FileNameExe", kNoExeFile);
}

}  // namespace installer
