// What host.exe's exit code means.
#pragma once

namespace host {

enum ExitCode : int {
  kExitOk = 0,                 // the conversation ran and every plug-in call succeeded
  kExitUsage = 1,              // bad command line, or an output file or folder cannot be made
  kExitBadScenario = 2,        // the scenario cannot be read or has a malformed line
  kExitNoPlugin = 3,           // no plug-in is registered, and a user needs one
  kExitPluginNotLoaded = 4,    // a registered plug-in cannot be created or is not ready
  kExitMethodFailed = 5,       // a plug-in method returned a failed HRESULT during the run
  kExitNotSettled = 6,         // a line's effects did not settle in time; the run was given up
  kExitHostFailure = 7,        // the host itself failed (threads, windows, COM)
};

}  // namespace host
