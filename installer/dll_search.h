// Where the installer takes the system's DLLs from when it loads them while it runs (themes,
// the common controls' helpers, ...). It runs elevated, usually from a Downloads folder, and its
// copy the uninstaller from a folder that may not be an administrator's alone: a DLL planted
// there with the name of a system DLL must not be loaded.
#pragma once

namespace installer {

// System DLLs from the system folder only: SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32)
// where the system has it (Windows 8, and Vista and 7 with update KB2533623), looked up at run
// time; else SetDllDirectoryW(L""), which takes the current folder out of the search (Windows
// XP SP1 and later). Called first thing, before anything loads a DLL.
void LoadSystemDllsOnlyFromSystemFolder();

}  // namespace installer
