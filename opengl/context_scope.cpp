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
  if (FPrevious == handle->Context) {
    FActive = true;
    return;
  }
  FPreviousDC = wglGetCurrentDC();
  HDC dc = handle->DC();
  // A window made again without its pixel format cannot take the context: nothing is switched then.
  FActive = dc && wglMakeCurrent(dc, handle->Context) == TRUE;
  FSwitched = FActive;
}

TContextScope::~TContextScope() {
  if (FSwitched) Restore();
}

// A previous context that lost its window cannot be rebound: leave none current rather than ours.
void TContextScope::Restore() {
  if (FPrevious && FPreviousDC && wglMakeCurrent(FPreviousDC, FPrevious) == TRUE) return;
  wglMakeCurrent(nullptr, nullptr);
}
