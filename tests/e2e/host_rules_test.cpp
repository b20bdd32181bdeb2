// The host's reading rules, table-driven: how a sent text splits into a command or a
// notification, how scenario lines parse, and how control characters show in the transcript.
#include <gtest/gtest.h>

#include <windows.h>

#include <optional>
#include <string>

#include "chat_text.h"
#include "scenario.h"
#include "text_format.h"

namespace {

using host::Step;

TEST(HostRules, SlashLineSplitsAtTheFirstBlankOnly) {
  struct Case {
    const wchar_t* line;
    const wchar_t* word;
    const wchar_t* rest;
  } cases[] = {
      {L"/xnewurl https://a.example/x y", L"/xnewurl", L"https://a.example/x y"},
      {L"/xnewurl  two blanks", L"/xnewurl", L" two blanks"},
      {L"/xbenable", L"/xbenable", L""},
      {L"/xbenable ", L"/xbenable", L""},
      {L"/xnewurl\thttps://a", L"/xnewurl\thttps://a", L""},  // only the blank separates
  };
  for (const Case& c : cases) {
    host::CommandParts parts = host::SplitCommand(c.line);
    EXPECT_EQ(parts.word, c.word) << host::ToUtf8(c.line);
    EXPECT_EQ(parts.rest, c.rest) << host::ToUtf8(c.line);
  }
  EXPECT_TRUE(host::IsSlashCommand(L"/"));
  EXPECT_FALSE(host::IsSlashCommand(L" /xbenable"));
  EXPECT_FALSE(host::IsSlashCommand(L""));
}

TEST(HostRules, NotificationIsTabFiveLettersAndPayload) {
  auto code = [](const wchar_t* text) -> std::wstring {
    std::optional<host::Notification> n = host::AsNotification(text);
    return n ? n->code + L"|" + n->payload : L"chat";
  };
  EXPECT_EQ(code(L"\tbrowshttps://example.com"), L"brows|https://example.com");
  EXPECT_EQ(code(L"\tcheck"), L"check|");
  EXPECT_EQ(code(L"\tBROWSx"), L"BROWS|x");
  EXPECT_EQ(code(L"\tbrows\tcheck"), L"brows|\tcheck");
  EXPECT_EQ(code(L"\tchec"), L"chat");
  EXPECT_EQ(code(L"\tch3ckx"), L"chat");
  EXPECT_EQ(code(L"\tbr ws"), L"chat");
  EXPECT_EQ(code(L" \tbrowsx"), L"chat");
  EXPECT_EQ(code(L"browsx"), L"chat");
}

TEST(HostRules, ScenarioLinesParseIntoSteps) {
  struct Case {
    const wchar_t* line;
    Step::Kind kind;
    int user;
    const wchar_t* text;
  } cases[] = {
      {L"A> hello", Step::Kind::Type, 0, L"hello"},
      {L"b>  two blanks", Step::Kind::Type, 1, L" two blanks"},
      {L"B>/xbenable\r", Step::Kind::Type, 1, L"/xbenable"},
      {L"@send A \\tbrows\\\\\\\\srv\\\\share", Step::Kind::Send, 0, L"\tbrows\\\\srv\\share"},
      {L"@send B x\\x02\\u2028\\n\\r", Step::Kind::Send, 1, L"x\x02\x2028\n\r"},
      {L"@hold B", Step::Kind::Hold, 1, L""},
      {L"@release a", Step::Kind::Release, 0, L""},
      {L"@without-plugin B", Step::Kind::WithoutPlugin, 1, L""},
      {L"@note B wakes up", Step::Kind::Note, 0, L"B wakes up"},
  };
  for (const Case& c : cases) {
    std::optional<Step> step;
    std::wstring error;
    ASSERT_TRUE(host::ParseScenarioLine(c.line, step, error)) << host::ToUtf8(c.line) << ": " << host::ToUtf8(error);
    ASSERT_TRUE(step.has_value()) << host::ToUtf8(c.line);
    EXPECT_EQ(step->kind, c.kind) << host::ToUtf8(c.line);
    EXPECT_EQ(step->user, c.user) << host::ToUtf8(c.line);
    EXPECT_EQ(step->text, c.text) << host::ToUtf8(c.line);
  }
  for (const wchar_t* skipped : {L"", L"   ", L"# comment", L"  # indented comment", L"\r"}) {
    std::optional<Step> step;
    std::wstring error;
    EXPECT_TRUE(host::ParseScenarioLine(skipped, step, error));
    EXPECT_FALSE(step.has_value()) << host::ToUtf8(skipped);
  }
}

TEST(HostRules, MalformedScenarioLinesSayWhatIsWrong) {
  struct Case {
    const wchar_t* line;
    const wchar_t* error;
  } cases[] = {
      {L"A>", L"nothing to send after A>"},
      {L"A> ", L"nothing to send after A>"},
      {L"C> hello", L"expected \"A> message\""},
      {L"hello", L"expected \"A> message\""},
      {L" A> indented", L"expected \"A> message\""},
      {L"@hold", L"@hold needs a user, A or B"},
      {L"@hold A now", L"@hold takes only a user"},
      {L"@send A", L"@send needs a text"},
      {L"@send A \\q", L"unknown escape \\q"},
      {L"@send A \\x4", L"\\x needs 2 hex digits"},
      {L"@send A x\\", L"a lone backslash"},
      {L"@wait 5", L"unknown directive \"@wait\""},
  };
  for (const Case& c : cases) {
    std::optional<Step> step;
    std::wstring error;
    EXPECT_FALSE(host::ParseScenarioLine(c.line, step, error)) << host::ToUtf8(c.line);
    EXPECT_NE(error.find(c.error), std::wstring::npos) << host::ToUtf8(c.line) << " gave " << host::ToUtf8(error);
  }
}

TEST(HostRules, SetupDirectiveAfterTheFirstMessageIsRefusedWithItsLine) {
  wchar_t folder[MAX_PATH];
  wchar_t path[MAX_PATH];
  GetTempPathW(MAX_PATH, folder);
  GetTempFileNameW(folder, L"scn", 0, path);
  const char text[] = "\xEF\xBB\xBF# a byte-order mark first\r\n@note start\r\nA> hi\r\n@without-plugin B\r\n";
  HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  DWORD written = 0;
  WriteFile(file, text, sizeof(text) - 1, &written, nullptr);
  CloseHandle(file);

  std::vector<Step> steps;
  std::wstring error;
  EXPECT_FALSE(host::LoadScenario(path, steps, error));
  EXPECT_EQ(error, std::wstring(path) + L":4: @without-plugin must come before the first message");
  DeleteFileW(path);
}

TEST(HostRules, TranscriptShowsControlCharactersEscaped) {
  EXPECT_EQ(host::Visible(L"\tcheck"), L"\\tcheck");
  EXPECT_EQ(host::Visible(L"status \x02" L"enabled."), L"status \\x02enabled.");
  EXPECT_EQ(host::Visible(L"a\r\nb\x7F\x85\x2028\x2029"), L"a\\r\\nb\\x7F\\x85\\u2028\\u2029");
  EXPECT_EQ(host::Visible(L"\\\\server\\share é"), L"\\\\server\\share é");
  EXPECT_EQ(host::Quoted(L""), L"\"\"");
}

}  // namespace
