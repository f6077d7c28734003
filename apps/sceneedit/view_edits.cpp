// Editing in the view: frames, drags in the view plane and along axes, typed values, new polygons.
#include "view_edits.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "parts/parts.h"
#include "parts/quad.h"

namespace {

void Apply(const TPartMatrix& m, const double in[3], double w, double out[3]) {
  double r[3];
  for (int row = 0; row < 3; ++row)
    r[row] = m.m[row] * in[0] + m.m[4 + row] * in[1] + m.m[8 + row] * in[2] + m.m[12 + row] * w;
  for (int i = 0; i < 3; ++i) out[i] = r[i];
}

double Dot(const double a[3], const double b[3]) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

bool Normalize(double v[3]) {
  double l = std::sqrt(Dot(v, v));
  if (!(l > 1e-12) || !std::isfinite(l)) return false;
  for (int i = 0; i < 3; ++i) v[i] /= l;
  return true;
}

// A value that is zero or one but for rounding is stored as such: the file stays readable.
float Tidy(double v) {
  double r = std::round(v);
  return static_cast<float>(std::fabs(v - r) < 1e-6 ? r : v);
}

std::string Number(double v) {
  char text[64];
  std::snprintf(text, sizeof text, "%g", v);
  return text;
}

}  // namespace

TPartMatrix ParentFrame(const TPart* part) {
  TPartMatrix frame;
  for (const TPart* p = part ? part->Holder() : nullptr; p; p = p->Holder()) frame = PartPlacement(*p) * frame;
  return frame;
}

bool InvertMatrix(const TPartMatrix& src, TPartMatrix& inverse) {
  // Gauss-Jordan on the 4 x 4 matrix, with partial pivoting.
  double a[4][8];
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) {
      a[r][c] = src.m[c * 4 + r];
      a[r][c + 4] = r == c ? 1 : 0;
    }
  for (int c = 0; c < 4; ++c) {
    int pivot = c;
    for (int r = c + 1; r < 4; ++r)
      if (std::fabs(a[r][c]) > std::fabs(a[pivot][c])) pivot = r;
    if (!(std::fabs(a[pivot][c]) > 1e-12)) return false;
    for (int k = 0; k < 8; ++k) std::swap(a[c][k], a[pivot][k]);
    double d = a[c][c];
    for (int k = 0; k < 8; ++k) a[c][k] /= d;
    for (int r = 0; r < 4; ++r) {
      if (r == c) continue;
      double f = a[r][c];
      for (int k = 0; k < 8; ++k) a[r][k] -= f * a[c][k];
    }
  }
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) inverse.m[c * 4 + r] = a[r][c + 4];
  return true;
}

void PartOrigin(const TPart* part, double world[3]) {
  const double local[3] = {part->PX, part->PY, part->PZ};
  Apply(ParentFrame(part), local, 1, world);
}

bool MoveOriginTo(TPart* part, const double world[3]) {
  TPartMatrix inverse;
  if (!InvertMatrix(ParentFrame(part), inverse)) return false;
  double local[3];
  Apply(inverse, world, 1, local);
  if (!std::isfinite(local[0]) || !std::isfinite(local[1]) || !std::isfinite(local[2])) return false;
  // A coordinate the move leaves where it was keeps its exact value, not one with rounding noise.
  const float now[3] = {part->PX, part->PY, part->PZ};
  float to[3];
  for (int i = 0; i < 3; ++i) to[i] = std::fabs(local[i] - now[i]) < 1e-6 ? now[i] : static_cast<float>(local[i]);
  part->SetPX(to[0]);
  part->SetPY(to[1]);
  part->SetPZ(to[2]);
  return true;
}

void ParentAxis(const TPart* part, int axis, double dir[3]) {
  const double unit[3] = {axis == 0 ? 1.0 : 0.0, axis == 1 ? 1.0 : 0.0, axis == 2 ? 1.0 : 0.0};
  Apply(ParentFrame(part), unit, 0, dir);
  if (!Normalize(dir)) {
    for (int i = 0; i < 3; ++i) dir[i] = unit[i];
  }
}

int NearestAxis(const TPart* part, const ViewCamera& camera, int width, int height, double dx, double dy) {
  double o[3], ox, oy;
  PartOrigin(part, o);
  if (!ProjectToView(camera, width, height, o, ox, oy)) return -1;
  double drag = std::hypot(dx, dy);
  if (!(drag > 0)) return -1;
  int best = -1;
  double bestCos = 0.2;  // an axis seen end-on never wins
  const double step = PixelSizeAt(camera, height, o) * 50;
  for (int axis = 0; axis < 3; ++axis) {
    double dir[3], tip[3], tx, ty;
    ParentAxis(part, axis, dir);
    for (int i = 0; i < 3; ++i) tip[i] = o[i] + dir[i] * step;
    if (!ProjectToView(camera, width, height, tip, tx, ty)) continue;
    double sx = tx - ox, sy = ty - oy, len = std::hypot(sx, sy);
    if (!(len > 2)) continue;
    double c = std::fabs(sx * dx + sy * dy) / (len * drag);
    if (c > bestCos) {
      bestCos = c;
      best = axis;
    }
  }
  return best;
}

bool TPartDrag::Start(TPart* part, const ViewCamera& camera, int width, int height, int x, int y, int axis) {
  FPart = nullptr;
  if (!part || !part->Holder()) return false;
  FCamera = camera;
  FWidth = width;
  FHeight = height;
  FAxis = axis;
  PartOrigin(part, FOrigin);
  if (axis >= 0) ParentAxis(part, axis, FAxisDir);
  FStart[0] = part->PX;
  FStart[1] = part->PY;
  FStart[2] = part->PZ;
  TPartMatrix inverse;
  if (!InvertMatrix(ParentFrame(part), inverse)) return false;
  FPart = part;
  if (!Hit(x, y, FGrabT, FGrab)) {
    FPart = nullptr;
    return false;
  }
  return true;
}

// Where the pointer's ray meets the plane through the origin facing the eye, or the nearest point of the axis.
bool TPartDrag::Hit(int x, int y, double& t, double p[3]) const {
  ViewRay ray = RayThrough(FCamera, FWidth, FHeight, x, y);
  if (FAxis < 0) {
    ViewRay centre = RayThrough(FCamera, FWidth, FHeight, (FWidth - 1) / 2.0, (FHeight - 1) / 2.0);
    double n[3] = {centre.dir[0], centre.dir[1], centre.dir[2]};
    // The plane faces the view direction (the centre's ray), so a perspective drag keeps the depth.
    double denom = Dot(ray.dir, n);
    if (std::fabs(denom) < 1e-9) return false;
    double diff[3] = {FOrigin[0] - ray.origin[0], FOrigin[1] - ray.origin[1], FOrigin[2] - ray.origin[2]};
    double s = Dot(diff, n) / denom;
    for (int i = 0; i < 3; ++i) p[i] = ray.origin[i] + ray.dir[i] * s;
    t = 0;
  } else {
    // The plane through the axis that faces the eye best: where the ray meets it, taken onto the axis, stays
    // under the pointer. An axis seen end-on (within a degree or two) has no such plane.
    const double* a = FAxisDir;
    ViewRay centre = RayThrough(FCamera, FWidth, FHeight, (FWidth - 1) / 2.0, (FHeight - 1) / 2.0);
    const double* f = centre.dir;
    double af[3] = {a[1] * f[2] - a[2] * f[1], a[2] * f[0] - a[0] * f[2], a[0] * f[1] - a[1] * f[0]};
    double n[3] = {af[1] * a[2] - af[2] * a[1], af[2] * a[0] - af[0] * a[2], af[0] * a[1] - af[1] * a[0]};
    if (Dot(af, af) < 1e-3 || !Normalize(n)) return false;
    double denom = Dot(ray.dir, n);
    if (std::fabs(denom) < 1e-9) return false;
    double diff[3] = {FOrigin[0] - ray.origin[0], FOrigin[1] - ray.origin[1], FOrigin[2] - ray.origin[2]};
    double s = Dot(diff, n) / denom;
    double hit[3], rel[3];
    for (int i = 0; i < 3; ++i) {
      hit[i] = ray.origin[i] + ray.dir[i] * s;
      rel[i] = hit[i] - FOrigin[i];
    }
    t = Dot(rel, a);
    for (int i = 0; i < 3; ++i) p[i] = FOrigin[i] + a[i] * t;
  }
  return std::isfinite(p[0]) && std::isfinite(p[1]) && std::isfinite(p[2]) && std::isfinite(t);
}

bool TPartDrag::Move(int x, int y) {
  if (!FPart) return false;
  double t = 0, p[3];
  if (!Hit(x, y, t, p)) return false;
  double to[3];
  for (int i = 0; i < 3; ++i) to[i] = FOrigin[i] + (p[i] - FGrab[i]);
  return MoveOriginTo(FPart, to);
}

void TPartDrag::Cancel() {
  if (!FPart) return;
  FPart->SetPX(FStart[0]);
  FPart->SetPY(FStart[1]);
  FPart->SetPZ(FStart[2]);
}

bool ParseTypedValue(const std::string& text, const TValueRange& range, double& value, std::string& why) {
  std::string t = text;
  while (!t.empty() && (t.back() == ' ' || t.back() == '\t')) t.pop_back();
  size_t start = t.find_first_not_of(" \t");
  t = start == std::string::npos ? "" : t.substr(start);
  for (char& c : t)
    if (c == ',') c = '.';
  char* end = nullptr;
  double v = t.empty() ? 0 : std::strtod(t.c_str(), &end);
  std::string limits = Number(range.limitLo) + " to " + Number(range.limitHi);
  if (t.empty() || !end || *end || !std::isfinite(v)) {
    why = "\"" + text + "\" is not a number (" + limits + ")";
    return false;
  }
  if (range.integral && v != std::round(v)) {
    why = Number(v) + " is not a whole number (" + limits + ")";
    return false;
  }
  if (v < range.limitLo || v > range.limitHi) {
    why = Number(v) + " is out of range: " + limits;
    return false;
  }
  value = v;
  return true;
}

void BarRange(const TValueRange& range, double value, float& lo, float& hi) {
  lo = range.lo;
  hi = range.hi;
  // The bar holds whole-number bounds: a value beyond them widens to the next whole number out.
  if (value < lo) lo = static_cast<float>(std::floor(value));
  if (value > hi) hi = static_cast<float>(std::ceil(value));
}

void FacePolygonToView(TPart* polygon, const ViewCamera& camera) {
  auto* quad = dynamic_cast<TPartQuad*>(polygon);
  if (!quad || quad->NPoints != 4) return;
  TPartMatrix inverse;
  if (!InvertMatrix(ParentFrame(polygon) * PartPlacement(*polygon), inverse)) return;
  // The eye's right and up, in the polygon's own frame.
  double forward[3], upWorld[3] = {camera.up[0], camera.up[1], camera.up[2]};
  for (int i = 0; i < 3; ++i) forward[i] = camera.target[i] - camera.eye[i];
  double side[3] = {forward[1] * upWorld[2] - forward[2] * upWorld[1], forward[2] * upWorld[0] - forward[0] * upWorld[2],
                    forward[0] * upWorld[1] - forward[1] * upWorld[0]};
  if (!Normalize(forward) || !Normalize(side)) return;
  double up[3] = {side[1] * forward[2] - side[2] * forward[1], side[2] * forward[0] - side[0] * forward[2],
                  side[0] * forward[1] - side[1] * forward[0]};
  double s[3], u[3];
  Apply(inverse, side, 0, s);
  Apply(inverse, up, 0, u);
  if (!Normalize(s) || !Normalize(u)) return;
  const int corners[4][2] = {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}};
  for (int k = 0; k < 4; ++k) {
    quad->SetX(k, Tidy(s[0] * corners[k][0] + u[0] * corners[k][1]));
    quad->SetY(k, Tidy(s[1] * corners[k][0] + u[1] * corners[k][1]));
    quad->SetZ(k, Tidy(s[2] * corners[k][0] + u[2] * corners[k][1]));
  }
}
