// The Windows calls the system makes, over the backends, EGL and the monotonic clock.
#include "framework/platform/winapi.h"

#include <GL/gl.h>

#include <cstdio>
#include <ctime>

#include "framework/graphics/screenshot.h"
#include "framework/platform/backend.h"

namespace {
bool gFailPixelFormat = false;
std::function<int64_t()> gCounter;
int64_t gFrequency = 0;

// The first window call opens the backend (headless) when the host chose none.
bool EnsureEgl() {
  WindowBackend* b = OpenBackend(BackendKind::Headless);
  return b && egl::Init(b);
}

bool UsesWindowSurfaces(DeviceContext* dc) {
  WindowBackend* b = OpenBackend(BackendKind::Headless);
  return b && dc && dc->window && b->EglNativeWindow(dc->window) != nullptr;
}
}  // namespace

HDC GetDC(HWND hwnd) {
  if (!hwnd) return nullptr;
  if (!hwnd->dc) {
    hwnd->dc = new DeviceContext;
    hwnd->dc->window = hwnd;
  }
  return hwnd->dc;
}

int ChoosePixelFormat(HDC hdc, const PIXELFORMATDESCRIPTOR* pfd) {
  if (gFailPixelFormat || !hdc || !pfd || !EnsureEgl()) return 0;
  return egl::ChooseConfig(pfd, UsesWindowSurfaces(hdc));
}

BOOL SetPixelFormat(HDC hdc, int format, const PIXELFORMATDESCRIPTOR*) {
  if (gFailPixelFormat || !hdc || !EnsureEgl()) return FALSE;
  void* config = egl::Config(format);
  if (!config) return FALSE;
  // A window's pixel format is set once.
  if (hdc->pixelFormat) return hdc->pixelFormat == format ? TRUE : FALSE;
  hdc->pixelFormat = format;
  hdc->config = config;
  if (!egl::CreateSurface(hdc)) {
    hdc->pixelFormat = 0;
    hdc->config = nullptr;
    return FALSE;
  }
  return TRUE;
}

BOOL SwapBuffers(HDC hdc) { return egl::Swap(hdc) ? TRUE : FALSE; }

HGLRC wglCreateContext(HDC hdc) {
  if (!hdc || !hdc->pixelFormat) return nullptr;
  return egl::CreateContext(hdc);
}

BOOL wglMakeCurrent(HDC hdc, HGLRC rc) { return egl::MakeCurrent(hdc, rc) ? TRUE : FALSE; }

BOOL wglDeleteContext(HGLRC rc) {
  if (!rc) return FALSE;
  egl::DeleteContext(rc);
  return TRUE;
}

HGLRC wglGetCurrentContext() { return egl::Current(); }

HDC BeginPaint(HWND hwnd, PAINTSTRUCT* ps) {
  if (!hwnd) return nullptr;
  hwnd->invalid = false;
  HDC dc = GetDC(hwnd);
  if (ps) {
    ps->hdc = dc;
    ps->fErase = FALSE;
    ps->rcPaint = RECT{0, 0, hwnd->width, hwnd->height};
  }
  return dc;
}

BOOL EndPaint(HWND, const PAINTSTRUCT*) { return TRUE; }

BOOL InvalidateRect(HWND hwnd, const RECT*, BOOL) {
  if (!hwnd) return FALSE;
  hwnd->invalid = true;
  if (WindowBackend* b = OpenBackend(BackendKind::Headless)) b->Invalidated(hwnd);
  return TRUE;
}

void ForcePixelFormatFailure(bool fail) { gFailPixelFormat = fail; }

BOOL QueryPerformanceFrequency(int64_t* frequency) {
  if (!frequency) return FALSE;
  *frequency = gCounter ? gFrequency : 1000000000LL;
  return TRUE;
}

BOOL QueryPerformanceCounter(int64_t* count) {
  if (!count) return FALSE;
  if (gCounter) {
    *count = gCounter();
    return TRUE;
  }
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  *count = static_cast<int64_t>(ts.tv_sec) * 1000000000LL + ts.tv_nsec;
  return TRUE;
}

void SetPerformanceCounterOverride(std::function<int64_t()> counter, int64_t frequency) {
  gCounter = std::move(counter);
  gFrequency = frequency;
}

void ClearPerformanceCounterOverride() {
  gCounter = nullptr;
  gFrequency = 0;
}

bool ReadWindowPixels(HWND hwnd, std::vector<uint8_t>& rgba, int& width, int& height) {
  if (!hwnd || !hwnd->dc || !hwnd->dc->surface || !hwnd->dc->boundContext) return false;
  HDC dc = hwnd->dc;
  RenderContext* previous = egl::Current();
  HDC previousDc = previous ? previous->dc : nullptr;
  if (previous != dc->boundContext && !egl::MakeCurrent(dc, dc->boundContext)) return false;
  width = dc->surfaceWidth;
  height = dc->surfaceHeight;
  rgba.assign(static_cast<size_t>(width) * height * 4, 0);
  glFinish();
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
  if (previous != dc->boundContext) egl::MakeCurrent(previousDc, previous);
  return true;
}

HDC wglGetCurrentDC() {
  RenderContext* rc = egl::Current();
  return rc ? rc->dc : nullptr;
}

bool SaveWindowPng(HWND hwnd, const char* path) {
  std::vector<uint8_t> rgba;
  int w = 0, h = 0;
  if (!ReadWindowPixels(hwnd, rgba, w, h)) return false;
  return WritePng(path, w, h, rgba);
}
