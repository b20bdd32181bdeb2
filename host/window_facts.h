// What a plug-in's window shows, read from another thread of the host. Every read that needs the
// window's own thread is a message with a time limit, so a hung window cannot hang the reader.
#pragma once

#include <windows.h>

#include <string>

namespace host {

enum class WindowKind { MessageBox, Window };

WindowKind KindOf(HWND window);

// One line for the transcript, for example
//   box "Duvisto" (information): You have enabled your remote browsing.
//   window "Internet browser (local)": address box "" enabled, GO enabled, warning cut off, 737x601
std::wstring Describe(HWND window);

// The window's text (caption, or a control's text), read with a time limit.
std::wstring TextOf(HWND window);

}  // namespace host
