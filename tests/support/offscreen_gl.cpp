// EGL surfaceless pbuffer context for tests.
#include "support/offscreen_gl.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>

#ifndef EGL_PLATFORM_SURFACELESS_MESA
#define EGL_PLATFORM_SURFACELESS_MESA 0x31DD
#endif

OffscreenGl::OffscreenGl(int w, int h) : width(w), height(h) {
  auto getPlatformDisplay =
      reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(eglGetProcAddress("eglGetPlatformDisplayEXT"));
  if (!getPlatformDisplay) return;
  EGLDisplay dpy = getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
  if (dpy == EGL_NO_DISPLAY || !eglInitialize(dpy, nullptr, nullptr)) return;
  display = dpy;
  const EGLint configAttribs[] = {EGL_SURFACE_TYPE, EGL_PBUFFER_BIT, EGL_RED_SIZE, 8, EGL_GREEN_SIZE, 8,
                                  EGL_BLUE_SIZE, 8, EGL_DEPTH_SIZE, 16, EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT,
                                  EGL_NONE};
  EGLConfig config = nullptr;
  EGLint n = 0;
  if (!eglChooseConfig(dpy, configAttribs, &config, 1, &n) || n < 1) return;
  const EGLint surfaceAttribs[] = {EGL_WIDTH, w, EGL_HEIGHT, h, EGL_NONE};
  EGLSurface surf = eglCreatePbufferSurface(dpy, config, surfaceAttribs);
  if (surf == EGL_NO_SURFACE) return;
  surface = surf;
  if (!eglBindAPI(EGL_OPENGL_API)) return;
  const EGLint contextAttribs[] = {EGL_CONTEXT_OPENGL_PROFILE_MASK, EGL_CONTEXT_OPENGL_COMPATIBILITY_PROFILE_BIT,
                                   EGL_NONE};
  EGLContext ctx = eglCreateContext(dpy, config, EGL_NO_CONTEXT, contextAttribs);
  if (ctx == EGL_NO_CONTEXT) return;
  context = ctx;
  ok = eglMakeCurrent(dpy, surf, surf, ctx) == EGL_TRUE;
}

OffscreenGl::~OffscreenGl() {
  if (!display) return;
  eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
  if (context) eglDestroyContext(display, context);
  if (surface) eglDestroySurface(display, surface);
  // The display is shared with any other EGL user in the process (the framework's backend), so it stays initialised.
}
