// The headless backend: windows are records with a size; GL draws into pbuffers.
#include <EGL/egl.h>
#include <EGL/eglext.h>

#include <thread>
#include <chrono>

#include "framework/platform/backend.h"

namespace {
class HeadlessBackend : public WindowBackend {
public:
  const char* Name() const override { return "headless"; }
  bool Open() override { return true; }
  void CreateNative(NativeWindow*, const TCreateParams&) override {}
  void DestroyNative(NativeWindow*) override {}
  void Moved(NativeWindow* w) override { egl::ResizeSurface(w->dc); }
  void Shown(NativeWindow*) override {}
  void SetTitle(NativeWindow*, const std::string&) override {}
  void PumpEvents() override {}
  void WaitEvents(int timeoutMs) override {
    if (timeoutMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(timeoutMs));
  }
  unsigned EglPlatform() const override { return EGL_PLATFORM_SURFACELESS_MESA; }
  void* EglNativeDisplay() override { return EGL_DEFAULT_DISPLAY; }
  void* EglNativeWindow(NativeWindow*) override { return nullptr; }
};
}  // namespace

WindowBackend* CreateHeadlessBackend() { return new HeadlessBackend; }
