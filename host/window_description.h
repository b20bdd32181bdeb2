// What a plug-in's window shows, as one transcript line, read from another thread of the host
// through the UI robot (every read that needs the window's own thread has a time limit, so a hung
// window cannot hang the reader).
#pragma once

#include <windows.h>

#include <string>

namespace host {

// For example
//   box "Duvisto" (information): You have enabled your remote browsing.
//   window "Internet browser (local)": address box "" enabled, GO enabled, warning cut off, 737x601
std::wstring Describe(HWND window);

}  // namespace host
