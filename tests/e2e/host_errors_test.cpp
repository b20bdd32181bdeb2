// host.exe's clear errors: each names the problem, ends with its own exit code, and never
// leaves a window or a process behind.
#include <gtest/gtest.h>

#include <regex>

#include "host_run.h"

namespace e2e {
namespace {

class HostErrors : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ASSERT_EQ(RunRegsvr32(L"/s \"" + BesideTestProgram(L"Duvisto.dll") + L"\""), 0);
  }

  RegistryValues plugins_{HKEY_LOCAL_MACHINE, L"SOFTWARE\\Vendaro\\MsgPlus2\\RegisteredPlugins"};
};

TEST_F(HostErrors, NoRegisteredPluginEndsBeforeAnyoneSignsIn) {
  ASSERT_TRUE(plugins_.Set({}));
  HostRun run = RunScenario(L"push.txt");
  EXPECT_EQ(run.exitCode, 3) << run.Text();
  EXPECT_EQ(CountLines(run, "host: no plug-in is registered: "
                            "HKEY_LOCAL_MACHINE\\SOFTWARE\\Vendaro\\MsgPlus2\\RegisteredPlugins"), 1)
      << run.Text();
  EXPECT_EQ(CountLines(run, "signs in"), 0) << run.Text();
}

TEST_F(HostErrors, ProgIdThatCannotBeCreatedIsNamedWithItsHresult) {
  ASSERT_TRUE(plugins_.Set({{L"Broken", L"Duvisto.NoSuchClass"}}));
  HostRun run = RunScenario(L"push.txt");
  EXPECT_EQ(run.exitCode, 4) << run.Text();
  EXPECT_EQ(CountLines(run, "host: user A: plug-in \"Broken\" (ProgID \"Duvisto.NoSuchClass\") cannot be created: "
                            "CLSIDFromProgID failed with 0x800401F3 ("), 1)
      << run.Text();
  EXPECT_EQ(CountLines(run, "A> "), 0) << "no line may run\n" << run.Text();
}

TEST_F(HostErrors, FailedMethodIsReportedWithItsSystemMessageAndTheConversationGoesOn) {
  ASSERT_TRUE(plugins_.Set({{L"Duvisto", L"Duvisto.Browse"}}));
  // Without its web-browser control the plug-in's browser window cannot open.
  RegistryValues control(HKEY_LOCAL_MACHINE,
                         L"Software\\Classes\\CLSID\\{8856F961-340A-11D0-A96B-00C04FD705A2}\\InprocServer32");
  ASSERT_TRUE(control.Set({{L"", L"C:\\windows\\system32\\duvisto-e2e-missing.dll"}, {L"ThreadingModel", L"Apartment"}}));

  HostRun run = RunScenario(L"method_failure.txt");
  EXPECT_EQ(run.exitCode, 5) << run.Text();
  size_t failure = FindLine(run, "[A] Duvisto.ParseCommand failed: ");
  ASSERT_LT(failure, run.lines.size()) << run.Text();
  EXPECT_TRUE(std::regex_search(run.lines[failure], std::regex(R"(failed: 0x8[0-9A-F]{7} \(.+\)$)")))
      << run.lines[failure];
  EXPECT_EQ(run.lines[failure].find("no system message"), std::string::npos) << run.lines[failure];
  EXPECT_EQ(CountLines(run, "[A] sends"), 0) << "a failed call sends nothing\n" << run.Text();
  EXPECT_TRUE(InOrder(run, {"B> hello", "[A] chat from B: hello", "host: 1 plug-in call(s) failed"}));
}

TEST_F(HostErrors, MalformedScenarioLineIsNamedByFileAndLineAndNothingRuns) {
  ASSERT_TRUE(plugins_.Set({{L"Duvisto", L"Duvisto.Browse"}}));
  HostRun run = RunScenario(L"malformed.txt");
  EXPECT_EQ(run.exitCode, 2) << run.Text();
  EXPECT_EQ(CountLines(run, "malformed.txt:4: expected \"A> message\""), 1) << run.Text();
  EXPECT_EQ(CountLines(run, "signs in"), 0) << run.Text();
}

TEST_F(HostErrors, MissingScenarioFileAndBadOptionsHaveTheirOwnExitCodes) {
  HostRun missing = RunScenario(L"no-such-scenario.txt");
  EXPECT_EQ(missing.exitCode, 2) << missing.Text();
  EXPECT_EQ(CountLines(missing, "no-such-scenario.txt: cannot open the scenario"), 1) << missing.Text();

  HostRun usage = RunHost({L"--pause", L"soon", Scenario(L"push.txt")});
  EXPECT_EQ(usage.exitCode, 1) << usage.Text();
  EXPECT_EQ(CountLines(usage, "host: --pause needs a number of milliseconds"), 1) << usage.Text();
}

}  // namespace
}  // namespace e2e
