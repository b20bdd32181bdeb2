#include "twips.h"

#include "unique_any.h"

namespace duvisto {
namespace {

constexpr int kTwipsPerInch = 1440;

}  // namespace

int ScreenDpi(int axis) { return GetDeviceCaps(UniqueScreenDc(GetDC(nullptr)).get(), axis); }

int TwipsToPixelsX(int twips) { return MulDiv(twips, ScreenDpi(LOGPIXELSX), kTwipsPerInch); }
int TwipsToPixelsY(int twips) { return MulDiv(twips, ScreenDpi(LOGPIXELSY), kTwipsPerInch); }

RECT TwipsBoxToPixels(int left, int top, int width, int height) {
  // Each edge is converted on its own, so neighbouring boxes meet where their twips meet.
  return RECT{TwipsToPixelsX(left), TwipsToPixelsY(top), TwipsToPixelsX(left + width), TwipsToPixelsY(top + height)};
}

}  // namespace duvisto
