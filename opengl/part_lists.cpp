// The per-part list mode: each part keeps its own list, a rebuild recompiles only the stale ones,
// and quadrics of one shape share their geometry.
#include <GL/gl.h>

#include <unordered_set>
#include <vector>

#include "opengl/context_scope.h"
#include "opengl/opengl.h"
#include "opengl/part_culling.h"
#include "parts/call.h"
#include "parts/parts.h"

namespace {

// NOTE: the matrix stack, not only Mesa's 64 levels of nested list calls, bounds how deep lists may call
// lists: groups from this depth on hold their whole subtree in their own list, whose groups push no
// further (see PART_PUSH_DEPTH), and draw the same commands as the whole-scene list.
const int kInlineDepth = PART_PUSH_DEPTH;

// Restores the painting mode however the rebuild ends.
struct PerPartPainting {
  PerPartPainting() { TPartListBuild::PerPart = true; }
  ~PerPartPainting() { TPartListBuild::PerPart = false; }
};

class TPartListUpdate {
public:
  explicit TPartListUpdate(TContextHandle* handle) : FHandle(handle) {}

  void Run(TPart* root) {
    Walk(root, 0);
    // Call parts last: their lists draw their targets whole, so they are compiled again when anything
    // in the target's subtree changed (a call part inside it included: its list name may be new).
    std::unordered_set<const TPart*> changed;
    if (!FCalls.empty())
      for (const TPart* p : FChanged)
        for (const TPart* q = p; q && changed.insert(q).second;) q = q->Holder();
    for (const Call& call : FCalls) {
      const bool fresh = call.part->DrawnTarget() == call.target && !(call.target && changed.count(call.target));
      if (!fresh || call.part->DisplayList == 0) Compile(call.part, kInlineDepth);
    }
    // Groups that hand on what those lists leave must look again.
    if (FCompiled) TPart::TouchCaches();
  }

private:
  struct Call {
    TPartCall* part;
    TPart* target;
  };

  // Brings p's list (and its subtree's) up to date; true when p's list name changed, so a group
  // whose list holds a call of it must be compiled again.
  bool Walk(TPart* p, int depth) {
    auto* group = dynamic_cast<TPartGroup*>(p);
    // The frame walks the groups above the inline depth and draws their parts: groups there need no
    // list, quadrics only their shared geometry.
    if (!group || depth < kInlineDepth) return WalkDrawn(p, group, depth);
    bool stale = OwnChange(p, p->DisplayList == 0);
    Inside inside(this, depth + 1);
    stale = p->UpdateListsInside(inside) || stale;
    if (!stale) return false;
    unsigned before = p->DisplayList;
    Compile(p, depth);
    return p->DisplayList != before;
  }

  bool WalkDrawn(TPart* p, TPartGroup* group, int depth) {
    auto* shape = group ? nullptr : dynamic_cast<TSharedGeometry*>(p);
    bool own;
    if (group) {
      own = p->ListDirty();
      if (own) FChanged.push_back(p);
    } else {
      own = OwnChange(p, shape ? p->SharedGeometry() == 0 : p->DisplayList == 0);
    }
    Inside inside(this, depth + 1);
    p->UpdateListsInside(inside);
    if (group) {
      if (own || p->DisplayList != 0) p->DrawnInline();
    } else if (shape && !FCallSeen.count(p)) {
      if (own) {
        p->DrawnByWalk(AcquireShape(shape));
        TakeTail(p->SharedGeometry());
      }
    } else if (own) {
      Compile(p, depth);
    }
    return false;
  }

  unsigned AcquireShape(TSharedGeometry* shape) {
    int kind = 0, d1 = 0, d2 = 0;
    float a = 0, b = 0, c = 0;
    shape->GeometryKey(kind, a, b, c, d1, d2);
    return FHandle->Quadrics.Acquire(TQuadricKey(kind, a, b, c, d1, d2), [shape] { shape->DrawGeometry(); });
  }

  // What a shared shape leaves set, found once per shape for the frames that skip its parts.
  void TakeTail(unsigned list) {
    if (list == 0 || FHandle->Quadrics.Tail(list)) return;
    TPartEffect tail = ProbeList(list);
    // Only the geometry's own attributes: the part's state comes from its fields.
    tail.Texture = TPartEffect::tkKeep;
    tail.Material = false;
    FHandle->Quadrics.SetTail(list, tail);
  }

  // What a part's list calls: a group's children, walked or (deep down) inlined; a call part's target.
  class Inside : public TPartListWalk {
  public:
    Inside(TPartListUpdate* update, int depth) : FUpdate(update), FDepth(depth) {}
    bool Child(TPart* child) override {
      return FDepth > kInlineDepth ? FUpdate->InlineSubtree(child) : FUpdate->Walk(child, FDepth);
    }
    void DrawsWhole(TPartCall* call, TPart* target) override { FUpdate->DrawsWhole(call, target); }

  private:
    TPartListUpdate* FUpdate;
    int FDepth;
  };

  // A part inside an inlining group: drawn by that group's list; true when that list must be compiled
  // again. A call part keeps its own list there, which the inlining list calls by name.
  bool InlineSubtree(TPart* p) {
    Inside inside(this, kInlineDepth + 1);
    const bool inner = p->UpdateListsInside(inside);
    if (FCallSeen.count(p)) {
      const unsigned before = p->DisplayList;
      if (OwnChange(p, p->DisplayList == 0)) Compile(p, kInlineDepth);
      return inner || p->DisplayList != before;
    }
    const bool own = p->ListDirty() || p->DisplayList != 0;
    if (own) FChanged.push_back(p);
    p->DrawnInline();
    return inner || own;
  }

  // Whether p's own values (a group's child list included) or its list's context changed; noted for
  // the call parts whose targets hold p.
  bool OwnChange(TPart* p, bool noList) {
    const bool own = p->ListDirty() || noList || p->ListContext() != FHandle;
    if (own) FChanged.push_back(p);
    return own;
  }

  void DrawsWhole(TPartCall* call, TPart* target) {
    if (FCallSeen.insert(call).second) FCalls.push_back(Call{call, target});
  }

  void Compile(TPart* p, int depth) {
    p->AdoptListContext();
    // Acquired before the old one is released, so a part whose shape did not change keeps its list.
    if (auto* shape = dynamic_cast<TSharedGeometry*>(p)) p->SetSharedGeometry(AcquireShape(shape));
    {
      // The list runs under the pushes of the groups above p: a group at the inline depth anchors.
      TPartPaintEntry entry(depth);
      p->BuildList(BUILDLIST_COMPILE);
    }
    // What the new list leaves set is probed when a frame first skips the part.
    p->ForgetCachedEffect();
    FCompiled = true;
  }

  TContextHandle* FHandle;
  bool FCompiled = false;
  std::vector<TPart*> FChanged;
  std::vector<Call> FCalls;
  std::unordered_set<const TPart*> FCallSeen;
};

}  // namespace

void TOpenGl::SetListMode(TListMode Value) {
  if (Value == FListMode) return;
  FListMode = Value;
  // The lists of one mode mean nothing to the other: everything is compiled again.
  TContextScope scope(FContext.get());
  if (scope.Active()) FRoot->BuildList(BUILDLIST_DELETE);
  RefreshModel(this);
}

std::shared_ptr<TPartListContext> TOpenGl::CurrentListContext() {
  if (!FContext->Context || FContext->Context != wglGetCurrentContext()) return nullptr;
  return FContext;
}

int TOpenGl::SharedGeometryCount() const { return FContext->Quadrics.Count(); }

void TOpenGl::UpdatePartLists() {
  PerPartPainting painting;
  TPartListUpdate(FContext.get()).Run(FRoot);
}
