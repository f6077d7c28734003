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
  // Every rebuild points CallList at the freshly compiled list of the part named UsedPartName,
  // unless a host set the list by hand.
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
  // Per-part rebuilds: calls list from now on; a different list makes this part's own list stale.
  void CallResolvedList(unsigned list);

  AnsiString UsedPartName;
  unsigned CallList = 0;

private:
  // Points CallList at the target's list, compiling that list first when the target has none.
  void ResolveDuringRebuild();

  bool listByHand = false;
  bool listByName = false;
};
