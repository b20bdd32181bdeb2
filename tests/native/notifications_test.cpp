// ReceiveNotify: the status answer, the push rules and the echo of our own push.
#include "notifications.h"

#include <gtest/gtest.h>

#include "push_address.h"
#include "recording_plugin_ui.h"

namespace duvisto {
namespace {

const std::u16string kEnabled = u"enabled";
const std::u16string kDisabled = u"disabled";
const std::u16string kAnswerStart =
    u"I have Messenger Plus! and morvane12's Duvisto plug-in (v1.0.0). My remote browsing status is \x02";

TEST(StatusCheck, AnsweredInAnyLetterCaseWithTheCurrentStatus) {
  const struct {
    std::u16string code;
    std::optional<std::u16string> status;
    std::u16string answer;
  } cases[] = {
      {u"check", kDisabled, kAnswerStart + u"disabled."},
      {u"CHECK", kEnabled, kAnswerStart + u"enabled."},
      {u"cHeCk", std::nullopt, kAnswerStart + u"."},
  };
  for (const auto& c : cases) {
    BrowseState state = StateWith(c.status, u"me");
    const NotifyResult result = ReceiveNotify(state, c.code, u"anything at all");
    EXPECT_TRUE(result.handled);
    EXPECT_TRUE(result.textToSendWritten);
    EXPECT_EQ(result.textToSend, c.answer);
    EXPECT_EQ(state, StateWith(c.status, u"me"));
  }
}

TEST(NotificationCodes, OthersAreNotOurs) {
  const std::u16string foreign[] = {u"chec",  u"checks", u" check", u"check ", u"brow", u"browse", u"xbrows",
                                    u"",      std::u16string(u"check\0", 6), std::u16string(u"brows\0", 6),
                                    u"CHEC\u212A", u"bro\u0175s", u"\tbrows"};
  for (const std::u16string& code : foreign) {
    BrowseState state = StateWith(kEnabled, u"me");  // an echo marker a foreign code must not clear
    const NotifyResult result = ReceiveNotify(state, code, u"www.example.com");
    EXPECT_FALSE(result.handled) << ::testing::PrintToString(code);
    EXPECT_FALSE(result.textToSendWritten);
    EXPECT_EQ(state, StateWith(kEnabled, u"me"));
  }
}

TEST(PushEcho, OwnPushIsSwallowedOnceWhateverTheStatus) {
  for (const std::optional<std::u16string>& status : {std::optional(kEnabled), std::optional(kDisabled)}) {
    BrowseState state = StateWith(status, u"me");
    const NotifyResult echo = ReceiveNotify(state, u"Brows", u"www.example.com");
    EXPECT_FALSE(echo.handled);
    EXPECT_FALSE(echo.textToSendWritten);
    EXPECT_EQ(state, StateWith(status));

    const NotifyResult next = ReceiveNotify(state, u"brows", u"www.example.com");
    EXPECT_TRUE(next.handled);
    EXPECT_EQ(next.textToSendWritten, status == kEnabled);
  }
}

TEST(PushEcho, OnlyTheExactMarkerCounts) {
  BrowseState state = StateWith(kEnabled, u"Me");
  const NotifyResult result = ReceiveNotify(state, u"brows", u"www.example.com");
  EXPECT_TRUE(result.handled);
  EXPECT_EQ(result.textToSend, u"/xsurfak47 www.example.com");
  EXPECT_EQ(state, StateWith(kEnabled, u"Me"));
}

TEST(PartnerPush, ConsumedUnlessEnabled) {
  for (const std::optional<std::u16string>& status :
       {std::optional(kDisabled), std::optional<std::u16string>(), std::optional<std::u16string>(u"Enabled")}) {
    BrowseState state = StateWith(status);
    const NotifyResult result = ReceiveNotify(state, u"brows", u"http://example.com/");
    EXPECT_TRUE(result.handled);
    EXPECT_FALSE(result.textToSendWritten);
    EXPECT_EQ(state, StateWith(status));
  }
}

// Pushed addresses: each is checked by the rule alone and through a push with browsing enabled.
struct AddressCase {
  std::u16string address;
  bool safe;
};

void PrintTo(const AddressCase& c, std::ostream* os) { *os << ::testing::PrintToString(c.address); }

class PushedAddressTest : public ::testing::TestWithParam<AddressCase> {};

TEST_P(PushedAddressTest, OpenedOnlyWhenSafe) {
  const AddressCase& c = GetParam();
  EXPECT_EQ(IsSafePushedAddress(c.address), c.safe);

  BrowseState state = StateWith(kEnabled);
  const NotifyResult result = ReceiveNotify(state, u"brows", c.address);
  EXPECT_TRUE(result.handled);
  EXPECT_EQ(result.textToSendWritten, c.safe);
  if (c.safe) {
    EXPECT_EQ(result.textToSend, u"/xsurfak47 " + c.address);
  }
  EXPECT_EQ(state, StateWith(kEnabled));
}

std::u16string WithUnit(std::u16string_view before, char16_t unit, std::u16string_view after) {
  return std::u16string(before) + unit + std::u16string(after);
}

INSTANTIATE_TEST_SUITE_P(
    Accepted, PushedAddressTest,
    ::testing::Values(AddressCase{u"http://www.example.com/", true}, AddressCase{u"HTTPS://Example.COM/a?b=c#d", true},
                      AddressCase{u"hTtP://x", true}, AddressCase{u"http://example.com/C:\\Windows", true},
                      AddressCase{u"www.example.com/page", true}, AddressCase{u"example.com", true},
                      AddressCase{u"", true}, AddressCase{u"www.example.com:8080/page", true},
                      AddressCase{u"example.com:8080", true}, AddressCase{u"192.0.2.1:80/x", true},
                      AddressCase{u"www.example.com/a:b", true}, AddressCase{u"search?q=duvisto", true},
                      AddressCase{u"caf\u00e9.example.org/menu", true}));

INSTANTIATE_TEST_SUITE_P(
    Hostile, PushedAddressTest,
    ::testing::Values(
        AddressCase{u"file:///C:/Windows/System32/calc.exe", false}, AddressCase{u"FILE://c:/x", false},
        AddressCase{u"javascript:alert(1)", false}, AddressCase{u"JavaScript:alert('http://x')", false},
        AddressCase{u"vbscript:msgbox(1)", false}, AddressCase{u"about:blank", false},
        AddressCase{u"res://shdoclc.dll/about.htm", false}, AddressCase{u"mk:@MSITStore:C:\\x.chm::/a.htm", false},
        AddressCase{u"data:text/html,<script>alert(1)</script>", false}, AddressCase{u"ms-settings:", false},
        AddressCase{u"ftp://example.com/x", false}, AddressCase{u"mailto:a@example.com", false},
        AddressCase{u"C:\\Windows", false}, AddressCase{u"c:/x", false}, AddressCase{u"\\\\server\\share", false},
        AddressCase{u"//server/share", false}, AddressCase{u"/\\server\\share", false},
        AddressCase{u"/Windows/notepad.exe", false}, AddressCase{u"\\x", false},
        AddressCase{u"..\\..\\Windows\\win.ini", false}, AddressCase{u"www.example.com\\..\\x", false},
        AddressCase{u"https:foo", false}, AddressCase{u"http:/x", false}, AddressCase{u"http:\\\\server", false},
        AddressCase{u" javascript:alert(1)", false}, AddressCase{u"www.example.com:/x", false},
        AddressCase{u"example.com:80a", false}, AddressCase{u"localhost:8080", false},
        AddressCase{u"www.exa mple.com:80", false}, AddressCase{u"www.example.com:8080:1", false},
        AddressCase{u"a.b:c/d", false}, AddressCase{u"http://x\ny", false}, AddressCase{u"http://x\t", false},
        AddressCase{std::u16string(u"http://x\0y", 10), false}, AddressCase{u"http://x\x7f", false},
        AddressCase{WithUnit(u"http://x", 0x85, u""), false}, AddressCase{WithUnit(u"www.x.com", 0x2028, u"/"), false},
        AddressCase{WithUnit(u"", 0x2029, u"http://x"), false}));

}  // namespace
}  // namespace duvisto
