// A light source: OpenGL light parameters with a change event.
#pragma once

#include "framework/core/core.h"

class TSceneFile;

class TLuce : public TPersistent {
public:
  TLuce();
  // The named members refer into this light's own array: a copy would refer into the source's.
  TLuce(const TLuce&) = delete;
  TLuce& operator=(const TLuce&) = delete;

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
  float* PositionVector() { return &FValues[0]; }
  float* AmbientVector() { return &FValues[4]; }
  float* DiffuseVector() { return &FValues[8]; }
  float* SpecularVector() { return &FValues[12]; }
  float* SpotDirVector() { return &FValues[16]; }

  // Copies another light's 24 values and enable flag (notifies twice); other sources change nothing.
  void Assign(TPersistent* Source) override;
  virtual bool SaveTo(TSceneFile& File);
  virtual bool LoadFrom(TSceneFile& File);

  bool Enabled = false;
  TNotifyEvent OnChange;

private:
  // The 24 values in record order, one array: its groups go straight to glLightfv.
  float FValues[24] = {};

public:
  float& PositionX = FValues[0];
  float& PositionY = FValues[1];
  float& PositionZ = FValues[2];
  float& PositionW = FValues[3];
  float& AmbientR = FValues[4];
  float& AmbientG = FValues[5];
  float& AmbientB = FValues[6];
  float& AmbientA = FValues[7];
  float& DiffuseR = FValues[8];
  float& DiffuseG = FValues[9];
  float& DiffuseB = FValues[10];
  float& DiffuseA = FValues[11];
  float& SpecularR = FValues[12];
  float& SpecularG = FValues[13];
  float& SpecularB = FValues[14];
  float& SpecularA = FValues[15];
  float& SpotDirX = FValues[16];
  float& SpotDirY = FValues[17];
  float& SpotDirZ = FValues[18];
  float& SpotExponent = FValues[19];
  float& SpotCutoff = FValues[20];
  float& SpotConstAtt = FValues[21];
  float& SpotLinearAtt = FValues[22];
  float& SpotQuadAtt = FValues[23];

  float* Floats() { return FValues; }
  const float* Floats() const { return FValues; }
};
