// The call part: its list call, list resolution by name, clone and record.
#include "parts/call.h"

#include <GL/gl.h>

#include "files/files.h"

const TPartClass& TPartCall::Class() {
  static const TPartClass kind = TPartClassBuilder<TPartCall>("TPartCall", "Call list", PART_TAG_CALL).Fields([](auto& f) {
    f.String("UsedPartName", &TPartCall::UsedPartName);
  });
  return kind;
}
static TPartRegistration call(TPartCall::Class());

// What Paint draws: the target a rebuild points the list at; a list set by hand has no known box.
void TPartCall::AddBounds(TBoundsWalk& walk) {
  if (!listByHand) walk.Part(CallTarget());
}

void TPartCall::SetUsedPartName(AnsiString name) {
  if (name != UsedPartName) UsedPartName = name;
}

void TPartCall::SetCallList(unsigned list) {
  CallList = list;
  listByHand = list != 0;
  listByName = false;
  Changed(this);
}

unsigned TPartCall::ResolveCallList() {
  TPart* used = CallTarget();
  if (!used) return 0;
  CallList = used->DisplayList;
  listByHand = false;
  listByName = true;
  Changed(this);
  return CallList;
}

TPart* TPartCall::CallTarget() {
  TPartHost* viewport = Host();
  // An empty name would match the first unnamed part.
  if (!viewport || UsedPartName.IsEmpty()) return nullptr;
  TPart* used = viewport->FindPart(UsedPartName);
  // Calling its own list, or a list that contains this call, would recurse until GL's nesting limit.
  if (!used || used == this || used == viewport->Root()) return nullptr;
  auto* group = dynamic_cast<TPartGroup*>(used);
  if (group && group->Contains(this)) return nullptr;
  return used;
}

bool TPartCall::UpdateListsInside(TPartListWalk& walk) {
  if (!listByHand) CallResolvedList(walk.TargetList(CallTarget()));
  return ListDirty();
}

void TPartCall::CallResolvedList(unsigned list) {
  listByName = list != 0;
  if (list == CallList) return;
  CallList = list;
  MarkListStale();
}

void TPartCall::ResolveDuringRebuild() {
  TPart* used = CallTarget();
  if (!used) return;
  // Groups compile only their own list: the target needs one of its own to be called.
  if (used->DisplayList == 0) used->BuildList(BUILDLIST_COMPILE);
  CallList = used->DisplayList;
  listByName = true;
}

void TPartCall::BuildList(BUILDLIST_PHASE phase) {
  if (phase == BUILDLIST_DELETE && listByName) CallList = 0;  // the list it names is being deleted
  if (phase == BUILDLIST_PREPARE && !listByHand) ResolveDuringRebuild();
  TPart::BuildList(phase);
}

// Deliberately none of the common state: the list runs with whatever its surroundings set.
void TPartCall::Paint() { glCallList(CallList); }

TPart* TPartCall::Clone() {
  auto* copy = static_cast<TPartCall*>(TPartClassOf::Clone());
  copy->CallList = CallList;
  copy->listByHand = listByHand;
  copy->listByName = listByName;
  return copy;
}
