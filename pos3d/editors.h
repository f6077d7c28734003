// Typed editor panels: a position, an RGBA colour and an angle.
#pragma once

#include <cstddef>

#include "pos3d/floatedit.h"

class TPos3D : public TFloatEdit {
public:
  explicit TPos3D(TComponent* AOwner);
  T3DVector* GetValue() const { return static_cast<T3DVector*>(FValue); }
  T3DVector* GetMin() const { return static_cast<T3DVector*>(FMin); }
  T3DVector* GetMax() const { return static_cast<T3DVector*>(FMax); }
  T3DVector* Value() const { return GetValue(); }
  T3DVector* Min() const { return GetMin(); }
  T3DVector* Max() const { return GetMax(); }
  using TFloatEdit::SetValue;
  using TFloatEdit::SetMin;
  using TFloatEdit::SetMax;
  void SetValue(T3DVector* Value) { TFloatEdit::SetValue(Value); }
  void SetMin(T3DVector* Value) { TFloatEdit::SetMin(Value); }
  void SetMax(T3DVector* Value) { TFloatEdit::SetMax(Value); }
  // A bare null would match both overloads above; it goes to the base, which ignores it.
  void SetValue(std::nullptr_t) { TFloatEdit::SetValue(static_cast<TFloatVector*>(nullptr)); }
  void SetMin(std::nullptr_t) { TFloatEdit::SetMin(static_cast<TFloatVector*>(nullptr)); }
  void SetMax(std::nullptr_t) { TFloatEdit::SetMax(static_cast<TFloatVector*>(nullptr)); }
};

class TColorEdit : public TFloatEdit {
public:
  explicit TColorEdit(TComponent* AOwner);
  TColorVector* GetValue() const { return static_cast<TColorVector*>(FValue); }
  TColorVector* GetMin() const { return static_cast<TColorVector*>(FMin); }
  TColorVector* GetMax() const { return static_cast<TColorVector*>(FMax); }
  TColorVector* Value() const { return GetValue(); }
  TColorVector* Min() const { return GetMin(); }
  TColorVector* Max() const { return GetMax(); }
  using TFloatEdit::SetValue;
  using TFloatEdit::SetMin;
  using TFloatEdit::SetMax;
  void SetValue(TColorVector* Value) { TFloatEdit::SetValue(Value); }
  void SetMin(TColorVector* Value) { TFloatEdit::SetMin(Value); }
  void SetMax(TColorVector* Value) { TFloatEdit::SetMax(Value); }
  // A bare null would match both overloads above; it goes to the base, which ignores it.
  void SetValue(std::nullptr_t) { TFloatEdit::SetValue(static_cast<TFloatVector*>(nullptr)); }
  void SetMin(std::nullptr_t) { TFloatEdit::SetMin(static_cast<TFloatVector*>(nullptr)); }
  void SetMax(std::nullptr_t) { TFloatEdit::SetMax(static_cast<TFloatVector*>(nullptr)); }
};

class TAngleEdit : public TFloatEdit {
public:
  explicit TAngleEdit(TComponent* AOwner);
  TAngle* GetValue() const { return static_cast<TAngle*>(FValue); }
  TAngle* GetMin() const { return static_cast<TAngle*>(FMin); }
  TAngle* GetMax() const { return static_cast<TAngle*>(FMax); }
  TAngle* Value() const { return GetValue(); }
  TAngle* Min() const { return GetMin(); }
  TAngle* Max() const { return GetMax(); }
  using TFloatEdit::SetValue;
  using TFloatEdit::SetMin;
  using TFloatEdit::SetMax;
  void SetValue(TAngle* Value) { TFloatEdit::SetValue(Value); }
  void SetMin(TAngle* Value) { TFloatEdit::SetMin(Value); }
  void SetMax(TAngle* Value) { TFloatEdit::SetMax(Value); }
  // A bare null would match both overloads above; it goes to the base, which ignores it.
  void SetValue(std::nullptr_t) { TFloatEdit::SetValue(static_cast<TFloatVector*>(nullptr)); }
  void SetMin(std::nullptr_t) { TFloatEdit::SetMin(static_cast<TFloatVector*>(nullptr)); }
  void SetMax(std::nullptr_t) { TFloatEdit::SetMax(static_cast<TFloatVector*>(nullptr)); }
};
