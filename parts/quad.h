// The polygon part: points drawn with any primitive mode, each with its own (given or computed) normal.
#pragma once

#include <algorithm>
#include <vector>

#include "parts/parts.h"

// The polygon's record tag in a scene file.
const int PART_TAG_QUAD = 15;

class TPartQuad : public TPartClassOf<TPartQuad> {
public:
  static const TPartClass& Class();
  TPartQuad();
  ~TPartQuad() override;

  void Paint() override;
  TPart* Clone() override;
  void AddGeometry(TBoundsWalk& walk) override;
  // Texture coordinates are the point's x and y, as the generated coordinates it draws with.
  bool Tessellate(TMeshData& out) override;

  // Resizes both arrays keeping the leading entries; a negative count changes nothing.
  void SetNPoints(int n);
  void SetShape(int mode);
  void SetAutoNormal(bool v);
  void SetX(int i, float v);
  void SetY(int i, float v);
  void SetZ(int i, float v);
  float GetX(int i);
  float GetY(int i);
  float GetZ(int i);
  void SetNormX(int i, float v);
  void SetNormY(int i, float v);
  void SetNormZ(int i, float v);
  float GetNormX(int i);
  float GetNormY(int i);
  float GetNormZ(int i);
  // Recomputes the normals when AutoNormal is set, then notifies.
  void CalcNormals();
  void SetDefaults();

  // NPoints x (x, y, z), contiguous; null when there are no points.
  const float* Points() const { return points.empty() ? nullptr : points.data(); }
  const float* Normals() const { return normals.empty() ? nullptr : normals.data(); }

  // The count callers see and set; indexing never trusts it beyond the arrays (see Used()).
  int NPoints = 0;

private:
  friend class TQuadPoints;
  // Points in use: NPoints, bounded by what the arrays were made for, since NPoints is writable.
  int Used() const { return std::min(std::max(NPoints, 0), made); }
  bool Valid(int i) const { return i >= 0 && i < Used(); }
  void SetPoint(int i, int axis, float v);
  void SetNormal(int i, int axis, float v);
  std::vector<float> points;
  std::vector<float> normals;
  int made = 0;  // points both arrays hold

public:
  int Shape = 7;  // GL_QUADS
  bool AutoNormal = true;
};
