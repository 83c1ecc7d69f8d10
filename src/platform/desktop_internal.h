// The two halves of presenting a frame on the desktop, apart so a benchmark can time each.
#pragma once

namespace desktop {

// Copies the back buffer's pixels into the screen texture.
void UploadFrame();
// Draws the screen texture into the window and swaps the GL buffers.
void ShowFrame();

}  // namespace desktop
