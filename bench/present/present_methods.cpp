// The presentation methods only the benchmark uses, plugged into the desktop back end's
// presentation through its hooks.
#include "present_methods.h"

#include <GL/gl.h>
#include <GL/glext.h>
#include <GL/glx.h>

#include <algorithm>
#include <cstring>

#include "platform/canvas_internal.h"

namespace present_bench {

namespace {

template <typename F>
F GlProc(const char* name) {
  return reinterpret_cast<F>(glXGetProcAddressARB(reinterpret_cast<const GLubyte*>(name)));
}

struct PixelBufferProcs {
  PFNGLGENBUFFERSPROC genBuffers = nullptr;
  PFNGLBINDBUFFERPROC bindBuffer = nullptr;
  PFNGLBUFFERDATAPROC bufferData = nullptr;
  PFNGLMAPBUFFERPROC mapBuffer = nullptr;
  PFNGLUNMAPBUFFERPROC unmapBuffer = nullptr;
};
PixelBufferProcs pbo;
GLuint pixelBuffer = 0;

// glDrawPixels reads the back buffer when the frame is shown; there is nothing to upload.
void NoUpload() {}

// The back buffer straight into the GL back buffer, rows running downwards.
void DrawPixelsDraw() {
  const uint32_t* pixels = canvas::ScreenPixels();
  if (!pixels) return;
  glPixelStorei(GL_UNPACK_ROW_LENGTH, static_cast<GLint>(canvas::ScreenStride() / 4));
  glRasterPos2i(0, 0);
  glPixelZoom(1.0f, -1.0f);
  glDrawPixels(static_cast<GLsizei>(canvas::ScreenWidth()), static_cast<GLsizei>(canvas::ScreenHeight()), GL_BGRA,
               GL_UNSIGNED_INT_8_8_8_8_REV, pixels);
  glPixelZoom(1.0f, 1.0f);
  glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
}

// The back buffer staged in a pixel-buffer object, then copied into the screen texture from it.
void PixelBufferUpload() {
  const uint32_t* pixels = canvas::ScreenPixels();
  const desktop::ScreenTexture texture = desktop::CurrentScreenTexture();
  const int64_t w = std::min(canvas::ScreenWidth(), texture.w);
  const int64_t h = std::min(canvas::ScreenHeight(), texture.h);
  const int64_t stride = canvas::ScreenStride();
  glBindTexture(GL_TEXTURE_2D, texture.name);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
  glPixelStorei(GL_UNPACK_ROW_LENGTH, static_cast<GLint>(stride / 4));
  const auto bytes = static_cast<GLsizeiptr>(stride * h);
  pbo.bindBuffer(GL_PIXEL_UNPACK_BUFFER, pixelBuffer);
  pbo.bufferData(GL_PIXEL_UNPACK_BUFFER, bytes, nullptr, GL_STREAM_DRAW);
  if (void* staged = pbo.mapBuffer(GL_PIXEL_UNPACK_BUFFER, GL_WRITE_ONLY)) {
    std::memcpy(staged, pixels, static_cast<size_t>(bytes));
    pbo.unmapBuffer(GL_PIXEL_UNPACK_BUFFER);
  }
  glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, static_cast<GLsizei>(w), static_cast<GLsizei>(h), GL_BGRA,
                  GL_UNSIGNED_INT_8_8_8_8_REV, nullptr);  // offset 0 in the bound pixel buffer
  pbo.bindBuffer(GL_PIXEL_UNPACK_BUFFER, 0);
  glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
}

const desktop::PresentHooks drawPixelsHooks{NoUpload, DrawPixelsDraw};
const desktop::PresentHooks pixelBufferHooks{PixelBufferUpload, desktop::DrawTextureQuad};

}  // namespace

ExtraMethod DrawPixelsMethod() { return {"glDrawPixels", &drawPixelsHooks}; }

ExtraMethod PixelBufferMethod() {
  pbo.genBuffers = GlProc<PFNGLGENBUFFERSPROC>("glGenBuffers");
  pbo.bindBuffer = GlProc<PFNGLBINDBUFFERPROC>("glBindBuffer");
  pbo.bufferData = GlProc<PFNGLBUFFERDATAPROC>("glBufferData");
  pbo.mapBuffer = GlProc<PFNGLMAPBUFFERPROC>("glMapBuffer");
  pbo.unmapBuffer = GlProc<PFNGLUNMAPBUFFERPROC>("glUnmapBuffer");
  if (!pbo.genBuffers || !pbo.bindBuffer || !pbo.bufferData || !pbo.mapBuffer || !pbo.unmapBuffer)
    return {"pixel buffer + quad", nullptr};
  if (!pixelBuffer) pbo.genBuffers(1, &pixelBuffer);
  return {"pixel buffer + quad", &pixelBufferHooks};
}

}  // namespace present_bench
