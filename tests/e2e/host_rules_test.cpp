// The host's reading rules, table-driven: sent texts, scenario lines and the transcript's escapes.
#include <gtest/gtest.h>

#include "chat_text.h"
#include "scenario.h"
#include "text_format.h"

namespace {

// "command WORD|REST", "notification CODE|PAYLOAD" or "chat".
std::wstring SentAs(const wchar_t* text) {
  if (host::IsSlashCommand(text)) {
    const host::CommandParts parts = host::SplitCommand(text);
    return L"command " + parts.word + L"|" + parts.rest;
  }
  const auto notification = host::AsNotification(text);
  return notification ? L"notification " + notification->code + L"|" + notification->payload : L"chat";
}

// "KIND USER TEXT", "skipped", or "error: ..." for a malformed line.
std::wstring ScenarioLine(const wchar_t* line) {
  static const wchar_t* const kinds[] = {L"type", L"send", L"hold", L"release", L"note", L"without-plugin", L"go"};
  std::optional<host::Step> step;
  std::wstring error;
  if (!host::ParseScenarioLine(line, step, error)) return L"error: " + error;
  if (!step) return L"skipped";
  const std::wstring times = step->repeat > 1 ? std::to_wstring(step->repeat) + L"x " : L"";
  return times + kinds[static_cast<int>(step->kind)] + std::wstring(L" ") + L"AB"[step->user] + L" " + step->text;
}

TEST(HostRules, SentTextIsACommandANotificationOrChat) {
  const std::pair<const wchar_t*, const wchar_t*> cases[] = {
      {L"/xnewurl https://a.example/x y", L"command /xnewurl|https://a.example/x y"},
      {L"/xnewurl  two blanks", L"command /xnewurl| two blanks"},
      {L"/xbenable ", L"command /xbenable|"},
      {L"/xnewurl\thttps://a", L"command /xnewurl\thttps://a|"},  // only the blank separates
      {L"/", L"command /|"},  {L" /xbenable", L"chat"},  {L"", L"chat"},
      {L"\tbrowshttps://example.com", L"notification brows|https://example.com"},
      {L"\tcheck", L"notification check|"},
      {L"\tBROWS\tcheck", L"notification BROWS|\tcheck"},
      {L"\tchec", L"chat"},  {L"\tch3ckx", L"chat"},  {L"\tbr ws", L"chat"},  {L" \tbrowsx", L"chat"},
      {L"browsx", L"chat"},
  };
  for (const auto& [text, expected] : cases) EXPECT_EQ(SentAs(text), expected) << host::ToUtf8(text);
}

TEST(HostRules, ScenarioLinesParseOrSayWhatIsWrong) {
  const std::pair<const wchar_t*, const wchar_t*> cases[] = {
      {L"A> hello", L"type A hello"},
      {L"b>  two blanks", L"type B  two blanks"},
      {L"B>/xbenable\r", L"type B /xbenable"},
      {L"@send A \\tbrows\\\\\\\\srv\\\\share", L"send A \tbrows\\\\srv\\share"},
      {L"@send B x\\x02\\u2028\\n\\r", L"send B x\x02\x2028\n\r"},
      {L"@hold B", L"hold B "},  {L"@release a", L"release A "},
      {L"@without-plugin B", L"without-plugin B "},
      {L"@go B http://127.0.0.1:8000/x?a=1", L"go B http://127.0.0.1:8000/x?a=1"},
      {L"@note B wakes up", L"note A B wakes up"},
      {L"   ", L"skipped"},  {L"  # indented comment", L"skipped"},  {L"\r", L"skipped"},
      // Errors are compared by their start.
      {L"A> ", L"error: nothing to send after A>"},
      {L"C> hello", L"error: expected \"A> message\""},
      {L" A> indented", L"error: expected \"A> message\""},
      {L"@hold", L"error: @hold needs a user, A or B"},  {L"@hold A now", L"error: @hold takes only a user"},
      {L"@send A", L"error: @send needs a text"},  {L"@go B", L"error: @go needs a text"},
      {L"@go", L"error: @go needs a user, A or B"},  {L"@send A \\q", L"error: unknown escape \\q"},
      {L"@send A \\x4", L"error: \\x needs 2 hex digits"},  {L"@send A x\\", L"error: a lone backslash"},
      {L"@wait 5", L"error: unknown directive \"@wait\""},
      {L"@repeat 3000 @send A \\tbrowsx", L"3000x send A \tbrowsx"},  {L"@repeat 2 B> hi", L"2x type B hi"},
      {L"@repeat 1 A> hi", L"type A hi"},
      {L"@repeat 0 A> hi", L"error: @repeat needs a count from 1 to 100000"},
      {L"@repeat 100001 A> hi", L"error: @repeat needs a count"},  {L"@repeat x A> hi", L"error: @repeat needs a count"},
      {L"@repeat 2 @hold B", L"error: @repeat repeats a typed line or an @send"},
      {L"@repeat 2 # nothing", L"error: @repeat repeats"},  {L"@repeat 2 @send A", L"error: @send needs a text"},
  };
  for (const auto& [line, expected] : cases) {
    const std::wstring got = ScenarioLine(line);
    const bool error = std::wstring_view(expected).substr(0, 7) == L"error: ";
    EXPECT_EQ(error ? got.substr(0, wcslen(expected)) : got, expected) << host::ToUtf8(line);
  }
}

TEST(HostRules, TranscriptShowsControlCharactersEscaped) {
  EXPECT_EQ(host::Quoted(L"\tstatus \x02" L"a\r\nb\x7F\x85\x2028\x2029"),
            L"\"\\tstatus \\x02a\\r\\nb\\x7F\\x85\\u2028\\u2029\"");
  EXPECT_EQ(host::Visible(L"\\\\server\\share é"), L"\\\\server\\share é");
}

}  // namespace
