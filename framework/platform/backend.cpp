// Choosing the process's window backend, and the queue through which backends hand input up.
#include "framework/platform/backend.h"

#include <algorithm>
#include <cstdlib>

namespace {
WindowBackend* gBackend = nullptr;
}

WindowBackend* OpenBackend(BackendKind kind) {
  if (gBackend) return gBackend;
  if (kind == BackendKind::Auto) {
    const char* display = std::getenv("DISPLAY");
    kind = (display && *display) ? BackendKind::X11 : BackendKind::Headless;
  }
  if (kind == BackendKind::X11) {
    WindowBackend* x = CreateX11Backend();
    if (x && x->Open()) {
      gBackend = x;
      return gBackend;
    }
    delete x;
    ReportFrameworkError("X11", "cannot open the display; rendering headless");
  }
  gBackend = CreateHeadlessBackend();
  gBackend->Open();
  return gBackend;
}

WindowBackend* OpenedBackend() { return gBackend; }

// NOTE: EGL is not terminated at exit: that unloads the driver, and its allocations would then
// show up in leak reports without a module name to suppress them by.
void CloseBackend() {
  delete gBackend;
  gBackend = nullptr;
}

void WindowBackend::PostInput(NativeWindow* w, UINT msg, uintptr_t wparam, intptr_t lparam) {
  FInput.push_back(MSG{w, msg, wparam, lparam});
}

bool WindowBackend::TakeInput(MSG& m) {
  if (FInput.empty()) return false;
  m = FInput.front();
  FInput.pop_front();
  return true;
}

bool WindowBackend::LastQueued(NativeWindow* w, UINT msg, MSG& m) const {
  for (auto it = FInput.rbegin(); it != FInput.rend(); ++it) {
    if (it->hwnd != w || it->message != msg) continue;
    m = *it;
    return true;
  }
  return false;
}

void WindowBackend::DropInput(NativeWindow* w) {
  FInput.erase(std::remove_if(FInput.begin(), FInput.end(), [w](const MSG& m) { return m.hwnd == w; }),
               FInput.end());
}
