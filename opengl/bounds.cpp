// Scene bounds: each kind's geometry through the placements of the part and its ancestors.
#include "opengl/bounds.h"

#include <algorithm>
#include <cmath>
#include <set>
#include <vector>

#include "parts/parts.h"

namespace {

// Column-major, as GL keeps its matrices.
struct Matrix {
  double m[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
  Matrix operator*(const Matrix& b) const {
    Matrix r;
    for (int c = 0; c < 4; ++c)
      for (int row = 0; row < 4; ++row) {
        double s = 0;
        for (int k = 0; k < 4; ++k) s += m[k * 4 + row] * b.m[c * 4 + k];
        r.m[c * 4 + row] = s;
      }
    return r;
  }
};

// The placement a part's Paint applies: translate, rotate about its axis, scale.
Matrix Placement(const TPart* p) {
  Matrix t, r, s;
  t.m[12] = p->PX;
  t.m[13] = p->PY;
  t.m[14] = p->PZ;
  s.m[0] = p->SX;
  s.m[5] = p->SY;
  s.m[10] = p->SZ;
  double x = p->RX, y = p->RY, z = p->RZ;
  double len = std::sqrt(x * x + y * y + z * z);
  // NOTE: Mesa ignores a rotation about a (near) zero axis; the box must agree with the picture.
  if (len > 1e-4 && std::isfinite(len)) {
    x /= len;
    y /= len;
    z /= len;
    double a = p->RotationAngle * M_PI / 180.0, c = std::cos(a), sn = std::sin(a), k = 1 - c;
    double v[9] = {x * x * k + c,     y * x * k + z * sn, z * x * k - y * sn, x * y * k - z * sn, y * y * k + c,
                   z * y * k + x * sn, x * z * k + y * sn, y * z * k - x * sn, z * z * k + c};
    for (int col = 0; col < 3; ++col)
      for (int row = 0; row < 3; ++row) r.m[col * 4 + row] = v[col * 3 + row];
  }
  return t * r * s;
}

void IncludeTransformed(TBounds& out, const TBounds& box, const Matrix& m) {
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
    IncludeTransformed(FBoxes.back(), own, Placement(part));
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
    IncludeTransformed(up, box, Placement(g));
    box = up;
  }
  return box;
}
