// Desktop back end, GL presentation: the GLX context on the drawing area, the screen texture the
// canvas is uploaded into, and presenting it by a framebuffer blit (a texture quad where
// framebuffer objects are missing): the whole frame and a swap, or only the regions that changed,
// copied to the window with glXCopySubBufferMESA.
#include <GL/gl.h>
#include <GL/glext.h>
#include <GL/glx.h>
#include <gdk/gdkx.h>
#include <gtk/gtk.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/canvas_internal.h"
#include "platform/desktop_internal.h"
#include "platform/desktop_state.h"
#include "platform/platform.h"

namespace desktop {

namespace {

using SwapIntervalExt = void (*)(Display*, GLXDrawable, int);
using SwapIntervalMesa = int (*)(unsigned int);

template <typename F>
F GlProc(const char* name) {
  return reinterpret_cast<F>(glXGetProcAddressARB(reinterpret_cast<const GLubyte*>(name)));
}

// Whether the GLX of the default screen offers an extension.
bool HasGlxExtension(const char* name) {
  const char* extensions =
      glXQueryExtensionsString(desk.display, gdk_x11_screen_get_screen_number(gdk_screen_get_default()));
  const std::string list = extensions ? extensions : "";
  const std::string needle = std::string(" ") + name + " ";
  return (" " + list + " ").find(needle) != std::string::npos;
}

// Presentation never waits for the retrace. The extension is checked first: asking a server
// without swap control for the interval crashes.
void DisableSwapWait() {
  if (HasGlxExtension("GLX_EXT_swap_control")) {
    auto set = GlProc<SwapIntervalExt>("glXSwapIntervalEXT");
    if (set) set(desk.display, desk.drawable, 0);
  } else if (HasGlxExtension("GLX_MESA_swap_control")) {
    auto set = GlProc<SwapIntervalMesa>("glXSwapIntervalMESA");
    if (set) set(0);
  }
}

// Fills the window with the background colour (seen only until the first frame, or while a
// resize is on its way).
void ClearToBackground() {
  glClearColor(static_cast<GLfloat>(desk.background & 0xFF) / 255.0f,
               static_cast<GLfloat>(desk.background >> 8 & 0xFF) / 255.0f,
               static_cast<GLfloat>(desk.background >> 16 & 0xFF) / 255.0f, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT);
}

// Copies the texture onto the window through a read framebuffer.
void BlitTexture(GLsizei w, GLsizei h, GLsizei vh) {
  desk.blit.bindFramebuffer(GL_READ_FRAMEBUFFER, desk.framebuffer);
  desk.blit.framebufferTexture2D(GL_READ_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, desk.texture, 0);
  // The texture's first row is the top of the frame; the window's first row is its bottom.
  desk.blit.blitFramebuffer(0, 0, w, h, 0, vh, w, vh - h, GL_COLOR_BUFFER_BIT, GL_NEAREST);
  desk.blit.bindFramebuffer(GL_READ_FRAMEBUFFER, 0);
}

// Creates the screen texture with the sampling the presentation needs.
void CreateScreenTexture() {
  glGenTextures(1, &desk.texture);
  glBindTexture(GL_TEXTURE_2D, desk.texture);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
}

// Sets the viewport and projection to the window's device pixels; returns the window's height.
GLsizei SetUpWindowView() {
  const auto vw = static_cast<GLsizei>(AreaWidth() * ScaleFactor());
  const auto vh = static_cast<GLsizei>(AreaHeight() * ScaleFactor());
  glViewport(0, 0, vw, vh);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(0, vw, vh, 0, -1, 1);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  return vh;
}

// The part of a changed rectangle that lies within the texture.
canvas::Region InTexture(const canvas::Region& r) {
  const int64_t right = std::min(r.x + r.w, desk.textureW), bottom = std::min(r.y + r.h, desk.textureH);
  return {r.x, r.y, std::max<int64_t>(0, right - r.x), std::max<int64_t>(0, bottom - r.y)};
}

// Copies the changed rectangles of the back buffer into the screen texture, each from its place
// in the back buffer's rows.
void UploadRegions(const canvas::ChangedRegions& found) {
  const uint32_t* pixels = canvas::ScreenPixels();
  if (!pixels) return;
  glBindTexture(GL_TEXTURE_2D, desk.texture);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
  glPixelStorei(GL_UNPACK_ROW_LENGTH, static_cast<GLint>(canvas::ScreenStride() / 4));
  for (int64_t i = 0; i < found.count; ++i) {
    const canvas::Region r = InTexture(found.rects[i]);
    if (r.w <= 0 || r.h <= 0) continue;
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, static_cast<GLint>(r.x));
    glPixelStorei(GL_UNPACK_SKIP_ROWS, static_cast<GLint>(r.y));
    glTexSubImage2D(GL_TEXTURE_2D, 0, static_cast<GLint>(r.x), static_cast<GLint>(r.y), static_cast<GLsizei>(r.w),
                    static_cast<GLsizei>(r.h), GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, pixels);
  }
  glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
  glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
  glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
}

// Draws the changed rectangles of the texture into the GL back buffer and copies each to the
// window. Whatever else the back buffer holds (undefined after a swap) is never shown.
void ShowRegions(const canvas::ChangedRegions& found) {
  GdkDisplay* display = gdk_display_get_default();
  gdk_x11_display_error_trap_push(display);
  const GLsizei vh = SetUpWindowView();
  const bool blit = desk.present == PresentMethod::BlitFramebuffer;
  if (blit) {
    desk.blit.bindFramebuffer(GL_READ_FRAMEBUFFER, desk.framebuffer);
    desk.blit.framebufferTexture2D(GL_READ_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, desk.texture, 0);
  } else {
    glEnable(GL_SCISSOR_TEST);
  }
  for (int64_t i = 0; i < found.count; ++i) {
    const canvas::Region r = InTexture(found.rects[i]);
    if (r.w <= 0 || r.h <= 0) continue;
    const auto x0 = static_cast<GLint>(r.x), x1 = static_cast<GLint>(r.x + r.w);
    const auto y0 = static_cast<GLint>(r.y), y1 = static_cast<GLint>(r.y + r.h);
    // The texture's rows run down from the top; the window's run up from the bottom.
    if (blit) {
      desk.blit.blitFramebuffer(x0, y0, x1, y1, x0, vh - y0, x1, vh - y1, GL_COLOR_BUFFER_BIT, GL_NEAREST);
    } else {
      glScissor(x0, vh - y1, x1 - x0, y1 - y0);
      DrawTextureQuad();
    }
  }
  if (blit) {
    desk.blit.bindFramebuffer(GL_READ_FRAMEBUFFER, 0);
  } else {
    glDisable(GL_SCISSOR_TEST);
  }
  for (int64_t i = 0; i < found.count; ++i) {
    const canvas::Region r = InTexture(found.rects[i]);
    if (r.w <= 0 || r.h <= 0) continue;
    desk.copySubBuffer(desk.display, desk.drawable, static_cast<int>(r.x), static_cast<int>(vh - r.y - r.h),
                       static_cast<int>(r.w), static_cast<int>(r.h));
  }
  gdk_x11_display_error_trap_pop_ignored(display);
}

// Reads the window back from the X server and counts its pixels unlike the back buffer's, over
// the part of the window the screen covers.
void CheckPresentedFrame() {
  const uint32_t* pixels = canvas::ScreenPixels();
  if (!pixels || desk.windowLost) return;
  const int64_t w = std::min(canvas::ScreenWidth(), AreaWidth() * ScaleFactor());
  const int64_t h = std::min(canvas::ScreenHeight(), AreaHeight() * ScaleFactor());
  if (w <= 0 || h <= 0) return;
  GdkDisplay* display = gdk_display_get_default();
  gdk_x11_display_error_trap_push(display);
  XImage* image = XGetImage(desk.display, desk.drawable, 0, 0, static_cast<unsigned>(w), static_cast<unsigned>(h),
                            AllPlanes, ZPixmap);
  gdk_x11_display_error_trap_pop_ignored(display);
  if (!image) {
    ++desk.counts.unreadable;
    return;
  }
  const int64_t stride = canvas::ScreenStride() / 4;
  const bool direct = image->bits_per_pixel == 32 && image->byte_order == LSBFirst && image->red_mask == 0xFF0000 &&
                      image->green_mask == 0xFF00 && image->blue_mask == 0xFF;
  int64_t differing = 0;
  for (int64_t y = 0; y < h; ++y) {
    const uint32_t* back = pixels + y * stride;
    const auto* row = reinterpret_cast<const uint32_t*>(image->data + y * image->bytes_per_line);
    for (int64_t x = 0; x < w; ++x) {
      const uint32_t shown =
          direct ? row[x] : static_cast<uint32_t>(XGetPixel(image, static_cast<int>(x), static_cast<int>(y)));
      if ((shown ^ back[x]) & 0xFFFFFF) ++differing;
    }
  }
  XDestroyImage(image);
  ++desk.counts.checked;
  desk.counts.differingPixels += differing;
}

// Says on standard error what the read-backs of KENO_VERIFY_PRESENT found.
void ReportPresentChecks() {
  if (!desk.verify) return;
  const PresentCounts& c = desk.counts;
  std::fprintf(stderr,
               "present check: %lld frames, %lld whole, %lld partial, %lld unchanged; %lld read back, "
               "%lld unreadable, %lld differing pixels\n",
               static_cast<long long>(c.frames), static_cast<long long>(c.whole), static_cast<long long>(c.partial),
               static_cast<long long>(c.unchanged), static_cast<long long>(c.checked),
               static_cast<long long>(c.unreadable), static_cast<long long>(c.differingPixels));
}

}  // namespace

GLXFBConfig ChooseFbConfig(GdkScreen* screen, GdkVisual** visual) {
  int errorBase = 0, eventBase = 0;
  if (!glXQueryExtension(desk.display, &errorBase, &eventBase)) return nullptr;
  static const int attributes[] = {GLX_X_RENDERABLE,
                                   True,
                                   GLX_DRAWABLE_TYPE,
                                   GLX_WINDOW_BIT,
                                   GLX_RENDER_TYPE,
                                   GLX_RGBA_BIT,
                                   GLX_X_VISUAL_TYPE,
                                   GLX_TRUE_COLOR,
                                   GLX_RED_SIZE,
                                   8,
                                   GLX_GREEN_SIZE,
                                   8,
                                   GLX_BLUE_SIZE,
                                   8,
                                   GLX_DOUBLEBUFFER,
                                   True,
                                   None};
  int count = 0;
  GLXFBConfig* configs = glXChooseFBConfig(desk.display, gdk_x11_screen_get_screen_number(screen), attributes, &count);
  if (!configs) return nullptr;
  const VisualID preferred = gdk_x11_visual_get_xvisual(gdk_screen_get_system_visual(screen))->visualid;
  GLXFBConfig chosen = nullptr;
  *visual = nullptr;
  for (int i = 0; i < count; ++i) {
    int id = 0;
    if (glXGetFBConfigAttrib(desk.display, configs[i], GLX_VISUAL_ID, &id) != Success || id == 0) continue;
    GdkVisual* candidate = gdk_x11_screen_lookup_visual(screen, static_cast<VisualID>(id));
    if (!candidate) continue;
    if (!chosen || static_cast<VisualID>(id) == preferred) {
      chosen = configs[i];
      *visual = candidate;
    }
    if (static_cast<VisualID>(id) == preferred) break;
  }
  XFree(configs);
  return chosen;
}

void DestroyGl() {
  if (!desk.context) return;
  ReportPresentChecks();
  if (desk.texture) glDeleteTextures(1, &desk.texture);
  desk.texture = 0;
  desk.textureW = desk.textureH = 0;
  desk.textureFilled = false;
  GdkDisplay* display = gdk_display_get_default();
  gdk_x11_display_error_trap_push(display);
  glXMakeContextCurrent(desk.display, None, None, nullptr);
  glXDestroyContext(desk.display, desk.context);
  gdk_x11_display_error_trap_pop_ignored(display);
  desk.context = nullptr;
}

void UploadFrame() {
  const uint32_t* pixels = canvas::ScreenPixels();
  if (!desk.context || !desk.texture || !pixels) return;
  if (desk.hooks) {
    desk.hooks->upload();
    desk.textureFilled = true;
    return;
  }
  const int64_t w = std::min(canvas::ScreenWidth(), desk.textureW);
  const int64_t h = std::min(canvas::ScreenHeight(), desk.textureH);
  glBindTexture(GL_TEXTURE_2D, desk.texture);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
  glPixelStorei(GL_UNPACK_ROW_LENGTH, static_cast<GLint>(canvas::ScreenStride() / 4));
  glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, static_cast<GLsizei>(w), static_cast<GLsizei>(h), GL_BGRA,
                  GL_UNSIGNED_INT_8_8_8_8_REV, pixels);
  glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
  desk.textureFilled = true;
}

void DrawTextureQuad() {
  const auto fw = static_cast<GLfloat>(desk.textureW), fh = static_cast<GLfloat>(desk.textureH);
  glEnable(GL_TEXTURE_2D);
  glBindTexture(GL_TEXTURE_2D, desk.texture);
  glBegin(GL_QUADS);
  glTexCoord2f(0, 0);
  glVertex2f(0, 0);
  glTexCoord2f(1, 0);
  glVertex2f(fw, 0);
  glTexCoord2f(1, 1);
  glVertex2f(fw, fh);
  glTexCoord2f(0, 1);
  glVertex2f(0, fh);
  glEnd();
  glDisable(GL_TEXTURE_2D);
}

void ShowFrame() {
  if (!desk.context || desk.windowLost) return;
  // Another client may destroy the window at any moment; the errors of drawing already on its
  // way must not end the game.
  GdkDisplay* display = gdk_display_get_default();
  gdk_x11_display_error_trap_push(display);
  // The viewport covers the window's device pixels; the texture holds the frame at the scale the
  // screen was opened at.
  const auto vw = static_cast<GLsizei>(AreaWidth() * ScaleFactor());
  const GLsizei vh = SetUpWindowView();
  const auto w = static_cast<GLsizei>(desk.textureW), h = static_cast<GLsizei>(desk.textureH);
  // The frame covers the whole window except while a resize is on its way.
  if (!desk.textureFilled || w < vw || h < vh) ClearToBackground();
  if (desk.textureFilled) {
    if (desk.hooks) {
      desk.hooks->draw();
    } else if (desk.present == PresentMethod::BlitFramebuffer) {
      BlitTexture(w, h, vh);
    } else {
      DrawTextureQuad();
    }
  }
  glXSwapBuffers(desk.display, desk.drawable);
  gdk_x11_display_error_trap_pop_ignored(display);
}

bool SetPresentMethod(PresentMethod method) {
  if (!desk.context) return false;
  if (method == PresentMethod::BlitFramebuffer) {
    BlitProcs& blit = desk.blit;
    blit.genFramebuffers = GlProc<PFNGLGENFRAMEBUFFERSPROC>("glGenFramebuffers");
    blit.bindFramebuffer = GlProc<PFNGLBINDFRAMEBUFFERPROC>("glBindFramebuffer");
    blit.framebufferTexture2D = GlProc<PFNGLFRAMEBUFFERTEXTURE2DPROC>("glFramebufferTexture2D");
    blit.blitFramebuffer = GlProc<PFNGLBLITFRAMEBUFFERPROC>("glBlitFramebuffer");
    if (!blit.genFramebuffers || !blit.bindFramebuffer || !blit.framebufferTexture2D || !blit.blitFramebuffer)
      return false;
    if (!desk.framebuffer) blit.genFramebuffers(1, &desk.framebuffer);
  }
  desk.present = method;
  return true;
}

const char* PresentMethodName(PresentMethod method) {
  switch (method) {
    case PresentMethod::TextureQuad:
      return "texture quad";
    case PresentMethod::BlitFramebuffer:
      return "framebuffer blit";
  }
  return "?";
}

void SetPresentHooks(const PresentHooks* hooks) {
  desk.hooks = hooks;
  // A hook may leave the texture behind the frame shown: the next partial present starts whole.
  canvas::ForgetPresentedFrame();
}

bool PartialPresentAvailable() { return desk.copySubBuffer != nullptr; }

bool SetPartialPresent(bool on) {
  desk.partial = on && desk.copySubBuffer;
  // The window may show an older frame than the region finder's reference: start from the whole.
  canvas::ForgetPresentedFrame();
  return desk.partial;
}

PresentCounts CurrentPresentCounts() { return desk.counts; }

ScreenTexture CurrentScreenTexture() { return {desk.texture, desk.textureW, desk.textureH}; }

}  // namespace desktop

using desktop::desk;

int64_t InitSprite() {
  if (desk.context) return 1;
  if (!desk.area || !desk.fbConfig || !desk.drawable) return 0;
  GdkDisplay* display = gdk_display_get_default();
  gdk_x11_display_error_trap_push(display);
  desk.context = glXCreateNewContext(desk.display, desk.fbConfig, GLX_RGBA_TYPE, nullptr, True);
  const bool current = desk.context && glXMakeContextCurrent(desk.display, desk.drawable, desk.drawable, desk.context);
  const bool failed = gdk_x11_display_error_trap_pop(display) != 0;
  if (!current || failed) {
    if (desk.context) glXDestroyContext(desk.display, desk.context);
    desk.context = nullptr;
    return 0;
  }
  desktop::DisableSwapWait();
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_BLEND);
  glDisable(GL_DITHER);
  desktop::CreateScreenTexture();
  if (!desktop::SetPresentMethod(desktop::DefaultPresent))
    desktop::SetPresentMethod(desktop::PresentMethod::TextureQuad);
  desk.copySubBuffer = desktop::HasGlxExtension("GLX_MESA_copy_sub_buffer")
                           ? desktop::GlProc<desktop::CopySubBufferProc>("glXCopySubBufferMESA")
                           : nullptr;
  const char* mode = g_getenv("KENO_PRESENT");
  desktop::SetPartialPresent(!(mode && std::strcmp(mode, "full") == 0));
  const char* verify = g_getenv("KENO_VERIFY_PRESENT");
  desk.verify = verify && std::strcmp(verify, "1") == 0;
  desk.counts = {};
  return 1;
}

// A screen of w x h logical pixels at the window's scale factor; the texture takes its device size.
int64_t OpenWindowedScreen(int64_t window, int64_t, int64_t, int64_t lw, int64_t lh) {
  if (window != 1 || !desk.context || lw <= 0 || lh <= 0) return 0;
  if (!canvas::OpenScreen(lw, lh, desktop::ScaleFactor())) return 0;
  const int64_t w = canvas::ScreenWidth(), h = canvas::ScreenHeight();
  GLint maxSize = 0;
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
  if (w > maxSize || h > maxSize) {
    canvas::CloseScreen();
    return 0;
  }
  if (w != desk.textureW || h != desk.textureH) {
    glBindTexture(GL_TEXTURE_2D, desk.texture);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, static_cast<GLsizei>(w), static_cast<GLsizei>(h), 0, GL_BGRA,
                 GL_UNSIGNED_INT_8_8_8_8_REV, nullptr);
    if (glGetError() != GL_NO_ERROR) {
      canvas::CloseScreen();
      desk.textureW = desk.textureH = 0;
      return 0;
    }
    desk.textureW = w;
    desk.textureH = h;
  }
  desk.textureFilled = false;
  return 1;
}

void CloseDrawingScreen() {
  canvas::CloseScreen();
  desk.textureFilled = false;
}

// The whole frame and a swap; where the driver can, only the regions that changed since the last
// presented frame, and nothing for a frame identical to it.
void PresentFrame() {
  desktop::PresentCounts& counts = desk.counts;
  ++counts.frames;
  counts.windowPixels += canvas::ScreenWidth() * canvas::ScreenHeight();
  const bool partial = desk.partial && !desk.hooks && desk.context && desk.texture && !desk.windowLost;
  if (!partial) {
    desktop::UploadFrame();
    desktop::ShowFrame();
    ++counts.whole;
    counts.changedPixels += canvas::ScreenWidth() * canvas::ScreenHeight();
  } else {
    const canvas::ChangedRegions& found = canvas::FindChangedRegions();
    counts.changedPixels += found.pixels;
    if (found.whole || !desk.textureFilled) {
      // A new screen: its texture is filled and the whole window shown as on the full path.
      desktop::UploadFrame();
      desktop::ShowFrame();
      ++counts.whole;
    } else if (found.count == 0) {
      ++counts.unchanged;
      return;
    } else {
      desktop::UploadRegions(found);
      desktop::ShowRegions(found);
      ++counts.partial;
    }
  }
  if (desk.verify) desktop::CheckPresentedFrame();
}
