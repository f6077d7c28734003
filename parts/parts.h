// The scene part base (placement, material, clip planes, display list, change propagation) and the group.
#pragma once

#include <memory>
#include <vector>

#include "framework/core/core.h"
#include "parts/bounds.h"
#include "parts/part_class.h"
#include "parts/part_effect.h"
#include "parts/part_host.h"

class TOpenGl;
class TSceneFile;
class TPartGroup;
struct TPartMatrix;
struct TMeshData;
class TPartCall;

// The per-part list rebuild, as a part hands it what its own list calls.
class TPartListWalk {
public:
  virtual ~TPartListWalk() = default;
  // Brings child's list up to date; true when the caller's list must be compiled again.
  virtual bool Child(TPart* child) = 0;
  // A call part's own list draws target whole (null: nothing). The walk compiles it once the target's
  // subtree and every list it calls are up to date.
  virtual void DrawsWhole(TPartCall* call, TPart* target) = 0;
};

enum BUILDLIST_PHASE { BUILDLIST_DELETE = 0, BUILDLIST_PREPARE = 1, BUILDLIST_COMPILE = 2 };

// How a viewport keeps its scene in display lists: one list of the whole tree rebuilt at every
// change (the default), or a list per part where a change recompiles only what changed.
enum TListMode { lmScene, lmPerPart };

const int PART_CLIP_PLANES = 6;
// Deepest group nesting a scene file may hold; deeper files fail to load instead of exhausting the stack.
const int PART_MAX_GROUP_DEPTH = 1000;

// The group's record tag; every kind's tag is declared beside the kind.
const int PART_TAG_GROUP = 14;

class TPart : public TObject {
public:
  TPart();
  ~TPart() override;

  // The eight operations every part has, in the order hosts derive from them.
  virtual AnsiString GetName();
  virtual TPart* FindPart(AnsiString name);
  virtual void SetOwner(TOpenGl* owner);
  virtual bool SaveTo(TSceneFile& File);
  virtual bool LoadFrom(TSceneFile& File);
  virtual void BuildList(BUILDLIST_PHASE phase);
  virtual void Paint();
  virtual TPart* Clone() = 0;
  // The kind: its class name, record tag and fields. A kind that registers none reads as the part base.
  virtual const TPartClass& PartClass() const;
  // Bounds: adds what the part draws in its own frame, after its placement (the base draws nothing).
  virtual void AddGeometry(TBoundsWalk& walk);
  // Adds the part as its parent's frame sees it: its geometry under its placement.
  virtual void AddBounds(TBoundsWalk& walk);
  // Per-part lists: brings up to date what this part's list calls (a group's children, a call part's
  // target); true when that makes this part's own list stale. The base calls nothing.
  virtual bool UpdateListsInside(TPartListWalk& walk);
  // The triangles the part draws in its own frame, before its placement, exactly as it tessellates them
  // when drawn; false when it draws no triangles of its own (the base, groups, call parts).
  virtual bool Tessellate(TMeshData& out);

  void SetPX(float v);
  void SetPY(float v);
  void SetPZ(float v);
  void SetSX(float v);
  void SetSY(float v);
  void SetSZ(float v);
  void SetRX(float v);
  void SetRY(float v);
  void SetRZ(float v);
  void SetRotationAngle(float v);
  void SetAmbientR(float v);
  void SetAmbientG(float v);
  void SetAmbientB(float v);
  void SetAmbientA(float v);
  void SetDiffuseR(float v);
  void SetDiffuseG(float v);
  void SetDiffuseB(float v);
  void SetDiffuseA(float v);
  void SetSpecularR(float v);
  void SetSpecularG(float v);
  void SetSpecularB(float v);
  void SetSpecularA(float v);
  void SetEmissionR(float v);
  void SetEmissionG(float v);
  void SetEmissionB(float v);
  void SetEmissionA(float v);
  void SetShininess(float v);
  void SetTexture(int v);
  void SetUseMaterial(bool v);

  // Indices outside 0..5 are ignored by the setters and read as 0.
  void SetUseClipPlane(int index, int state);
  void SetClipPlaneA(int index, float v);
  void SetClipPlaneB(int index, float v);
  void SetClipPlaneC(int index, float v);
  void SetClipPlaneD(int index, float v);
  int GetUseClipPlane(int index);
  float GetClipPlaneA(int index);
  float GetClipPlaneB(int index);
  float GetClipPlaneC(int index);
  float GetClipPlaneD(int index);

  // Fires OnChange with this part as the sender; shaped as a notify handler so groups can bind to it.
  void Changed(TObject* sender);
  // Calls the part's list when it has one, else paints directly.
  void Play();
  // Paints with the part's clip planes confined to it and its children (its own list holds the same).
  void PaintConfined();
  bool SetsClipPlanes() const;
  void CopyTo(TPart* target);
  TPartGroup* Parent() const { return parent; }
  void SetParent(TPartGroup* group) { parent = group; }
  // The viewport given by SetOwner; null once that viewport is destroyed.
  TOpenGl* Owner() const { return owner.Viewport(); }
  // The owner's part interface while it lives (null for a part outside any viewport).
  TPartHost* Host() const { return owner.Host(); }
  // The group whose list holds this part. Unlike Parent(), which callers may set or clear, only a
  // group's insertion and removal change it, so it tells whether the part is already owned.
  TPartGroup* Holder() const { return holder; }
  void AddChild(TPart*) {}
  // out = a x b, not normalised; does nothing when any pointer is null.
  static void CrossNorm(const float* a, const float* b, float* out);

  // Reads one part record (tag first); null when no part could be made.
  static TPart* Load(TSceneFile& File, TOpenGl* Owner);

  // Per-part lists: whether the part's own values (or a group's child list) changed since its list
  // was compiled; the context that list lives in; the shared geometry list it draws (0: none).
  bool ListDirty() const { return listDirty; }
  const TPartListContext* ListContext() const { return listContext.get(); }
  unsigned SharedGeometry() const { return sharedGeometry; }
  // Ties the part's lists to its viewport's current context, releasing lists made in another.
  void AdoptListContext();
  // Takes a shared geometry list acquired from the part's list context, releasing the one it had.
  void SetSharedGeometry(unsigned list);
  // Drawn inside an ancestor's list instead of its own: drops its own and counts as up to date.
  void DrawnInline();
  // Drawn by the viewport's frame walk: no list of its own, only the shared geometry given (0: none).
  void DrawnByWalk(unsigned sharedGeometry);

  // Culling: the box of the part and its subtree in its parent's frame (its placement applied), kept
  // until a change on its path; a box that reaches through a call part is kept until any change.
  // unbounded (when given) tells a box that cannot be known: a list set by hand, a value not finite.
  const TBounds& CachedBounds(bool* unbounded = nullptr);
  // What drawing the part leaves set for later parts (null: not known), kept like the box; an effect
  // that depends on lists (followsLists) is kept until any change or TouchCaches.
  const TPartEffect* CachedEffect(bool* followsLists = nullptr) const;
  void SetCachedEffect(const TPartEffect& effect, bool followsLists);
  // The part's list was compiled again: what it leaves is found anew when needed.
  void ForgetCachedEffect();
  // Something the caches read changed outside any part's setters (a list compiled again).
  static void TouchCaches();

protected:
  void MarkListStale() { listDirty = true; }
  // A kind's record: its tag, the common record, then the fields of each class from the base down.
  bool SaveRecord(TSceneFile& File, const TPartClass& kind);
  bool LoadRecord(TSceneFile& File, const TPartClass& kind);
  // A new part of the kind with this part's base state (CopyTo) and every field of the kind.
  TPart* CloneRecord(const TPartClass& kind);

private:
  // Deletes the display list (and drops the shared geometry) in the context that compiled it; skips
  // GL when that context is gone.
  void ReleaseList();
  // Drops the cached box and effect (a change on the part's path).
  void ForgetCaches();
  struct TCache;
  std::unique_ptr<TCache> cache;
  friend class TPartCacheWalk;
  bool listDirty = true;
  unsigned sharedGeometry = 0;
  friend class TPartGroup;
  TPartGroup* parent = nullptr;
  TPartGroup* holder = nullptr;
  // The viewport context the list was compiled in (null: compiled outside any viewport).
  std::shared_ptr<TPartListContext> listContext;

public:
  float PX = 0, PY = 0, PZ = 0;
  float SX = 1, SY = 1, SZ = 1;
  float RX = 0, RY = 0, RZ = 0;
  float RotationAngle = 0;
  float AmbientR = 0.2f, AmbientG = 0.2f, AmbientB = 0.2f, AmbientA = 1.0f;
  float DiffuseR = 0.8f, DiffuseG = 0.8f, DiffuseB = 0.8f, DiffuseA = 1.0f;
  float SpecularR = 0, SpecularG = 0, SpecularB = 0, SpecularA = 1.0f;
  float EmissionR = 0, EmissionG = 0, EmissionB = 0, EmissionA = 1.0f;
  float Shininess = 0;
  TNotifyEvent OnChange;
  int Texture = -2;
  bool UseMaterial = false;
  int UseClipPlane[PART_CLIP_PLANES] = {};
  double ClipPlaneA[PART_CLIP_PLANES] = {};
  double ClipPlaneB[PART_CLIP_PLANES] = {};
  double ClipPlaneC[PART_CLIP_PLANES] = {};
  double ClipPlaneD[PART_CLIP_PLANES] = {};
  unsigned DisplayList = 0;

private:
  TPartOwner owner;

public:
  AnsiString Name;
};

// What a registered kind gets from its class: the name prefix, the clone and the record, all read from the
// class's field declaration. Derived declares `static const TPartClass& Class();`.
template <class Derived, class Base = TPart>
class TPartClassOf : public Base {
public:
  AnsiString GetName() override { return AnsiString(Derived::Class().Caption()) + " " + TPart::GetName(); }
  bool SaveTo(TSceneFile& File) override { return this->SaveRecord(File, Derived::Class()); }
  bool LoadFrom(TSceneFile& File) override { return this->LoadRecord(File, Derived::Class()); }
  TPart* Clone() override { return this->CloneRecord(Derived::Class()); }
  const TPartClass& PartClass() const override { return Derived::Class(); }
};

// An inner node of the scene tree: owns its children and draws them inside its own placement.
class TPartGroup : public TPartClassOf<TPartGroup> {
public:
  static const TPartClass& Class();
  TPartGroup();
  ~TPartGroup() override;

  TPart* FindPart(AnsiString name) override;
  void SetOwner(TOpenGl* owner) override;
  bool SaveTo(TSceneFile& File) override;
  bool LoadFrom(TSceneFile& File) override;
  void BuildList(BUILDLIST_PHASE phase) override;
  void Paint() override;
  TPart* Clone() override;
  void AddGeometry(TBoundsWalk& walk) override;
  bool UpdateListsInside(TPartListWalk& walk) override;

  // Inserts part before `before` (appends when before is null or not a child) and adopts it.
  void AddObject(TPart* part, TPart* before);
  // Takes part out of the list without destroying it; the caller owns it afterwards.
  void DeleteObject(TPart* part);

  const TList* Parts() const { return FParts; }
  int Count() const { return FParts->Count(); }
  TPart* Part(int index) const { return static_cast<TPart*>(FParts->Items(index)); }
  // True when part is this group or lies in its subtree (follows holder links, so O(depth)).
  bool Contains(const TPart* part) const;

private:
  void Adopt(TPart* part);
  TList* FParts;
};

// While a pick runs, groups give each child they draw a GL selection name: its index in Parts.
struct TPartPickNames {
  static std::vector<TPart*>* Active;
};

// Groups nest deeper than GL's model-view stack holds pushes (32 entries on Mesa, a pick takes one).
// A paint pushes for each child down to this many group levels; a group there pushes once more, and
// the groups below it bring their frame back after each child from that entry and their placement
// relative to it. Per part, the group at this depth holds its subtree in its own list.
const int PART_PUSH_DEPTH = 16;

// Where a paint stands on the model-view stack.
struct TPartPaintFrame {
  // Pushes made by the groups around the part being painted: its depth, for a paint from the root.
  static int Pushes;
  // Below an anchoring group: the frame of the part's group relative to the anchor's; null above.
  static const TPartMatrix* FromAnchor;
};

// Starts a paint (or a list compile) as if pushes groups stood around it, restoring the frame after.
class TPartPaintEntry {
public:
  explicit TPartPaintEntry(int pushes) : FPushes(TPartPaintFrame::Pushes), FRelative(TPartPaintFrame::FromAnchor) {
    TPartPaintFrame::Pushes = pushes;
    TPartPaintFrame::FromAnchor = nullptr;
  }
  ~TPartPaintEntry() {
    TPartPaintFrame::Pushes = FPushes;
    TPartPaintFrame::FromAnchor = FRelative;
  }
  TPartPaintEntry(const TPartPaintEntry&) = delete;
  TPartPaintEntry& operator=(const TPartPaintEntry&) = delete;

private:
  int FPushes;
  const TPartMatrix* FRelative;
};

// While a per-part rebuild compiles, a group's list calls its children's lists instead of holding
// their drawing, and quadrics call their shared geometry. Painting outside it draws everything.
struct TPartListBuild {
  static bool PerPart;
};

// Parts whose geometry can be shared between parts: what identifies it, and how to draw it.
class TSharedGeometry {
public:
  virtual ~TSharedGeometry() = default;
  virtual void GeometryKey(int& kind, float& a, float& b, float& c, int& d1, int& d2) const = 0;
  virtual void DrawGeometry() = 0;
};
