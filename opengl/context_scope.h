// A viewport's rendering context as scopes and display lists see it, and the scope that makes it current.
#pragma once

#include <memory>

#include "framework/controls/controls.h"
#include "framework/platform/winapi.h"
#include "opengl/quadric_cache.h"
#include "parts/part_host.h"

// Shared by a viewport and the lists compiled in its context; emptied when the context is deleted,
// so that whoever still holds it issues no GL calls.
struct TContextHandle : TPartListContext {
  HGLRC Context = nullptr;
  TWinControl* Window = nullptr;
  // Quadric geometry that parts compiled in this context share (the per-part list mode).
  TQuadricCache Quadrics;
  // The window's own device context while the window exists; never creates a window.
  HDC DC() const;
  void ReleaseLists(unsigned list, unsigned sharedGeometry) override;
};

// Makes a context current for its lifetime and then restores whatever was current before.
// Active() is false when the context does not exist or could not be made current: issue no GL then.
class TContextScope {
public:
  explicit TContextScope(const TContextHandle* handle);
  ~TContextScope();
  TContextScope(const TContextScope&) = delete;
  TContextScope& operator=(const TContextScope&) = delete;

  bool Active() const { return FActive; }

private:
  void Restore();

  HGLRC FPrevious = nullptr;
  HDC FPreviousDC = nullptr;
  bool FActive = false;
  bool FSwitched = false;
};
