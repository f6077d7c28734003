// The boxes and effects parts keep for culling, and the walk that fills a box from the children's boxes.
#include <GL/gl.h>

#include <cmath>

#include "parts/part_cache.h"
#include "parts/placement.h"

namespace {
// Bumped by every change anywhere: what was read through another part's subtree holds until then.
unsigned gStamp = 1;
}  // namespace

void TPart::TouchCaches() { ++gStamp; }

void TPart::ForgetCaches() {
  ++gStamp;
  if (!cache) return;
  cache->BoxValid = false;
  if (cache->Effect) cache->Effect->Valid = false;
}

// Fills a part's box from its geometry and the cached boxes of what it draws.
class TPartCacheWalk : public TBoundsWalk {
public:
  explicit TPartCacheWalk(const TPart* self) : FSelf(self) {}
  TBounds Box;
  bool Unbounded = false;
  bool Shared = false;

  void Point(float x, float y, float z) override {
    if (std::isfinite(x) && std::isfinite(y) && std::isfinite(z))
      Box.Include(x, y, z);
    else
      Unbounded = true;
  }
  void Unknown() override { Unbounded = true; }
  void Part(TPart* part) override {
    if (!part) return;
    if (part->Holder() != FSelf) Shared = true;
    TPart::TCache& c = Cache(part);
    // A part reached again inside itself adds nothing, as the scene box has it.
    if (c.Busy) {
      Shared = true;
      return;
    }
    bool unbounded = false;
    Box.Include(part->CachedBounds(&unbounded));
    Unbounded = Unbounded || unbounded;
    Shared = Shared || c.BoxShared;
  }
  void Placed(TPart* part) override {
    TPartCacheWalk inner(part);
    part->AddGeometry(inner);
    Unbounded = Unbounded || inner.Unbounded;
    Shared = Shared || inner.Shared;
    if (inner.Box.Empty) return;
    float corners[8][3];
    TransformCorners(inner.Box, PartPlacement(*part), corners);
    for (const float* q : corners) Point(q[0], q[1], q[2]);
  }
  static TPart::TCache& Cache(TPart* part) {
    if (!part->cache) part->cache = std::make_unique<TPart::TCache>();
    return *part->cache;
  }

private:
  const TPart* FSelf;
};

const TBounds& TPart::CachedBounds(bool* unbounded) {
  TCache& c = TPartCacheWalk::Cache(this);
  if (!c.BoxValid || (c.BoxShared && c.BoxStamp != gStamp)) {
    c.Busy = true;
    TPartCacheWalk walk(this);
    AddBounds(walk);
    c.Busy = false;
    c.Box = walk.Box;
    c.Unbounded = walk.Unbounded;
    c.BoxShared = walk.Shared;
    c.BoxStamp = gStamp;
    c.BoxValid = true;
  }
  if (unbounded) *unbounded = c.Unbounded;
  return c.Box;
}

const TPartEffect* TPart::CachedEffect(bool* followsLists) const {
  const TCache::TEffect* e = cache ? cache->Effect.get() : nullptr;
  if (!e || !e->Valid || (e->Shared && e->Stamp != gStamp)) return nullptr;
  if (followsLists) *followsLists = e->Shared;
  return &e->Effect;
}

void TPart::SetCachedEffect(const TPartEffect& effect, bool followsLists) {
  TCache& c = TPartCacheWalk::Cache(this);
  if (!c.Effect) c.Effect = std::make_unique<TCache::TEffect>();
  c.Effect->Effect = effect;
  c.Effect->Valid = true;
  c.Effect->Shared = followsLists;
  c.Effect->Stamp = gStamp;
}

void TPart::ForgetCachedEffect() {
  if (cache && cache->Effect) cache->Effect->Valid = false;
}

void TPart::DrawnByWalk(unsigned sharedGeometry) {
  AdoptListContext();
  // The new shape is taken before the old is given up, so a part whose shape did not change keeps it.
  SetSharedGeometry(sharedGeometry);
  if (DisplayList != 0) {
    if (listContext)
      listContext->ReleaseLists(DisplayList, 0);
    else
      glDeleteLists(DisplayList, 1);
    DisplayList = 0;
  }
  listDirty = false;
}

// ---- effects

TPartEffect TPartEffect::OwnState(const TPart& part) {
  TPartEffect e;
  // As the viewport binds: a slot, -1 keeps what is bound, anything else switches texturing off.
  if (part.Texture != -1) {
    e.Texture = tkSlot;
    e.Slot = part.Texture;
  }
  if (part.UseMaterial) {
    e.Material = true;
    const float a[4] = {part.AmbientR, part.AmbientG, part.AmbientB, part.AmbientA};
    const float d[4] = {part.DiffuseR, part.DiffuseG, part.DiffuseB, part.DiffuseA};
    const float s[4] = {part.SpecularR, part.SpecularG, part.SpecularB, part.SpecularA};
    const float m[4] = {part.EmissionR, part.EmissionG, part.EmissionB, part.EmissionA};
    for (int i = 0; i < 4; ++i) {
      e.Ambient[i] = a[i];
      e.Diffuse[i] = d[i];
      e.Specular[i] = s[i];
      e.Emission[i] = m[i];
    }
    e.Shininess = part.Shininess;
  }
  return e;
}

unsigned PartEffectCap(int bit) {
  static const unsigned caps[PART_EFFECT_CAPS] = {GL_TEXTURE_GEN_S, GL_TEXTURE_GEN_T, GL_TEXTURE_GEN_R,
                                                  GL_TEXTURE_GEN_Q, GL_LIGHTING,     GL_CULL_FACE,
                                                  GL_BLEND,         GL_COLOR_MATERIAL, GL_NORMALIZE,
                                                  GL_DEPTH_TEST,    GL_ALPHA_TEST,   GL_FOG};
  return bit >= 0 && bit < PART_EFFECT_CAPS ? caps[bit] : 0;
}

void TPartEffect::Then(const TPartEffect& later) {
  CapsOn = (CapsOn & ~later.CapsOff) | later.CapsOn;
  CapsOff = (CapsOff & ~later.CapsOn) | later.CapsOff;
  if (later.GenModes) {
    GenModes = true;
    GenModeS = later.GenModeS;
    GenModeT = later.GenModeT;
  }
  if (later.Texture != tkKeep) {
    Texture = later.Texture;
    Slot = later.Slot;
    Name = later.Name;
    EnvMode = later.EnvMode;
  }
  if (later.Material) {
    Material = true;
    for (int i = 0; i < 4; ++i) {
      Ambient[i] = later.Ambient[i];
      Diffuse[i] = later.Diffuse[i];
      Specular[i] = later.Specular[i];
      Emission[i] = later.Emission[i];
    }
    Shininess = later.Shininess;
  }
  if (later.Normal) {
    Normal = true;
    for (int i = 0; i < 3; ++i) N[i] = later.N[i];
  }
  if (later.TexCoord) {
    TexCoord = true;
    for (int i = 0; i < 4; ++i) T[i] = later.T[i];
  }
  if (later.Color) {
    Color = true;
    for (int i = 0; i < 4; ++i) C[i] = later.C[i];
  }
}

void TPartEffect::Apply(TPartHost* host) const {
  switch (Texture) {
    case tkKeep: break;
    case tkDisable: glDisable(GL_TEXTURE_2D); break;
    case tkSlot:
      if (host) host->BindTexture(Slot);
      break;
    case tkName:
      glBindTexture(GL_TEXTURE_2D, Name);
      glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, EnvMode);
      glEnable(GL_TEXTURE_2D);
      break;
  }
  if (Material) {
    glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, Ambient);
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, Diffuse);
    glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, Specular);
    glMaterialfv(GL_FRONT_AND_BACK, GL_EMISSION, Emission);
    glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, Shininess);
  }
  for (int bit = 0; bit < PART_EFFECT_CAPS; ++bit) {
    if (CapsOn & (1u << bit)) glEnable(PartEffectCap(bit));
    if (CapsOff & (1u << bit)) glDisable(PartEffectCap(bit));
  }
  if (GenModes) {
    glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GenModeS);
    glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, GenModeT);
  }
  if (Normal) glNormal3fv(N);
  if (TexCoord) glTexCoord4fv(T);
  if (Color) glColor4fv(C);
}
