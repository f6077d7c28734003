// A loaded viewport on the headless backend with the hand-driven clock, and pixel reads of its window.
#pragma once

#include <GL/gl.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <cmath>

#include <vector>

#include "framework/controls/application.h"
#include "framework/platform/winapi.h"
#include "support/test_support.h"

struct Pixels {
  int width = 0, height = 0;
  std::vector<uint8_t> rgba;  // bottom row first
  // (x, y) counted from the top-left corner.
  Rgba At(int x, int y) const {
    size_t i = (static_cast<size_t>(height - 1 - y) * width + x) * 4;
    return Rgba{rgba[i], rgba[i + 1], rgba[i + 2], rgba[i + 3]};
  }
};

// The client pixel (x from the left, y from the top) where a world point lands in the current context's
// projection and viewport, the model-view taken as the identity (as after a frame).
inline void ProjectToClient(double x, double y, double z, int& px, int& py) {
  GLdouble proj[16], model[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
  GLint vp[4];
  glGetDoublev(GL_PROJECTION_MATRIX, proj);
  glGetIntegerv(GL_VIEWPORT, vp);
  GLdouble wx, wy, wz;
  gluProject(x, y, z, model, proj, vp, &wx, &wy, &wz);
  px = static_cast<int>(std::floor(wx));
  py = vp[3] - 1 - static_cast<int>(std::floor(wy));
}

inline Pixels ReadPixels(HWND hwnd) {
  Pixels p;
  ReadWindowPixels(hwnd, p.rgba, p.width, p.height);
  return p;
}

// Makes a viewport type, sizes it and loads it (which creates and binds its context).
template <class Viewport>
Viewport* MakeLoadedViewport(int width = 64, int height = 48) {
  Application->UseManualClock(true);
  auto* gl = new Viewport(nullptr);
  gl->SetBounds(0, 0, width, height);
  gl->Loaded();
  return gl;
}

// Steps the hand-driven clock ms milliseconds, one at a time, processing messages after each.
inline void Step(int ms) { Application->RunFor(ms); }
