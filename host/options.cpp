#include "options.h"

#include <cwchar>
#include <cwctype>

namespace host {

namespace {

bool Number(const wchar_t* text, long& value) {
  if (!text || !*text) return false;
  wchar_t* end = nullptr;
  value = std::wcstol(text, &end, 10);
  return *end == L'\0' && value >= 0;
}

}  // namespace

const wchar_t* Usage() {
  return L"usage: host.exe [options] [SCENARIO]\n"
         L"  Two users, A and B, chat through the plug-ins registered under\n"
         L"  HKEY_LOCAL_MACHINE\\SOFTWARE\\Vendaro\\MsgPlus2\\RegisteredPlugins.\n"
         L"  Without SCENARIO, lines such as \"A> /xbenable\" are read from the console.\n"
         L"options:\n"
         L"  --robot               close every window after the pause (default with a scenario)\n"
         L"  --manual              leave the windows to the person at the screen (default on the console)\n"
         L"  --pause MS            how long a window stays visible before the robot closes it (500)\n"
         L"  --screenshots FOLDER  save a BMP picture of each window before the robot closes it\n"
         L"  --transcript FILE     also write the transcript to FILE\n"
         L"  --settle-timeout S    the longest a line's effects may take (30 s with the robot, else 600 s)\n"
         L"exit codes: 0 ok, 1 usage, 2 bad scenario, 3 no plug-in registered, 4 plug-in not loaded,\n"
         L"  5 a plug-in method failed, 6 a line did not settle in time, 7 host failure\n";
}

bool ParseOptions(int argc, wchar_t** argv, Options& options, std::wstring& error) {
  for (int i = 1; i < argc; ++i) {
    std::wstring arg = argv[i];
    const wchar_t* value = i + 1 < argc ? argv[i + 1] : nullptr;
    long number = 0;
    if (arg == L"--help" || arg == L"-h" || arg == L"/?") {
      options.help = true;
    } else if (arg == L"--robot") {
      options.robot = true;
    } else if (arg == L"--manual") {
      options.robot = false;
    } else if (arg == L"--pause") {
      if (!Number(value, number)) {
        error = L"--pause needs a number of milliseconds";
        return false;
      }
      options.pause = std::chrono::milliseconds(number);
      ++i;
    } else if (arg == L"--settle-timeout") {
      if (!Number(value, number) || number == 0) {
        error = L"--settle-timeout needs a number of seconds";
        return false;
      }
      options.settleTimeout = std::chrono::seconds(number);
      ++i;
    } else if (arg == L"--screenshots" || arg == L"--transcript") {
      if (!value || !*value) {
        error = arg + L" needs a path";
        return false;
      }
      (arg == L"--screenshots" ? options.screenshotFolder : options.transcriptFile) = value;
      ++i;
    } else if (arg.size() > 1 && arg[0] == L'-') {
      error = L"unknown option " + arg;
      return false;
    } else if (options.scenario.empty()) {
      options.scenario = arg;
    } else {
      error = L"only one scenario file, please";
      return false;
    }
  }
  return true;
}

}  // namespace host
