// The internal window-backend interface: native windows, events, and what EGL needs of them.
#pragma once

#include <string>
#include <vector>

#include "framework/controls/controls.h"
#include "framework/platform/winapi.h"

struct NativeWindow {
  TWinControl* control = nullptr;
  NativeWindow* parent = nullptr;
  int x = 0, y = 0, width = 0, height = 0;
  DWORD classStyle = 0;
  bool visible = true;
  bool invalid = false;
  DeviceContext* dc = nullptr;
  void* impl = nullptr;  // backend state
};

struct DeviceContext {
  NativeWindow* window = nullptr;
  int pixelFormat = 0;
  void* config = nullptr;   // EGLConfig
  void* surface = nullptr;  // EGLSurface
  int surfaceWidth = 0, surfaceHeight = 0;
  RenderContext* boundContext = nullptr;
};

struct RenderContext {
  void* context = nullptr;  // EGLContext
  void* config = nullptr;
  DeviceContext* dc = nullptr;
};

class WindowBackend {
public:
  virtual ~WindowBackend() = default;
  virtual const char* Name() const = 0;
  virtual bool Open() = 0;
  virtual void CreateNative(NativeWindow* w, const TCreateParams& params) = 0;
  virtual void DestroyNative(NativeWindow* w) = 0;
  // The window's x, y, width and height have changed.
  virtual void Moved(NativeWindow* w) = 0;
  virtual void Shown(NativeWindow* w) = 0;
  // A top-level window's title.
  virtual void SetTitle(NativeWindow* w, const std::string& title) = 0;
  virtual void Invalidated(NativeWindow*) {}
  // A top-level window that belongs to another (a dialog above its owner).
  virtual void SetOwner(NativeWindow*, NativeWindow*) {}
  // Gives a top-level window the keyboard once it is on screen.
  virtual void Activate(NativeWindow*) {}
  // Translates pending native events into messages; never blocks.
  virtual void PumpEvents() = 0;
  // Blocks until an event arrives or timeoutMs passes.
  virtual void WaitEvents(int timeoutMs) = 0;
  // What EGL needs: its platform, the native display, and a native window (null: use a pbuffer).
  virtual unsigned EglPlatform() const = 0;
  virtual void* EglNativeDisplay() = 0;
  virtual void* EglNativeWindow(NativeWindow* w) = 0;
  // A drawing target over a non-GL window (null: the backend draws nothing); EndDraw shows and frees it.
  virtual DrawSurface* BeginDraw(NativeWindow*) { return nullptr; }
  virtual void EndDraw(NativeWindow*, DrawSurface*) {}
  // Shows a modal message box and returns when it is closed; false when the backend cannot show one.
  virtual bool ShowMessageBox(HWND, const std::string&, const std::string&, UINT) { return false; }

  std::vector<NativeWindow*> windows;
};

WindowBackend* CreateHeadlessBackend();
WindowBackend* CreateX11Backend();

// Shared EGL code; it never sees Xlib, only what a backend hands it.
namespace egl {
bool Init(WindowBackend* backend);
void Shutdown();
void* Display();
int ChooseConfig(const PIXELFORMATDESCRIPTOR* pfd, bool window);
void* Config(int format);
bool CreateSurface(DeviceContext* dc);
void DestroySurface(DeviceContext* dc);
void ResizeSurface(DeviceContext* dc);
RenderContext* CreateContext(DeviceContext* dc);
bool MakeCurrent(DeviceContext* dc, RenderContext* rc);
void DeleteContext(RenderContext* rc);
bool Swap(DeviceContext* dc);
RenderContext* Current();
}  // namespace egl

// One reporting path for framework-layer failures, with a subsystem prefix ("EGL: ...").
void ReportFrameworkError(const char* subsystem, const char* message);
