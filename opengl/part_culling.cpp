// Per part, frames and picks walk the groups themselves: a group or part whose cached box lies outside
// the view volume is left out, and a frame hands its successors the state it would have left set.
#include "opengl/part_culling.h"

#include <GL/gl.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "opengl/context_scope.h"
#include "opengl/opengl.h"
#include "parts/parts.h"
#include "parts/placement.h"

namespace {

// Values no part sets: what still holds them after a list ran was left alone by it.
const GLfloat kNormal[3] = {0.1234f, -0.5678f, 0.9012f};
const GLfloat kTexCoord[4] = {0.3141f, 0.2718f, 0.1618f, 0.5772f};
const GLfloat kColor[4] = {0.1111f, 0.2222f, 0.3333f, 0.4444f};
const GLfloat kMaterial[4][4] = {{0.0123f, 0.0456f, 0.0789f, 0.0321f},
                                 {0.0654f, 0.0987f, 0.0135f, 0.0246f},
                                 {0.0357f, 0.0468f, 0.0579f, 0.0681f},
                                 {0.0792f, 0.0813f, 0.0924f, 0.0135f}};
const GLfloat kShininess = 17.25f;
const GLenum kMaterialNames[4] = {GL_AMBIENT, GL_DIFFUSE, GL_SPECULAR, GL_EMISSION};

bool Same(const GLfloat* a, const GLfloat* b, int n) { return std::memcmp(a, b, sizeof(GLfloat) * n) == 0; }

}  // namespace

namespace {

// The list run once where nothing can be drawn, from the sentinels, with every tracked capability set
// to on (or off); what it returns is read afterwards. Binding and mode are put back by hand.
void RunProbe(unsigned list, bool capsOn) {
  glPushAttrib(GL_CURRENT_BIT | GL_LIGHTING_BIT | GL_ENABLE_BIT | GL_SCISSOR_BIT | GL_TRANSFORM_BIT);
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  for (int bit = 0; bit < PART_EFFECT_CAPS; ++bit) {
    if (capsOn)
      glEnable(PartEffectCap(bit));
    else
      glDisable(PartEffectCap(bit));
  }
  glEnable(GL_SCISSOR_TEST);
  glScissor(0, 0, 0, 0);
  glNormal3fv(kNormal);
  glTexCoord4fv(kTexCoord);
  glColor4fv(kColor);
  for (int i = 0; i < 4; ++i) glMaterialfv(GL_FRONT_AND_BACK, kMaterialNames[i], kMaterial[i]);
  glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, kShininess);
  glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
  glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
  glBindTexture(GL_TEXTURE_2D, 0);
  glEnable(GL_TEXTURE_2D);
  glCallList(list);
}

void EndProbe() {
  glPopMatrix();
  glPopAttrib();
}

}  // namespace

TPartEffect ProbeList(unsigned list) {
  TPartEffect e;
  GLint oldBound = 0, oldEnv = GL_MODULATE, oldGenS = GL_EYE_LINEAR, oldGenT = GL_EYE_LINEAR;
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &oldBound);
  glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &oldEnv);
  glGetTexGeniv(GL_S, GL_TEXTURE_GEN_MODE, &oldGenS);
  glGetTexGeniv(GL_T, GL_TEXTURE_GEN_MODE, &oldGenT);

  // Capabilities it switches off show only when they start on.
  RunProbe(list, true);
  for (int bit = 0; bit < PART_EFFECT_CAPS; ++bit)
    if (glIsEnabled(PartEffectCap(bit)) != GL_TRUE) e.CapsOff |= 1u << bit;
  EndProbe();

  RunProbe(list, false);
  for (int bit = 0; bit < PART_EFFECT_CAPS; ++bit)
    if (glIsEnabled(PartEffectCap(bit)) == GL_TRUE) e.CapsOn |= 1u << bit;
  GLfloat n[4] = {}, t[4] = {}, c[4] = {}, m[4][4] = {}, shininess = 0;
  glGetFloatv(GL_CURRENT_NORMAL, n);
  glGetFloatv(GL_CURRENT_TEXTURE_COORDS, t);
  glGetFloatv(GL_CURRENT_COLOR, c);
  for (int i = 0; i < 4; ++i) glGetMaterialfv(GL_FRONT, kMaterialNames[i], m[i]);
  glGetMaterialfv(GL_FRONT, GL_SHININESS, &shininess);
  const bool textured = glIsEnabled(GL_TEXTURE_2D) == GL_TRUE;
  GLint bound = 0, env = 0, genS = 0, genT = 0;
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
  glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &env);
  glGetTexGeniv(GL_S, GL_TEXTURE_GEN_MODE, &genS);
  glGetTexGeniv(GL_T, GL_TEXTURE_GEN_MODE, &genT);
  EndProbe();
  glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(oldBound));
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, oldEnv);
  glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, oldGenS);
  glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, oldGenT);

  if (genS != GL_SPHERE_MAP || genT != GL_SPHERE_MAP) {
    e.GenModes = true;
    e.GenModeS = genS;
    e.GenModeT = genT;
  }
  if (!Same(n, kNormal, 3)) {
    e.Normal = true;
    std::memcpy(e.N, n, sizeof e.N);
  }
  if (!Same(t, kTexCoord, 4)) {
    e.TexCoord = true;
    std::memcpy(e.T, t, sizeof e.T);
  }
  if (!Same(c, kColor, 4)) {
    e.Color = true;
    std::memcpy(e.C, c, sizeof e.C);
  }
  bool material = shininess != kShininess;
  for (int i = 0; i < 4; ++i) material = material || !Same(m[i], kMaterial[i], 4);
  if (material) {
    e.Material = true;
    std::memcpy(e.Ambient, m[0], sizeof e.Ambient);
    std::memcpy(e.Diffuse, m[1], sizeof e.Diffuse);
    std::memcpy(e.Specular, m[2], sizeof e.Specular);
    std::memcpy(e.Emission, m[3], sizeof e.Emission);
    e.Shininess = shininess;
  }
  if (!textured) {
    e.Texture = TPartEffect::tkDisable;
  } else if (bound != 0) {
    e.Texture = TPartEffect::tkName;
    e.Name = static_cast<unsigned>(bound);
    e.EnvMode = env;
  }
  return e;
}

namespace {

// NOTE: as the rebuild has it: groups from this depth on hold their subtree in their own list.
const int kInlineDepth = PART_PUSH_DEPTH;

enum TSide { sOutside, sCrossing, sInside };

// Where a box lies against the view volume of clip (projection x model-view): the six planes
// -w <= x, y, z <= w. A small margin keeps rounding on the safe side: doubtful boxes are drawn.
TSide Classify(const TBounds& box, const TPartMatrix& matrix) {
  const double* clip = matrix.m;
  double v[8][4];
  for (int corner = 0; corner < 8; ++corner) {
    const double p[3] = {(corner & 1) ? box.Max[0] : box.Min[0], (corner & 2) ? box.Max[1] : box.Min[1],
                         (corner & 4) ? box.Max[2] : box.Min[2]};
    for (int r = 0; r < 4; ++r) v[corner][r] = clip[r] * p[0] + clip[4 + r] * p[1] + clip[8 + r] * p[2] + clip[12 + r];
  }
  bool inside = true;
  for (int axis = 0; axis < 3; ++axis)
    for (int sign = -1; sign <= 1; sign += 2) {
      int out = 0;
      for (int corner = 0; corner < 8; ++corner) {
        const double w = v[corner][3], x = v[corner][axis];
        const double d = w + sign * x, margin = 1e-5 * (std::fabs(w) + std::fabs(x)) + 1e-12;
        if (!std::isfinite(d)) return sCrossing;
        if (d < -margin) ++out;
        if (d <= margin) inside = false;
      }
      if (out == 8) return sOutside;
    }
  return inside ? sInside : sCrossing;
}

class TSceneWalk {
public:
  TSceneWalk(TPartHost* host, const TContextHandle* handle, bool cull, std::vector<TPart*>* names)
      : FHost(host), FHandle(handle), FCull(cull), FNames(names) {
    if (!FCull) return;
    TPartMatrix model, projection;
    glGetDoublev(GL_MODELVIEW_MATRIX, model.m);
    glGetDoublev(GL_PROJECTION_MATRIX, projection.m);
    FClip = projection * model;
  }

  void Root(TPartGroup* root) {
    // The root's own box is taken in the frame the root is drawn in, like any child's.
    if (Skip(root, 0, FClip, FInside)) return;
    Group(root, 0, FClip, FInside, !FNames);
  }

  int Drawn = 0, Culled = 0;

private:
  // Whether p's box lies outside the view; a frame then hands on what p would have left set.
  bool Skip(TPart* p, int depth, const TPartMatrix& clip, bool& inside) {
    if (!FCull || inside) return false;
    bool unbounded = false;
    const TBounds& box = p->CachedBounds(&unbounded);
    if (unbounded) return false;
    const TSide side = box.Empty ? sOutside : Classify(box, clip);
    if (side == sInside) inside = true;
    if (side != sOutside) return false;
    if (!FNames) {
      bool follows = false;
      const TPartEffect* effect = Effect(p, depth, follows);
      // What it would leave set is not known: drawing it is the only way to be exact.
      if (!effect) return false;
      effect->Apply(FHost);
    }
    ++Culled;
    return true;
  }

  // As the group's own Paint and its list draw it, deciding per child.
  void Group(TPartGroup* g, int depth, const TPartMatrix& clip, bool inside, bool confine) {
    const bool confined = confine && g->SetsClipPlanes();
    if (confined) glPushAttrib(GL_TRANSFORM_BIT);
    g->TPart::Paint();
    TPartMatrix inner;
    if (FCull && !inside) inner = clip * PartPlacement(*g);
    for (int i = 0; i < g->Count(); ++i) {
      TPart* child = g->Part(i);
      bool childInside = inside;
      if (Skip(child, depth + 1, inner, childInside)) continue;
      glPushMatrix();
      if (FNames) {
        FNames->push_back(child);
        glLoadName(static_cast<GLuint>(FNames->size()));
      }
      Draw(child, depth + 1, inner, childInside);
      glPopMatrix();
    }
    if (confined) glPopAttrib();
  }

  void Draw(TPart* p, int depth, const TPartMatrix& clip, bool inside) {
    auto* group = dynamic_cast<TPartGroup*>(p);
    if (group && depth < kInlineDepth) {
      Group(group, depth, clip, inside, true);
      return;
    }
    if (!group) ++Drawn;
    TPartPaintEntry entry(depth);
    if (FNames) {
      p->PaintConfined();
      return;
    }
    const bool ours = p->ListContext() == FHandle && !p->ListDirty();
    if (ours && p->DisplayList == 0 && p->SharedGeometry() != 0) {
      // Its own state, then the geometry it shares with parts of the same shape.
      TPartListBuild::PerPart = true;
      p->PaintConfined();
      TPartListBuild::PerPart = false;
    } else if (ours || p->DisplayList != 0) {
      // NOTE: a list compiled in another context names something else here; the part paints itself.
      if (p->ListContext() == FHandle)
        p->Play();
      else
        p->PaintConfined();
    } else {
      // Not built yet: the part paints what it is now.
      p->PaintConfined();
    }
  }

  // What drawing p leaves set for its successors; null when not known.
  const TPartEffect* Effect(TPart* p, int depth, bool& follows) {
    auto* group = dynamic_cast<TPartGroup*>(p);
    const bool walked = group && depth < kInlineDepth;
    const bool shared = !group && p->DisplayList == 0 && p->SharedGeometry() != 0 && p->ListContext() == FHandle &&
                        !p->ListDirty();
    // A part drawn by its own list: what a probe of that list finds, once per compile.
    follows = !walked && !shared;
    if (shared) follows = false;
    else if (const TPartEffect* cached = p->CachedEffect(walked ? &follows : nullptr)) return cached;
    if (!walked && !shared) {
      if (p->DisplayList == 0 || p->ListContext() != FHandle || p->ListDirty() || !RoomForProbe()) return nullptr;
      p->SetCachedEffect(ProbeList(p->DisplayList), false);
      return p->CachedEffect();
    }
    TPartEffect effect = TPartEffect::OwnState(*p);
    if (shared) {
      // Cheap to make again: not kept, so a part holds no effect of its own.
      const TPartEffect* tail = FHandle->Quadrics.Tail(p->SharedGeometry());
      if (!tail) return nullptr;
      effect.Then(*tail);
      FScratch = effect;
      return &FScratch;
    } else {
      for (int i = 0; i < group->Count(); ++i) {
        bool childFollows = false;
        const TPartEffect* child = Effect(group->Part(i), depth + 1, childFollows);
        if (!child) return nullptr;
        effect.Then(*child);
        follows = follows || childFollows;
      }
    }
    p->SetCachedEffect(effect, follows);
    return p->CachedEffect();
  }

  // A probe pushes one attribute entry; groups with clip planes may have used the others.
  static bool RoomForProbe() {
    GLint depth = 0, most = 0;
    glGetIntegerv(GL_ATTRIB_STACK_DEPTH, &depth);
    glGetIntegerv(GL_MAX_ATTRIB_STACK_DEPTH, &most);
    return depth + 1 < most;
  }

  TPartHost* FHost;
  const TContextHandle* FHandle;
  bool FCull;
  std::vector<TPart*>* FNames;
  TPartMatrix FClip;
  bool FInside = false;
  TPartEffect FScratch;
};

}  // namespace

void TOpenGl::SetCulling(bool Value) {
  if (Value == FCulling) return;
  FCulling = Value;
  Refresh(this);
}

void TOpenGl::DrawPartsWalk() {
  TSceneWalk walk(this, FContext.get(), FCulling, nullptr);
  walk.Root(FRoot);
  FPartsDrawn = walk.Drawn;
  FPartsCulled = walk.Culled;
}

void TOpenGl::PickPartsWalk() {
  TSceneWalk walk(this, FContext.get(), FCulling, TPartPickNames::Active);
  walk.Root(FRoot);
}
