// The per-part list mode: each part keeps its own list, a rebuild recompiles only the stale ones,
// and quadrics of one shape share their geometry.
#include <GL/gl.h>

#include "opengl/context_scope.h"
#include "opengl/opengl.h"
#include "parts/parts.h"

namespace {

// NOTE: Mesa runs list calls nested at most 64 deep and skips deeper ones. Groups from this depth on
// hold their whole subtree in their own list, so a deep tree still draws every part.
const int kInlineDepth = 40;

// Restores the painting mode however the rebuild ends.
struct PerPartPainting {
  PerPartPainting() { TPartListBuild::PerPart = true; }
  ~PerPartPainting() { TPartListBuild::PerPart = false; }
};

class TPartListUpdate {
public:
  explicit TPartListUpdate(TContextHandle* handle) : FHandle(handle) {}

  // Brings p's list (and its subtree's) up to date; true when p's list name changed, so the
  // group holding it must compile a call of the new name.
  bool Walk(TPart* p, int depth) {
    bool stale = p->ListDirty() || p->DisplayList == 0 || p->ListContext() != FHandle;
    Inside inside(this, depth + 1);
    stale = p->UpdateListsInside(inside) || stale;
    if (!stale) return false;
    unsigned before = p->DisplayList;
    Compile(p);
    return p->DisplayList != before;
  }

private:
  // What a part's list calls: a group's children, walked or (deep down) inlined; a call part's target.
  class Inside : public TPartListWalk {
  public:
    Inside(TPartListUpdate* update, int depth) : FUpdate(update), FDepth(depth) {}
    bool Child(TPart* child) override {
      return FDepth > kInlineDepth ? FUpdate->InlineSubtree(child) : FUpdate->Walk(child, FDepth);
    }
    unsigned TargetList(TPart* target) override { return FUpdate->TargetList(target); }

  private:
    TPartListUpdate* FUpdate;
    int FDepth;
  };

  // A part inside an inlining group: drawn by that group's list; true when anything in it changed.
  bool InlineSubtree(TPart* p) {
    bool stale = p->ListDirty() || p->DisplayList != 0;
    Inside inside(this, kInlineDepth + 1);
    stale = p->UpdateListsInside(inside) || stale;
    p->DrawnInline();
    return stale;
  }

  // The list a call part names, compiled now when its target has none in this context yet.
  unsigned TargetList(TPart* target) {
    if (!target) return 0;
    if (target->DisplayList == 0 || target->ListContext() != FHandle || target->ListDirty()) Compile(target);
    return target->DisplayList;
  }

  void Compile(TPart* p) {
    p->AdoptListContext();
    // Acquired before the old one is released, so a part whose shape did not change keeps its list.
    if (auto* shape = dynamic_cast<TSharedGeometry*>(p)) {
      int kind = 0, d1 = 0, d2 = 0;
      float a = 0, b = 0, c = 0;
      shape->GeometryKey(kind, a, b, c, d1, d2);
      p->SetSharedGeometry(FHandle->Quadrics.Acquire(TQuadricKey(kind, a, b, c, d1, d2), [shape] { shape->DrawGeometry(); }));
    }
    p->BuildList(BUILDLIST_COMPILE);
  }

  TContextHandle* FHandle;
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
  TPartListUpdate(FContext.get()).Walk(FRoot, 0);
}
