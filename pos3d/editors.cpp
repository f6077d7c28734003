// Typed editors: each swaps in vectors of its kind, sets its bounds, names and field count.
#include "pos3d/editors.h"

namespace {
// Replaces the held plain vector with one of the editor's kind; no listener yet. The new one is made
// first, so a failed allocation leaves the held vector in place for the destructor.
template <class V>
void Retype(TFloatVector*& held) {
  TFloatVector* fresh = new V();
  delete held;
  held = fresh;
}
}  // namespace

TPos3D::TPos3D(TComponent* AOwner) : TFloatEdit(AOwner) {
  Retype<T3DVector>(FValue);
  Retype<T3DVector>(FMin);
  Retype<T3DVector>(FMax);
  for (int i = 0; i < 4; ++i) FMax->SetElement(i, 10.0f);
  for (int i = 0; i < 4; ++i) FMin->SetElement(i, -10.0f);
  FValue->OnChange = MakeEvent<TFloatEdit>(this, &TFloatEdit::ValueChanged);
  FMin->OnChange = MakeEvent<TFloatEdit>(this, &TFloatEdit::ValueChanged);
  FMax->OnChange = MakeEvent<TFloatEdit>(this, &TFloatEdit::ValueChanged);
  FLabels->SetStrings(0, "X");
  FLabels->SetStrings(1, "  Y");
  FLabels->SetStrings(2, "  Z");
  FLabels->SetStrings(3, "  W");
}

TColorEdit::TColorEdit(TComponent* AOwner) : TFloatEdit(AOwner) {
  Retype<TColorVector>(FValue);
  Retype<TColorVector>(FMin);
  Retype<TColorVector>(FMax);
  for (int i = 0; i < 4; ++i) FMax->SetElement(i, 10.0f);
  for (int i = 0; i < 4; ++i) FMin->SetElement(i, 0.0f);
  FValue->OnChange = MakeEvent<TFloatEdit>(this, &TFloatEdit::ValueChanged);
  FMin->OnChange = MakeEvent<TFloatEdit>(this, &TFloatEdit::ValueChanged);
  FMax->OnChange = MakeEvent<TFloatEdit>(this, &TFloatEdit::ValueChanged);
  FLabels->SetStrings(0, "R");
  FLabels->SetStrings(1, "  G");
  FLabels->SetStrings(2, "  B");
  FLabels->SetStrings(3, "  A");
}

TAngleEdit::TAngleEdit(TComponent* AOwner) : TFloatEdit(AOwner) {
  Retype<TAngle>(FValue);
  Retype<TAngle>(FMin);
  Retype<TAngle>(FMax);
  FMax->SetElement(0, 360.0f);
  FMin->SetElement(0, 0.0f);
  FValue->OnChange = MakeEvent<TFloatEdit>(this, &TFloatEdit::ValueChanged);
  FMin->OnChange = MakeEvent<TFloatEdit>(this, &TFloatEdit::ValueChanged);
  FMax->OnChange = MakeEvent<TFloatEdit>(this, &TFloatEdit::ValueChanged);
  FLabels->SetStrings(0, "Angle");
  SetNValues(1);
}
