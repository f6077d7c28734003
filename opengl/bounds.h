// An axis-aligned box in world coordinates, and the world boxes of a scene's parts.
#pragma once

class TPart;

struct TBounds {
  // True until a point is included: an empty scene, or parts without geometry.
  bool Empty = true;
  float Min[3] = {0, 0, 0};
  float Max[3] = {0, 0, 0};

  void Include(float x, float y, float z);
  void Include(const TBounds& other);
  float Center(int axis) const { return (Min[axis] + Max[axis]) * 0.5f; }
  float Size(int axis) const { return Max[axis] - Min[axis]; }
  // Half the diagonal: the radius of a sphere that holds the box.
  float Radius() const;
};

// The box of a part and its subtree in the frame of the part's parent (its own placement applied).
TBounds PartLocalBounds(TPart* part);
// The box of a part and its subtree in world coordinates: every ancestor's placement applied.
TBounds PartWorldBounds(TPart* part);
