// Removing the plug-in (installer.exe /uninstall, or its copy started from Programs and Features):
// confirm, find what the installation recorded, start the host's reset program when the host is
// still there, then take back the COM registration, the host's list entry and the plug-in file,
// and last the record of the installation and the uninstaller. Each step looks at what is there,
// so a run after a partial one finishes the job, and a run with nothing installed changes nothing.
#include "com_registration_removal.h"
#include "file_steps.h"
#include "form1.h"
#include "host_registry.h"
#include "install_paths.h"
#include "process_start.h"
#include "system_file_system.h"
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
constexpr wchar_t kRenamedAside[] =
    L"It has been renamed in its folder and will be deleted when Windows restarts.";
constexpr wchar_t kAtRestart[] =
    L"It will be deleted when Windows restarts. Installing Duvisto again before that keeps the new copy.";

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

// What the installation recorded. An installation by an earlier version recorded nothing: its
// files are found as it put them, through the host's values, and the host must then be there.
RemovalRecord Form1::RecordOrHostValues() {
  if (auto record = ReadRemovalRecord()) {
    // The host, if it is still there, only for its reset program; its other values play no part.
    sBinDir = ReadKey(kHostKeyPath + std::wstring(L"BinDir"));
    return *record;
  }
  Initz();
  return {JoinPath(sPluginDir, sDllFile), JoinPath(sPluginDir, kUninstallerFile)};
}

void Form1::Uninstall() {
  if (Box(kConfirmUninstall, kBoxTitle, MB_YESNO | MB_ICONINFORMATION) != IDYES) EndProgram();
  const RemovalRecord record = RecordOrHostValues();
  const std::wstring& plugin = record.pluginFile;
  const std::wstring& uninstaller = record.uninstaller;
  const std::wstring listEntry = kRegisteredPluginsPath + sPluginEntry;
  if (!FileExists(plugin) && !FileExists(uninstaller) && !EntryExists(listEntry) && !EntryExists(kUninstallKeyPath)) {
    Box(kNothingToRemove, kBoxTitle, MB_OK | MB_ICONINFORMATION);
    EndProgram();
  }
  if (!sBinDir.empty()) StartResetProgramIfFound();

  std::wstring problems, notes;
  // From the registry alone: the plug-in is not loaded (com_registration_removal.h says why).
  if (const DWORD error = RemoveComRegistration(sProgId, plugin)) {
    problems += Paragraph(FailureReport(L"Its registration could not be removed:", plugin, error));
  }
  DeleteKey(listEntry);
  if (EntryExists(listEntry)) {
    problems += Paragraph(L"It could not be taken off the plug-in list of Messenger Plus!:\n" + listEntry);
  }
  SystemFileSystem files;
  const RemovalResult pluginRemoval = RemoveFile(files, plugin);
  if (pluginRemoval.removal == Removal::RenamedAside) notes += Paragraph(kInUse + std::wstring(kRenamedAside));
  if (pluginRemoval.removal == Removal::AtRestart) notes += Paragraph(kInUse + std::wstring(kAtRestart));
  if (pluginRemoval.removal == Removal::Failed) {
    problems += Paragraph(FailureReport(L"The plug-in could not be deleted:", plugin, pluginRemoval.error));
  }

  // The record goes last: while anything else is left, Programs and Features still offers to
  // remove it.
  if (problems.empty()) {
    DeleteKey(kUninstallKeyPath);
    if (EntryExists(kUninstallKeyPath)) {
      problems += Paragraph(std::wstring(L"Its entry in Programs and Features could not be removed:\n") +
                            L"HKEY_LOCAL_MACHINE\\" + kUninstallKey);
    }
  }
  // The uninstaller only after the entry that starts it. Started from there, it is this very
  // program, which cannot be deleted while it runs but can be renamed: no waiting for it.
  if (problems.empty()) {
    const bool running = SameFilePath(uninstaller, RunningProgramPath());
    const RemovalResult removal = RemoveFile(files, uninstaller, running ? Patience{} : kRemovalPatience);
    if (removal.removal == Removal::AtRestart) notes += Paragraph(kUninstallerFile + std::wstring(L": ") + kAtRestart);
    if (removal.removal == Removal::Failed) {
      problems += Paragraph(FailureReport(L"The uninstaller could not be deleted:", uninstaller, removal.error));
    }
    RemoveUninstallerFolder(uninstaller, removal.removal);
  }

  if (!problems.empty()) {
    Box(kNotAllRemoved + problems + notes + Paragraph(kTryAgain), kBoxTitle, MB_OK | MB_ICONHAND);
    EndProgram(1);
  }
  Box(kRemoved + notes, kBoxTitle, MB_OK | MB_ICONINFORMATION);
  // Scripts and deployment tools read this as "done, a restart finishes it". The running
  // uninstaller's own deletion at restart is no news to the user.
  if (!notes.empty()) exitCode_ = ERROR_SUCCESS_REBOOT_REQUIRED;
}

// The uninstaller's folder of its own under Program Files goes with it: now when it is empty,
// else at the restart that deletes the renamed uninstaller (after that file, as the system
// carries the deletions out in the order they were asked for). The folder of an earlier
// version's uninstaller, the host's plug-in folder, is never touched.
void Form1::RemoveUninstallerFolder(const std::wstring& uninstaller, Removal removal) {
  const std::wstring folder = FolderOfProgram(uninstaller);
  const std::wstring programFiles = ProgramFilesFolder();
  if (programFiles.empty() || !SameFilePath(folder, JoinPath(programFiles, kUninstallerFolderName))) return;
  if (RemoveDirectoryW(folder.c_str())) return;
  if (removal == Removal::RenamedAside || removal == Removal::AtRestart) {
    MoveFileExW(folder.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
  }
}

}  // namespace installer
