// EGL: display, configs (pixel formats), surfaces per device context, contexts, swaps.
#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/gl.h>

#include <cstdio>
#include <vector>

#include "framework/platform/backend.h"

namespace {
EGLDisplay gDisplay = EGL_NO_DISPLAY;
WindowBackend* gBackend = nullptr;
std::vector<EGLConfig> gConfigs;  // pixel format n is gConfigs[n - 1]
RenderContext* gCurrent = nullptr;

EGLSurface SurfaceOf(DeviceContext* dc) { return dc ? static_cast<EGLSurface>(dc->surface) : EGL_NO_SURFACE; }
}  // namespace

void ReportFrameworkError(const char* subsystem, const char* message) {
  std::fprintf(stderr, "%s: %s\n", subsystem, message);
}

namespace egl {

bool Init(WindowBackend* backend) {
  if (gDisplay != EGL_NO_DISPLAY) return true;
  if (!backend) return false;
  auto getPlatformDisplay =
      reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(eglGetProcAddress("eglGetPlatformDisplayEXT"));
  if (!getPlatformDisplay) {
    ReportFrameworkError("EGL", "eglGetPlatformDisplayEXT is not available");
    return false;
  }
  EGLDisplay d = getPlatformDisplay(backend->EglPlatform(), backend->EglNativeDisplay(), nullptr);
  if (d == EGL_NO_DISPLAY) {
    ReportFrameworkError("EGL", "no display for this platform");
    return false;
  }
  EGLint major = 0, minor = 0;
  if (!eglInitialize(d, &major, &minor)) {
    ReportFrameworkError("EGL", "eglInitialize failed");
    return false;
  }
  gDisplay = d;
  gBackend = backend;
  return true;
}

void Shutdown() {
  if (gDisplay == EGL_NO_DISPLAY) return;
  eglMakeCurrent(gDisplay, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
  eglTerminate(gDisplay);
  gDisplay = EGL_NO_DISPLAY;
  gBackend = nullptr;
  gConfigs.clear();
  gCurrent = nullptr;
}

void* Display() { return gDisplay; }

int ChooseConfig(const PIXELFORMATDESCRIPTOR* pfd, bool window) {
  if (gDisplay == EGL_NO_DISPLAY || !pfd) return 0;
  if (!(pfd->dwFlags & PFD_SUPPORT_OPENGL) || pfd->iPixelType != PFD_TYPE_RGBA) return 0;
  EGLint channel = pfd->cColorBits >= 24 ? 8 : (pfd->cColorBits >= 16 ? 5 : 1);
  const EGLint attribs[] = {EGL_SURFACE_TYPE, window ? EGL_WINDOW_BIT : EGL_PBUFFER_BIT,
                            EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT,
                            EGL_RED_SIZE, channel, EGL_GREEN_SIZE, channel, EGL_BLUE_SIZE, channel,
                            EGL_ALPHA_SIZE, pfd->cAlphaBits,
                            EGL_DEPTH_SIZE, pfd->cDepthBits,
                            EGL_STENCIL_SIZE, pfd->cStencilBits,
                            EGL_NONE};
  EGLConfig config = nullptr;
  EGLint count = 0;
  if (!eglChooseConfig(gDisplay, attribs, &config, 1, &count) || count < 1) {
    ReportFrameworkError("EGL", "no config matches the pixel format");
    return 0;
  }
  for (size_t i = 0; i < gConfigs.size(); ++i)
    if (gConfigs[i] == config) return static_cast<int>(i + 1);
  gConfigs.push_back(config);
  return static_cast<int>(gConfigs.size());
}

void* Config(int format) {
  if (format < 1 || format > static_cast<int>(gConfigs.size())) return nullptr;
  return gConfigs[format - 1];
}

bool CreateSurface(DeviceContext* dc) {
  if (gDisplay == EGL_NO_DISPLAY || !dc || !dc->config || !dc->window) return false;
  NativeWindow* w = dc->window;
  void* native = gBackend ? gBackend->EglNativeWindow(w) : nullptr;
  EGLSurface s;
  int width = w->width > 0 ? w->width : 1, height = w->height > 0 ? w->height : 1;
  if (native) {
    s = eglCreatePlatformWindowSurface(gDisplay, static_cast<EGLConfig>(dc->config), native, nullptr);
  } else {
    const EGLint attribs[] = {EGL_WIDTH, width, EGL_HEIGHT, height, EGL_NONE};
    s = eglCreatePbufferSurface(gDisplay, static_cast<EGLConfig>(dc->config), attribs);
  }
  if (s == EGL_NO_SURFACE) {
    ReportFrameworkError("EGL", "surface creation failed");
    return false;
  }
  dc->surface = s;
  dc->surfaceWidth = width;
  dc->surfaceHeight = height;
  return true;
}

void DestroySurface(DeviceContext* dc) {
  if (!dc || !dc->surface || gDisplay == EGL_NO_DISPLAY) return;
  if (gCurrent && gCurrent->dc == dc) {
    // Keep the context current without a surface, so GL objects can still be released.
    eglMakeCurrent(gDisplay, EGL_NO_SURFACE, EGL_NO_SURFACE, static_cast<EGLContext>(gCurrent->context));
  }
  eglDestroySurface(gDisplay, SurfaceOf(dc));
  dc->surface = nullptr;
}

// NOTE: a pbuffer cannot change size, so a resized window gets a new one, rebound if it was current.
void ResizeSurface(DeviceContext* dc) {
  if (!dc || !dc->surface || !dc->window) return;
  if (gBackend && gBackend->EglNativeWindow(dc->window)) return;  // window surfaces follow the window
  int width = dc->window->width > 0 ? dc->window->width : 1;
  int height = dc->window->height > 0 ? dc->window->height : 1;
  if (width == dc->surfaceWidth && height == dc->surfaceHeight) return;
  EGLSurface old = SurfaceOf(dc);
  const EGLint attribs[] = {EGL_WIDTH, width, EGL_HEIGHT, height, EGL_NONE};
  EGLSurface s = eglCreatePbufferSurface(gDisplay, static_cast<EGLConfig>(dc->config), attribs);
  if (s == EGL_NO_SURFACE) {
    ReportFrameworkError("EGL", "pbuffer resize failed");
    return;
  }
  dc->surface = s;
  dc->surfaceWidth = width;
  dc->surfaceHeight = height;
  if (gCurrent && gCurrent->dc == dc)
    eglMakeCurrent(gDisplay, s, s, static_cast<EGLContext>(gCurrent->context));
  eglDestroySurface(gDisplay, old);
}

RenderContext* CreateContext(DeviceContext* dc) {
  if (gDisplay == EGL_NO_DISPLAY || !dc || !dc->config) return nullptr;
  eglBindAPI(EGL_OPENGL_API);
  EGLContext c = eglCreateContext(gDisplay, static_cast<EGLConfig>(dc->config), EGL_NO_CONTEXT, nullptr);
  if (c == EGL_NO_CONTEXT) {
    ReportFrameworkError("EGL", "context creation failed");
    return nullptr;
  }
  auto* rc = new RenderContext;
  rc->context = c;
  rc->config = dc->config;
  return rc;
}

bool MakeCurrent(DeviceContext* dc, RenderContext* rc) {
  if (gDisplay == EGL_NO_DISPLAY) return rc == nullptr;
  if (!rc) {
    eglMakeCurrent(gDisplay, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    gCurrent = nullptr;
    return true;
  }
  if (!dc || !dc->surface || dc->config != rc->config) return false;
  if (!eglMakeCurrent(gDisplay, SurfaceOf(dc), SurfaceOf(dc), static_cast<EGLContext>(rc->context))) return false;
  if (rc->dc && rc->dc != dc && rc->dc->boundContext == rc) rc->dc->boundContext = nullptr;
  rc->dc = dc;
  dc->boundContext = rc;
  gCurrent = rc;
  return true;
}

void DeleteContext(RenderContext* rc) {
  if (!rc) return;
  if (gCurrent == rc) MakeCurrent(nullptr, nullptr);
  if (rc->dc && rc->dc->boundContext == rc) rc->dc->boundContext = nullptr;
  if (gDisplay != EGL_NO_DISPLAY) eglDestroyContext(gDisplay, static_cast<EGLContext>(rc->context));
  delete rc;
}

bool Swap(DeviceContext* dc) {
  if (gDisplay == EGL_NO_DISPLAY || !dc || !dc->surface) return false;
  if (gBackend && gBackend->EglNativeWindow(dc->window)) return eglSwapBuffers(gDisplay, SurfaceOf(dc));
  // A pbuffer has no back buffer to show: finishing makes the frame readable.
  if (gCurrent && gCurrent->dc == dc) glFinish();
  return true;
}

RenderContext* Current() { return gCurrent; }

}  // namespace egl
