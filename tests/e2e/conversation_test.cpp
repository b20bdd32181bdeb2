// Two users chatting through host.exe with the real Duvisto.dll, each scenario checked on the
// transcript the host prints.
#include <gtest/gtest.h>

#include "host_run.h"

namespace e2e {
namespace {

constexpr char kAnswerDisabled[] =
    "I have Messenger Plus! and morvane12's Duvisto plug-in (v1.0.0). My remote browsing status is \\x02disabled.";
constexpr char kAnswerEnabled[] =
    "I have Messenger Plus! and morvane12's Duvisto plug-in (v1.0.0). My remote browsing status is \\x02enabled.";

class Conversation : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ASSERT_EQ(RunRegsvr32(L"/s \"" + BesideTestProgram(L"Duvisto.dll") + L"\""), 0);
  }
  void SetUp() override { ASSERT_TRUE(plugins_.Set({{L"Duvisto", L"Duvisto.Browse"}})); }

  RegistryValues plugins_{HKEY_LOCAL_MACHINE, L"SOFTWARE\\Vendaro\\MsgPlus2\\RegisteredPlugins"};
};

TEST_F(Conversation, PushOpensThePartnersBrowserAfterThePusherClosesAndTheEchoIsSwallowed) {
  HostRun run = RunScenario(L"push.txt");
  ASSERT_EQ(run.exitCode, 0) << run.Text();
  for (const char* address : {"https://example.com", "https://example.org/second"}) {
    const std::string url(address);
    EXPECT_TRUE(InOrder(run, {
        "A> /xnewurl " + url,
        "[A] box \"Duvisto\" (information): If your contact has Duvisto and if it's enabled",
        "[A] window \"Internet browser (local & remote)\": address box \"\" disabled, GO disabled",
        "[A] robot closes the window",
        "[A] Duvisto.ParseCommand -> True, sResult \"\\tbrows" + url + "\"",
        "[A] Duvisto.ReceiveNotify(\"brows\", \"" + url + "\", \"a@example.com\") [own notification]",
        "[A] Duvisto.ReceiveNotify -> False, sTextToSend \"\"",
        "[B] notification brows from a@example.com: " + url,
        "[B] Duvisto.ReceiveNotify -> True, sTextToSend \"/xsurfak47 " + url + "\"",
        "[B] Duvisto.ParseCommand(\"/xsurfak47\", \"" + url + "\")",
        "[B] window \"Internet browser (local & remote)\": address box \"\" disabled, GO disabled, warning shown",
        "[B] Duvisto.ParseCommand -> True, sResult \"\"",
    }));
  }
  // The push never shows as a chat line, and B's opening sends nothing back.
  EXPECT_EQ(CountLines(run, "chat from"), 0) << run.Text();
  EXPECT_EQ(CountLines(run, "[B] sends"), 0) << run.Text();
}

TEST_F(Conversation, StatusCheckIsAnsweredByThePartnersPluginAsAChatLine) {
  HostRun run = RunScenario(L"status_check.txt");
  ASSERT_EQ(run.exitCode, 0) << run.Text();
  EXPECT_TRUE(InOrder(run, {
      "A> /xbchkcontact",
      "[A] sends notification check: I would like to check your status of remote browsing.",
      "[B] notification check from a@example.com: I would like to check",
      std::string("[B] sends: ") + kAnswerDisabled,
      std::string("[A] chat from B: ") + kAnswerDisabled,
      "B> /xbenable",
      "A> /xbchkcontact",
      std::string("[A] chat from B: ") + kAnswerEnabled,
      "B> /xbchkcontact",
      std::string("[B] chat from A: ") + kAnswerDisabled,
  }));
  // The asker's own plug-in also answers its echo; that answer must not be sent.
  EXPECT_EQ(CountLines(run, "drops the text to send"), 3) << run.Text();
  EXPECT_EQ(CountLines(run, "[A] sends: I have"), 1) << run.Text();
}

TEST_F(Conversation, PartnerWithRemoteBrowsingDisabledConsumesThePushAndOpensNothing) {
  HostRun run = RunScenario(L"partner_disabled.txt");
  ASSERT_EQ(run.exitCode, 0) << run.Text();
  EXPECT_TRUE(InOrder(run, {
      "A> /xnewurl https://example.com",
      "[B] notification brows from a@example.com: https://example.com",
      "[B] Duvisto.ReceiveNotify -> True, sTextToSend \"\"",
      "B> /xbdisable",
      "[B] box \"Duvisto\" (no icon): You have disabled your remote browsing.",
      "A> /xnewurl https://example.org",
      "[B] notification brows from a@example.com: https://example.org",
      "[B] Duvisto.ReceiveNotify -> True, sTextToSend \"\"",
  }));
  EXPECT_EQ(CountLines(run, "[B] window"), 0) << run.Text();
  EXPECT_EQ(CountLines(run, "[B] chat from"), 0) << run.Text();
}

TEST_F(Conversation, PartnerWithoutThePluginJustSeesChatLines) {
  HostRun run = RunScenario(L"partner_without_plugin.txt");
  ASSERT_EQ(run.exitCode, 0) << run.Text();
  EXPECT_EQ(CountLines(run, "[B] b@example.com signs in without plug-ins"), 1) << run.Text();
  EXPECT_TRUE(InOrder(run, {
      "[B] chat from A: \\tcheckI would like to check your status of remote browsing.",
      "A> /xnewurl https://example.com",
      "[A] robot closes the window",
      "[B] chat from A: \\tbrowshttps://example.com",
      "B> hello",
      "[A] chat from B: hello",
      "B> /xbenable",
      "[A] chat from B: /xbenable",
  }));
  EXPECT_EQ(CountLines(run, "[A] chat from B: I have"), 0) << "nobody can answer the check\n" << run.Text();
  EXPECT_EQ(CountLines(run, "[B] Duvisto."), 0) << run.Text();
  EXPECT_EQ(CountLines(run, "[B] box") + CountLines(run, "[B] window"), 0) << run.Text();
}

TEST_F(Conversation, PushesThatAreNotPlainWebAddressesAreRefused) {
  HostRun run = RunScenario(L"hostile_push.txt");
  ASSERT_EQ(run.exitCode, 0) << run.Text();
  // As the transcript shows them: control characters escaped, backslashes as they are.
  for (const char* payload : {"file:///C:/Windows/win.ini", "javascript:alert(1)", "\\\\server\\share\\page.html",
                              "C:\\Windows\\win.ini", "https://example.com/\\n/xbdisable",
                              "https://example.com/\\u2028/xbdisable", "vbscript:msgbox(1)"}) {
    size_t call = FindLine(run, "[B] Duvisto.ReceiveNotify(\"brows\", \"" + std::string(payload) + "\"");
    ASSERT_LT(call + 1, run.lines.size()) << payload << "\n" << run.Text();
    EXPECT_EQ(run.lines[call + 1], "[B] Duvisto.ReceiveNotify -> True, sTextToSend \"\"") << payload;
  }
  // Nothing smuggled in ran, and a plain web address still opens, in the one window B ever shows.
  EXPECT_EQ(CountLines(run, "[B] Duvisto.ParseCommand(\"/xbdisable\""), 0) << run.Text();
  EXPECT_EQ(CountLines(run, "[B] box \"Duvisto\" (information): Remote browsing is enabled."), 1) << run.Text();
  EXPECT_EQ(CountLines(run, "[B] Duvisto.ParseCommand(\"/xsurfak47\""), 1) << run.Text();
  EXPECT_TRUE(InOrder(run, {"[B] Duvisto.ParseCommand(\"/xsurfak47\", \"www.example.com/page\")",
                            "[B] window \"Internet browser (local & remote)\""}));
  EXPECT_EQ(CountLines(run, "[B] window"), 1) << run.Text();
}

TEST_F(Conversation, PushArrivingWhileTheReceiversOwnBrowserIsOpenIsHandledInsideIt) {
  HostRun run = RunScenario(L"push_into_open_browser.txt");
  ASSERT_EQ(run.exitCode, 0) << run.Text();
  EXPECT_TRUE(InOrder(run, {
      "B> /xbrowser https://b.example.org",
      "[B] window \"Internet browser (local)\": address box \"\" enabled, GO enabled",
      "A> /xnewurl https://example.com",
      "[B] notification brows from a@example.com: https://example.com",
      "[B] Duvisto.ReceiveNotify -> True, sTextToSend \"/xsurfak47 https://example.com\"",
      "[B] Duvisto.ParseCommand(\"/xsurfak47\", \"https://example.com\")",
      "@release B",
      "[B] now window \"Internet browser (local & remote)\"",
      "[B] robot closes the window",
      "[B] Duvisto.ParseCommand -> True",
      "B> /xbchkmy",
      "[B] box \"Duvisto\" (information): Remote browsing is enabled.",
  }));
  // B's window stayed open until released, and there was never a second one.
  EXPECT_LT(FindLine(run, "@release B"), FindLine(run, "[B] robot closes the window")) << run.Text();
  EXPECT_EQ(CountLines(run, "[B] window "), 1) << run.Text();
}

}  // namespace
}  // namespace e2e
