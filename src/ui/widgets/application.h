// The application object of the windows (title, scaling of designed sizes, the message loop and
// the services of the platform layer) and the scaling of designed sizes.
#pragma once

#include "platform/win/application.h"

// The windows are designed at 144 pixels per inch; Qt's logical pixels are 1/96 inch and it
// maps them to the screen's density itself. Halves round away from zero.
inline constexpr int DesignedPixelsPerInch = 144;
int Scale(int designed);
