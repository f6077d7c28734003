// The cube's six faces and the quadric parts' drawing, setters, clones and records.
#include "parts/primitives.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>
#include <cmath>

#include "files/files.h"
#include "parts/tessellate.h"

namespace {
// A subdivision count GLU gets at most: a file asking for more would make one part draw
// billions of triangles (and fill memory compiling them). The stored value is kept as it is.
const int kMaxDivisions = 256;
int Divisions(int n) { return n > kMaxDivisions ? kMaxDivisions : n; }
}  // namespace

// During a per-part rebuild the geometry comes from the list shared by parts of the same shape.
static void PaintGeometry(TPart* part, TSharedGeometry* shape) {
  if (TPartListBuild::PerPart && part->SharedGeometry() != 0)
    glCallList(part->SharedGeometry());
  else
    shape->DrawGeometry();
}

// ---- cube

const TPartClass& TPartCube::Class() {
  static const TPartClass kind = TPartClassBuilder<TPartCube>("TPartCube", "Cube", PART_TAG_CUBE).Fields([](auto&) {});
  return kind;
}

void TPartCube::AddGeometry(TBoundsWalk& walk) { walk.Box(-0.5f, -0.5f, -0.5f, 0.5f, 0.5f, 0.5f); }

struct CubeFace {
  GLfloat normal[3];
  GLfloat vertices[4][3];
};

// Every face counter-clockwise seen from outside.
static const CubeFace cubeFaces[6] = {
    {{0, 0, 1}, {{0.5f, 0.5f, 0.5f}, {-0.5f, 0.5f, 0.5f}, {-0.5f, -0.5f, 0.5f}, {0.5f, -0.5f, 0.5f}}},
    {{0, 0, -1}, {{-0.5f, -0.5f, -0.5f}, {-0.5f, 0.5f, -0.5f}, {0.5f, 0.5f, -0.5f}, {0.5f, -0.5f, -0.5f}}},
    {{0, 1, 0}, {{0.5f, 0.5f, 0.5f}, {0.5f, 0.5f, -0.5f}, {-0.5f, 0.5f, -0.5f}, {-0.5f, 0.5f, 0.5f}}},
    {{0, -1, 0}, {{-0.5f, -0.5f, -0.5f}, {0.5f, -0.5f, -0.5f}, {0.5f, -0.5f, 0.5f}, {-0.5f, -0.5f, 0.5f}}},
    {{1, 0, 0}, {{0.5f, 0.5f, 0.5f}, {0.5f, -0.5f, 0.5f}, {0.5f, -0.5f, -0.5f}, {0.5f, 0.5f, -0.5f}}},
    {{-1, 0, 0}, {{-0.5f, -0.5f, -0.5f}, {-0.5f, -0.5f, 0.5f}, {-0.5f, 0.5f, 0.5f}, {-0.5f, 0.5f, -0.5f}}},
};

void TPartCube::Paint() {
  TPart::Paint();
  PaintGeometry(this, this);
}

void TPartCube::GeometryKey(int& kind, float& a, float& b, float& c, int& d1, int& d2) const {
  kind = PART_TAG_CUBE;
  a = b = c = 0;
  d1 = d2 = 0;
}

void TPartCube::DrawGeometry() {
  glBegin(GL_QUADS);
  for (const CubeFace& f : cubeFaces) {
    glNormal3f(f.normal[0], f.normal[1], f.normal[2]);
    for (const auto& v : f.vertices) glVertex3f(v[0], v[1], v[2]);
  }
  glEnd();
}

// The faces as drawn; the cube sends no texture coordinates of its own.
bool TPartCube::Tessellate(TMeshData& out) {
  out.Clear();
  TMeshBuilder b(out);
  for (const CubeFace& f : cubeFaces) {
    std::vector<uint32_t> run;
    for (const auto& v : f.vertices) run.push_back(b.Vertex(v, f.normal, nullptr));
    b.Primitive(GL_QUADS, run);
  }
  return true;
}

// ---- quadric parts

// Runs draw on a fresh quadric set up for smooth, filled, textured output; skips it when GLU has none to give.
template <class Draw>
static void WithQuadric(Draw draw) {
  GLUquadric* q = gluNewQuadric();
  if (!q) return;
  gluQuadricNormals(q, GLU_SMOOTH);
  gluQuadricDrawStyle(q, GLU_FILL);
  gluQuadricTexture(q, GL_TRUE);
  draw(q);
  gluDeleteQuadric(q);
}

const TPartClass& TPartSphere::Class() {
  static const TPartClass kind =
      TPartClassBuilder<TPartSphere>("TPartSphere", "Sphere", PART_TAG_SPHERE).Fields([](auto& f) {
        f.Int("Slices", &TPartSphere::Slices, 20, 0, &TPartSphere::SetSlices).Edit("StepsEdit", "slices", 2, 64).Limit(2, 1000);
        f.Int("Stacks", &TPartSphere::Stacks, 20, 0, &TPartSphere::SetStacks).Edit("StepsEdit", "stacks", 2, 64).Limit(1, 1000);
      });
  return kind;
}

void TPartSphere::AddGeometry(TBoundsWalk& walk) { walk.Box(-1, -1, -1, 1, 1, 1); }

void TPartSphere::SetSlices(int v) { Slices = v; Changed(this); }
void TPartSphere::SetStacks(int v) { Stacks = v; Changed(this); }

void TPartSphere::Paint() {
  TPart::Paint();
  PaintGeometry(this, this);
}

void TPartSphere::DrawGeometry() {
  WithQuadric([this](GLUquadric* q) { gluSphere(q, 1.0, Divisions(Slices), Divisions(Stacks)); });
}

bool TPartSphere::Tessellate(TMeshData& out) {
  out.Clear();
  TessellateGluSphere(out, 1.0, Divisions(Slices), Divisions(Stacks));
  return !out.Empty();
}

void TPartSphere::GeometryKey(int& kind, float& a, float& b, float& c, int& d1, int& d2) const {
  kind = PART_TAG_SPHERE;
  a = 1;
  b = c = 0;
  d1 = Divisions(Slices);
  d2 = Divisions(Stacks);
}

const TPartClass& TPartCylinder::Class() {
  static const TPartClass kind =
      TPartClassBuilder<TPartCylinder>("TPartCylinder", "Cylinder", PART_TAG_CYLINDER).Fields([](auto& f) {
        using C = TPartCylinder;
        f.Int("Slices", &C::Slices, 20, 0, &C::SetSlices).Edit("StepsEdit", "slices", 2, 64).Limit(2, 1000);
        f.Int("Stacks", &C::Stacks, 20, 0, &C::SetStacks).Edit("StepsEdit", "stacks", 2, 64).Limit(1, 1000);
        f.Float("BaseRadius", &C::BaseRadius, 1.0f, 0, &C::SetBaseRadius).Edit("SizeEdit", "base r", 0, 10).Limit(0, 1e6f);
        f.Float("TopRadius", &C::TopRadius, 1.0f, 0, &C::SetTopRadius).Edit("SizeEdit", "top r", 0, 10).Limit(0, 1e6f);
        f.Float("Height", &C::Height, 1.0f, 0, &C::SetHeight).Edit("SizeEdit", "height", 0, 10).Limit(0, 1e6f);
      });
  return kind;
}

void TPartCylinder::AddGeometry(TBoundsWalk& walk) {
  const float r = std::max(std::fabs(BaseRadius), std::fabs(TopRadius));
  walk.Box(-r, -r, std::min(0.0f, Height), r, r, std::max(0.0f, Height));
}

void TPartCylinder::SetSlices(int v) { Slices = v; Changed(this); }
void TPartCylinder::SetStacks(int v) { Stacks = v; Changed(this); }
void TPartCylinder::SetBaseRadius(float v) { BaseRadius = v; Changed(this); }
void TPartCylinder::SetTopRadius(float v) { TopRadius = v; Changed(this); }
void TPartCylinder::SetHeight(float v) { Height = v; Changed(this); }

void TPartCylinder::Paint() {
  TPart::Paint();
  PaintGeometry(this, this);
}

void TPartCylinder::DrawGeometry() {
  WithQuadric([this](GLUquadric* q) { gluCylinder(q, BaseRadius, TopRadius, Height, Divisions(Slices), Divisions(Stacks)); });
}

bool TPartCylinder::Tessellate(TMeshData& out) {
  out.Clear();
  TessellateGluCylinder(out, BaseRadius, TopRadius, Height, Divisions(Slices), Divisions(Stacks));
  return !out.Empty();
}

void TPartCylinder::GeometryKey(int& kind, float& a, float& b, float& c, int& d1, int& d2) const {
  kind = PART_TAG_CYLINDER;
  a = BaseRadius;
  b = TopRadius;
  c = Height;
  d1 = Divisions(Slices);
  d2 = Divisions(Stacks);
}

const TPartClass& TPartDisk::Class() {
  static const TPartClass kind = TPartClassBuilder<TPartDisk>("TPartDisk", "Disk", PART_TAG_DISK).Fields([](auto& f) {
    using D = TPartDisk;
    f.Int("Slices", &D::Slices, 20, 0, &D::SetSlices).Edit("StepsEdit", "slices", 2, 64).Limit(2, 1000);
    f.Int("Loops", &D::Loops, 20, 0, &D::SetLoops).Edit("StepsEdit", "loops", 2, 64).Limit(1, 1000);
    f.Float("InnerRadius", &D::InnerRadius, 1.0f, 0, &D::SetInnerRadius).Edit("SizeEdit", "inner r", 0, 10).Limit(0, 1e6f);
    f.Float("OuterRadius", &D::OuterRadius, 2.0f, 0, &D::SetOuterRadius).Edit("SizeEdit", "outer r", 0, 10).Limit(0, 1e6f);
  });
  return kind;
}

void TPartDisk::AddGeometry(TBoundsWalk& walk) {
  const float r = std::max(std::fabs(InnerRadius), std::fabs(OuterRadius));
  walk.Box(-r, -r, 0, r, r, 0);
}

void TPartDisk::SetSlices(int v) { Slices = v; Changed(this); }
void TPartDisk::SetLoops(int v) { Loops = v; Changed(this); }
void TPartDisk::SetInnerRadius(float v) { InnerRadius = v; Changed(this); }
void TPartDisk::SetOuterRadius(float v) { OuterRadius = v; Changed(this); }

void TPartDisk::Paint() {
  TPart::Paint();
  PaintGeometry(this, this);
}

void TPartDisk::DrawGeometry() {
  WithQuadric([this](GLUquadric* q) { gluDisk(q, InnerRadius, OuterRadius, Divisions(Slices), Divisions(Loops)); });
}

bool TPartDisk::Tessellate(TMeshData& out) {
  out.Clear();
  TessellateGluDisk(out, InnerRadius, OuterRadius, Divisions(Slices), Divisions(Loops));
  return !out.Empty();
}

void TPartDisk::GeometryKey(int& kind, float& a, float& b, float& c, int& d1, int& d2) const {
  kind = PART_TAG_DISK;
  a = InnerRadius;
  b = OuterRadius;
  c = 0;
  d1 = Divisions(Slices);
  d2 = Divisions(Loops);
}

