// The installer's version: its version resource and the DisplayVersion of its Programs and
// Features entry both come from here. Read by the resource compiler too: macros only.
#pragma once

#define DUVISTO_INSTALLER_VERSION_MAJOR 1
#define DUVISTO_INSTALLER_VERSION_MINOR 0
#define DUVISTO_INSTALLER_VERSION 1, 0, 0, 0
#define DUVISTO_INSTALLER_VERSION_TEXT "1.0.0.0"
