// Editing in the view: a part's frame in the world, moving it by dragging in the view plane or along an
// axis, typed values checked against a field's range, and a new polygon turned toward the eye.
#pragma once

#include <string>

#include "parts/placement.h"
#include "view_camera.h"

class TPart;

// The frame a part's position is given in: every ancestor's placement, the root's included.
TPartMatrix ParentFrame(const TPart* part);
// False for a matrix that cannot be inverted (a zero scale somewhere).
bool InvertMatrix(const TPartMatrix& m, TPartMatrix& inverse);
// The part's origin (its position) in world coordinates.
void PartOrigin(const TPart* part, double world[3]);
// Sets the part's position so that its origin lies at a world point; false when its frame is flat.
bool MoveOriginTo(TPart* part, const double world[3]);
// The direction of one of the parent frame's axes (0 x, 1 y, 2 z) in the world, unit length.
void ParentAxis(const TPart* part, int axis, double dir[3]);
// The parent axis whose picture on the screen lies nearest the drag (dx, dy) in pixels; -1 when none shows.
int NearestAxis(const TPart* part, const ViewCamera& camera, int width, int height, double dx, double dy);

// One drag of a part: in the view plane through its origin (axis -1), or along one axis of its parent's frame.
// The part follows the pointer: what was under it at the press stays under it.
class TPartDrag {
public:
  // false when the part cannot be dragged from there (a flat frame, a ray along the plane or the axis).
  bool Start(TPart* part, const ViewCamera& camera, int width, int height, int x, int y, int axis);
  // Moves the part for the pointer at (x, y); false when the pointer is where nothing can be hit.
  bool Move(int x, int y);
  // Back to where the drag started.
  void Cancel();
  bool Active() const { return FPart != nullptr; }
  int Axis() const { return FAxis; }
  TPart* Part() const { return FPart; }
  void End() { FPart = nullptr; }

private:
  bool Hit(int x, int y, double& t, double p[3]) const;
  TPart* FPart = nullptr;
  ViewCamera FCamera;
  int FWidth = 0, FHeight = 0, FAxis = -1;
  double FOrigin[3] = {}, FGrab[3] = {}, FAxisDir[3] = {}, FGrabT = 0;
  float FStart[3] = {};
};

// What a typed value may be: the scroll bar's range (widened by a value beyond it), the field's limits
// (a value outside is refused), whole numbers only or not.
struct TValueRange {
  float lo = -10, hi = 10;
  float limitLo = -1e6f, limitHi = 1e6f;
  bool integral = false;
};
// The typed text as a number within the limits; false with the reason ("... 2 to 1000") otherwise.
bool ParseTypedValue(const std::string& text, const TValueRange& range, double& value, std::string& why);
// The scroll bar's range for a value: the field's range, widened to whole numbers that hold the value.
void BarRange(const TValueRange& range, double value, float& lo, float& hi);

// A polygon just made turns its face to the eye: its points are laid in the view plane, counter-clockwise
// as seen from the eye, so its normals point at the camera and the lights in front of it reach it.
void FacePolygonToView(TPart* polygon, const ViewCamera& camera);
