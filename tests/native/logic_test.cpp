// The command logic's decisions, table-driven: what each command shows and changes, what each
// notification answers, which pushed addresses may open, and the host calling back in meanwhile.
#include <gtest/gtest.h>

#include <optional>
#include <tuple>

#include "catalogue.h"
#include "commands.h"
#include "notifications.h"
#include "page_rules.h"
#include "push_address.h"
#include "recording_plugin_ui.h"

namespace duvisto {
namespace {

const std::string kPushBox =
    "box Duvisto (i): If your contact has Duvisto and if it's enabled (you can check that with /xbchkcontact), that "
    "means that your contact's browser DID pop up. If your contact does NOT have Duvisto or if their remote browsing "
    "is disabled, that means that their browser did not pop up (yours still will). That's why it's always good to "
    "check whether your contact's remote browsing is enabled. Your contact's browser will not pop up with the new "
    "URL until you close your browser.";
const std::string kEnabledBox = "box Duvisto (i): You have enabled your remote browsing.";
const std::string kDisabledBox = "box Duvisto: You have disabled your remote browsing.";
const std::string kAnswer =
    "handled, sends I have Messenger Plus! and morvane12's Duvisto plug-in (v1.0.0). My remote browsing status is \x02";

struct Parsed {
  bool handled = false;
  std::optional<std::u16string> result;  // what sResult became; nothing when left alone
};

// ParseCommand with an ASCII argument, expecting `status`.
Parsed Parse(BrowseState& s, PluginUi& ui, std::u16string_view cmd, std::string_view arg = "", Status st = kOk) {
  StringOutput out;
  bool handled = false;
  EXPECT_EQ(ParseCommand(s, ui, cmd, U16(arg), out, handled), st) << Narrow(cmd);
  return {handled, out.text};
}

// ReceiveNotify's answer: "handled" or "not ours", and ", sends TEXT" when sTextToSend is written.
std::string Received(BrowseState& state, std::u16string_view code, std::u16string_view text) {
  StringOutput out;
  bool handled = false;
  EXPECT_EQ(ReceiveNotify(state, code, text, out, handled), kOk) << Narrow(code);
  return std::string(handled ? "handled" : "not ours") + (out.text ? ", sends " + Narrow(*out.text) : "");
}

struct CommandCase {
  const char *name, *before;
  std::u16string command;
  const char* arg;
  std::vector<std::string> shown;
  const char *after, *result = nullptr;  // result: what sResult becomes; nullptr: left alone
};
void PrintTo(const CommandCase& c, std::ostream* os) { *os << c.name; }

const CommandCase kCommands[] = {
    {"EnableInAnyCaseIgnoringArgument", "disabled", u"/XbEnAbLe", "now", {kEnabledBox}, "enabled"},
    {"Disable", "enabled me", u"/xbdisable", "", {kDisabledBox}, "disabled me"},
    {"DisableWhenDisabledStillShowsBox", "disabled", u"/XBDISABLE", "", {kDisabledBox}, "disabled"},
    {"CheckMine", "enabled", u"/XBChkMy", "", {"box Duvisto (i): Remote browsing is enabled."}, "enabled"},
    {"CheckMineBeforeInitialize", "-", u"/xbchkmy", "", {"box Duvisto (i): Remote browsing is ."}, "-"},
    {"CheckContactIgnoresArgument", "enabled", u"/xbChkContact", "please", {}, "enabled",
     "\tcheckI would like to check your status of remote browsing. This will only work if you have Messenger Plus! "
     "and the plug-in Duvisto by morvane12."},
    {"BrowserLocal", "disabled", u"/xbrowser", "www.example.com", {"window local: www.example.com"}, "disabled"},
    {"PushWhenEnabled", "enabled", u"/xNewUrl", "http://example.com/a b",
     {kPushBox, "window local&remote, navigate first: http://example.com/a b"}, "enabled me",
     "\tbrowshttp://example.com/a b"},
    {"PushEmptyBeforeInitialize", "-", u"/xnewurl", "", {kPushBox, "window local&remote, navigate first: "}, "- me",
     "\tbrows"},
    {"PushAnyStatusButDisabled", "Disabled", u"/xnewurl", "x", {kPushBox, "window local&remote, navigate first: x"},
     "Disabled me", "\tbrowsx"},
    {"PushRefusedWhenDisabled", "disabled", u"/XNEWURL", "http://example.com",
     {"box Duvisto: Your remote browsing is disabled. Enable remote browsing (/xbenable) and try again."}, "disabled"},
    {"About", "disabled", u"/xbabout", "",
     {"box About Duvisto (i): Duvisto v1.0.0 by morvane12\r\nduvisto@example.com\r\nTesters: Irva, Korvalen\r\n"
      "Installer by: Tovu"}, "disabled"},
    // The user's own line is not held to the rule for a partner's pushes.
    {"SurfOpensAnyAddressLocalAndRemote", "disabled me", u"/XSurfAK47", "file:///C:/Windows/win.ini",
     {"window local&remote: file:///C:/Windows/win.ini"}, "disabled me"}};

class CommandTest : public ::testing::TestWithParam<CommandCase> {};
INSTANTIATE_TEST_SUITE_P(EveryCommand, CommandTest, ::testing::ValuesIn(kCommands));

// A failing box or window ends the command; a written result and the push marker came before the first box.
TEST_P(CommandTest, ShowsThenChangesStateOrStopsAtAFailingCall) {
  const CommandCase& c = GetParam();
  for (std::size_t failing = 0; failing <= c.shown.size(); ++failing) {  // 0: none fails
    SCOPED_TRACE("failing call " + std::to_string(failing));
    BrowseState state = State(c.before);
    RecordingPluginUi ui;
    ui.failCallNumber = failing;
    ui.whileOpen = [&](std::size_t) { EXPECT_EQ(StatusOf(state), StatusOf(State(c.before))); };  // changed after
    const Parsed out = Parse(state, ui, c.command, c.arg, failing ? kPortFailure : kOk);
    EXPECT_TRUE(out.handled);
    EXPECT_EQ(ui.shown, failing ? std::vector(c.shown.begin(), c.shown.begin() + failing) : c.shown);
    EXPECT_EQ(Describe(state), failing && !c.result ? c.before : c.after);
    EXPECT_EQ(out.result ? Narrow(*out.result) : "(left alone)", c.result ? c.result : "(left alone)");
  }
}

TEST(CommandMatching, ForeignWordsAreLeftAloneAndEveryPublishedRowIsOurs) {
  const std::u16string foreign[] = {
      u"/xbenable ", u" /xbenable", u"xbenable", u"/xbenabl", u"/xbenablee", u"//xbenable", u"", u"/",
      std::u16string(u"/xbenable\0", 10), std::u16string(u"/xsurfak47\0x", 12), u"/xb enable",
      u"/xbd\u0131sable", u"/XBCH\u212AMY",  // dotless i, Kelvin sign: only ASCII letters fold
      u"/xbrowser\t", u"/xnewurl\r\n", u"/xbchkcontact.", u"\\xbabout", u"/xsurfak4"};
  for (const std::u16string& word : foreign) {
    BrowseState state = State("enabled me");
    RecordingPluginUi ui;
    StringOutput out;
    bool handled = true;
    EXPECT_EQ(ParseCommand(state, ui, word, u"http://example.com", out, handled), kOk);
    EXPECT_FALSE(handled || out.text || !ui.shown.empty() || Describe(state) != "enabled me")
        << Narrow(word);
  }
  BrowseState state = State("enabled");
  RecordingPluginUi ui;
  for (std::int32_t row = 1; row <= kCommandCount; ++row)
    EXPECT_TRUE(Parse(state, ui, u"/" + std::u16string(CatalogueRowAt(row)->sValue)).handled) << row;
  for (std::int32_t row : {-1, 0, kCommandCount + 1}) EXPECT_EQ(CatalogueRowAt(row), nullptr) << row;
}

// The host calls back into the plug-in from the modal loop of a box or window, on the same state.
TEST(Reentry, CommandsInsideABoxSeeTheStatusOfThenAndTheOuterBoxClosesLast) {
  BrowseState state = State("disabled");
  RecordingPluginUi ui;
  ui.whileOpen = [&](std::size_t call) {
    if (call == 1) Parse(state, ui, u"/xbchkmy");  // still disabled: the change waits for the box
    if (call == 2 || call == 4) Parse(state, ui, u"/xbdisable");
  };
  Parse(state, ui, u"/xbenable");  // enabled as its box closes last, so the push below is not refused
  EXPECT_EQ(Narrow(Parse(state, ui, u"/xnewurl", "www.example.com").result.value()), "\tbrowswww.example.com");
  EXPECT_EQ(ui.shown, (std::vector<std::string>{kEnabledBox, "box Duvisto (i): Remote browsing is disabled.",
                                                kDisabledBox, kPushBox, kDisabledBox,
                                                "window local&remote, navigate first: www.example.com"}));
  EXPECT_EQ(Describe(state), "disabled me");  // disabled inside the push's box, its window still opened
}

TEST(Reentry, NotificationsInsideAWindowSeeTheCurrentState) {
  BrowseState state = State("enabled");
  RecordingPluginUi ui;
  std::vector<std::string> received;
  ui.whileOpen = [&](std::size_t) {
    received.push_back(Received(state, u"check", u""));
    received.push_back(Received(state, u"BROWS", u"https://example.org/"));
  };
  Parse(state, ui, u"/xbrowser", "www.example.com");
  Parse(state, ui, u"/xnewurl", "www.example.com");  // the push inside its window is taken as our own echo
  const std::string opened = "handled, sends /xsurfak47 https://example.org/";
  EXPECT_EQ(received, (std::vector<std::string>{kAnswer + "enabled.", opened, kAnswer + "enabled.", "not ours",
                                                kAnswer + "enabled.", opened}));
  EXPECT_EQ(Describe(state), "enabled");  // the marker is not put back when the window closes
}

TEST(ReceiveNotify, AnswersEchoesAndPushes) {
  const std::tuple<const char*, std::u16string, const char*, std::string, const char*> cases[] = {
      // A status check is answered in any letter case with the current status, and changes nothing.
      {"disabled me", u"check", "anything at all", kAnswer + "disabled.", "disabled me"},
      {"enabled", u"CHECK", "", kAnswer + "enabled.", "enabled"},
      {"- me", u"cHeCk", "", kAnswer + ".", "- me"},
      // Our own push comes back once, whatever the status: not ours to take, and the marker goes.
      {"enabled me", u"Brows", "www.example.com", "not ours", "enabled"},
      {"disabled me", u"brows", "www.example.com", "not ours", "disabled"},
      {"enabled Me", u"brows", "www.example.com", "handled, sends /xsurfak47 www.example.com", "enabled Me"},
      // A partner's push opens only while remote browsing is exactly "enabled"; otherwise it is consumed.
      {"enabled", u"bRoWs", "http://example.com/", "handled, sends /xsurfak47 http://example.com/", "enabled"},
      {"disabled", u"brows", "http://example.com/", "handled", "disabled"},
      {"-", u"brows", "http://example.com/", "handled", "-"},
      {"Enabled", u"brows", "http://example.com/", "handled", "Enabled"},
  };
  for (const auto& [before, code, text, received, after] : cases) {  // after: the state left
    BrowseState state = State(before);
    EXPECT_EQ(Received(state, code, U16(text)), received) << Narrow(code) << " in state " << before;
    EXPECT_EQ(Describe(state), after) << Narrow(code) << " in state " << before;
  }
  const std::u16string foreign[] = {u"chec", u"checks", u" check", u"check ", u"brow", u"browse", u"xbrows", u"",
                                    std::u16string(u"check\0", 6), std::u16string(u"brows\0", 6), u"CHEC\u212A",
                                    u"bro\u0175s", u"\tbrows"};
  for (const std::u16string& code : foreign) {
    BrowseState state = State("enabled me");  // an echo marker a foreign code must not clear
    EXPECT_EQ(Received(state, code, u"www.example.com"), "not ours") << Narrow(code);
    EXPECT_EQ(Describe(state), "enabled me") << Narrow(code);
  }
}

// An answer that finds no memory ends the call before any box or window, with nothing written;
// the push marker, set before the notification is built, stays set.
TEST(OutOfMemory, AnAnswerWithoutMemoryEndsTheCallWithNothingWritten) {
  const std::tuple<const char*, std::u16string, const char*> commands[] = {
      {"enabled", u"/xbchkcontact", "enabled"}, {"enabled", u"/XNEWURL", "enabled me"}, {"-", u"/xnewurl", "- me"}};
  for (const auto& [before, command, after] : commands) {
    BrowseState state = State(before);
    RecordingPluginUi ui;
    StringOutput out;
    out.refuse = true;
    bool handled = false;
    EXPECT_EQ(ParseCommand(state, ui, command, u"www.example.com", out, handled), kOutOfMemory) << Narrow(command);
    EXPECT_FALSE(out.text || !ui.shown.empty()) << Narrow(command);
    EXPECT_EQ(Describe(state), after) << Narrow(command);
  }
  const std::pair<const char*, std::u16string> notifications[] = {
      {"enabled", u"check"}, {"disabled me", u"CHECK"}, {"enabled", u"brows"}};
  for (const auto& [before, code] : notifications) {
    BrowseState state = State(before);
    StringOutput out;
    out.refuse = true;
    bool handled = false;
    EXPECT_EQ(ReceiveNotify(state, code, u"www.example.com", out, handled), kOutOfMemory) << Narrow(code);
    EXPECT_FALSE(out.text) << Narrow(code);
    EXPECT_EQ(Describe(state), before) << Narrow(code);
  }
}

// Each address is checked by the rule alone and through a partner's push with browsing enabled.
TEST(PushedAddress, OnlyPlainWebAddressesOpen) {
  const std::u16string safe[] = {
      u"http://www.example.com/", u"HTTPS://Example.COM/a?b=c#d", u"hTtP://x", u"http://example.com/C:\\Windows",
      u"www.example.com/page", u"example.com", u"", u"www.example.com:8080/page", u"example.com:8080",
      u"my-site.example.com:8080/page",
      u"192.0.2.1:80/x", u"www.example.com/a:b", u"search?q=duvisto", u"caf\u00e9.example.org/menu"};
  const std::u16string hostile[] = {
      u"file:///C:/Windows/System32/calc.exe", u"FILE://c:/x", u"javascript:alert(1)", u"JavaScript:alert('http://x')",
      u"vbscript:msgbox(1)", u"about:blank", u"res://shdoclc.dll/about.htm", u"mk:@MSITStore:C:\\x.chm::/a.htm",
      u"data:text/html,<script>alert(1)</script>", u"ms-settings:", u"ftp://example.com/x", u"mailto:a@example.com",
      u"C:\\Windows", u"c:/x", u"\\\\server\\share", u"//server/share", u"/\\server\\share", u"/Windows/notepad.exe",
      u"\\x", u"..\\..\\Windows\\win.ini", u"www.example.com\\..\\x", u"https:foo", u"http:/x", u"http:\\\\server",
      u" javascript:alert(1)", u"www.example.com:/x", u"example.com:80a", u"localhost:8080", u"www.exa mple.com:80",
      u"www.example.com:8080:1", u"a.b:c/d", u"http://x\ny", u"http://x\t", std::u16string(u"http://x\0y", 10),
      u"http://x\x7f", u"http://x\x85", u"www.x.com\u2028/", u"\u2029http://x"};
  const auto check = [](const std::u16string& address, bool opens) {
    EXPECT_EQ(IsSafePushedAddress(address), opens) << Narrow(address);
    BrowseState state = State("enabled");
    EXPECT_EQ(Received(state, u"brows", address), opens ? "handled, sends /xsurfak47 " + Narrow(address) : "handled");
  };
  for (const std::u16string& address : safe) check(address, true);
  for (const std::u16string& address : hostile) check(address, false);
}

// Where a page may take the window by itself: plain web addresses, a blank page, its own script
// and the control's error pages; nothing that reaches files, programs or other protocols.
TEST(PageAddress, OnlyWebAddressesBlankScriptAndErrorPagesAreFollowed) {
  const std::u16string followed[] = {
      u"http://www.example.com/", u"HTTPS://Example.COM/a?b=c#d", u"http://127.0.0.1:8080/page", u"about:blank",
      u"ABOUT:BLANK", u"javascript:void(0)", u"JavaScript:alert(1)", u"res://ieframe.dll/dnserror.htm#http://x/",
      u"RES://IEFRAME.DLL/navcancl.htm", u"res://shdoclc.dll/http_404.htm"};
  const std::u16string refused[] = {
      u"file:///C:/Windows/System32/calc.exe", u"C:\\Windows\\win.ini", u"\\\\server\\share\\x.exe",
      u"mailto:a@example.com", u"ms-settings:", u"ms-msdt:/id x", u"search-ms:query=x", u"vbscript:msgbox(1)",
      u"res://shell32.dll/#2/#137", u"res://ieframe.dll.evil/x", u"res://c:\\x.dll/a", u"about:blank2", u"about:home",
      u"mk:@MSITStore:C:\\x.chm::/a.htm", u"data:text/html,x", u"ftp://example.com/", u"www.example.com/page",
      u"", u" http://x", u"http://x\ny", u"its:C:\\x.chm"};
  for (const std::u16string& address : followed) EXPECT_TRUE(IsAllowedPageAddress(address)) << Narrow(address);
  for (const std::u16string& address : refused) EXPECT_FALSE(IsAllowedPageAddress(address)) << Narrow(address);
}

TEST(PageShortcut, OnlyCtrlShortcutsThatOpenWindowsOrFilesAreRefused) {
  for (const char16_t key : {u'N', u'O', u'L', u'S', u'P'}) {
    EXPECT_TRUE(IsRefusedBrowserShortcut(key, true, false)) << static_cast<char>(key);
    EXPECT_FALSE(IsRefusedBrowserShortcut(key, false, false)) << "typed text";
    EXPECT_FALSE(IsRefusedBrowserShortcut(key, true, true)) << "AltGr types text";
  }
  for (const char16_t key : {u'C', u'V', u'X', u'A', u'F', u'Z'}) EXPECT_FALSE(IsRefusedBrowserShortcut(key, true, false));
}

}  // namespace
}  // namespace duvisto
