// The call part: replays an existing display list in its group's frame.
#pragma once

#include "parts/parts.h"

class TPartCall : public TPart {
public:
  AnsiString GetName() override;
  bool SaveTo(TSceneFile& File) override;
  bool LoadFrom(TSceneFile& File) override;
  void Paint() override;
  TPart* Clone() override;

  // Stores a different name only; renaming neither notifies nor schedules a rebuild.
  void SetUsedPartName(AnsiString name);
  void SetCallList(unsigned list);
  // Points CallList at the own list of the owner's part named UsedPartName; returns that list (0: none found).
  unsigned ResolveCallList();

  AnsiString UsedPartName;
  unsigned CallList = 0;
};
