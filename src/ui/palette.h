// The colours several parts of the screen share.
#pragma once

#include "platform/platform.h"

constexpr Colour BackgroundColour = RGB(172, 176, 185);  // screen, window and bottom strip
constexpr Colour HeaderColour = RGB(160, 120, 0);        // the band behind the control row
constexpr Colour HitColour = RGB(40, 180, 60);           // a hit cell, and a ball on a card
constexpr Colour DrawnColour = RGB(210, 10, 10);         // a drawn cell, and a ball on no card
constexpr Colour HistoryChartFill = RGB(12, 12, 24);     // the balance chart's ground in the History overlay
