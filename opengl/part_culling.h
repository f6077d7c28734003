// Per-part frames and picks that skip what lies outside the view, and the probe that tells what a
// skipped list would have left set.
#pragma once

#include "parts/part_effect.h"

// Runs list where nothing can be drawn and reads back the state it leaves for later parts: material,
// texture, current normal, texture coordinates and colour. The context must be current; its state is
// left as it was.
TPartEffect ProbeList(unsigned list);
