// Scene bounds: each kind's geometry through the placements of the part and its ancestors.
#include "opengl/bounds.h"

#include <set>
#include <vector>

#include "parts/parts.h"
#include "parts/placement.h"

namespace {

void IncludeTransformed(TBounds& out, const TBounds& box, const TPartMatrix& m) {
  if (box.Empty) return;
  for (int corner = 0; corner < 8; ++corner) {
    double p[3] = {(corner & 1) ? box.Max[0] : box.Min[0], (corner & 2) ? box.Max[1] : box.Min[1],
                   (corner & 4) ? box.Max[2] : box.Min[2]};
    double q[3];
    for (int row = 0; row < 3; ++row)
      q[row] = m.m[row] * p[0] + m.m[4 + row] * p[1] + m.m[8 + row] * p[2] + m.m[12 + row];
    out.Include(static_cast<float>(q[0]), static_cast<float>(q[1]), static_cast<float>(q[2]));
  }
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
