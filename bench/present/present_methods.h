// The ways of presenting the game does not use, for the presentation benchmark to compare with
// its own: glDrawPixels straight from the back buffer, and the upload through a pixel-buffer
// object followed by the texture quad.
#pragma once

#include "platform/desktop_internal.h"

namespace present_bench {

struct ExtraMethod {
  const char* name;
  const desktop::PresentHooks* hooks;  // nullptr when this GL lacks what the method needs
};

// glDrawPixels: can be a little faster than the blit under Mesa's software driver, but the driver
// makes and drops a frame-sized texture in every call (40 MB more resident memory and a heap that
// churns and creeps).
ExtraMethod DrawPixelsMethod();
// Upload through a pixel-buffer object, then the quad.
ExtraMethod PixelBufferMethod();

}  // namespace present_bench
