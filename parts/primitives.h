// The solid leaf parts: the unit cube and the GLU quadric parts (sphere, cylinder or cone, disk or annulus).
#pragma once

#include "parts/parts.h"

// Record tags of the solid kinds in a scene file.
const int PART_TAG_CUBE = 10;
const int PART_TAG_SPHERE = 11;
const int PART_TAG_CYLINDER = 12;
const int PART_TAG_DISK = 13;

class TPartCube : public TPartClassOf<TPartCube>, public TSharedGeometry {
public:
  static const TPartClass& Class();
  void GeometryKey(int& kind, float& a, float& b, float& c, int& d1, int& d2) const override;
  void DrawGeometry() override;
  void Paint() override;
  void AddGeometry(TBoundsWalk& walk) override;
  bool Tessellate(TMeshData& out) override;
};

class TPartSphere : public TPartClassOf<TPartSphere>, public TSharedGeometry {
public:
  static const TPartClass& Class();
  void GeometryKey(int& kind, float& a, float& b, float& c, int& d1, int& d2) const override;
  void DrawGeometry() override;
  void Paint() override;
  void AddGeometry(TBoundsWalk& walk) override;
  bool Tessellate(TMeshData& out) override;

  void SetSlices(int v);
  void SetStacks(int v);

  int Slices = 20;
  int Stacks = 20;
};

class TPartCylinder : public TPartClassOf<TPartCylinder>, public TSharedGeometry {
public:
  static const TPartClass& Class();
  void GeometryKey(int& kind, float& a, float& b, float& c, int& d1, int& d2) const override;
  void DrawGeometry() override;
  void Paint() override;
  void AddGeometry(TBoundsWalk& walk) override;
  bool Tessellate(TMeshData& out) override;

  void SetSlices(int v);
  void SetStacks(int v);
  void SetBaseRadius(float v);
  void SetTopRadius(float v);
  void SetHeight(float v);

  int Slices = 20;
  int Stacks = 20;
  float BaseRadius = 1.0f;
  float TopRadius = 1.0f;
  float Height = 1.0f;
};

class TPartDisk : public TPartClassOf<TPartDisk>, public TSharedGeometry {
public:
  static const TPartClass& Class();
  void GeometryKey(int& kind, float& a, float& b, float& c, int& d1, int& d2) const override;
  void DrawGeometry() override;
  void Paint() override;
  void AddGeometry(TBoundsWalk& walk) override;
  bool Tessellate(TMeshData& out) override;

  void SetSlices(int v);
  void SetLoops(int v);
  void SetInnerRadius(float v);
  void SetOuterRadius(float v);

  int Slices = 20;
  int Loops = 20;
  float InnerRadius = 1.0f;
  float OuterRadius = 2.0f;
};
