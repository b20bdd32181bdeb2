// Host detection after the confirmation: each missing value's message, the build test.
#include <functional>

#include "installer_fixture.h"

namespace installer_test {
namespace {

constexpr wchar_t kTitle[] = L"Plugin Installer/uninstaller";
constexpr wchar_t kNotInstalled[] = L"Messenger Plus! isn't installed!";
constexpr wchar_t kUntestedBuild[] =
    L"I didn't test this program on this version are you sure you wan't to continue?";
constexpr wchar_t kNoPluginDir[] =
    L"Messenger Plus! has no Plugin dir. Reinstall Plus! or install a newer version of Plus!";
constexpr wchar_t kNoExeFile[] =
    L"Messenger Plus! Has no exe file defined reinstall Plus! or Install a newer version of Plus!";

// A host with every value but FileNameExe: detection that gets that far reports the exe file.
void SeedHostWithoutExeFile(const fs::path& pluginDir) {
  SeedWorkingHost(pluginDir);
  RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Vendaro\\MsgPlus2", L"FileNameExe");
}

class InitzTest : public InstallerTest {
 protected:
  void SetUp() override {
    InstallerTest::SetUp();
    FillSetupFolder(SetupFolder());
  }

  // Confirms the install and expects `text` as the first box of detection, with OK and the stop icon;
  // after OK the program has ended and nothing has changed.
  void ExpectDetectionStopsWith(const std::wstring& text) {
    InstallerRun run(Installer());
    run.ConfirmInstall();
    const auto box = run.NextBox();
    ASSERT_TRUE(box);
    EXPECT_EQ(box->text, text);
    EXPECT_EQ(box->title, kTitle);
    EXPECT_TRUE(ShowsIcon(box->hwnd, robot::Icon::Stop));
    EXPECT_EQ(box->buttons, std::vector<int>{IDOK});
    robot::PressButton(box->hwnd, IDOK);
    EXPECT_TRUE(run.Ended());
    ExpectNothingChanged();
  }
};

TEST_F(InitzTest, MissingOrEmptyValuesEndWithTheirMessage) {
  const struct {
    const char* name;
    std::function<void()> seed;
    const wchar_t* message;
  } cases[] = {
      {"no host key", [] {}, kNotInstalled},
      {"BinDir empty", [&] { SeedWorkingHost(PluginFolder()); SetHostText(L"BinDir", L""); }, kNotInstalled},
      {"SoftwareBuild missing",
       [&] {
         SeedWorkingHost(PluginFolder());
         RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Vendaro\\MsgPlus2", L"SoftwareBuild");
       },
       kNotInstalled},
      {"PluginDir missing, FileNameExe present",
       [&] {
         SeedWorkingHost(PluginFolder());
         RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Vendaro\\MsgPlus2", L"PluginDir");
       },
       kNoPluginDir},
      {"FileNameExe missing", [&] { SeedHostWithoutExeFile(PluginFolder()); }, kNoExeFile},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    RemoveHost();
    c.seed();
    ExpectDetectionStopsWith(c.message);
  }
}

TEST_F(InitzTest, TestedBuildsPassSilentlyAsTextOrNumber) {
  for (const wchar_t* build : {L"2046", L"2050", L"2051", L"2052", L"2053", L" 2053 ", L"02053"}) {
    SCOPED_TRACE(std::string(build, build + wcslen(build)));
    SeedHostWithoutExeFile(PluginFolder());
    SetHostText(L"SoftwareBuild", build);
    ExpectDetectionStopsWith(kNoExeFile);
  }
  SeedHostWithoutExeFile(PluginFolder());
  SetHostNumber(L"SoftwareBuild", 2053);
  ExpectDetectionStopsWith(kNoExeFile);
}

TEST_F(InitzTest, UntestedBuildsAskWhetherToGoOn) {
  const std::vector<std::wstring> builds{L"2045", L"2047", L"2048", L"2049", L"2054", L"2053.5"};
  for (size_t i = 0; i <= builds.size(); ++i) {
    const bool goOn = i % 2 == 1;
    SCOPED_TRACE(i);
    SeedHostWithoutExeFile(PluginFolder());
    if (i < builds.size()) {
      SetHostText(L"SoftwareBuild", builds[i]);
    } else {
      SetHostNumber(L"SoftwareBuild", 2047);
    }
    InstallerRun run(Installer());
    run.ConfirmInstall();
    const auto question = run.NextBox();
    ASSERT_TRUE(question);
    EXPECT_EQ(question->text, kUntestedBuild);
    EXPECT_EQ(question->title, kTitle);
    EXPECT_TRUE(ShowsIcon(question->hwnd, robot::Icon::Information));
    EXPECT_EQ(question->buttons, (std::vector<int>{IDYES, IDNO}));
    robot::PressButton(question->hwnd, goOn ? IDYES : IDNO);
    if (goOn) {
      const auto next = run.NextBox();
      ASSERT_TRUE(next);
      EXPECT_EQ(next->text, kNoExeFile);
      robot::PressButton(next->hwnd, IDOK);
    }
    EXPECT_TRUE(run.Ended());
    ExpectNothingChanged();
  }
}

TEST_F(InitzTest, BuildThatIsNotANumberIsATypeMismatch) {
  for (const std::wstring build : {L"abc", L"20 53", L"  ", L"2053a"}) {
    SCOPED_TRACE(std::string(build.begin(), build.end()));
    SeedWorkingHost(PluginFolder());
    SetHostText(L"SoftwareBuild", build);
    InstallerRun run(Installer());
    run.ConfirmInstall();
    const auto box = run.NextBox();
    ASSERT_TRUE(box);
    EXPECT_NE(box->text.find(L"Type mismatch"), std::wstring::npos);
    EXPECT_NE(box->text.find(L"\"" + build + L"\""), std::wstring::npos);
    EXPECT_TRUE(ShowsIcon(box->hwnd, robot::Icon::Stop));
    robot::PressButton(box->hwnd, IDOK);
    EXPECT_TRUE(run.Ended());
    EXPECT_EQ(run.ExitCode(), 1u);
    ExpectNothingChanged();
  }
}

}  // namespace
}  // namespace installer_test
