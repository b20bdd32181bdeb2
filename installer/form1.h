// Form1, the installer's only window: the install question with Yes and No, the host detection
// (Initz), the installation steps behind Yes and the registry routines they use.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "file_steps.h"
#include "uninstall_entry.h"
#include "unique_any.h"

namespace installer {

using duvisto::UniqueFont;

// The title of every box the installer shows, but the install confirmation.
inline constexpr wchar_t kBoxTitle[] = L"Plugin Installer/uninstaller";

class Form1 {
 public:
  Form1() = default;
  Form1(const Form1&) = delete;
  Form1& operator=(const Form1&) = delete;
  ~Form1();

  // Creates the window hidden with its design texts, runs Form_Load, then shows it.
  bool Show(HINSTANCE instance, int showCommand);
  HWND Window() const { return hwnd_; }
  // Zero unless the program was ended by a failure report.
  int ExitCode() const { return exitCode_; }
  // installer.exe /uninstall, or its copy started as the uninstaller: the removal without the
  // window, its boxes owned by no window.
  // Returns the program's exit code.
  int RunUninstall();

  void Form_Load();
  void cmdYes_Click();
  void cmdNo_Click();
  // Host detection: returns with the four host values filled, or ends the program.
  void Initz();
  // Removes what an installation left: registration, list entry, plug-in, uninstall record,
  // uninstaller. It goes by the installation's record, and reads the host's values only for the
  // steps that concern the host; without a record, by the host's values, as installing does.
  void Uninstall();

  // Registry routines in the scripting shell's path form. Every failure is silent: a value that
  // is missing, unreadable or not a single text reads as the empty text, and a write or a delete
  // that is refused changes nothing.
  std::wstring ReadKey(const std::wstring& Value) const;
  void CreateKey(const std::wstring& Folder, const std::wstring& Value) const;
  void DeleteKey(const std::wstring& Value) const;
  // Whether the value (or, for a path ending in a backslash, the key) is there: how the removal
  // checks that a silent DeleteKey took effect.
  bool EntryExists(const std::wstring& Path) const;

 private:
  // Ending the program unwinds the click to the window procedure, which closes the window and
  // leaves the message loop: no later step of the click can run.
  struct ProgramEnd {
    int exitCode;
  };
  [[noreturn]] void EndProgram(int exitCode = 0);
  [[noreturn]] void EndWithFailure(const std::wstring& report);
  int Box(const std::wstring& text, const std::wstring& title, UINT flags) const;
  std::wstring ReadHostValue(const wchar_t* name, const wchar_t* missing);
  void LoadConstants();
  void KeepAfterRestart(const std::vector<std::wstring>& installed);
  void RecordForRemoval(const std::wstring& installedPlugin);
  void StartResetProgramIfFound();
  RemovalRecord RecordOrHostValues();
  void RemoveUninstallerFolder(const std::wstring& uninstaller, Removal removal);

  static LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
  void CreateControls();
  void OnCommand(int controlId);

  // Fields, in the window's order.
  std::wstring sResetExe;
  std::wstring sConfirmText;
  std::wstring sBinDir;
  std::wstring sSoftwareBuild;
  std::wstring sPluginDir;
  int nBuildAnswer = 0;
  std::wstring sFileNameExe;
  std::wstring sDllFile;
  std::wstring sPluginEntry;
  std::wstring sProgId;

  HWND hwnd_ = nullptr;
  HWND lblTitle = nullptr;
  HWND cmdYes = nullptr;
  HWND cmdNo = nullptr;
  HWND lblquestion = nullptr;
  HWND lastFocus_ = nullptr;
  UniqueFont font_;
  int exitCode_ = 0;
};

}  // namespace installer
