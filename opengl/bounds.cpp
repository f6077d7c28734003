// Scene bounds: each kind's geometry through the placements of the part and its ancestors.
#include "opengl/bounds.h"

#include <algorithm>
#include <cmath>
#include <set>

#include "opengl/opengl.h"
#include "parts/call.h"
#include "parts/parts.h"
#include "parts/primitives.h"
#include "parts/quad.h"

void TBounds::Include(float x, float y, float z) {
  if (!(std::isfinite(x) && std::isfinite(y) && std::isfinite(z))) return;
  const float p[3] = {x, y, z};
  for (int i = 0; i < 3; ++i) {
    Min[i] = Empty ? p[i] : std::min(Min[i], p[i]);
    Max[i] = Empty ? p[i] : std::max(Max[i], p[i]);
  }
  Empty = false;
}

void TBounds::Include(const TBounds& other) {
  if (other.Empty) return;
  Include(other.Min[0], other.Min[1], other.Min[2]);
  Include(other.Max[0], other.Max[1], other.Max[2]);
}

float TBounds::Radius() const {
  if (Empty) return 0;
  return 0.5f * std::sqrt(Size(0) * Size(0) + Size(1) * Size(1) + Size(2) * Size(2));
}

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

TBounds Box(float x0, float y0, float z0, float x1, float y1, float z1) {
  TBounds b;
  b.Include(x0, y0, z0);
  b.Include(x1, y1, z1);
  return b;
}

// Call parts replay another part's list; `visiting` stops a call that reaches itself.
TBounds LocalBounds(TPart* part, std::set<TPart*>& visiting);

// The geometry a part draws in its own frame (after its placement).
TBounds Geometry(TPart* part, std::set<TPart*>& visiting) {
  if (auto* g = dynamic_cast<TPartGroup*>(part)) {
    TBounds b;
    for (int i = 0; i < g->Count(); ++i) b.Include(LocalBounds(g->Part(i), visiting));
    return b;
  }
  if (dynamic_cast<TPartCube*>(part)) return Box(-0.5f, -0.5f, -0.5f, 0.5f, 0.5f, 0.5f);
  if (dynamic_cast<TPartSphere*>(part)) return Box(-1, -1, -1, 1, 1, 1);
  if (auto* c = dynamic_cast<TPartCylinder*>(part)) {
    float r = std::max(std::fabs(c->BaseRadius), std::fabs(c->TopRadius));
    return Box(-r, -r, std::min(0.0f, c->Height), r, r, std::max(0.0f, c->Height));
  }
  if (auto* d = dynamic_cast<TPartDisk*>(part)) {
    float r = std::max(std::fabs(d->InnerRadius), std::fabs(d->OuterRadius));
    return Box(-r, -r, 0, r, r, 0);
  }
  if (auto* q = dynamic_cast<TPartQuad*>(part)) {
    TBounds b;
    const float* pts = q->Points();
    if (!pts) return b;
    for (int i = 0; i < q->NPoints; ++i) b.Include(q->GetX(i), q->GetY(i), q->GetZ(i));
    return b;
  }
  return TBounds();
}

TBounds LocalBounds(TPart* part, std::set<TPart*>& visiting) {
  TBounds out;
  if (!part || !visiting.insert(part).second) return out;
  if (auto* call = dynamic_cast<TPartCall*>(part)) {
    // Its list runs in the caller's frame with the called part's own placement inside it.
    TOpenGl* viewport = call->Owner();
    TPart* used = viewport && !call->UsedPartName.IsEmpty() ? viewport->FindPart(call->UsedPartName) : nullptr;
    if (used) out = LocalBounds(used, visiting);
  } else {
    IncludeTransformed(out, Geometry(part, visiting), Placement(part));
  }
  visiting.erase(part);
  return out;
}

}  // namespace

TBounds PartLocalBounds(TPart* part) {
  std::set<TPart*> visiting;
  return LocalBounds(part, visiting);
}

TBounds PartWorldBounds(TPart* part) {
  TBounds box = PartLocalBounds(part);
  if (!part) return box;
  // Guard the walk up against a parent chain that loops back.
  std::set<const TPart*> seen{part};
  for (TPartGroup* g = part->Parent(); g && seen.insert(g).second; g = g->Parent()) {
    TBounds up;
    IncludeTransformed(up, box, Placement(g));
    box = up;
  }
  return box;
}
