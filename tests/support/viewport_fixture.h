// A loaded viewport on the headless backend with the hand-driven clock, and pixel reads of its window.
#pragma once

#include <gtest/gtest.h>

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
