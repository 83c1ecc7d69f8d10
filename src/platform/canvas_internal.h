// The drawing screen's back buffer as the back ends see it: both draw the same cairo/Pango
// canvas and differ only in how they present it.
#pragma once

#include <cstdint>

namespace canvas {

// A fresh back buffer of w x h logical pixels at scale device pixels per logical pixel (1..4),
// so (w * scale) x (h * scale) device pixels. Images made afterwards take the same scale.
bool OpenScreen(int64_t w, int64_t h, int64_t scale = 1);
void CloseScreen();
bool ScreenOpen();
int64_t ScreenWidth();  // device pixels
int64_t ScreenHeight();
int64_t ScreenStride();          // bytes per row
const uint32_t* ScreenPixels();  // 0x00RRGGBB per pixel, rows ScreenStride() bytes apart
void ReleaseAll();               // every image, font and pass; the screen too

// The cache of laid-out and rendered texts (on by default); switching it clears it.
void SetTextCacheEnabled(bool enabled);
int64_t TextCacheSize();
int64_t TextCacheRenders();  // texts rendered into masks so far

}  // namespace canvas
