// Switching to a viewport's context for one operation, and back.
#include "opengl/context_scope.h"

#include <GL/gl.h>

HDC TContextHandle::DC() const { return Window && Window->HandleAllocated() ? GetDC(Window->Handle()) : nullptr; }

void TContextHandle::ReleaseLists(unsigned list, unsigned sharedGeometry) {
  TContextScope scope(this);
  if (scope.Active() && list != 0) glDeleteLists(list, 1);
  if (sharedGeometry != 0) Quadrics.Release(sharedGeometry, scope.Active());
}

TContextScope::TContextScope(const TContextHandle* handle) {
  if (!handle || !handle->Context) return;
  FPrevious = wglGetCurrentContext();
  FPreviousDC = wglGetCurrentDC();
  HDC dc = handle->DC();
  // Current is not enough: a context whose window went stays current with no surface to draw on.
  if (FPrevious == handle->Context && dc && FPreviousDC == dc) {
    FActive = true;
    return;
  }
  // Without a window, or on a window that cannot take the context, nothing is switched.
  FActive = dc && wglMakeCurrent(dc, handle->Context) == TRUE;
  // Ours, moved onto its new window, stays current there.
  FSwitched = FActive && FPrevious != handle->Context;
}

TContextScope::~TContextScope() {
  if (FSwitched) Restore();
}

// A previous context that lost its window cannot be rebound: leave none current rather than ours.
void TContextScope::Restore() {
  if (FPrevious && FPreviousDC && wglMakeCurrent(FPreviousDC, FPrevious) == TRUE) return;
  wglMakeCurrent(nullptr, nullptr);
}
