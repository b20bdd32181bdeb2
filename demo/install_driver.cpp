// Installs the plug-in with the real installer, as a user would: starts installer.exe, presses
// Yes, confirms, waits until the plug-in is registered, then presses No. Prints each step.
// Usage: install_driver <path of installer.exe> [<picture of its window, .bmp>]. Exit code 0 when
// the plug-in was installed.
#include <windows.h>

#include <cstdio>
#include <optional>
#include <string>

#include "screenshot.h"
#include "ui_robot.h"
#include "unique_any.h"

namespace {

using namespace std::chrono_literals;

std::string Narrow(const std::wstring& text) {
  std::string utf8(WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, utf8.data(), static_cast<int>(utf8.size()), nullptr, nullptr);
  utf8.pop_back();
  return utf8;
}

void Say(const std::string& line) {
  std::printf("install: %s\n", line.c_str());
  std::fflush(stdout);
}

std::optional<std::wstring> RegistryText(HKEY root, const wchar_t* key, const wchar_t* value) {
  wchar_t data[MAX_PATH] = L"";
  DWORD size = sizeof data;
  if (RegGetValueW(root, key, value, RRF_RT_REG_SZ, nullptr, data, &size) != ERROR_SUCCESS) return std::nullopt;
  return std::wstring(data);
}

int Fail(const std::string& why, HANDLE installer) {
  Say("FAILED: " + why);
  TerminateProcess(installer, 1);
  return 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 2 && argc != 3) {
    std::fprintf(stderr, "usage: install_driver <installer.exe> [<picture.bmp>]\n");
    return 2;
  }
  const std::wstring installerPath = argv[1];
  const robot::StartedProgram started = robot::StartProgram(L"\"" + installerPath + L"\"");
  if (!started) {
    Say("cannot start " + Narrow(installerPath));
    return 1;
  }
  const HANDLE installer = started.process.get();
  const auto owner = robot::Owner::Process(started.id);

  const auto form = robot::WaitForWindow(owner, L"Form1");
  if (!form) return Fail("no installer window", installer);
  HWND title = robot::FindChild(*form, L"Static", L"");
  Say("window \"" + Narrow(robot::WindowText(*form)) + "\" asks \"" + Narrow(robot::WindowText(title)) + "\"");
  if (argc == 3) Say(robot::SaveScreenshot(*form, argv[2]) ? "took a picture of the window" : "no picture");

  const HWND yes = robot::FindChild(*form, L"Button", L"Yes");
  const HWND no = robot::FindChild(*form, L"Button", L"No");
  if (!yes || !no) return Fail("no Yes or No button", installer);
  RegDeleteTreeW(HKEY_CLASSES_ROOT, L"CLSID\\{6C5C9BD1-092C-4712-9E62-D159B1BD0DED}");
  robot::PressButton(*form, GetDlgCtrlID(yes));
  Say("pressed Yes");

  const auto confirmation = robot::WaitForMessageBox(owner);
  if (!confirmation) return Fail("no confirmation box", installer);
  Say("box \"" + Narrow(confirmation->title) + "\": \"" + Narrow(confirmation->text) + "\" -> Yes");
  robot::PressButton(confirmation->hwnd, IDYES);

  // Success shows nothing: the plug-in's class appears in the registry. Any box of the
  // installer now reports a problem; one of regsvr32 is its own report.
  std::optional<std::wstring> server;
  std::optional<robot::MessageBoxInfo> problem;
  robot::WaitUntil(
      [&] {
        server = RegistryText(HKEY_CLASSES_ROOT, L"CLSID\\{6C5C9BD1-092C-4712-9E62-D159B1BD0DED}\\InprocServer32",
                              nullptr);
        if (server) return true;
        for (HWND box : robot::TopLevelWindows(owner, L"#32770")) {
          if (box != confirmation->hwnd) problem = robot::ReadMessageBox(box);
        }
        return problem.has_value();
      },
      30s);
  if (problem) {
    Say("box \"" + Narrow(problem->title) + "\": \"" + Narrow(problem->text) + "\"");
    robot::PressButton(problem->hwnd, problem->buttons.empty() ? IDOK : problem->buttons.back());
    return Fail("the installer stopped", installer);
  }
  if (!server) return Fail("Duvisto.Browse was not registered within 30 s", installer);

  const auto pluginDir = RegistryText(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Vendaro\\MsgPlus2", L"PluginDir");
  const auto announced =
      RegistryText(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Vendaro\\MsgPlus2\\RegisteredPlugins", L"Duvisto");
  Say("copied Duvisto.dll into " + Narrow(pluginDir.value_or(L"?")));
  Say("RegisteredPlugins\\Duvisto = " + Narrow(announced.value_or(L"(missing)")));
  Say("regsvr32 registered Duvisto.Browse at " + Narrow(*server));

  robot::PressButton(*form, GetDlgCtrlID(no));
  if (WaitForSingleObject(installer, 10000) != WAIT_OBJECT_0) return Fail("the installer did not end on No", installer);
  Say("pressed No: the installer has ended");
  return announced == L"Duvisto.Browse" ? 0 : 1;
}
