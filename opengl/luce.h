// A light source: OpenGL light parameters with a change event.
#pragma once

#include "framework/core.h"

class TSceneFile;

class TLuce : public TPersistent {
public:
  TLuce();

  void SetEnabled(bool v);
  void SetPositionX(float v);
  void SetPositionY(float v);
  void SetPositionZ(float v);
  void SetPositionW(float v);
  void SetAmbientR(float v);
  void SetAmbientG(float v);
  void SetAmbientB(float v);
  void SetAmbientA(float v);
  void SetDiffuseR(float v);
  void SetDiffuseG(float v);
  void SetDiffuseB(float v);
  void SetDiffuseA(float v);
  void SetSpecularR(float v);
  void SetSpecularG(float v);
  void SetSpecularB(float v);
  void SetSpecularA(float v);
  void SetSpotDirX(float v);
  void SetSpotDirY(float v);
  void SetSpotDirZ(float v);
  void SetSpotExponent(float v);
  void SetSpotCutoff(float v);
  void SetSpotConstAtt(float v);
  void SetSpotLinearAtt(float v);
  void SetSpotQuadAtt(float v);

  void Changed(TObject* Sender);
  float* PositionVector() { return &PositionX; }
  float* AmbientVector() { return &AmbientR; }
  float* DiffuseVector() { return &DiffuseR; }
  float* SpecularVector() { return &SpecularR; }
  float* SpotDirVector() { return &SpotDirX; }

  // Copies another light's 24 values and enable flag (notifies twice); other sources change nothing.
  void Assign(TPersistent* Source) override;
  virtual bool SaveTo(TSceneFile& File);
  virtual bool LoadFrom(TSceneFile& File);

  bool Enabled = false;
  TNotifyEvent OnChange;
  // The 24 floats stay contiguous in this order: arrays of them go straight to glLightfv.
  float PositionX, PositionY, PositionZ, PositionW;
  float AmbientR, AmbientG, AmbientB, AmbientA;
  float DiffuseR, DiffuseG, DiffuseB, DiffuseA;
  float SpecularR, SpecularG, SpecularB, SpecularA;
  float SpotDirX, SpotDirY, SpotDirZ;
  float SpotExponent, SpotCutoff, SpotConstAtt, SpotLinearAtt, SpotQuadAtt;

  float* Floats() { return &PositionX; }
};
