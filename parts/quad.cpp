// The polygon part: point arrays, automatic normals by shape, drawing, cloning and its record.
#include "parts/quad.h"

#include <GL/gl.h>

#include <algorithm>

#include "files/files.h"
#include "parts/tessellate.h"

// The square every new polygon starts with, counter-clockwise seen from +z.
static const float defaultPoints[4][3] = {{-1, -1, 0}, {1, -1, 0}, {1, 1, 0}, {-1, 1, 0}};

TPartQuad::TPartQuad() {
  SetShape(GL_QUADS);
  SetDefaults();
}

TPartQuad::~TPartQuad() = default;

// The points and their normals: a count, then the points, then the normals. An editor walks the points.
class TQuadPoints : public TPartField, public TPartPointList {
public:
  TQuadPoints() : TPartField("Points", 0) {}

  bool Save(TPart& part, TSceneFile& f) const override {
    TPartQuad& q = Of(part);
    // The count written is the count of points that follow, whatever NPoints was set to.
    bool ok = f.WriteInt(q.Used());
    const size_t n = static_cast<size_t>(q.Used()) * 3;
    for (size_t i = 0; i < n; ++i) ok = ok && f.WriteFloat(q.points[i]);
    for (size_t i = 0; i < n; ++i) ok = ok && f.WriteFloat(q.normals[i]);
    return ok;
  }
  // Runs even after a failed read: the arrays are made anew in every case.
  bool Load(TPart& part, TSceneFile& f, bool ok) const override {
    TPartQuad& q = Of(part);
    int count = 0;
    if (!(ok && f.ReadInt(Version(), &count, 4))) count = 0;
    // A negative count stores no points; the record ends there and the load goes on.
    if (count < 0) count = 0;
    // Each point takes 24 bytes (point and normal); a count the file cannot hold fails the load before
    // anything is allocated for it.
    if (count > f.Remaining() / 24) {
      f.Fail(sfCutShort);
      count = 0;
      ok = false;
    }
    q.SetNPoints(count);
    for (float& v : q.points) ok = ok && f.ReadFloat(Version(), &v, 0.0f);
    for (float& v : q.normals) ok = ok && f.ReadFloat(Version(), &v, 0.0f);
    return ok;
  }
  void Copy(const TPart& from, TPart& to) const override {
    const TPartQuad& source = static_cast<const TPartQuad&>(from);
    TPartQuad& q = Of(to);
    q.SetNPoints(source.made);
    q.points = source.points;
    q.normals = source.normals;
  }
  void Show(const TPart& part, TPartFieldVisitor& v) const override {
    const TPartQuad& q = static_cast<const TPartQuad&>(part);
    v.Int("NPoints", q.NPoints);
    v.Points("Points", q.Points(), q.Used());
    v.Points("Normals", q.Normals(), q.Used());
  }
  const TPartPointList* PointList() const override { return this; }

  int Count(TPart& part) const override { return Of(part).Used(); }
  void GetPoint(TPart& part, int i, float xyz[3]) const override {
    TPartQuad& q = Of(part);
    xyz[0] = q.GetX(i);
    xyz[1] = q.GetY(i);
    xyz[2] = q.GetZ(i);
  }
  void SetPoint(TPart& part, int i, const float xyz[3]) const override {
    TPartQuad& q = Of(part);
    q.SetX(i, xyz[0]);
    q.SetY(i, xyz[1]);
    q.SetZ(i, xyz[2]);
  }
  void Resize(TPart& part, int n) const override { Of(part).SetNPoints(n); }

private:
  static TPartQuad& Of(TPart& part) { return static_cast<TPartQuad&>(part); }
};

const TPartClass& TPartQuad::Class() {
  static const TPartClass kind = TPartClassBuilder<TPartQuad>("TPartQuad", "Quad", PART_TAG_QUAD).Fields([](auto& f) {
    // Stored straight into the members: loading a shape does not recompute the stored normals.
    f.Int("Shape", &TPartQuad::Shape, GL_QUADS);
    f.Flag("AutoNormal", &TPartQuad::AutoNormal, true, 1);
    f.Custom(std::make_unique<TQuadPoints>());
  });
  return kind;
}

TPart* TPartQuad::Clone() {
  auto* copy = static_cast<TPartQuad*>(TPartClassOf::Clone());
  // The flag is not the copy's to take: it starts computing its normals, from the copied ones.
  copy->AutoNormal = true;
  return copy;
}

void TPartQuad::AddGeometry(TBoundsWalk& walk) {
  for (int i = 0; i < Used(); ++i) walk.Point(points[i * 3], points[i * 3 + 1], points[i * 3 + 2]);
}

void TPartQuad::SetNPoints(int n) {
  if (n < 0) return;
  const size_t keep = static_cast<size_t>(std::min(n, made)) * 3;
  std::vector<float> newPoints(static_cast<size_t>(n) * 3, 0.0f);
  std::vector<float> newNormals(static_cast<size_t>(n) * 3, 0.0f);
  std::copy(points.begin(), points.begin() + keep, newPoints.begin());
  std::copy(normals.begin(), normals.begin() + keep, newNormals.begin());
  points.swap(newPoints);
  normals.swap(newNormals);
  made = n;
  NPoints = n;
  CalcNormals();
  Changed(this);
}

void TPartQuad::SetShape(int mode) {
  Shape = mode;
  CalcNormals();
  Changed(this);
}

void TPartQuad::SetAutoNormal(bool v) {
  AutoNormal = v;
  CalcNormals();
}

void TPartQuad::SetPoint(int i, int axis, float v) {
  if (!Valid(i)) return;
  points[i * 3 + axis] = v;
  CalcNormals();
}

void TPartQuad::SetNormal(int i, int axis, float v) {
  if (!Valid(i)) return;
  normals[i * 3 + axis] = v;
  Changed(this);
}

void TPartQuad::SetX(int i, float v) { SetPoint(i, 0, v); }
void TPartQuad::SetY(int i, float v) { SetPoint(i, 1, v); }
void TPartQuad::SetZ(int i, float v) { SetPoint(i, 2, v); }
float TPartQuad::GetX(int i) { return Valid(i) ? points[i * 3] : 0.0f; }
float TPartQuad::GetY(int i) { return Valid(i) ? points[i * 3 + 1] : 0.0f; }
float TPartQuad::GetZ(int i) { return Valid(i) ? points[i * 3 + 2] : 0.0f; }
void TPartQuad::SetNormX(int i, float v) { SetNormal(i, 0, v); }
void TPartQuad::SetNormY(int i, float v) { SetNormal(i, 1, v); }
void TPartQuad::SetNormZ(int i, float v) { SetNormal(i, 2, v); }
float TPartQuad::GetNormX(int i) { return Valid(i) ? normals[i * 3] : 0.0f; }
float TPartQuad::GetNormY(int i) { return Valid(i) ? normals[i * 3 + 1] : 0.0f; }
float TPartQuad::GetNormZ(int i) { return Valid(i) ? normals[i * 3 + 2] : 0.0f; }

void TPartQuad::CalcNormals() {
  const int n = Used();
  if (AutoNormal && n > 0) {
    int span = 3, step = 3;
    switch (Shape) {
      case GL_TRIANGLE_STRIP: span = 3; step = 1; break;
      case GL_TRIANGLE_FAN: step = 1; break;
      case GL_QUADS: span = 4; step = 4; break;
      case GL_QUAD_STRIP: span = 3; step = 2; break;
      default: break;
    }
    const bool fan = Shape == GL_TRIANGLE_FAN;
    // Too few points for the shape would index outside the arrays; such steps use the nearest point instead.
    auto clamp = [n](int k) { return std::min(std::max(k, 0), n - 1); };
    for (int i = 0; i < n; i += step) {
      int a, b, c;
      if (fan) {
        a = 0;
        b = i + 1;
        c = i + 2;
        if (b >= n || c >= n) break;
      } else {
        a = i - 1;
        b = i;
        c = i + 1;
        if (a < 0)
          a = i + span - 1;
        else if (c >= n)
          c = i - span + 1;
        a = clamp(a);
        c = clamp(c);
      }
      const float* pa = &points[a * 3];
      const float* pb = &points[b * 3];
      const float* pc = &points[c * 3];
      const float u[3] = {pa[0] - pb[0], pa[1] - pb[1], pa[2] - pb[2]};
      const float v[3] = {pb[0] - pc[0], pb[1] - pc[1], pb[2] - pc[2]};
      float w[3] = {0, 0, 0};
      CrossNorm(u, v, w);
      auto put = [this, n, &w](int k) {
        if (k < 0 || k >= n) return;
        std::copy(w, w + 3, &normals[k * 3]);
      };
      if (fan) {
        if (i == 0) put(a);
        put(b);
        put(c);
      } else {
        for (int k = i; k < i + span; ++k) put(k);
      }
    }
  }
  Changed(this);
}

void TPartQuad::SetDefaults() {
  if (Shape == GL_POINTS || Shape == GL_LINES)
    SetNPoints(4);
  else if (Shape >= GL_LINE_LOOP && Shape <= GL_TRIANGLE_FAN)
    SetNPoints(3);
  else if (Shape >= GL_QUADS && Shape <= GL_POLYGON)
    SetNPoints(4);
  // Only four default points exist; points beyond them keep their values.
  const int copy = std::min(Used(), 4);
  for (int i = 0; i < copy; ++i) std::copy(defaultPoints[i], defaultPoints[i] + 3, &points[i * 3]);
  CalcNormals();
}

namespace {
// The points that make whole primitives of the shape. GL ignores the rest in immediate mode and in
// picks; NOTE: Mesa's compiled lists draw some of it (three points as quads become a triangle), so the
// rest is never sent and every path draws the same.
int WholePrimitivePoints(int shape, int n) {
  switch (shape) {
    case GL_POINTS: return n;
    case GL_LINES: return n - n % 2;
    case GL_LINE_STRIP:
    case GL_LINE_LOOP: return n >= 2 ? n : 0;
    case GL_TRIANGLES: return n - n % 3;
    case GL_TRIANGLE_STRIP:
    case GL_TRIANGLE_FAN:
    case GL_POLYGON: return n >= 3 ? n : 0;
    case GL_QUADS: return n - n % 4;
    case GL_QUAD_STRIP: return n >= 4 ? n - n % 2 : 0;
    default: return n;
  }
}
}  // namespace

void TPartQuad::Paint() {
  TPart::Paint();
  glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_OBJECT_LINEAR);
  glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, GL_OBJECT_LINEAR);
  glEnable(GL_TEXTURE_GEN_S);
  glEnable(GL_TEXTURE_GEN_T);
  glBegin(Shape);
  const int drawn = WholePrimitivePoints(Shape, Used());
  for (int i = 0; i < drawn; ++i) {
    glNormal3fv(&normals[i * 3]);
    glVertex3fv(&points[i * 3]);
  }
  glEnd();
}

bool TPartQuad::Tessellate(TMeshData& out) {
  out.Clear();
  TMeshBuilder b(out);
  std::vector<uint32_t> run;
  const int drawn = WholePrimitivePoints(Shape, Used());
  for (int i = 0; i < drawn; ++i) {
    const float* p = &points[i * 3];
    run.push_back(b.Vertex(p, &normals[i * 3], p));
  }
  b.Primitive(Shape, run);
  if (out.Empty()) out.Clear();
  return !out.Empty();
}
