// Scenario lines: what the two users do, one line at a time.
//
//   A> text               user A types and sends `text` (exactly as written after "> ")
//   B> /xbenable          the same for user B
//   @without-plugin B     user B's host has no plug-in (before the first message only)
//   @send A \tbrowsx      A's host puts a raw text on the wire; \t \n \r \\ \xNN \uNNNN escapes
//   @hold B               B's windows stay open until released
//   @release B            B's windows are closed again after the pause
//   @go B address         the robot types the address into B's open browser window (held) and
//                         presses GO; the same escapes as @send
//   @repeat N @send A x   the line after the count N times over, then one wait for the effects
//   @note text            a heading in the transcript
//   # comment             blank lines and comments are skipped
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace host {

struct Step {
  enum class Kind { Type, Send, Hold, Release, Note, WithoutPlugin, Go };
  Kind kind = Kind::Note;
  int user = 0;  // 0 is A, 1 is B
  std::wstring text;
  int repeat = 1;  // how many times it is done before the effects are waited for
  int line = 0;
};

// One line. False with `error` for a malformed line; `step` stays empty for a blank line or a
// comment.
bool ParseScenarioLine(std::wstring_view line, std::optional<Step>& step, std::wstring& error);

inline bool IsSetupStep(const Step& step) { return step.kind == Step::Kind::WithoutPlugin; }

// A whole scenario file (UTF-8, with or without a byte-order mark). On failure `error` reads
// "FILE:LINE: what is wrong", or says why the file cannot be read.
bool LoadScenario(const std::wstring& path, std::vector<Step>& steps, std::wstring& error);

}  // namespace host
