// The solid leaf parts: the unit cube and the GLU quadric parts (sphere, cylinder or cone, disk or annulus).
#pragma once

#include "parts/parts.h"

class TPartCube : public TPart, public TSharedGeometry {
public:
  void GeometryKey(int& kind, float& a, float& b, float& c, int& d1, int& d2) const override;
  void DrawGeometry() override;
  AnsiString GetName() override;
  bool SaveTo(TSceneFile& File) override;
  bool LoadFrom(TSceneFile& File) override;
  void Paint() override;
  TPart* Clone() override;
};

class TPartSphere : public TPart, public TSharedGeometry {
public:
  void GeometryKey(int& kind, float& a, float& b, float& c, int& d1, int& d2) const override;
  void DrawGeometry() override;
  AnsiString GetName() override;
  bool SaveTo(TSceneFile& File) override;
  bool LoadFrom(TSceneFile& File) override;
  void Paint() override;
  TPart* Clone() override;

  void SetSlices(int v);
  void SetStacks(int v);

  int Slices = 20;
  int Stacks = 20;
};

class TPartCylinder : public TPart, public TSharedGeometry {
public:
  void GeometryKey(int& kind, float& a, float& b, float& c, int& d1, int& d2) const override;
  void DrawGeometry() override;
  AnsiString GetName() override;
  bool SaveTo(TSceneFile& File) override;
  bool LoadFrom(TSceneFile& File) override;
  void Paint() override;
  TPart* Clone() override;

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

class TPartDisk : public TPart, public TSharedGeometry {
public:
  void GeometryKey(int& kind, float& a, float& b, float& c, int& d1, int& d2) const override;
  void DrawGeometry() override;
  AnsiString GetName() override;
  bool SaveTo(TSceneFile& File) override;
  bool LoadFrom(TSceneFile& File) override;
  void Paint() override;
  TPart* Clone() override;

  void SetSlices(int v);
  void SetLoops(int v);
  void SetInnerRadius(float v);
  void SetOuterRadius(float v);

  int Slices = 20;
  int Loops = 20;
  float InnerRadius = 1.0f;
  float OuterRadius = 2.0f;
};
