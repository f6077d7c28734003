#include "support/test_support.h"

#include <GL/gl.h>

Rgba ReadPixelTop(int x, int y, int height) {
  Rgba p{0, 0, 0, 0};
  glFinish();
  glReadPixels(x, height - 1 - y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, &p);
  return p;
}
