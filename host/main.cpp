// host.exe: a stand-in for the chat host, with two users A and B in one conversation, so a
// plug-in can be used end to end. How it meets the host contract, and what it decides where the
// contract leaves the choice open, is in host/README.md.
#include <windows.h>

#include <array>
#include <optional>

#include "console_input.h"
#include "exit_codes.h"
#include "options.h"
#include "scenario.h"
#include "session.h"
#include "text_format.h"
#include "transcript.h"

namespace host {
namespace {

std::wstring Echo(const Step& step) {
  const std::wstring user(1, static_cast<wchar_t>(L'A' + step.user));
  if (step.repeat > 1) {
    Step once = step;
    once.repeat = 1;
    return L"@repeat " + std::to_wstring(step.repeat) + L" " + Echo(once);
  }
  switch (step.kind) {
    case Step::Kind::Type: return user + L"> " + Visible(step.text);
    case Step::Kind::Send: return L"@send " + user + L" " + Visible(step.text);
    case Step::Kind::Hold: return L"@hold " + user;
    case Step::Kind::Release: return L"@release " + user;
    case Step::Kind::Note: return L"== " + step.text;
    case Step::Kind::WithoutPlugin: return L"@without-plugin " + user;
    case Step::Kind::Go: return L"@go " + user + L" " + Visible(step.text);
  }
  return {};
}

// Ends the process at once when a user's thread is stuck and cannot be waited for.
[[noreturn]] void Abandon(int code) { ExitProcess(static_cast<UINT>(code)); }

int NotSettled(Transcript& transcript, Session& session, const std::wstring& where, const Options& options) {
  transcript.Error(where + L": the conversation did not settle within " +
                   std::to_wstring(options.SettleTimeout().count()) + L" s (" + session.Pending() + L")");
  if (!session.GiveUp()) Abandon(kExitNotSettled);
  return kExitNotSettled;
}

int Finish(Session& session, const Options& options) {
  int code = session.End(options.SettleTimeout());
  if (code == kExitHostFailure || code == kExitNotSettled) Abandon(code);
  return code;
}

int RunScenario(Transcript& transcript, const Options& options, const RobotOptions& robot) {
  std::vector<Step> steps;
  std::wstring error;
  if (!LoadScenario(options.scenario, steps, error)) {
    transcript.Error(error);
    return kExitBadScenario;
  }
  std::array<bool, kUserCount> withPlugins{true, true};
  for (const Step& step : steps) {
    if (IsSetupStep(step)) withPlugins[step.user] = false;
  }
  Session session(transcript, robot);
  if (int code = session.Begin(withPlugins); code != kExitOk) return code;
  for (const Step& step : steps) {
    if (IsSetupStep(step)) continue;
    transcript.Line(Echo(step));
    session.Perform(step);
    if (!session.WaitUntilSettled(options.SettleTimeout())) {
      return NotSettled(transcript, session, options.scenario + L":" + std::to_wstring(step.line), options);
    }
  }
  return Finish(session, options);
}

int RunConsole(Transcript& transcript, const Options& options, const RobotOptions& robot) {
  transcript.Line(L"Type lines such as \"A> /xbenable\" or \"B> hello\"; end with Ctrl+Z (Ctrl+D) or \"quit\".");
  ConsoleInput input;
  Session session(transcript, robot);
  std::array<bool, kUserCount> withPlugins{true, true};
  std::wstring line;
  int lineNumber = 0;
  while (input.ReadLine(line)) {
    ++lineNumber;
    if (line == L"quit") break;
    std::optional<Step> step;
    std::wstring error;
    const std::wstring where = L"console:" + std::to_wstring(lineNumber);
    if (!ParseScenarioLine(line, step, error)) {
      transcript.Error(where + L": " + error);
      continue;
    }
    if (!step) continue;
    if (IsSetupStep(*step)) {
      if (session.Begun()) {
        transcript.Error(where + L": @without-plugin must come before the first message");
      } else {
        withPlugins[step->user] = false;
      }
      continue;
    }
    if (!session.Begun()) {
      if (int code = session.Begin(withPlugins); code != kExitOk) return code;
    }
    transcript.Line(Echo(*step));
    session.Perform(*step);
    // With the robot the lines take turns as in a scenario; a person may type while windows are open.
    if (robot.closeWindows && !session.WaitUntilSettled(options.SettleTimeout())) {
      return NotSettled(transcript, session, where, options);
    }
  }
  return Finish(session, options);
}

}  // namespace
}  // namespace host

int wmain(int argc, wchar_t** argv) {
  using namespace host;
  Transcript transcript;
  Options options;
  std::wstring error;
  if (!ParseOptions(argc, argv, options, error)) {
    transcript.Error(error);
    transcript.Error(Usage());
    return kExitUsage;
  }
  if (options.help) {
    transcript.Line(Usage());
    return kExitOk;
  }
  if (!options.transcriptFile.empty() && !transcript.AlsoWriteTo(options.transcriptFile)) {
    transcript.Error(L"cannot write the transcript to " + options.transcriptFile);
    return kExitUsage;
  }
  if (!options.screenshotFolder.empty() && !CreateDirectoryW(options.screenshotFolder.c_str(), nullptr) &&
      GetLastError() != ERROR_ALREADY_EXISTS) {
    transcript.Error(L"cannot create the screenshot folder " + options.screenshotFolder);
    return kExitUsage;
  }
  RobotOptions robot;
  robot.closeWindows = options.RobotOn();
  robot.pause = options.pause;
  robot.screenshotFolder = options.screenshotFolder;
  return options.scenario.empty() ? RunConsole(transcript, options, robot) : RunScenario(transcript, options, robot);
}
