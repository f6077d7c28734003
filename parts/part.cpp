// The part base: setters, common drawing state, display-list life cycle, the common record and the factory.
#include "parts/parts.h"

#include <GL/gl.h>

#include <cstdint>
#include <memory>

#include "files/files.h"
#include "opengl/context_scope.h"
#include "opengl/opengl.h"
#include "parts/call.h"
#include "parts/primitives.h"
#include "parts/quad.h"

TPart::TPart() = default;

TPart::~TPart() { ReleaseList(); }

void TPart::ReleaseList() {
  if (DisplayList == 0 && sharedGeometry == 0) return;
  TContextHandle* handle = listContext.get();
  if (!handle) {
    if (DisplayList != 0) glDeleteLists(DisplayList, 1);
  } else {
    TContextScope scope(handle);
    if (scope.Active() && DisplayList != 0) glDeleteLists(DisplayList, 1);
    if (sharedGeometry != 0) handle->Quadrics.Release(sharedGeometry, scope.Active());
  }
  DisplayList = 0;
  sharedGeometry = 0;
  listDirty = true;
  listContext.reset();
}

void TPart::AdoptListContext() {
  // A list from another context cannot be refilled here: it goes back where it came from.
  std::shared_ptr<TContextHandle> here = owner ? owner->ContextHandle() : nullptr;
  if (here && (!here->Context || here->Context != wglGetCurrentContext())) here.reset();
  if (listContext != here) ReleaseList();
  listContext = here;
}

void TPart::DrawnInline() {
  ReleaseList();
  listDirty = false;
}

void TPart::SetSharedGeometry(unsigned list) {
  if (sharedGeometry != 0 && listContext) {
    TContextScope scope(listContext.get());
    listContext->Quadrics.Release(sharedGeometry, scope.Active());
  }
  sharedGeometry = list;
}
AnsiString TPart::GetName() {
  if (!Name.IsEmpty()) return Name;
  // The whole address: two parts must never show the same identity on 64-bit platforms.
  return Format("ID:%jx", static_cast<uintmax_t>(reinterpret_cast<uintptr_t>(this)));
}

TPart* TPart::FindPart(AnsiString name) { return Name == name ? this : nullptr; }

void TPart::SetOwner(TOpenGl* o) { owner = o; }

void TPart::Changed(TObject* sender) {
  // A child's change climbs through here too; only the part's own values make its list stale.
  if (sender == this || sender == nullptr) listDirty = true;
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
  if (owner) owner->BindTexture(Texture);
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

void TPart::Play() {
  if (DisplayList != 0)
    glCallList(DisplayList);
  else
    Paint();
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
  target->PX = PX;
  target->PY = PY;
  target->PZ = PZ;
  target->SX = SX;
  target->SY = SY;
  target->SZ = SZ;
  target->RX = RX;
  target->RY = RY;
  target->RZ = RZ;
  for (int i = 0; i < PART_CLIP_PLANES; ++i) {
    target->ClipPlaneA[i] = ClipPlaneA[i];
    target->ClipPlaneB[i] = ClipPlaneB[i];
    target->ClipPlaneC[i] = ClipPlaneC[i];
    target->ClipPlaneD[i] = ClipPlaneD[i];
    target->UseClipPlane[i] = UseClipPlane[i];
  }
  target->RotationAngle = RotationAngle;
  target->Name = Name;
  target->Texture = Texture;
  target->owner = owner;
  target->AmbientR = AmbientR;
  target->AmbientG = AmbientG;
  target->AmbientB = AmbientB;
  target->AmbientA = AmbientA;
  target->DiffuseR = DiffuseR;
  target->DiffuseG = DiffuseG;
  target->DiffuseB = DiffuseB;
  target->DiffuseA = DiffuseA;
  target->SpecularR = SpecularR;
  target->SpecularG = SpecularG;
  target->SpecularB = SpecularB;
  target->SpecularA = SpecularA;
  target->EmissionR = EmissionR;
  target->EmissionG = EmissionG;
  target->EmissionB = EmissionB;
  target->EmissionA = EmissionA;
  target->Shininess = Shininess;
  target->UseMaterial = UseMaterial;
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

bool TPart::SaveTo(TSceneFile& File) {
  bool ok = !File.Failed() && File.WriteString(Name);
  const float common[] = {PX, PY, PZ, SX, SY, SZ, RX, RY, RZ, RotationAngle,
                          AmbientR, AmbientG, AmbientB, AmbientA, DiffuseR, DiffuseG, DiffuseB, DiffuseA,
                          SpecularR, SpecularG, SpecularB, SpecularA, EmissionR, EmissionG, EmissionB, EmissionA,
                          Shininess};
  for (float v : common) ok = ok && File.WriteFloat(v);
  ok = ok && File.WriteInt(Texture) && File.WriteInt(UseMaterial ? 1 : 0);
  for (int i = 0; i < PART_CLIP_PLANES; ++i) {
    ok = ok && File.WriteInt(UseClipPlane[i]) && File.WriteFloat(static_cast<float>(ClipPlaneA[i])) &&
         File.WriteFloat(static_cast<float>(ClipPlaneB[i])) && File.WriteFloat(static_cast<float>(ClipPlaneC[i])) &&
         File.WriteFloat(static_cast<float>(ClipPlaneD[i]));
  }
  return ok;
}

// Reads one float of a clip-plane equation; the member keeps its value when the read fails.
static bool ReadPlane(TSceneFile& File, double* target) {
  float v = static_cast<float>(*target);
  if (!File.ReadFloat(3, &v, 0.0f)) return false;
  *target = v;
  return true;
}

bool TPart::LoadFrom(TSceneFile& File) {
  bool ok = File.IsOk();
  // A string that cannot be read leaves the reader out of step with the file: nothing after it can be trusted.
  if (ok && !File.ReadString(0, &Name, AnsiString())) {
    File.Fail();
    ok = false;
  }
  float* const placement[] = {&PX, &PY, &PZ, &SX, &SY, &SZ, &RX, &RY, &RZ, &RotationAngle};
  const float placementDefaults[] = {0, 0, 0, 1, 1, 1, 0, 0, 0, 0};
  for (int i = 0; i < 10; ++i) ok = ok && File.ReadFloat(0, placement[i], placementDefaults[i]);
  float* const material[] = {&AmbientR, &AmbientG, &AmbientB, &AmbientA, &DiffuseR, &DiffuseG, &DiffuseB,
                             &DiffuseA, &SpecularR, &SpecularG, &SpecularB, &SpecularA, &EmissionR, &EmissionG,
                             &EmissionB, &EmissionA, &Shininess};
  const float materialDefaults[] = {0.2f, 0.2f, 0.2f, 1, 0.8f, 0.8f, 0.8f, 1, 0, 0, 0, 1, 0, 0, 0, 1, 0};
  for (int i = 0; i < 17; ++i) ok = ok && File.ReadFloat(1, material[i], materialDefaults[i]);
  ok = ok && File.ReadInt(1, &Texture, 0);
  int useMaterial = 0;
  ok = ok && File.ReadInt(1, &useMaterial, 0);
  UseMaterial = useMaterial == 1;
  for (int i = 0; i < PART_CLIP_PLANES; ++i) {
    ok = ok && File.ReadInt(3, &UseClipPlane[i], 0) && ReadPlane(File, &ClipPlaneA[i]) &&
         ReadPlane(File, &ClipPlaneB[i]) && ReadPlane(File, &ClipPlaneC[i]) && ReadPlane(File, &ClipPlaneD[i]);
  }
  return ok;
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
  std::unique_ptr<TPart> part;
  switch (tag) {
    case PART_TAG_CUBE: part.reset(new TPartCube()); break;
    case PART_TAG_SPHERE: part.reset(new TPartSphere()); break;
    case PART_TAG_CYLINDER: part.reset(new TPartCylinder()); break;
    case PART_TAG_DISK: part.reset(new TPartDisk()); break;
    case PART_TAG_GROUP:
      if (groupLoadDepth >= PART_MAX_GROUP_DEPTH) {
        File.Fail(sfTooDeep);
        return nullptr;
      }
      part.reset(new TPartGroup());
      break;
    case PART_TAG_QUAD: part.reset(new TPartQuad()); break;
    case PART_TAG_CALL: part.reset(new TPartCall()); break;
    default: return nullptr;
  }
  part->owner = Owner;
  if (tag == PART_TAG_GROUP) {
    GroupNesting nesting;
    part->LoadFrom(File);
  } else {
    part->LoadFrom(File);
  }
  return part.release();
}
