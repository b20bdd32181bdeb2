#include "scenario.h"

#include <windows.h>


#include "text_format.h"
#include "unique_any.h"

namespace host {

namespace {

bool UserOf(std::wstring_view word, int& user) {
  if (word == L"A" || word == L"a") {
    user = 0;
    return true;
  }
  if (word == L"B" || word == L"b") {
    user = 1;
    return true;
  }
  return false;
}

int HexDigit(wchar_t c) {
  if (c >= L'0' && c <= L'9') return c - L'0';
  if (c >= L'a' && c <= L'f') return c - L'a' + 10;
  if (c >= L'A' && c <= L'F') return c - L'A' + 10;
  return -1;
}

bool Unescape(std::wstring_view text, std::wstring& out, std::wstring& error) {
  out.clear();
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != L'\\') {
      out += text[i];
      continue;
    }
    if (++i == text.size()) {
      error = L"a lone backslash at the end of the text";
      return false;
    }
    switch (text[i]) {
      case L't': out += L'\t'; break;
      case L'n': out += L'\n'; break;
      case L'r': out += L'\r'; break;
      case L'\\': out += L'\\'; break;
      case L'x':
      case L'u': {
        size_t digits = text[i] == L'x' ? 2 : 4;
        unsigned value = 0;
        for (size_t d = 0; d < digits; ++d) {
          int v = i + 1 + d < text.size() ? HexDigit(text[i + 1 + d]) : -1;
          if (v < 0) {
            error = L"\\" + std::wstring(1, text[i]) + L" needs " + std::to_wstring(digits) + L" hex digits";
            return false;
          }
          value = value * 16 + static_cast<unsigned>(v);
        }
        out += static_cast<wchar_t>(value);
        i += digits;
        break;
      }
      default:
        error = L"unknown escape \\" + std::wstring(1, text[i]) + L" (use \\t \\n \\r \\\\ \\xNN \\uNNNN)";
        return false;
    }
  }
  return true;
}

// "@word rest": the directive's word and the text after the first blank.
void SplitDirective(std::wstring_view line, std::wstring_view& word, std::wstring_view& rest) {
  size_t blank = line.find(L' ');
  word = line.substr(0, blank);
  rest = blank == std::wstring_view::npos ? std::wstring_view() : line.substr(blank + 1);
}

constexpr int kMostRepeats = 100000;

bool ParseRepeat(std::wstring_view rest, Step& step, std::wstring& error) {
  std::wstring_view count;
  std::wstring_view line;
  SplitDirective(rest, count, line);
  int times = 0;
  for (const wchar_t c : count) {
    if (c < L'0' || c > L'9' || times > kMostRepeats) {
      times = 0;
      break;
    }
    times = times * 10 + (c - L'0');
  }
  if (times < 1 || times > kMostRepeats) {
    error = L"@repeat needs a count from 1 to " + std::to_wstring(kMostRepeats);
    return false;
  }
  std::optional<Step> repeated;
  if (!ParseScenarioLine(line, repeated, error)) return false;
  if (!repeated || (repeated->kind != Step::Kind::Type && repeated->kind != Step::Kind::Send)) {
    error = L"@repeat repeats a typed line or an @send";
    return false;
  }
  step = std::move(*repeated);
  step.repeat = times;
  return true;
}

bool ParseDirective(std::wstring_view line, Step& step, std::wstring& error) {
  std::wstring_view word;
  std::wstring_view rest;
  SplitDirective(line, word, rest);
  if (word == L"@repeat") return ParseRepeat(rest, step, error);
  if (word == L"@note") {
    step.kind = Step::Kind::Note;
    step.text = rest;
    return true;
  }
  struct UserDirective {
    const wchar_t* word;
    Step::Kind kind;
    bool takesText;
  };
  const UserDirective directives[] = {{L"@without-plugin", Step::Kind::WithoutPlugin, false},
                                      {L"@hold", Step::Kind::Hold, false},
                                      {L"@release", Step::Kind::Release, false},
                                      {L"@send", Step::Kind::Send, true},
                                      {L"@go", Step::Kind::Go, true}};
  for (const UserDirective& directive : directives) {
    if (word != directive.word) continue;
    std::wstring_view userWord;
    std::wstring_view text;
    SplitDirective(rest, userWord, text);
    if (!UserOf(userWord, step.user)) {
      error = std::wstring(directive.word) + L" needs a user, A or B";
      return false;
    }
    step.kind = directive.kind;
    if (!directive.takesText) {
      if (!text.empty()) {
        error = std::wstring(directive.word) + L" takes only a user";
        return false;
      }
      return true;
    }
    if (!Unescape(text, step.text, error)) return false;
    if (step.text.empty()) {
      error = std::wstring(directive.word) + L" needs a text";
      return false;
    }
    return true;
  }
  error = L"unknown directive " + Quoted(word);
  return false;
}

}  // namespace

bool ParseScenarioLine(std::wstring_view line, std::optional<Step>& step, std::wstring& error) {
  step.reset();
  if (!line.empty() && line.back() == L'\r') line.remove_suffix(1);
  size_t start = line.find_first_not_of(L" \t");
  if (start == std::wstring_view::npos || line[start] == L'#') return true;

  Step parsed;
  if (line[0] == L'@') {
    if (!ParseDirective(line, parsed, error)) return false;
    step = std::move(parsed);
    return true;
  }
  if (line.size() >= 2 && line[1] == L'>' && UserOf(line.substr(0, 1), parsed.user)) {
    std::wstring_view text = line.substr(2);
    if (!text.empty() && text.front() == L' ') text.remove_prefix(1);
    if (text.empty()) {
      error = L"nothing to send after " + std::wstring(line.substr(0, 2));
      return false;
    }
    parsed.kind = Step::Kind::Type;
    parsed.text = text;
    step = std::move(parsed);
    return true;
  }
  error = L"expected \"A> message\", \"B> message\", a directive (@...) or a comment (#...)";
  return false;
}

bool LoadScenario(const std::wstring& path, std::vector<Step>& steps, std::wstring& error) {
  const duvisto::UniqueFile file(
      CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  if (!file) {
    error = path + L": cannot open the scenario (error " + std::to_wstring(GetLastError()) + L")";
    return false;
  }
  std::string bytes;
  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(file.get(), buffer, sizeof(buffer), &got, nullptr) && got > 0) bytes.append(buffer, got);
  if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) bytes.erase(0, 3);
  std::wstring text = FromUtf8(bytes);

  steps.clear();
  bool messagesBegun = false;
  int lineNumber = 0;
  size_t position = 0;
  while (position <= text.size()) {
    size_t end = text.find(L'\n', position);
    if (end == std::wstring::npos) end = text.size();
    std::wstring_view line(text.data() + position, end - position);
    position = end + 1;
    ++lineNumber;
    if (line.empty() && position > text.size()) break;

    std::optional<Step> step;
    std::wstring problem;
    if (!ParseScenarioLine(line, step, problem)) {
      error = path + L":" + std::to_wstring(lineNumber) + L": " + problem;
      return false;
    }
    if (!step) continue;
    if (IsSetupStep(*step) && messagesBegun) {
      error = path + L":" + std::to_wstring(lineNumber) + L": @without-plugin must come before the first message";
      return false;
    }
    if (step->kind != Step::Kind::Note && !IsSetupStep(*step)) messagesBegun = true;
    step->line = lineNumber;
    steps.push_back(std::move(*step));
  }
  return true;
}

}  // namespace host
