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

// Presenting only what changed: the region finder's rectangles are uploaded into the texture and
// copied to the window with glXCopySubBufferMESA, never swapping; a frame identical to the last is
// not presented. The first frame of a screen, an expose and drivers without the extension present
// the whole window. On by default where available; KENO_PRESENT=full in the environment, or this
// call, chooses the whole-frame path. Returns whether partial presenting is on afterwards.
bool SetPartialPresent(bool on);
bool PartialPresentAvailable();

// What the presents of the game's frames did since the GL context was made.
struct PresentCounts {
  int64_t frames = 0;           // PresentFrame calls
  int64_t whole = 0;            // of them, whole-window presents (a swap)
  int64_t partial = 0;          // presents of changed regions alone
  int64_t unchanged = 0;        // frames identical to the last, not presented
  int64_t changedPixels = 0;    // device pixels uploaded and presented, over every frame
  int64_t windowPixels = 0;     // the screen's device pixels, over every frame
  int64_t checked = 0;          // presents read back from the window (KENO_VERIFY_PRESENT)
  int64_t unreadable = 0;       // presents the X server could not read back (the window off the screen)
  int64_t differingPixels = 0;  // window pixels unlike the back buffer in those read-backs
};
PresentCounts CurrentPresentCounts();

// Copies the back buffer's pixels into the screen texture.
void UploadFrame();
// Draws the screen texture into the window and swaps the GL buffers.
void ShowFrame();

}  // namespace desktop
