#include "pos3d/vectors.h"

#include "files/files.h"

TFloatVector::TFloatVector() : FElement{0.0f, 0.0f, 0.0f, 1.0f} {}

float TFloatVector::GetElement(int Index) const {
  return (Index >= 0 && Index <= 3) ? FElement[Index] : 0.0f;
}

void TFloatVector::SetElement(int Index, float Value) {
  if (Index < 0 || Index > 3) return;
  FElement[Index] = Value;
  Changed();
}

void TFloatVector::Changed() { OnChange(this); }

void TFloatVector::Assign(TPersistent* Source) {
  auto* src = dynamic_cast<TFloatVector*>(Source);
  if (!src) {
    TPersistent::Assign(Source);
    return;
  }
  for (int i = 0; i < 4; ++i) FElement[i] = src->FElement[i];
  Changed();
}

bool TFloatVector::SaveTo(TSceneFile& File) {
  for (int i = 0; i < 4; ++i) File.WriteFloat(FElement[i]);
  return File.IsOk();
}

bool TFloatVector::LoadFrom(int Version, TSceneFile& File, float D0, float D1, float D2, float D3) {
  File.ReadFloat(Version, &FElement[0], D0);
  File.ReadFloat(Version, &FElement[1], D1);
  File.ReadFloat(Version, &FElement[2], D2);
  File.ReadFloat(Version, &FElement[3], D3);
  return File.IsOk();
}
