// Growing an axis-aligned box point by point.
#include "parts/bounds.h"

#include <algorithm>
#include <cmath>

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
