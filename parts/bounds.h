// Axis-aligned boxes, and the walk through which each kind tells what it draws.
#pragma once

class TPart;

struct TBounds {
  // True until a point is included: an empty scene, or parts without geometry.
  bool Empty = true;
  float Min[3] = {0, 0, 0};
  float Max[3] = {0, 0, 0};

  // Points with a non-finite coordinate are left out.
  void Include(float x, float y, float z);
  void Include(const TBounds& other);
  float Center(int axis) const { return (Min[axis] + Max[axis]) * 0.5f; }
  float Size(int axis) const { return Max[axis] - Min[axis]; }
  // Half the diagonal: the radius of a sphere that holds the box.
  float Radius() const;
};

// Collects a subtree's box. A kind adds its geometry in its own frame (TPart::AddGeometry); parts that hold
// or call others hand them on with Part.
class TBoundsWalk {
public:
  virtual ~TBoundsWalk() = default;
  // A point of the geometry, in the frame of the part being added.
  virtual void Point(float x, float y, float z) = 0;
  // The corners of a box, likewise.
  void Box(float x0, float y0, float z0, float x1, float y1, float z1) {
    Point(x0, y0, z0);
    Point(x1, y1, z1);
  }
  // Adds part as its parent sees it (TPart::AddBounds); a part reached again inside itself adds nothing.
  virtual void Part(TPart* part) = 0;
  // Adds part's geometry under its placement.
  virtual void Placed(TPart* part) = 0;
  // The part draws what no box can tell (a list set by hand).
  virtual void Unknown() {}
};
