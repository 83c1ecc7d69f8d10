// The audio device as the desktop back end sees it: it closes the device at release.
#pragma once

namespace audio {

// Stops every sound, frees the loaded sounds and closes the device; safe when it never opened.
void CloseAudio();

}  // namespace audio
