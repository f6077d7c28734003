// A part's placement matrix, as GL builds it from glTranslatef, glRotatef and glScalef.
#include "parts/placement.h"

#include <cmath>

#include "parts/bounds.h"
#include "parts/parts.h"

TPartMatrix TPartMatrix::operator*(const TPartMatrix& b) const {
  TPartMatrix r;
  for (int c = 0; c < 4; ++c)
    for (int row = 0; row < 4; ++row) {
      double s = 0;
      for (int k = 0; k < 4; ++k) s += m[k * 4 + row] * b.m[c * 4 + k];
      r.m[c * 4 + row] = s;
    }
  return r;
}

TPartMatrix PartPlacement(const TPart& p) {
  TPartMatrix t, r, s;
  t.m[12] = p.PX;
  t.m[13] = p.PY;
  t.m[14] = p.PZ;
  s.m[0] = p.SX;
  s.m[5] = p.SY;
  s.m[10] = p.SZ;
  double x = p.RX, y = p.RY, z = p.RZ;
  double len = std::sqrt(x * x + y * y + z * z);
  // NOTE: Mesa ignores a rotation about a (near) zero axis; frames computed here must agree with the picture.
  if (len > 1e-4 && std::isfinite(len)) {
    x /= len;
    y /= len;
    z /= len;
    double a = p.RotationAngle * M_PI / 180.0, c = std::cos(a), sn = std::sin(a), k = 1 - c;
    double v[9] = {x * x * k + c,     y * x * k + z * sn, z * x * k - y * sn, x * y * k - z * sn, y * y * k + c,
                   z * y * k + x * sn, x * z * k + y * sn, y * z * k - x * sn, z * z * k + c};
    for (int col = 0; col < 3; ++col)
      for (int row = 0; row < 3; ++row) r.m[col * 4 + row] = v[col * 3 + row];
  }
  return t * r * s;
}

void TransformCorners(const TBounds& box, const TPartMatrix& m, float out[8][3]) {
  for (int corner = 0; corner < 8; ++corner) {
    const double p[3] = {(corner & 1) ? box.Max[0] : box.Min[0], (corner & 2) ? box.Max[1] : box.Min[1],
                         (corner & 4) ? box.Max[2] : box.Min[2]};
    for (int row = 0; row < 3; ++row)
      out[corner][row] = static_cast<float>(m.m[row] * p[0] + m.m[4 + row] * p[1] + m.m[8 + row] * p[2] + m.m[12 + row]);
  }
}
