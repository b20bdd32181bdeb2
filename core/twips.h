// Twips (1440 to the inch) to pixels at the display's real resolution: 15 twips a pixel at 96 DPI.
#pragma once

#include <windows.h>

namespace duvisto {

// The display's dots per inch along LOGPIXELSX or LOGPIXELSY.
int ScreenDpi(int axis);
int TwipsToPixelsX(int twips);
int TwipsToPixelsY(int twips);

// A rectangle given as left, top, width and height in twips, in pixels.
RECT TwipsBoxToPixels(int left, int top, int width, int height);

}  // namespace duvisto
