// Two users chatting through host.exe with the real Duvisto.dll. Each scenario file is one case:
// the lines to run and, in "#" lines the host skips, its setup and the transcript to expect:
//   #plugins NAME=PROGID...  the registered plug-ins (default Duvisto=Duvisto.Browse)
//   #key PATH NAME=TEXT...   other HKEY_LOCAL_MACHINE values for the run (=TEXT: the default value)
//   #args ARGS               host.exe's options before the file (default --pause 100); #exit N (default 0)
//   #> TEXT                  a later line contains TEXT      #+ TEXT  the very next line does
//   #N TEXT                  exactly N lines contain TEXT
//   #web> TEXT, #web+ TEXT, #webN TEXT   the same checks on the requests the test's web server
//                            received ("GET /page.html"), in the order they arrived
// A scenario that names {web} runs with that web server: {web} stands for its address
// (http://127.0.0.1:PORT) and {web-host} for 127.0.0.1:PORT, in the lines and in the checks.
#include "web_server.h"  // before <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <iterator>
#include <list>
#include <optional>
#include <sstream>

#include "host_run.h"

namespace e2e {
namespace {

using namespace std::chrono_literals;

std::wstring Wide(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }

struct Case {
  std::vector<std::pair<std::wstring, RegValues>> keys{
      {L"SOFTWARE\\Vendaro\\MsgPlus2\\RegisteredPlugins", {{L"Duvisto", L"Duvisto.Browse"}}}};
  std::wstring options = L"--pause 100";
  int exitCode = 0;
  std::vector<std::pair<std::string, std::string>> checks;     // marker (">", "+" or a count), text
  std::vector<std::pair<std::string, std::string>> webChecks;  // the same, on the server's requests
};

Case ReadCase(const std::string& path) {
  Case c;
  std::ifstream file(path);
  for (std::string line; std::getline(file, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.size() < 3 || line[0] != '#' || line[1] == ' ') continue;
    const size_t blank = std::min(line.find(' '), line.size());
    const std::string word = line.substr(1, blank - 1);
    std::istringstream rest(line.substr(std::min(blank + 1, line.size())));
    if (word == "key" || word == "plugins") {
      std::string key;
      if (word == "key") rest >> key;
      RegValues& values = key.empty() ? c.keys[0].second : c.keys.emplace_back(Wide(key), RegValues()).second;
      values.clear();
      for (std::string value; rest >> value;) {
        values.emplace_back(Wide(value.substr(0, value.find('='))), Wide(value.substr(value.find('=') + 1)));
      }
    } else if (word == "args") {
      c.options = Wide(rest.str());
    } else if (word == "exit") {
      rest >> c.exitCode;
    } else if (word.compare(0, 3, "web") == 0 && word.size() > 3) {
      c.webChecks.emplace_back(word.substr(3), rest.str());
    } else {
      c.checks.emplace_back(word, rest.str());
    }
  }
  return c;
}

// What failed, one check a line; empty when all held. `kind` names the checks ("#" or "#web").
std::string Verify(const std::vector<std::string>& lines, const std::vector<std::pair<std::string, std::string>>& checks,
                   const std::string& kind) {
  std::string failures;
  size_t next = 0;  // the line after the last one matched in order
  for (const auto& [marker, text] : checks) {
    auto has = [&lines, &text = text](size_t i) { return lines[i].find(text) != std::string::npos; };
    if (marker == "+" || marker == ">") {
      size_t at = next;
      while (marker == ">" && at < lines.size() && !has(at)) ++at;
      const bool found = at < lines.size() && has(at);
      if (!found) failures += kind + marker + " missing after line " + std::to_string(next);
      next = found ? at + 1 : next;
    } else if (std::isdigit(static_cast<unsigned char>(marker[0]))) {
      int count = 0;
      for (size_t i = 0; i < lines.size(); ++i) count += has(i);
      if (count != std::stoi(marker)) failures += kind + marker + " but " + std::to_string(count);
    } else {
      failures += "unknown check " + kind + marker;
    }
    if (failures.size() && failures.back() != '\n') failures += ": " + text + "\n";
  }
  return failures;
}

class Conversation : public ::testing::TestWithParam<const char*> {
 protected:
  static void SetUpTestSuite() {
    ASSERT_EQ(RunProgram(L"regsvr32.exe /s \"" + BesideTestProgram(L"Duvisto.dll") + L"\"").exitCode, 0);
  }
};

std::string ReadAll(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

void ReplaceAll(std::string& text, const std::string& token, const std::string& by) {
  for (size_t at = 0; (at = text.find(token, at)) != std::string::npos; at += by.size()) text.replace(at, token.size(), by);
}

// A copy of the scenario under the same name in a folder of the test's own, {web} and {web-host}
// replaced.
std::string WithAddress(const std::string& path, std::string text, const std::string& address) {
  ReplaceAll(text, "{web}", address);
  ReplaceAll(text, "{web-host}", address.substr(address.find("//") + 2));
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  const std::filesystem::path folder = std::filesystem::path(temp) / L"duvisto-e2e-web";
  std::filesystem::create_directories(folder);
  const std::filesystem::path copy = folder / std::filesystem::path(path).filename();
  std::ofstream(copy, std::ios::binary) << text;
  return copy.string();
}

TEST_P(Conversation, TranscriptAsExpected) {
  // The source folder, seen through Wine's drive Z: (the Unix root).
  std::string path = "Z:" E2E_SCENARIO_FOLDER "/" + std::string(GetParam()) + ".txt";
  const std::string original = ReadAll(path);
  ASSERT_FALSE(original.empty()) << "cannot read " << path;
  std::optional<LocalWebServer> web;
  if (original.find("{web") != std::string::npos) {
    ASSERT_FALSE(web.emplace().Address().empty()) << web->Problem();
    path = WithAddress(path, original, web->Address());
  }
  const Case c = ReadCase(path);
  ASSERT_FALSE(c.checks.empty()) << "no checks in " << path;
  std::list<RegistryValues> registry;  // put back in reverse order when the test ends
  for (const auto& [key, values] : c.keys) ASSERT_TRUE(registry.emplace_front(key).Set(values));

  std::wstring scenario = Wide(path);
  std::replace(scenario.begin(), scenario.end(), L'/', L'\\');
  const ProgramRun run =
      RunProgram(L"\"" + BesideTestProgram(L"host.exe") + L"\" " + c.options + L" \"" + scenario + L"\"");
  std::string transcript;
  for (const std::string& line : run.lines) transcript += line + "\n";
  std::string failures =
      run.exitCode == c.exitCode ? "" : "exit code " + std::to_string(run.exitCode) + ", not the one expected\n";
  failures += Verify(run.lines, c.checks, "#");
  if (web) {
    // A request sent just before host.exe ended may still wait to be accepted.
    web->WaitUntilQuiet(1s, 10s);
    const std::vector<std::string> requests = web->Requests();
    failures += Verify(requests, c.webChecks, "#web");
    transcript += "--- requests to " + web->Address() + ":\n";
    for (const std::string& request : requests) transcript += request + "\n";
  } else if (!c.webChecks.empty()) {
    failures += "#web checks in a scenario that names no {web} address\n";
  }
  EXPECT_TRUE(failures.empty()) << failures << "--- transcript:\n" << transcript;
}

INSTANTIATE_TEST_SUITE_P(Scenarios, Conversation,
                         ::testing::Values("push", "status_check", "partner_disabled", "partner_without_plugin",
                                           "hostile_push", "push_into_open_browser", "push_flood", "no_plugin", "bad_progid",
                                           "method_failure", "malformed", "late_setup", "bad_option",
                                           "browse_fetches", "push_fetches", "refused_push_fetches_nothing"),
                         [](const auto& info) { return std::string(info.param); });

}  // namespace
}  // namespace e2e
