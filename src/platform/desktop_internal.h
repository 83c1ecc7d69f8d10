// Presenting a frame on the desktop, in the two halves a benchmark times apart, and the hook
// through which the presentation benchmark tries other ways of presenting.
#pragma once

#include <cstdint>

namespace desktop {

// The game's ways of getting the back buffer onto the window: upload it into a texture, then blit
// the texture from a framebuffer object, or draw it as one nearest-filtered quad where framebuffer
// objects are missing. Under Xvfb with Mesa's software driver the blit gives the most frames of
// the ways that keep one texture (bench/present compares it with the others).
enum class PresentMethod {
  TextureQuad,
  BlitFramebuffer,
};
constexpr PresentMethod DefaultPresent = PresentMethod::BlitFramebuffer;
// Chooses the method; false when this GL lacks what it needs (the method stays as it was).
bool SetPresentMethod(PresentMethod method);
const char* PresentMethodName(PresentMethod method);

// Another way of presenting, plugged in by the presentation benchmark: upload replaces copying the
// back buffer into the screen texture, draw replaces putting the texture on the window; the
// viewport, the background clear and the swap stay the game's.
struct PresentHooks {
  void (*upload)();
  void (*draw)();
};
void SetPresentHooks(const PresentHooks* hooks);  // nullptr: back to the chosen method

// The GL texture the frame is uploaded into and its size, for hooks.
struct ScreenTexture {
  unsigned name;
  int64_t w, h;
};
ScreenTexture CurrentScreenTexture();
// Draws the screen texture as one quad at the window's top-left corner.
void DrawTextureQuad();

// Copies the back buffer's pixels into the screen texture.
void UploadFrame();
// Draws the screen texture into the window and swaps the GL buffers.
void ShowFrame();

}  // namespace desktop
