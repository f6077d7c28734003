// A headless OpenGL context for tests that draw without a viewport.
#pragma once

// Makes a compatibility GL context current on a pbuffer of the given size (Mesa's surfaceless EGL platform).
// Check Ok() before drawing; the destructor releases everything it made.
class OffscreenGl {
public:
  OffscreenGl(int width, int height);
  ~OffscreenGl();
  OffscreenGl(const OffscreenGl&) = delete;
  OffscreenGl& operator=(const OffscreenGl&) = delete;

  bool Ok() const { return ok; }
  int Width() const { return width; }
  int Height() const { return height; }

private:
  void* display = nullptr;
  void* surface = nullptr;
  void* context = nullptr;
  int width, height;
  bool ok = false;
};
