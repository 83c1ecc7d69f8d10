// The two halves of presenting a frame on the desktop, apart so a benchmark can time each.
#pragma once

namespace desktop {

// Ways of getting the back buffer onto the window; the game uses DefaultPresent (the texture quad
// where framebuffer objects are missing), the others are kept so the presentation benchmark can
// compare them on the machine at hand. Under Xvfb with Mesa's software driver the blit gives the
// most frames of the ways that keep one texture; glDrawPixels can be a little faster still, but
// the driver makes and drops a frame-sized texture in every call (40 MB more resident memory and
// a heap that churns and creeps).
enum class PresentMethod {
  TextureQuad,      // upload into a texture, draw one nearest-filtered quad
  DrawPixels,       // glDrawPixels straight into the GL back buffer
  BlitFramebuffer,  // upload into a texture, blit it from a framebuffer object
  PixelBuffer,      // upload through a pixel-buffer object, then the quad
};
constexpr PresentMethod DefaultPresent = PresentMethod::BlitFramebuffer;
// Chooses the method; false when this GL lacks what it needs (the method stays as it was).
bool SetPresentMethod(PresentMethod method);
const char* PresentMethodName(PresentMethod method);

// Copies the back buffer's pixels into the screen texture.
void UploadFrame();
// Draws the screen texture into the window and swaps the GL buffers.
void ShowFrame();

}  // namespace desktop
