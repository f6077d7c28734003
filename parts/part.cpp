// The part base: setters, common drawing state, display-list life cycle, the common record and the factory.
#include "parts/parts.h"

#include <GL/gl.h>

#include <array>
#include <cstdint>
#include <memory>

#include "files/files.h"
#include "parts/part_cache.h"

TPart::TPart() = default;

TPart::~TPart() { ReleaseList(); }

void TPart::ReleaseList() {
  if (DisplayList == 0 && sharedGeometry == 0) return;
  if (!listContext) {
    if (DisplayList != 0) glDeleteLists(DisplayList, 1);
  } else {
    listContext->ReleaseLists(DisplayList, sharedGeometry);
  }
  DisplayList = 0;
  sharedGeometry = 0;
  listDirty = true;
  listContext.reset();
}

void TPart::AdoptListContext() {
  // A list from another context cannot be refilled here: it goes back where it came from.
  TPartHost* host = Host();
  std::shared_ptr<TPartListContext> here = host ? host->CurrentListContext() : nullptr;
  if (listContext != here) ReleaseList();
  listContext = here;
}

void TPart::DrawnInline() {
  ReleaseList();
  listDirty = false;
}

void TPart::SetSharedGeometry(unsigned list) {
  if (sharedGeometry != 0 && listContext) listContext->ReleaseLists(0, sharedGeometry);
  sharedGeometry = list;
}
AnsiString TPart::GetName() {
  if (!Name.IsEmpty()) return Name;
  // The whole address: two parts must never show the same identity on 64-bit platforms.
  return Format("ID:%jx", static_cast<uintmax_t>(reinterpret_cast<uintptr_t>(this)));
}

TPart* TPart::FindPart(AnsiString name) { return Name == name ? this : nullptr; }

void TPart::SetOwner(TOpenGl* o) { owner.Set(o); }

void TPart::Changed(TObject* sender) {
  // A child's change climbs through here too; only the part's own values make its list stale.
  if (sender == this || sender == nullptr) listDirty = true;
  ForgetCaches();
  OnChange(this);
}

#define PART_SETTER(Member, Type) \
  void TPart::Set##Member(Type v) { \
    Member = v; \
    Changed(this); \
  }
PART_SETTER(PX, float)
PART_SETTER(PY, float)
PART_SETTER(PZ, float)
PART_SETTER(SX, float)
PART_SETTER(SY, float)
PART_SETTER(SZ, float)
PART_SETTER(RX, float)
PART_SETTER(RY, float)
PART_SETTER(RZ, float)
PART_SETTER(RotationAngle, float)
PART_SETTER(AmbientR, float)
PART_SETTER(AmbientG, float)
PART_SETTER(AmbientB, float)
PART_SETTER(AmbientA, float)
PART_SETTER(DiffuseR, float)
PART_SETTER(DiffuseG, float)
PART_SETTER(DiffuseB, float)
PART_SETTER(DiffuseA, float)
PART_SETTER(SpecularR, float)
PART_SETTER(SpecularG, float)
PART_SETTER(SpecularB, float)
PART_SETTER(SpecularA, float)
PART_SETTER(EmissionR, float)
PART_SETTER(EmissionG, float)
PART_SETTER(EmissionB, float)
PART_SETTER(EmissionA, float)
PART_SETTER(Shininess, float)
PART_SETTER(Texture, int)
PART_SETTER(UseMaterial, bool)
#undef PART_SETTER

static bool ValidPlane(int index) { return index >= 0 && index < PART_CLIP_PLANES; }

void TPart::SetUseClipPlane(int index, int state) {
  if (!ValidPlane(index)) return;
  UseClipPlane[index] = state;
  Changed(this);
}

#define PLANE_ACCESSORS(Coef) \
  void TPart::SetClipPlane##Coef(int index, float v) { \
    if (!ValidPlane(index)) return; \
    ClipPlane##Coef[index] = v; \
    Changed(this); \
  } \
  float TPart::GetClipPlane##Coef(int index) { \
    return ValidPlane(index) ? static_cast<float>(ClipPlane##Coef[index]) : 0.0f; \
  }
PLANE_ACCESSORS(A)
PLANE_ACCESSORS(B)
PLANE_ACCESSORS(C)
PLANE_ACCESSORS(D)
#undef PLANE_ACCESSORS

int TPart::GetUseClipPlane(int index) { return ValidPlane(index) ? UseClipPlane[index] : 0; }

void TPart::Paint() {
  // A part outside any viewport has no texture slots to bind.
  if (TPartHost* host = Host()) host->BindTexture(Texture);
  if (UseMaterial) {
    const GLfloat ambient[4] = {AmbientR, AmbientG, AmbientB, AmbientA};
    const GLfloat diffuse[4] = {DiffuseR, DiffuseG, DiffuseB, DiffuseA};
    const GLfloat specular[4] = {SpecularR, SpecularG, SpecularB, SpecularA};
    const GLfloat emission[4] = {EmissionR, EmissionG, EmissionB, EmissionA};
    glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, ambient);
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, diffuse);
    glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, specular);
    glMaterialfv(GL_FRONT_AND_BACK, GL_EMISSION, emission);
    glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, Shininess);
  }
  glTranslatef(PX, PY, PZ);
  glRotatef(RotationAngle, RX, RY, RZ);
  glScalef(SX, SY, SZ);
  for (int i = 0; i < PART_CLIP_PLANES; ++i) {
    if (UseClipPlane[i] == 0) continue;
    if (UseClipPlane[i] == 1) {
      const GLdouble equation[4] = {ClipPlaneA[i], ClipPlaneB[i], ClipPlaneC[i], ClipPlaneD[i]};
      glClipPlane(GL_CLIP_PLANE0 + i, equation);
      glEnable(GL_CLIP_PLANE0 + i);
    } else {
      glDisable(GL_CLIP_PLANE0 + i);
    }
  }
}

bool TPart::SetsClipPlanes() const {
  for (int i = 0; i < PART_CLIP_PLANES; ++i)
    if (UseClipPlane[i] != 0) return true;
  return false;
}

void TPart::PaintConfined() {
  // Only parts that touch a plane save the state: GL's attribute stack is far shallower than a tree.
  const bool confined = SetsClipPlanes();
  if (confined) glPushAttrib(GL_TRANSFORM_BIT);
  Paint();
  if (confined) glPopAttrib();
}

void TPart::Play() {
  // A pick names each part as it is drawn, which a compiled list cannot do.
  if (DisplayList != 0 && !TPartPickNames::Active)
    glCallList(DisplayList);
  else
    PaintConfined();
}

void TPart::BuildList(BUILDLIST_PHASE phase) {
  switch (phase) {
    case BUILDLIST_DELETE:
      ReleaseList();
      break;
    case BUILDLIST_PREPARE:
      break;
    case BUILDLIST_COMPILE: {
      AdoptListContext();
      GLuint name = DisplayList;
      // Without a list while compiling, so Play paints instead of calling the list being built.
      DisplayList = 0;
      if (name == 0) name = glGenLists(1);
      if (name != 0) {
        glNewList(name, GL_COMPILE);
        Play();
        glEndList();
        DisplayList = name;
      }
      listDirty = false;
      break;
    }
  }
}

void TPart::CopyTo(TPart* target) {
  if (!target) return;
  target->parent = nullptr;
  TPartBaseClass().EachField([&](const TPartField& field) { field.Copy(*this, *target); });
  target->owner = owner;
}

void TPart::CrossNorm(const float* a, const float* b, float* out) {
  if (!a || !b || !out) return;
  const float x = a[1] * b[2] - a[2] * b[1];
  const float y = a[2] * b[0] - a[0] * b[2];
  const float z = a[0] * b[1] - a[1] * b[0];
  out[0] = x;
  out[1] = y;
  out[2] = z;
}

namespace {
// The clip planes: per plane its state and its equation, held in double precision and stored as floats.
class TClipPlanesField : public TPartField {
public:
  TClipPlanesField() : TPartField("ClipPlanes", 3) {}
  bool Save(TPart& p, TSceneFile& f) const override {
    bool ok = true;
    for (int i = 0; i < PART_CLIP_PLANES; ++i) {
      ok = ok && f.WriteInt(p.UseClipPlane[i]);
      for (const double* coef : Coefficients(p, i)) ok = ok && f.WriteFloat(static_cast<float>(*coef));
    }
    return ok;
  }
  bool Load(TPart& p, TSceneFile& f, bool ok) const override {
    for (int i = 0; i < PART_CLIP_PLANES; ++i) {
      ok = ok && f.ReadInt(Version(), &p.UseClipPlane[i], 0);
      for (double* coef : Coefficients(p, i)) ok = ok && ReadPlane(f, coef);
    }
    return ok;
  }
  void Copy(const TPart& from, TPart& to) const override {
    for (int i = 0; i < PART_CLIP_PLANES; ++i) {
      to.UseClipPlane[i] = from.UseClipPlane[i];
      to.ClipPlaneA[i] = from.ClipPlaneA[i];
      to.ClipPlaneB[i] = from.ClipPlaneB[i];
      to.ClipPlaneC[i] = from.ClipPlaneC[i];
      to.ClipPlaneD[i] = from.ClipPlaneD[i];
    }
  }
  void Show(const TPart& p, TPartFieldVisitor& v) const override {
    v.Ints("UseClipPlane", p.UseClipPlane, PART_CLIP_PLANES);
    v.Doubles("ClipPlaneA", p.ClipPlaneA, PART_CLIP_PLANES);
    v.Doubles("ClipPlaneB", p.ClipPlaneB, PART_CLIP_PLANES);
    v.Doubles("ClipPlaneC", p.ClipPlaneC, PART_CLIP_PLANES);
    v.Doubles("ClipPlaneD", p.ClipPlaneD, PART_CLIP_PLANES);
  }

private:
  static std::array<double*, 4> Coefficients(TPart& p, int i) {
    return {&p.ClipPlaneA[i], &p.ClipPlaneB[i], &p.ClipPlaneC[i], &p.ClipPlaneD[i]};
  }
  // One coefficient; it keeps its value when the read fails.
  bool ReadPlane(TSceneFile& f, double* target) const {
    float v = static_cast<float>(*target);
    if (!f.ReadFloat(Version(), &v, 0.0f)) return false;
    *target = v;
    return true;
  }
};
}  // namespace

const TPartClass& TPartBaseClass() {
  static const TPartClass base = [] {
    TPartFields fields;
    TPartFieldList<TPart> f(fields);
    f.String("Name", &TPart::Name);
    f.Float("PX", &TPart::PX, 0);
    f.Float("PY", &TPart::PY, 0);
    f.Float("PZ", &TPart::PZ, 0);
    f.Float("SX", &TPart::SX, 1);
    f.Float("SY", &TPart::SY, 1);
    f.Float("SZ", &TPart::SZ, 1);
    f.Float("RX", &TPart::RX, 0);
    f.Float("RY", &TPart::RY, 0);
    f.Float("RZ", &TPart::RZ, 0);
    f.Float("RotationAngle", &TPart::RotationAngle, 0);
    f.Float("AmbientR", &TPart::AmbientR, 0.2f, 1);
    f.Float("AmbientG", &TPart::AmbientG, 0.2f, 1);
    f.Float("AmbientB", &TPart::AmbientB, 0.2f, 1);
    f.Float("AmbientA", &TPart::AmbientA, 1, 1);
    f.Float("DiffuseR", &TPart::DiffuseR, 0.8f, 1);
    f.Float("DiffuseG", &TPart::DiffuseG, 0.8f, 1);
    f.Float("DiffuseB", &TPart::DiffuseB, 0.8f, 1);
    f.Float("DiffuseA", &TPart::DiffuseA, 1, 1);
    f.Float("SpecularR", &TPart::SpecularR, 0, 1);
    f.Float("SpecularG", &TPart::SpecularG, 0, 1);
    f.Float("SpecularB", &TPart::SpecularB, 0, 1);
    f.Float("SpecularA", &TPart::SpecularA, 1, 1);
    f.Float("EmissionR", &TPart::EmissionR, 0, 1);
    f.Float("EmissionG", &TPart::EmissionG, 0, 1);
    f.Float("EmissionB", &TPart::EmissionB, 0, 1);
    f.Float("EmissionA", &TPart::EmissionA, 1, 1);
    f.Float("Shininess", &TPart::Shininess, 0, 1);
    // Files older than version 1 draw with texture slot 0, not a new part's -2.
    f.Int("Texture", &TPart::Texture, 0, 1);
    f.Flag("UseMaterial", &TPart::UseMaterial, false, 1);
    f.Custom(std::make_unique<TClipPlanesField>());
    return TPartClass("TPart", "Part", 0, nullptr, nullptr, std::move(fields));
  }();
  return base;
}

const TPartClass& TPart::PartClass() const { return TPartBaseClass(); }

void TPart::AddGeometry(TBoundsWalk&) {}

void TPart::AddBounds(TBoundsWalk& walk) { walk.Placed(this); }

bool TPart::UpdateListsInside(TPartListWalk&) { return false; }

bool TPart::Tessellate(TMeshData&) { return false; }

bool TPart::SaveTo(TSceneFile& File) { return TPartBaseClass().SaveFields(*this, File, !File.Failed()); }

bool TPart::LoadFrom(TSceneFile& File) { return TPartBaseClass().LoadFields(*this, File, File.IsOk()); }

namespace {
// The classes from the one below the part base down to kind: the order their fields come in a record.
template <class F>
void DownFromBase(const TPartClass& kind, F f) {
  if (!kind.Base()) return;
  DownFromBase(*kind.Base(), f);
  f(kind);
}
}  // namespace

bool TPart::SaveRecord(TSceneFile& File, const TPartClass& kind) {
  bool ok = File.WriteInt(kind.Tag()) && TPart::SaveTo(File);
  DownFromBase(kind, [&](const TPartClass& c) { ok = c.SaveFields(*this, File, ok); });
  return ok;
}

bool TPart::LoadRecord(TSceneFile& File, const TPartClass& kind) {
  bool ok = File.IsOk() && TPart::LoadFrom(File);
  DownFromBase(kind, [&](const TPartClass& c) { ok = c.LoadFields(*this, File, ok); });
  return ok;
}

TPart* TPart::CloneRecord(const TPartClass& kind) {
  TPart* copy = kind.Create();
  if (!copy) return nullptr;
  CopyTo(copy);
  kind.CopyFields(*this, *copy);
  return copy;
}

// Groups nest through Load -> LoadFrom -> Load; this counts the groups open on this thread.
static thread_local int groupLoadDepth = 0;

namespace {
// Holds one level of group nesting for as long as a group's record is being read, exceptions included.
class GroupNesting {
public:
  GroupNesting() { ++groupLoadDepth; }
  ~GroupNesting() { --groupLoadDepth; }
  GroupNesting(const GroupNesting&) = delete;
  GroupNesting& operator=(const GroupNesting&) = delete;
};
}  // namespace

TPart* TPart::Load(TSceneFile& File, TOpenGl* Owner) {
  if (!File.IsOk()) return nullptr;
  int tag = 0;
  if (!File.ReadInt(0, &tag, 0)) return nullptr;
  const TPartClass* kind = TPartClasses::ByTag(tag);
  if (!kind) return nullptr;
  const bool group = tag == PART_TAG_GROUP;
  if (group && groupLoadDepth >= PART_MAX_GROUP_DEPTH) {
    File.Fail(sfTooDeep);
    return nullptr;
  }
  std::unique_ptr<TPart> part(kind->Create());
  if (!part) return nullptr;
  part->owner.Set(Owner);
  if (group) {
    GroupNesting nesting;
    part->LoadFrom(File);
  } else {
    part->LoadFrom(File);
  }
  return part.release();
}
