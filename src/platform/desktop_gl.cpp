// Desktop back end, GL presentation: the GLX context on the drawing area, the screen texture the
// canvas is uploaded into, and presenting it by a framebuffer blit (a texture quad where
// framebuffer objects are missing).
#include <GL/gl.h>
#include <GL/glext.h>
#include <GL/glx.h>
#include <gdk/gdkx.h>
#include <gtk/gtk.h>

#include <algorithm>
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

// Presentation never waits for the retrace. The extension is checked first: asking a server
// without swap control for the interval crashes.
void DisableSwapWait() {
  const char* extensions =
      glXQueryExtensionsString(desk.display, gdk_x11_screen_get_screen_number(gdk_screen_get_default()));
  const std::string list = extensions ? extensions : "";
  auto has = [&list](const char* name) {
    const std::string needle = std::string(" ") + name + " ";
    return (" " + list + " ").find(needle) != std::string::npos;
  };
  if (has("GLX_EXT_swap_control")) {
    auto set = GlProc<SwapIntervalExt>("glXSwapIntervalEXT");
    if (set) set(desk.display, desk.drawable, 0);
  } else if (has("GLX_MESA_swap_control")) {
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
  const auto vh = static_cast<GLsizei>(AreaHeight() * ScaleFactor());
  const auto w = static_cast<GLsizei>(desk.textureW), h = static_cast<GLsizei>(desk.textureH);
  glViewport(0, 0, vw, vh);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(0, vw, vh, 0, -1, 1);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
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

void SetPresentHooks(const PresentHooks* hooks) { desk.hooks = hooks; }

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

void PresentFrame() {
  desktop::UploadFrame();
  desktop::ShowFrame();
}
