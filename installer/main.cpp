// installer.exe: without arguments shows Form1 and runs its messages until the window is gone;
// with /uninstall removes the plug-in without the window.
#include <windows.h>
#include <commctrl.h>

#include "command_line.h"
#include "form1.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR arguments, int showCommand) {
  // The manifest asks for Common Controls 6; XP creates no window for such a program until
  // comctl32 has registered its control classes.
  const INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  const installer::InstallerRequest request = installer::ParseArguments(arguments ? arguments : L"");
  if (request.mode == installer::InstallerMode::Unknown) {
    const std::wstring text = L"Unknown option: " + request.unknown +
                              L"\n\nStart installer.exe without options to install the Duvisto plug-in, or with " +
                              installer::kUninstallSwitch + L" to remove it. Nothing has been changed.";
    MessageBoxW(nullptr, text.c_str(), installer::kBoxTitle, MB_OK | MB_ICONHAND);
    return 2;
  }
  installer::Form1 form;
  if (request.mode == installer::InstallerMode::Uninstall) return form.RunUninstall();
  if (!form.Show(instance, showCommand)) return 1;
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    // Tab and the space bar move between and press the buttons as in a dialog.
    if (form.Window() && IsDialogMessageW(form.Window(), &message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return form.ExitCode();
}
