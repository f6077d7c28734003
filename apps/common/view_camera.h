// A viewport's camera kept apart from it, and a box outline drawn over the scene.
#pragma once

#include "framework/core/wintypes.h"
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

// Looking at the scene from one side. Front looks from +z toward -z with +y up; top looks down from +y with
// -z up on the screen, so x runs to the right in front, back's mirror aside, top and bottom.
enum class StandardView { Front, Back, Right, Left, Top, Bottom };
const char* StandardViewName(StandardView v);
// The keys both scene tools share: 1 front, 3 right, 7 top; with Shift the opposite side. False for others.
bool StandardViewForKey(WORD key, bool shift, StandardView& v);
// Puts the eye on that side of the target at the distance it had; the target stays.
void SetStandardView(TOpenGl* gl, StandardView v);
// Orthographic on or off; the target's plane keeps its size on the screen.
void ToggleOrtho(TOpenGl* gl);

// A ray through a pixel of a view: from origin along dir (unit length).
struct ViewRay {
  double origin[3] = {}, dir[3] = {0, 0, 1};
};
// The camera as the viewport's projection sees it, for a client area of width x height pixels.
ViewRay RayThrough(const ViewCamera& c, int width, int height, double x, double y);
// Where a world point shows in client pixels; false behind the eye.
bool ProjectToView(const ViewCamera& c, int width, int height, const double p[3], double& x, double& y);
// World units per pixel at the target's distance.
double PixelSizeAt(const ViewCamera& c, int height, const double p[3]);
