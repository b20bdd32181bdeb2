// ParseCommand: which words are ours, what each shows and changes, and in which order.
#include "commands.h"

#include <gtest/gtest.h>

#include "catalogue.h"
#include "notifications.h"
#include "recording_plugin_ui.h"

namespace duvisto {
namespace {

const std::u16string kEnabled = u"enabled";
const std::u16string kDisabled = u"disabled";
const std::u16string kPushExplanation =
    u"If your contact has Duvisto and if it's enabled (you can check that with /xbchkcontact), that means that "
    u"your contact's browser DID pop up. If your contact does NOT have Duvisto or if their remote browsing is "
    u"disabled, that means that their browser did not pop up (yours still will). That's why it's always good to "
    u"check whether your contact's remote browsing is enabled. Your contact's browser will not pop up with the "
    u"new URL until you close your browser.";

struct Parsed {
  Status status;
  CommandResult out;
};

Parsed Parse(BrowseState& state, RecordingPluginUi& ui, std::u16string_view command, std::u16string_view arg = {}) {
  Parsed run{kOk, {}};
  run.status = ParseCommand(state, ui, command, arg, run.out);
  return run;
}

struct CommandCase {
  const char* name;
  BrowseState before;
  std::u16string command;
  std::u16string arg;
  std::vector<UiCall> shown;
  BrowseState after;
  std::optional<std::u16string> result;  // written to sResult, or left alone
};

class CommandTest : public ::testing::TestWithParam<CommandCase> {};

TEST_P(CommandTest, ShowsThenChangesState) {
  const CommandCase& c = GetParam();
  BrowseState state = c.before;
  RecordingPluginUi ui(state);

  const Parsed run = Parse(state, ui, c.command, c.arg);

  EXPECT_EQ(run.status, kOk);
  EXPECT_TRUE(run.out.handled);
  EXPECT_EQ(ui.calls, c.shown);
  EXPECT_EQ(state, c.after);
  EXPECT_EQ(run.out.resultWritten, c.result.has_value());
  if (c.result) {
    EXPECT_EQ(run.out.result, *c.result);
  }
  // A status change waits until its box is gone.
  for (const UiCall& call : ui.calls) {
    EXPECT_EQ(call.stateWhileOpen.sRemoteStatus, c.before.sRemoteStatus);
  }
}

const MessageIcon kInfo = MessageIcon::Information;
const MessageIcon kPlain = MessageIcon::None;

INSTANTIATE_TEST_SUITE_P(
    EveryCommand, CommandTest,
    ::testing::Values(
        CommandCase{"Enable", StateWith(kDisabled), u"/xbenable", u"", {Box(u"You have enabled your remote browsing.", u"Duvisto", kInfo)}, StateWith(kEnabled), {}},
        CommandCase{"EnableMixedCaseIgnoresArgument", StateWith(kDisabled), u"/XbEnAbLe", u"now", {Box(u"You have enabled your remote browsing.", u"Duvisto", kInfo)}, StateWith(kEnabled), {}},
        CommandCase{"Disable", StateWith(kEnabled, u"me"), u"/xbdisable", u"", {Box(u"You have disabled your remote browsing.", u"Duvisto", kPlain)}, StateWith(kDisabled, u"me"), {}},
        CommandCase{"DisableWhenDisabledStillShowsBox", StateWith(kDisabled), u"/XBDISABLE", u"", {Box(u"You have disabled your remote browsing.", u"Duvisto", kPlain)}, StateWith(kDisabled), {}},
        CommandCase{"CheckMineDisabled", StateWith(kDisabled), u"/xbchkmy", u"", {Box(u"Remote browsing is disabled.", u"Duvisto", kInfo)}, StateWith(kDisabled), {}},
        CommandCase{"CheckMineEnabled", StateWith(kEnabled), u"/XBChkMy", u"", {Box(u"Remote browsing is enabled.", u"Duvisto", kInfo)}, StateWith(kEnabled), {}},
        CommandCase{"CheckMineBeforeInitialize", StateWith(std::nullopt), u"/xbchkmy", u"", {Box(u"Remote browsing is .", u"Duvisto", kInfo)}, StateWith(std::nullopt), {}},
        CommandCase{"CheckContactIgnoresArgument", StateWith(kEnabled), u"/xbChkContact", u"please", {}, StateWith(kEnabled),
                    u"\tcheckI would like to check your status of remote browsing. This will only work if you have Messenger Plus! and the plug-in Duvisto by morvane12."},
        CommandCase{"BrowserLocal", StateWith(kDisabled), u"/xbrowser", u"www.example.com", {Window(BrowserMode::Local, u"www.example.com", OpenOrder::CaptionThenNavigate)}, StateWith(kDisabled), {}},
        CommandCase{"PushWhenEnabled", StateWith(kEnabled), u"/xNewUrl", u"http://example.com/a b", {Box(kPushExplanation, u"Duvisto", kInfo), Window(BrowserMode::LocalAndRemote, u"http://example.com/a b", OpenOrder::NavigateThenCaption)}, StateWith(kEnabled, u"me"), u"\tbrowshttp://example.com/a b"},
        CommandCase{"PushEmptyBeforeInitialize", StateWith(std::nullopt), u"/xnewurl", u"", {Box(kPushExplanation, u"Duvisto", kInfo), Window(BrowserMode::LocalAndRemote, u"", OpenOrder::NavigateThenCaption)}, StateWith(std::nullopt, u"me"), u"\tbrows"},
        CommandCase{"PushAnyStatusButDisabled", StateWith(u"Disabled"), u"/xnewurl", u"x", {Box(kPushExplanation, u"Duvisto", kInfo), Window(BrowserMode::LocalAndRemote, u"x", OpenOrder::NavigateThenCaption)}, StateWith(u"Disabled", u"me"), u"\tbrowsx"},
        CommandCase{"PushRefusedWhenDisabled", StateWith(kDisabled), u"/XNEWURL", u"http://example.com", {Box(u"Your remote browsing is disabled. Enable remote browsing (/xbenable) and try again.", u"Duvisto", kPlain)}, StateWith(kDisabled), {}},
        CommandCase{"About", StateWith(kDisabled), u"/xbabout", u"", {Box(u"Duvisto v1.0.0 by morvane12\r\nduvisto@example.com\r\nTesters: Irva, Korvalen\r\nInstaller by: Tovu", u"About Duvisto", kInfo)}, StateWith(kDisabled), {}},
        // The user's own line is not held to the rule for a partner's pushes.
        CommandCase{"SurfOpensAnyAddressLocalAndRemote", StateWith(kDisabled, u"me"), u"/XSurfAK47", u"file:///C:/Windows/win.ini", {Window(BrowserMode::LocalAndRemote, u"file:///C:/Windows/win.ini", OpenOrder::CaptionThenNavigate)}, StateWith(kDisabled, u"me"), {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CommandMatching, ForeignWordsAreLeftAlone) {
  const std::u16string foreign[] = {
      u"/xbenable ", u" /xbenable", u"xbenable", u"/xbenabl", u"/xbenablee", u"//xbenable", u"",
      u"/", std::u16string(u"/xbenable\0", 10), std::u16string(u"/xsurfak47\0x", 12), u"/xb enable",
      u"/xbd\u0131sable",  // dotless i: only ASCII letters fold
      u"/XBCH\u212AMY",     // Kelvin sign, a k to Unicode
      u"/xbrowser\t", u"/xnewurl\r\n", u"/xbchkcontact.", u"\\xbabout", u"/xsurfak4"};
  for (const std::u16string& word : foreign) {
    BrowseState state = StateWith(kEnabled, u"me");
    RecordingPluginUi ui(state);
    CommandResult out;
    out.result = u"stale";
    out.resultWritten = true;

    EXPECT_EQ(ParseCommand(state, ui, word, u"http://example.com", out), kOk);

    EXPECT_FALSE(out.handled) << ::testing::PrintToString(word);
    EXPECT_FALSE(out.resultWritten);
    EXPECT_TRUE(ui.calls.empty());
    EXPECT_EQ(state, StateWith(kEnabled, u"me"));
  }
}

TEST(CommandMatching, EveryPublishedRowIsACommand) {
  for (std::int32_t index = 1; index <= kCommandCount; ++index) {
    BrowseState state = StateWith(kEnabled);
    RecordingPluginUi ui(state);
    const std::u16string command = u"/" + std::u16string(CatalogueRowAt(index)->sValue);
    EXPECT_TRUE(Parse(state, ui, command).out.handled) << index;
  }
  EXPECT_EQ(CatalogueRowAt(0), nullptr);
  EXPECT_EQ(CatalogueRowAt(kCommandCount + 1), nullptr);
  EXPECT_EQ(CatalogueRowAt(-1), nullptr);
}

struct FailureCase {
  const char* name;
  BrowseState before;
  std::u16string command;
  std::size_t failingCall;
  std::size_t callsMade;
  BrowseState after;
  bool resultWritten;
};

class PortFailureTest : public ::testing::TestWithParam<FailureCase> {};

TEST_P(PortFailureTest, StopsAtOnceKeepingWhatWasDone) {
  const FailureCase& c = GetParam();
  BrowseState state = c.before;
  RecordingPluginUi ui(state);
  ui.failCallNumber = c.failingCall;

  const Parsed run = Parse(state, ui, c.command, u"www.example.com");

  EXPECT_EQ(run.status, kPortFailure);
  EXPECT_TRUE(run.out.handled);
  EXPECT_EQ(ui.calls.size(), c.callsMade);
  EXPECT_EQ(state, c.after);
  EXPECT_EQ(run.out.resultWritten, c.resultWritten);
}

INSTANTIATE_TEST_SUITE_P(
    EveryPortCall, PortFailureTest,
    ::testing::Values(FailureCase{"EnableBox", StateWith(kDisabled), u"/xbenable", 1, 1, StateWith(kDisabled), false},
                      FailureCase{"DisableBox", StateWith(kEnabled), u"/xbdisable", 1, 1, StateWith(kEnabled), false},
                      FailureCase{"CheckMineBox", StateWith(kEnabled), u"/xbchkmy", 1, 1, StateWith(kEnabled), false},
                      FailureCase{"BrowserWindow", StateWith(kEnabled), u"/xbrowser", 1, 1, StateWith(kEnabled), false},
                      FailureCase{"PushRefusalBox", StateWith(kDisabled), u"/xnewurl", 1, 1, StateWith(kDisabled), false},
                      FailureCase{"PushBoxOpensNoWindow", StateWith(kEnabled), u"/xnewurl", 1, 1, StateWith(kEnabled, u"me"), true},
                      FailureCase{"PushWindow", StateWith(kEnabled), u"/xnewurl", 2, 2, StateWith(kEnabled, u"me"), true},
                      FailureCase{"AboutBox", StateWith(kEnabled), u"/xbabout", 1, 1, StateWith(kEnabled), false},
                      FailureCase{"SurfWindow", StateWith(kEnabled), u"/xsurfak47", 1, 1, StateWith(kEnabled), false}),
    [](const auto& info) { return std::string(info.param.name); });

// The host calls back into the plug-in from the modal loop of a box or window, on the same state.
TEST(CommandReentry, DisableDuringPushBoxStillOpensTheWindow) {
  BrowseState state = StateWith(kEnabled);
  RecordingPluginUi ui(state);
  ui.whileOpen = [&](std::size_t call) {
    if (call == 1) {
      EXPECT_EQ(Parse(state, ui, u"/xbdisable").status, kOk);
    }
  };

  const Parsed run = Parse(state, ui, u"/xnewurl", u"www.example.com");

  ASSERT_EQ(ui.calls.size(), 3u);
  EXPECT_EQ(ui.calls[1].text, u"You have disabled your remote browsing.");
  EXPECT_EQ(ui.calls[2].kind, UiCall::Kind::Browser);
  EXPECT_EQ(state, StateWith(kDisabled, u"me"));
  EXPECT_EQ(run.out.result, u"\tbrowswww.example.com");
}

TEST(CommandReentry, NotificationsDuringPushWindowSeeCurrentState) {
  BrowseState state = StateWith(kEnabled);
  RecordingPluginUi ui(state);
  NotifyResult answer, push;
  ui.whileOpen = [&](std::size_t call) {
    if (ui.calls[call - 1].kind != UiCall::Kind::Browser) return;
    answer = ReceiveNotify(state, u"check", u"");
    push = ReceiveNotify(state, u"brows", u"www.example.org");  // taken as our own echo
  };

  const Parsed run = Parse(state, ui, u"/xnewurl", u"www.example.com");

  EXPECT_EQ(run.status, kOk);
  EXPECT_EQ(answer.textToSend, StatusAnswer(StateWith(kEnabled)));
  EXPECT_FALSE(push.handled);
  EXPECT_FALSE(push.textToSendWritten);
  EXPECT_EQ(state, StateWith(kEnabled));  // the marker is not put back when the window closes
}

TEST(CommandReentry, StatusChangedInsideABoxIsOverwrittenWhenItCloses) {
  BrowseState state = StateWith(kDisabled);
  RecordingPluginUi ui(state);
  ui.whileOpen = [&](std::size_t call) {
    if (call == 1) Parse(state, ui, u"/xbchkmy");
    if (call == 2) Parse(state, ui, u"/xbdisable");
  };

  Parse(state, ui, u"/xbenable");

  ASSERT_EQ(ui.calls.size(), 3u);
  EXPECT_EQ(ui.calls[1].text, u"Remote browsing is disabled.");
  EXPECT_EQ(state.sRemoteStatus, kEnabled);  // the outer box closed last
}

TEST(CommandReentry, PartnerPushDuringLocalWindowIsAnswered) {
  BrowseState state = StateWith(kEnabled);
  RecordingPluginUi ui(state);
  NotifyResult push;
  ui.whileOpen = [&](std::size_t) { push = ReceiveNotify(state, u"BROWS", u"https://example.org/"); };

  Parse(state, ui, u"/xbrowser", u"www.example.com");

  EXPECT_TRUE(push.handled);
  EXPECT_EQ(push.textToSend, u"/xsurfak47 https://example.org/");
}

}  // namespace
}  // namespace duvisto
