// The call part: its list call, list resolution by name, clone and record.
#include "parts/call.h"

#include <GL/gl.h>

#include <algorithm>
#include <set>
#include <vector>

#include "files/files.h"

namespace {
// The call parts being resolved or picked through, innermost last: a target that leads back to one of
// them would recurse without end.
class TCallChain {
public:
  explicit TCallChain(const TPartCall* call) { Chain().push_back(call); }
  ~TCallChain() { Chain().pop_back(); }
  TCallChain(const TCallChain&) = delete;
  TCallChain& operator=(const TCallChain&) = delete;
  static bool Holds(const TPartCall* call) {
    const auto& c = Chain();
    return std::find(c.begin(), c.end(), call) != c.end();
  }

private:
  static std::vector<const TPartCall*>& Chain() {
    static thread_local std::vector<const TPartCall*> chain;
    return chain;
  }
};

// A pick draws the target itself, every part of it named as the call part. NOTE: Mesa can crash
// running a compiled list in selection mode (a full disk's list does), and a list names no parts.
void PickThrough(TPartCall* call, TPart* target, std::vector<TPart*>& names) {
  if (!target || TCallChain::Holds(call)) return;
  TCallChain chain(call);
  const size_t own = names.size();  // the name its group loaded for it
  target->Play();
  for (size_t i = own; i < names.size(); ++i) names[i] = call;
  glLoadName(static_cast<GLuint>(own));
}
}  // namespace

const TPartClass& TPartCall::Class() {
  static const TPartClass kind = TPartClassBuilder<TPartCall>("TPartCall", "Call list", PART_TAG_CALL).Fields([](auto& f) {
    f.String("UsedPartName", &TPartCall::UsedPartName);
  });
  return kind;
}

// What Paint draws: the target a rebuild points the list at; a list set by hand has no known box.
void TPartCall::AddBounds(TBoundsWalk& walk) {
  if (!listByHand)
    walk.Part(CallTarget());
  else
    walk.Unknown();
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
  // A list set by hand is called by the own list, which its setter already made stale.
  if (!listByHand) walk.DrawsWhole(this, CallTarget());
  return false;
}

void PaintCalledPart(TPart* target) {
  TPartPaintEntry entry(PART_PUSH_DEPTH);
  const bool perPart = TPartListBuild::PerPart;
  TPartListBuild::PerPart = false;
  // As the whole-scene mode compiles the target's own list.
  target->PaintConfined();
  TPartListBuild::PerPart = perPart;
}

void TPartCall::ResolveDuringRebuild() {
  TPart* used = CallTarget();
  if (!used || TCallChain::Holds(this)) return;
  TCallChain chain(this);
  // Groups compile only their own list: the target needs one of its own to be called.
  if (used->DisplayList == 0) {
    // Call parts inside it name their lists first, or its list would call nothing for them.
    used->BuildList(BUILDLIST_PREPARE);
    TPartPaintEntry entry(PART_PUSH_DEPTH);
    used->BuildList(BUILDLIST_COMPILE);
  }
  CallList = used->DisplayList;
  listByName = true;
}

void TPartCall::BuildList(BUILDLIST_PHASE phase) {
  if (phase == BUILDLIST_DELETE && listByName) CallList = 0;  // the list it names is being deleted
  if (phase == BUILDLIST_PREPARE && !listByHand) ResolveDuringRebuild();
  if (phase == BUILDLIST_COMPILE && TPartListBuild::PerPart && !listByHand) {
    drawnTarget = CallTarget();
    compilingTarget = true;
    TPart::BuildList(phase);
    compilingTarget = false;
    CallList = DisplayList;
    listByName = CallList != 0;
    return;
  }
  TPart::BuildList(phase);
}

// Deliberately none of the common state: the list runs with whatever its surroundings set.
void TPartCall::Paint() {
  if (std::vector<TPart*>* names = TPartPickNames::Active; names && !listByHand) {
    PickThrough(this, CallList != 0 ? CallTarget() : nullptr, *names);
    return;
  }
  if (!compilingTarget)
    glCallList(CallList);
  else if (drawnTarget)
    PaintCalledPart(drawnTarget);
}

TPart* TPartCall::Clone() {
  auto* copy = static_cast<TPartCall*>(TPartClassOf::Clone());
  copy->CallList = CallList;
  copy->listByHand = listByHand;
  copy->listByName = listByName;
  return copy;
}

namespace {
void CountExpanded(TPart* part, size_t limit, size_t& count, std::set<const TPartCall*>& calls) {
  if (!part || ++count > limit) return;
  if (auto* call = dynamic_cast<TPartCall*>(part)) {
    TPart* target = call->ListByHand() ? nullptr : call->CallTarget();
    if (!target || !calls.insert(call).second) return;
    CountExpanded(target, limit, count, calls);
    calls.erase(call);
  } else if (auto* group = dynamic_cast<TPartGroup*>(part)) {
    for (int i = 0; i < group->Count() && count <= limit; ++i) CountExpanded(group->Part(i), limit, count, calls);
  }
}
}  // namespace

size_t ExpandedPartCount(TPart* root, size_t limit) {
  size_t count = 0;
  std::set<const TPartCall*> calls;
  CountExpanded(root, limit, count, calls);
  return count;
}
