// The call part: replays an existing display list in its group's frame.
#pragma once

#include "parts/parts.h"

// The call part's record tag in a scene file.
const int PART_TAG_CALL = 16;

class TPartCall : public TPartClassOf<TPartCall> {
public:
  static const TPartClass& Class();
  void Paint() override;
  TPart* Clone() override;
  // Its list runs in the caller's frame: the called part's box, with the called part's own placement.
  void AddBounds(TBoundsWalk& walk) override;
  bool UpdateListsInside(TPartListWalk& walk) override;
  // Every rebuild points CallList at a list that draws the part named UsedPartName, unless a host set
  // the list by hand: the whole-scene mode compiles the target's own list; per part, the call part's
  // own list draws the target whole, so neither the target's place in the tree nor GL's nesting limit
  // matters to it.
  void BuildList(BUILDLIST_PHASE phase) override;

  // Stores a different name only; renaming neither notifies nor schedules a rebuild.
  void SetUsedPartName(AnsiString name);
  // A list set by hand (non-zero) stays until the next SetCallList or ResolveCallList.
  void SetCallList(unsigned list);
  // Points CallList at the own list of the owner's part named UsedPartName; returns that list (0: none found).
  unsigned ResolveCallList();

  // The owner's part named UsedPartName, unless calling its list would make the list call itself.
  TPart* CallTarget();
  // Whether a host set the list by hand (then no name is looked up).
  bool ListByHand() const { return listByHand; }
  // Per part: the target the own list was last compiled to draw.
  TPart* DrawnTarget() const { return drawnTarget; }

  AnsiString UsedPartName;
  unsigned CallList = 0;

private:
  // Points CallList at the target's list, compiling that list first when the target has none.
  void ResolveDuringRebuild();

  bool listByHand = false;
  bool listByName = false;
  TPart* drawnTarget = nullptr;
  bool compilingTarget = false;
};

// Paints target as a list of its own holds it for a call: from its own frame, with its groups pushing
// once whatever the stack already holds, and every part drawn rather than called.
void PaintCalledPart(TPart* target);

// The parts a walk from root reaches when every call part also stands for a copy of its target (a call
// that leads back into itself adds its target once), counted up to just past limit: what an export that
// copies call parts out would make.
size_t ExpandedPartCount(TPart* root, size_t limit);
