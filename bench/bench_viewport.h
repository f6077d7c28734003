// The viewport as every benchmark section drives it: its context made current at will, its rebuild run
// at once, each frame's end stamped, and the loop stopped there on request.
#pragma once

#include "bench_measure.h"
#include "framework/controls/application.h"
#include "opengl/opengl.h"

namespace bench {

class TFrameViewport : public TOpenGl {
public:
  using TOpenGl::TOpenGl;
  void Paint() override {
    TOpenGl::Paint();
    ++paints;
    frameEnd = Now();
    if (stopOnPaint) Application->Terminate();
  }
  void MakeCurrent() { wglMakeCurrent(GetDC(Handle()), reinterpret_cast<HGLRC>(GetResourceContext())); }
  void Rebuild() { RebuildModel(); }
  long paints = 0;
  double frameEnd = 0;
  bool stopOnPaint = false;
};

}  // namespace bench
