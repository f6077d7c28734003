// Vector value types: four single-precision elements with a change event.
#pragma once

#include "framework/core/core.h"

class TSceneFile;

class TFloatVector : public TPersistent {
public:
  TFloatVector();

  float GetElement(int Index) const;
  // Indices outside 0..3 are ignored.
  void SetElement(int Index, float Value);
  void Changed();
  // Copies the four elements of another vector (any kind), then notifies once.
  void Assign(TPersistent* Source) override;

  virtual bool SaveTo(TSceneFile& File);
  virtual bool LoadFrom(int Version, TSceneFile& File, float D0, float D1, float D2, float D3);

  TNotifyEvent OnChange;

protected:
  float FElement[4];
};

class T3DVector : public TFloatVector {
public:
  float GetX() const { return GetElement(0); }
  float GetY() const { return GetElement(1); }
  float GetZ() const { return GetElement(2); }
  float GetW() const { return GetElement(3); }
  void SetX(float v) { SetElement(0, v); }
  void SetY(float v) { SetElement(1, v); }
  void SetZ(float v) { SetElement(2, v); }
  void SetW(float v) { SetElement(3, v); }
};

class TColorVector : public TFloatVector {
public:
  float GetR() const { return GetElement(0); }
  float GetG() const { return GetElement(1); }
  float GetB() const { return GetElement(2); }
  float GetA() const { return GetElement(3); }
  void SetR(float v) { SetElement(0, v); }
  void SetG(float v) { SetElement(1, v); }
  void SetB(float v) { SetElement(2, v); }
  void SetA(float v) { SetElement(3, v); }
};

class TAngle : public TFloatVector {
public:
  float GetDegrees() const { return GetElement(0); }
  void SetDegrees(float v) { SetElement(0, v); }
};
