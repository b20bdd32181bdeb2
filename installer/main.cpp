// installer.exe: shows Form1 and runs its messages until the window is gone.
#include <windows.h>
#include <commctrl.h>

#include "form1.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
  // The manifest asks for Common Controls 6; XP creates no window for such a program until
  // comctl32 has registered its control classes.
  const INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  installer::Form1 form;
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
