// What a part keeps for culling: its box and the state it leaves, with what keeps them valid.
#pragma once

#include "parts/parts.h"

struct TPart::TCache {
  TBounds Box;
  bool BoxValid = false;
  bool Unbounded = false;
  // Reached through a part it does not hold (a call part's target): valid only while Stamp holds.
  bool BoxShared = false;
  unsigned BoxStamp = 0;
  bool Busy = false;
  // Only groups and parts drawn by lists of their own keep one.
  struct TEffect {
    TPartEffect Effect;
    bool Valid = false;
    bool Shared = false;
    unsigned Stamp = 0;
  };
  std::unique_ptr<TEffect> Effect;
};
