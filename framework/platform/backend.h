// The internal window-backend interface: native windows, the input queue, and what EGL needs of them.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "framework/platform/winapi.h"

class DrawSurface;
struct MessageBoxWindow;

struct NativeWindow {
  NativeWindow* parent = nullptr;
  int x = 0, y = 0, width = 0, height = 0;
  DWORD classStyle = 0;
  bool visible = true;
  bool invalid = false;
  // What tools that look at the window tree see of a child window: its name and class.
  std::string name, className;
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
  // Translates pending native events into posted input messages; never blocks.
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
  // A message box window with the text and an OK button, for a loop above to wait on: the backend
  // draws it and notes its answer (the button, Return, Escape, Space or its close box) as its events
  // are pumped. Null when the backend cannot show one, or one is up already.
  virtual MessageBoxWindow* OpenMessageBox(HWND, const std::string&, const std::string&) { return nullptr; }
  virtual bool MessageBoxAnswered(MessageBoxWindow*) { return true; }
  virtual void CloseMessageBox(MessageBoxWindow*) {}

  // The one way events go up: a backend posts window messages, the application takes them in order.
  void PostInput(NativeWindow* w, UINT msg, uintptr_t wparam, intptr_t lparam);
  bool TakeInput(MSG& m);
  // The last message of that number still queued for the window; false when there is none.
  bool LastQueued(NativeWindow* w, UINT msg, MSG& m) const;
  // Forgets the messages still queued for a window that is going away.
  void DropInput(NativeWindow* w);

  std::vector<NativeWindow*> windows;

private:
  std::deque<MSG> FInput;
};

// The process's one backend. OpenBackend returns the open one, or opens the kind asked for (Auto: on a
// display when one opens, else headless); OpenedBackend is null until then.
WindowBackend* OpenBackend(BackendKind kind);
WindowBackend* OpenedBackend();
void CloseBackend();

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
