// Light sources and the viewport's bank of 32 light slots.
#include "opengl/luce.h"

#include <GL/gl.h>

#include "files/files.h"
#include "opengl/context_scope.h"
#include "opengl/opengl.h"

namespace {
const float kLightDefaults[24] = {0, 0, 1, 0,  0, 0, 0, 1,  1, 1, 1, 1,  1, 1, 1, 1,
                                  0, 0, -1,    0, 180, 1, 0, 0};
}  // namespace

TLuce::TLuce() {
  for (int i = 0; i < 24; ++i) Floats()[i] = kLightDefaults[i];
  SetEnabled(false);
}

void TLuce::Changed(TObject*) { OnChange(this); }

void TLuce::SetEnabled(bool v) { Enabled = v; Changed(this); }
void TLuce::SetPositionX(float v) { PositionX = v; Changed(this); }
void TLuce::SetPositionY(float v) { PositionY = v; Changed(this); }
void TLuce::SetPositionZ(float v) { PositionZ = v; Changed(this); }
void TLuce::SetPositionW(float v) { PositionW = v; Changed(this); }
void TLuce::SetAmbientR(float v) { AmbientR = v; Changed(this); }
void TLuce::SetAmbientG(float v) { AmbientG = v; Changed(this); }
void TLuce::SetAmbientB(float v) { AmbientB = v; Changed(this); }
void TLuce::SetAmbientA(float v) { AmbientA = v; Changed(this); }
void TLuce::SetDiffuseR(float v) { DiffuseR = v; Changed(this); }
void TLuce::SetDiffuseG(float v) { DiffuseG = v; Changed(this); }
void TLuce::SetDiffuseB(float v) { DiffuseB = v; Changed(this); }
void TLuce::SetDiffuseA(float v) { DiffuseA = v; Changed(this); }
void TLuce::SetSpecularR(float v) { SpecularR = v; Changed(this); }
void TLuce::SetSpecularG(float v) { SpecularG = v; Changed(this); }
void TLuce::SetSpecularB(float v) { SpecularB = v; Changed(this); }
void TLuce::SetSpecularA(float v) { SpecularA = v; Changed(this); }
void TLuce::SetSpotDirX(float v) { SpotDirX = v; Changed(this); }
void TLuce::SetSpotDirY(float v) { SpotDirY = v; Changed(this); }
void TLuce::SetSpotDirZ(float v) { SpotDirZ = v; Changed(this); }
void TLuce::SetSpotExponent(float v) { SpotExponent = v; Changed(this); }
void TLuce::SetSpotCutoff(float v) { SpotCutoff = v; Changed(this); }
void TLuce::SetSpotConstAtt(float v) { SpotConstAtt = v; Changed(this); }
void TLuce::SetSpotLinearAtt(float v) { SpotLinearAtt = v; Changed(this); }
void TLuce::SetSpotQuadAtt(float v) { SpotQuadAtt = v; Changed(this); }

void TLuce::Assign(TPersistent* Source) {
  // Only lights copy into lights; anything else leaves this one as it is.
  auto* src = dynamic_cast<TLuce*>(Source);
  if (!src) return;
  for (int i = 0; i < 24; ++i) Floats()[i] = src->Floats()[i];
  SetEnabled(src->Enabled);
  Changed(this);
}

bool TLuce::SaveTo(TSceneFile& File) {
  bool ok = File.IsOk() && File.WriteInt(Enabled ? 1 : 0);
  for (int i = 0; i < 24 && ok; ++i) ok = File.WriteFloat(Floats()[i]);
  return ok;
}

bool TLuce::LoadFrom(TSceneFile& File) {
  int flag = 0;
  bool ok = File.IsOk() && File.ReadInt(0, &flag, 0);
  Enabled = ok && flag == 1;
  // Position and colours exist from the first version; the spot values from version 1.
  for (int i = 0; i < 24 && ok; ++i) ok = File.ReadFloat(i < 16 ? 0 : 1, &Floats()[i], kLightDefaults[i]);
  return ok;
}

TLuce* TOpenGl::GetLight(int Index) { return (Index >= 0 && Index < LIGHT_SLOTS) ? FLights[Index] : nullptr; }

void TOpenGl::SetLight(int Index, TLuce* Value) {
  if (Index < 0 || Index >= LIGHT_SLOTS) return;
  FLights[Index]->Assign(Value);
}

void TOpenGl::SetLuci(TObject*) {
  // Before the context exists the lights wait in their slots: the next SetLuci after Loaded sends them.
  TContextScope scope(FContext.get());
  if (!scope.Active()) {
    Refresh(this);
    return;
  }
  glPushMatrix();
  glLoadIdentity();
  for (int i = 0; i < LIGHT_SLOTS; ++i) {
    TLuce* l = FLights[i];
    const GLenum light = GL_LIGHT0 + i;
    if (!l->Enabled) {
      glDisable(light);
      continue;
    }
    glEnable(light);
    glLightfv(light, GL_POSITION, l->PositionVector());
    glLightfv(light, GL_AMBIENT, l->AmbientVector());
    glLightfv(light, GL_DIFFUSE, l->DiffuseVector());
    glLightfv(light, GL_SPECULAR, l->SpecularVector());
    glLightfv(light, GL_SPOT_DIRECTION, l->SpotDirVector());
    glLightf(light, GL_SPOT_EXPONENT, l->SpotExponent);
    glLightf(light, GL_SPOT_CUTOFF, l->SpotCutoff);
    glLightf(light, GL_CONSTANT_ATTENUATION, l->SpotConstAtt);
    glLightf(light, GL_LINEAR_ATTENUATION, l->SpotLinearAtt);
    glLightf(light, GL_QUADRATIC_ATTENUATION, l->SpotQuadAtt);
  }
  Refresh(this);
  glPopMatrix();
}
