// The cube's six faces and the quadric parts' drawing, setters, clones and records.
#include "parts/primitives.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include "files/files.h"

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

AnsiString TPartCube::GetName() { return AnsiString("Cube ") + TPart::GetName(); }

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

TPart* TPartCube::Clone() {
  TPartCube* copy = new TPartCube();
  CopyTo(copy);
  return copy;
}

bool TPartCube::SaveTo(TSceneFile& File) { return File.WriteInt(PART_TAG_CUBE) && TPart::SaveTo(File); }

bool TPartCube::LoadFrom(TSceneFile& File) { return File.IsOk() && TPart::LoadFrom(File); }

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

AnsiString TPartSphere::GetName() { return AnsiString("Sphere ") + TPart::GetName(); }
void TPartSphere::SetSlices(int v) { Slices = v; Changed(this); }
void TPartSphere::SetStacks(int v) { Stacks = v; Changed(this); }

void TPartSphere::Paint() {
  TPart::Paint();
  PaintGeometry(this, this);
}

void TPartSphere::DrawGeometry() {
  WithQuadric([this](GLUquadric* q) { gluSphere(q, 1.0, Divisions(Slices), Divisions(Stacks)); });
}

void TPartSphere::GeometryKey(int& kind, float& a, float& b, float& c, int& d1, int& d2) const {
  kind = PART_TAG_SPHERE;
  a = 1;
  b = c = 0;
  d1 = Divisions(Slices);
  d2 = Divisions(Stacks);
}

TPart* TPartSphere::Clone() {
  TPartSphere* copy = new TPartSphere();
  CopyTo(copy);
  copy->Slices = Slices;
  copy->Stacks = Stacks;
  return copy;
}

bool TPartSphere::SaveTo(TSceneFile& File) {
  return File.WriteInt(PART_TAG_SPHERE) && TPart::SaveTo(File) && File.WriteInt(Slices) && File.WriteInt(Stacks);
}

bool TPartSphere::LoadFrom(TSceneFile& File) {
  return File.IsOk() && TPart::LoadFrom(File) && File.ReadInt(0, &Slices, 20) && File.ReadInt(0, &Stacks, 20);
}

AnsiString TPartCylinder::GetName() { return AnsiString("Cylinder ") + TPart::GetName(); }
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

void TPartCylinder::GeometryKey(int& kind, float& a, float& b, float& c, int& d1, int& d2) const {
  kind = PART_TAG_CYLINDER;
  a = BaseRadius;
  b = TopRadius;
  c = Height;
  d1 = Divisions(Slices);
  d2 = Divisions(Stacks);
}

TPart* TPartCylinder::Clone() {
  TPartCylinder* copy = new TPartCylinder();
  CopyTo(copy);
  copy->Slices = Slices;
  copy->Stacks = Stacks;
  copy->BaseRadius = BaseRadius;
  copy->TopRadius = TopRadius;
  copy->Height = Height;
  return copy;
}

bool TPartCylinder::SaveTo(TSceneFile& File) {
  return File.WriteInt(PART_TAG_CYLINDER) && TPart::SaveTo(File) && File.WriteInt(Slices) && File.WriteInt(Stacks) &&
         File.WriteFloat(BaseRadius) && File.WriteFloat(TopRadius) && File.WriteFloat(Height);
}

bool TPartCylinder::LoadFrom(TSceneFile& File) {
  return File.IsOk() && TPart::LoadFrom(File) && File.ReadInt(0, &Slices, 20) && File.ReadInt(0, &Stacks, 20) &&
         File.ReadFloat(0, &BaseRadius, 1.0f) && File.ReadFloat(0, &TopRadius, 1.0f) &&
         File.ReadFloat(0, &Height, 1.0f);
}

AnsiString TPartDisk::GetName() { return AnsiString("Disk ") + TPart::GetName(); }
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

void TPartDisk::GeometryKey(int& kind, float& a, float& b, float& c, int& d1, int& d2) const {
  kind = PART_TAG_DISK;
  a = InnerRadius;
  b = OuterRadius;
  c = 0;
  d1 = Divisions(Slices);
  d2 = Divisions(Loops);
}

TPart* TPartDisk::Clone() {
  TPartDisk* copy = new TPartDisk();
  CopyTo(copy);
  copy->Slices = Slices;
  copy->Loops = Loops;
  copy->InnerRadius = InnerRadius;
  copy->OuterRadius = OuterRadius;
  return copy;
}

bool TPartDisk::SaveTo(TSceneFile& File) {
  return File.WriteInt(PART_TAG_DISK) && TPart::SaveTo(File) && File.WriteInt(Slices) && File.WriteInt(Loops) &&
         File.WriteFloat(InnerRadius) && File.WriteFloat(OuterRadius);
}

bool TPartDisk::LoadFrom(TSceneFile& File) {
  return File.IsOk() && TPart::LoadFrom(File) && File.ReadInt(0, &Slices, 20) && File.ReadInt(0, &Loops, 20) &&
         File.ReadFloat(0, &InnerRadius, 1.0f) && File.ReadFloat(0, &OuterRadius, 2.0f);
}
