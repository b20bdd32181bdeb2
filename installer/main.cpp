// installer.exe: without arguments shows Form1 and runs its messages until the window is gone;
// with /uninstall (or started as the uninstaller's copy) removes the plug-in without the window.
#include <windows.h>
#include <commctrl.h>

#include "administrator_rights.h"
#include "command_line.h"
#include "dll_search.h"
#include "form1.h"
#include "system_queries.h"

namespace {

constexpr wchar_t kNeedsAdministrator[] =
    L"Installing or removing the Duvisto plug-in needs administrator rights.\n\n"
    L"Start it again as an administrator (right-click it, Run as administrator). Nothing has been changed.";

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR arguments, int showCommand) {
  // Before anything loads a DLL at run time: none from this program's folder or the current one.
  installer::LoadSystemDllsOnlyFromSystemFolder();
  // The manifest asks for Common Controls 6; XP creates no window for such a program until
  // comctl32 has registered its control classes.
  const INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  const installer::InstallerRequest request =
      installer::RequestOf(installer::RunningProgramPath(), arguments ? arguments : L"");
  if (request.mode == installer::InstallerMode::Unknown) {
    const std::wstring text = L"Unknown option: " + request.unknown +
                              L"\n\nStart installer.exe without options to install the Duvisto plug-in, or with " +
                              installer::kUninstallSwitch + L" to remove it. Nothing has been changed.";
    MessageBoxW(nullptr, text.c_str(), installer::kBoxTitle, MB_OK | MB_ICONHAND);
    return 2;
  }
  // Up front, so that a limited user learns it before anything is started or changed.
  bool administrator = false;
  if (const DWORD error = installer::CheckAdministratorRights(administrator)) {
    const std::wstring text = L"Whether this program runs with administrator rights cannot be told:\n\n" +
                              installer::SystemReason(error) + L"\n\nNothing has been changed.";
    MessageBoxW(nullptr, text.c_str(), installer::kBoxTitle, MB_OK | MB_ICONHAND);
    return static_cast<int>(error);
  }
  if (!administrator) {
    MessageBoxW(nullptr, kNeedsAdministrator, installer::kBoxTitle, MB_OK | MB_ICONHAND);
    return ERROR_ACCESS_DENIED;
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
