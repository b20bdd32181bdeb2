// The installation steps behind Yes, in their fixed order: confirm, detect the host, start the
// reset program, pause, copy the plug-in, announce it to the host, have it registered, and record
// the installation for removal.
#include "file_steps.h"
#include "form1.h"
#include "host_registry.h"
#include "install_paths.h"
#include "pending_deletions.h"
#include "process_start.h"
#include "system_file_system.h"
#include "system_queries.h"
#include "uninstall_entry.h"

namespace installer {

void Form1::EndWithFailure(const std::wstring& report) {
  Box(report, kBoxTitle, MB_OK | MB_ICONHAND);
  EndProgram(1);
}

void Form1::cmdYes_Click() {
  // 1. Confirmation, titled with what the title label says at this moment.
  std::wstring title(GetWindowTextLengthW(lblTitle) + 1, L'\0');
  title.resize(GetWindowTextW(lblTitle, title.data(), static_cast<int>(title.size())));
  if (Box(sConfirmText, title, MB_YESNO | MB_ICONINFORMATION) != IDYES) EndProgram();

  // 2. Host detection; it ends the program itself when the host is missing or not wanted.
  Initz();

  // 3. The host's reset program from the installer's own folder, left running on its own.
  const std::wstring installerFolder = FolderOfProgram(RunningProgramPath());
  const std::wstring resetProgram = JoinPath(installerFolder, sResetExe);
  if (const DWORD error = StartMinimised(resetProgram, CommandLineOfProgram(resetProgram))) {
    EndWithFailure(FailureReport(L"The reset program of Messenger Plus! could not be started:", resetProgram, error));
  }

  // 4. A short pause; the counter is volatile so the loop is really run.
  for (volatile int count = 1; count <= 2000; count = count + 1) {
  }

  // 5. The plug-in from beside the installer into the host's plug-in folder, overwriting; a host
  // still closing after the reset program's start is waited for a few seconds.
  const std::wstring source = JoinPath(installerFolder, sDllFile);
  const std::wstring target = JoinPath(sPluginDir, sDllFile);
  SystemFileSystem files;
  if (const DWORD error = CopyOver(files, source, target)) {
    EndWithFailure(FailureReport(L"The plug-in could not be copied:", source + L"\nto\n" + target, error));
  }
  KeepAfterRestart({target});

  // 6. Announce the plug-in in the host's list; a refused write is silent and the steps go on.
  CreateKey(kRegisteredPluginsPath + sPluginEntry, sProgId);

  // 7. The registration tool from the system folder; it reports its result itself.
  const std::wstring registrationTool = JoinPath(SystemFolder(), L"regsvr32.exe");
  if (const DWORD error = StartMinimised(registrationTool, RegistrationCommandLine(target))) {
    EndWithFailure(FailureReport(L"The registration tool could not be started:", registrationTool, error));
  }

  // 8. What Programs and Features needs to remove the plug-in again.
  RecordForRemoval(target);
}

// A removal before this installation may have left one of its paths to be deleted at the next
// restart; once the file is in place, that deletion is taken back, or the restart would undo
// the installation. (A copy that failed leaves the deletion of the old file as it was.)
void Form1::KeepAfterRestart(const std::vector<std::wstring>& installed) {
  if (const DWORD error = TakeBackPendingDeletions(installed)) {
    EndWithFailure(FailureReport(L"A deletion at the next restart of Windows could not be taken back:",
                                 installed.front(), error));
  }
}

// A copy of this program in a folder of its own under Program Files, which only administrators
// can write, and the entry that Programs and Features lists and starts it from with /uninstall,
// with the record of what the removal takes away. Written again by each installation, so it is
// never stale.
void Form1::RecordForRemoval(const std::wstring& installedPlugin) {
  const std::wstring self = RunningProgramPath();
  const std::wstring programFiles = ProgramFilesFolder();
  if (programFiles.empty()) {
    EndWithFailure(FailureReport(L"The Program Files folder could not be found for the uninstaller:", L"",
                                 ERROR_PATH_NOT_FOUND));
  }
  const std::wstring folder = JoinPath(programFiles, kUninstallerFolderName);
  const std::wstring uninstaller = JoinPath(folder, kUninstallerFile);
  if (!CreateDirectoryW(folder.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
    const DWORD error = GetLastError();
    EndWithFailure(FailureReport(L"The uninstaller's folder could not be made:", folder, error));
  }
  SystemFileSystem files;
  if (const DWORD error = CopyOver(files, self, uninstaller)) {
    EndWithFailure(FailureReport(L"The uninstaller could not be copied:", self + L"\nto\n" + uninstaller, error));
  }
  if (const DWORD error = RemoveInternetMark(uninstaller)) {
    EndWithFailure(FailureReport(L"The uninstaller could not lose the mark of a download:", uninstaller, error));
  }
  KeepAfterRestart({uninstaller, folder});
  // An earlier version of the installer kept its uninstaller beside the plug-in, where a
  // standard user may be able to write; this installation's entry no longer names it.
  RemoveFile(files, JoinPath(sPluginDir, kUninstallerFile));
  const UninstallEntry entry{sPluginDir, RemovalRecord{installedPlugin, uninstaller},
                             FileSizeKb(installedPlugin) + FileSizeKb(uninstaller), TodayAsInstallDate()};
  if (const DWORD error = WriteUninstallEntry(entry)) {
    EndWithFailure(FailureReport(L"The entry in Programs and Features could not be written:",
                                 std::wstring(L"HKEY_LOCAL_MACHINE\\") + kUninstallKey, error));
  }
}

}  // namespace installer
