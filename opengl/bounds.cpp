// Scene bounds: each kind's geometry through the placements of the part and its ancestors.
#include "opengl/bounds.h"

#include <set>
#include <vector>

#include "parts/parts.h"
#include "parts/placement.h"

namespace {

void IncludeTransformed(TBounds& out, const TBounds& box, const TPartMatrix& m) {
  if (box.Empty) return;
  float corners[8][3];
  TransformCorners(box, m, corners);
  for (const float* q : corners) out.Include(q[0], q[1], q[2]);
}

// Each part's box is taken in its own frame, then its corners through its placement into its parent's.
class TBoxWalk : public TBoundsWalk {
public:
  TBounds Take(TPart* part) {
    FBoxes.assign(1, TBounds());
    Part(part);
    return FBoxes.front();
  }
  void Point(float x, float y, float z) override { FBoxes.back().Include(x, y, z); }
  void Part(TPart* part) override {
    // A call part that reaches a part being added (itself, or a group around it) adds nothing more.
    if (!part || !FVisiting.insert(part).second) return;
    part->AddBounds(*this);
    FVisiting.erase(part);
  }
  void Placed(TPart* part) override {
    FBoxes.emplace_back();
    part->AddGeometry(*this);
    TBounds own = FBoxes.back();
    FBoxes.pop_back();
    IncludeTransformed(FBoxes.back(), own, PartPlacement(*part));
  }

private:
  std::vector<TBounds> FBoxes;
  std::set<TPart*> FVisiting;
};

}  // namespace

TBounds PartLocalBounds(TPart* part) { return TBoxWalk().Take(part); }

TBounds PartWorldBounds(TPart* part) {
  TBounds box = PartLocalBounds(part);
  if (!part) return box;
  // Up through the groups that hold and draw the part, not the parent link callers may change.
  for (TPartGroup* g = part->Holder(); g; g = g->Holder()) {
    TBounds up;
    IncludeTransformed(up, box, PartPlacement(*g));
    box = up;
  }
  return box;
}
