// Removing the plug-in (installer.exe /uninstall, or its copy started from Programs and Features):
// confirm, detect the host, start its reset program, then take back the COM registration, the
// host's list entry and the plug-in file, and last the record of the installation. Each step
// looks at what is there, so a run after a partial one finishes the job, and a run with nothing
// installed changes nothing.
#include "file_removal.h"
#include "form1.h"
#include "host_registry.h"
#include "install_paths.h"
#include "plugin_unregistration.h"
#include "process_start.h"
#include "system_queries.h"
#include "uninstall_entry.h"

namespace installer {
namespace {

constexpr wchar_t kConfirmUninstall[] = L"Are you sure you want to uninstall this plugin?";
constexpr wchar_t kNothingToRemove[] = L"The Duvisto plug-in is not installed: there is nothing to remove.";
constexpr wchar_t kRemoved[] = L"The Duvisto plug-in has been removed.";
constexpr wchar_t kNotAllRemoved[] = L"The Duvisto plug-in could not be removed completely.";
constexpr wchar_t kTryAgain[] = L"Run the uninstaller again once this is solved.";
constexpr wchar_t kInUse[] = L"Duvisto.dll is still in use, by Messenger Plus! perhaps. ";
constexpr wchar_t kMovedOut[] =
    L"It has been moved out of the plug-in folder and will be deleted when Windows restarts.";
constexpr wchar_t kAtRestart[] =
    L"It will be deleted when Windows restarts: restart Windows before you install Duvisto again.";

std::wstring Paragraph(const std::wstring& text) { return L"\n\n" + text; }

}  // namespace

int Form1::RunUninstall() {
  LoadConstants();
  try {
    Uninstall();
  } catch (const ProgramEnd& end) {
    return end.exitCode;
  }
  return exitCode_;
}

// The host's reset program, as installing starts it: from beside this program, or else from the
// host's own folder (the copy that Programs and Features starts has none beside it). Neither there:
// nothing to start.
void Form1::StartResetProgramIfFound() {
  for (const std::wstring& folder : {FolderOfProgram(RunningProgramPath()), sBinDir}) {
    const std::wstring program = JoinPath(folder, sResetExe);
    if (!FileExists(program)) continue;
    if (const DWORD error = StartMinimised(program, CommandLineOfProgram(program))) {
      EndWithFailure(FailureReport(L"The reset program of Messenger Plus! could not be started:", program, error));
    }
    return;
  }
}

void Form1::Uninstall() {
  if (Box(kConfirmUninstall, kBoxTitle, MB_YESNO | MB_ICONINFORMATION) != IDYES) EndProgram();
  Initz();

  const std::wstring plugin = JoinPath(sPluginDir, sDllFile);
  const std::wstring uninstaller = JoinPath(sPluginDir, kUninstallerFile);
  const std::wstring listEntry = kRegisteredPluginsPath + sPluginEntry;
  if (!FileExists(plugin) && !FileExists(uninstaller) && !EntryExists(listEntry) && !EntryExists(kUninstallKeyPath)) {
    Box(kNothingToRemove, kBoxTitle, MB_OK | MB_ICONINFORMATION);
    EndProgram();
  }
  StartResetProgramIfFound();

  std::wstring problems, notes;
  // The registration needs the file; when it cannot be taken back, the file stays for a later run.
  bool fileMayGo = true;
  if (FileExists(plugin)) {
    if (const HRESULT result = UnregisterPlugin(plugin); FAILED(result)) {
      fileMayGo = false;
      problems += Paragraph(FailureReport(L"Its registration could not be removed:", plugin, result));
    }
  }
  DeleteKey(listEntry);
  if (EntryExists(listEntry)) {
    problems += Paragraph(L"It could not be taken off the plug-in list of Messenger Plus!:\n" + listEntry);
  }
  if (fileMayGo) {
    const RemovalResult removal = RemoveFile(plugin);
    if (removal.removal == Removal::MovedOut) notes += Paragraph(kInUse + std::wstring(kMovedOut));
    if (removal.removal == Removal::AtRestart) notes += Paragraph(kInUse + std::wstring(kAtRestart));
    if (removal.removal == Removal::Failed) {
      problems += Paragraph(FailureReport(L"The plug-in could not be deleted:", plugin, removal.error));
    }
  }

  // The record goes last: while anything else is left, Programs and Features still offers to
  // remove it. Started from there, the uninstaller is this very program, which RemoveFile moves
  // out of the plug-in folder (a running program cannot be deleted, but it can be renamed).
  if (problems.empty()) {
    DeleteKey(kUninstallKeyPath);
    if (EntryExists(kUninstallKeyPath)) {
      problems += Paragraph(std::wstring(L"Its entry in Programs and Features could not be removed:\n") +
                            L"HKEY_LOCAL_MACHINE\\" + kUninstallKey);
    }
  }
  // The uninstaller only after the entry that starts it.
  if (problems.empty()) {
    const RemovalResult removal = RemoveFile(uninstaller);
    if (removal.removal == Removal::AtRestart) notes += Paragraph(kUninstallerFile + std::wstring(L": ") + kAtRestart);
    if (removal.removal == Removal::Failed) {
      problems += Paragraph(FailureReport(L"The uninstaller could not be deleted:", uninstaller, removal.error));
    }
  }

  if (!problems.empty()) {
    Box(kNotAllRemoved + problems + notes + Paragraph(kTryAgain), kBoxTitle, MB_OK | MB_ICONHAND);
    EndProgram(1);
  }
  Box(kRemoved + notes, kBoxTitle, MB_OK | MB_ICONINFORMATION);
  // Scripts and deployment tools read this as "done, a restart finishes it".
  if (!notes.empty()) exitCode_ = ERROR_SUCCESS_REBOOT_REQUIRED;
}

}  // namespace installer
