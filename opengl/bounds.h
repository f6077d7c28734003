// The world boxes of a scene's parts: each kind's geometry through the placements of the part and its ancestors.
#pragma once

#include "parts/bounds.h"

class TPart;

// The box of a part and its subtree in the frame of the part's parent (its own placement applied).
TBounds PartLocalBounds(TPart* part);
// The box of a part and its subtree in world coordinates: every ancestor's placement applied.
TBounds PartWorldBounds(TPart* part);
