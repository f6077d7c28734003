// A viewport's camera kept apart from it, and a box outline drawn over the scene.
#pragma once

#include "opengl/bounds.h"

class TOpenGl;

// A viewport's camera and projection, kept apart from the viewport.
struct ViewCamera {
  float eye[4] = {}, target[4] = {}, up[4] = {};
  bool ortho = false;
  float width = 1, height = 1, nearPlane = 1, farPlane = 10, yAngle = 90;
  static ViewCamera Of(TOpenGl* gl);
  void ApplyTo(TOpenGl* gl) const;
};

// The twelve edges of a box, as lines in the current matrices.
void DrawBox(const TBounds& b);
// The box in colour (r, g, b) over everything, two pixels wide, in the viewport's paint events.
void DrawOutline(const TBounds& b, float r, float g, float bl);
