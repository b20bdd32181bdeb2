// A picture of a window as the screen shows it, saved as a 24-bit BMP file.
#pragma once

#include <windows.h>

#include <string>

namespace robot {

bool SaveScreenshot(HWND window, const std::wstring& bmpPath);

}  // namespace robot
