// The part group: child ownership, adoption, drawing, list phases and the group record.
#include <GL/gl.h>

#include "files/files.h"
#include "parts/parts.h"
#include "parts/placement.h"

TPartGroup::TPartGroup() : FParts(new TList()) {}

TPartGroup::~TPartGroup() {
  for (int i = 0; i < FParts->Count(); ++i) delete static_cast<TPart*>(FParts->Items(i));
  delete FParts;
}

const TPartClass& TPartGroup::Class() {
  static const TPartClass kind = TPartClassBuilder<TPartGroup>("TPartGroup", "Group", PART_TAG_GROUP).Fields([](auto&) {});
  return kind;
}

void TPartGroup::AddGeometry(TBoundsWalk& walk) {
  for (int i = 0; i < FParts->Count(); ++i) walk.Part(Part(i));
}

bool TPartGroup::UpdateListsInside(TPartListWalk& walk) {
  bool stale = false;
  for (int i = 0; i < FParts->Count(); ++i) stale = walk.Child(Part(i)) || stale;
  return stale;
}

TPart* TPartGroup::FindPart(AnsiString name) {
  if (TPart* self = TPart::FindPart(name)) return self;
  for (int i = 0; i < FParts->Count(); ++i) {
    if (TPart* found = Part(i)->FindPart(name)) return found;
  }
  return nullptr;
}

void TPartGroup::SetOwner(TOpenGl* o) {
  TPart::SetOwner(o);
  for (int i = 0; i < FParts->Count(); ++i) Part(i)->SetOwner(o);
}

void TPartGroup::Adopt(TPart* part) {
  part->OnChange = MakeEvent<TPart>(this, &TPart::Changed);
  part->SetParent(this);
  part->holder = this;
}

void TPartGroup::AddObject(TPart* part, TPart* before) {
  if (!part) return;
  // Only a child of this group is worth a search: appending to a large group stays cheap.
  const int at = before && before->Holder() == this ? FParts->IndexOf(before) : -1;
  if (at >= 0)
    FParts->Insert(at, part);
  else
    FParts->Add(part);
  Adopt(part);
  part->SetOwner(Owner());
  Changed(this);
}

void TPartGroup::DeleteObject(TPart* part) {
  if (part && FParts->Remove(part) >= 0) {
    part->holder = nullptr;
    // A kept part must not call back into this group once the group is gone.
    if (part->Parent() == this) part->SetParent(nullptr);
    if (part->OnChange == MakeEvent<TPart>(this, &TPart::Changed)) part->OnChange = TNotifyEvent();
  }
  Changed(this);
}

bool TPartGroup::Contains(const TPart* part) const {
  for (const TPart* p = part; p; p = p->Holder()) {
    if (p == this) return true;
  }
  return false;
}

std::vector<TPart*>* TPartPickNames::Active = nullptr;
bool TPartListBuild::PerPart = false;
int TPartPaintFrame::Pushes = 0;
const TPartMatrix* TPartPaintFrame::FromAnchor = nullptr;

void TPartGroup::Paint() {
  TPart::Paint();
  std::vector<TPart*>* names = TPartPickNames::Active;
  const TPartMatrix* outer = TPartPaintFrame::FromAnchor;
  // Below an anchor nothing is pushed: after a child, the anchor's entry and this product give the
  // group's frame back. Computed here, it stays relative, so a list holding it may run anywhere.
  TPartMatrix relative;
  if (outer) relative = *outer * PartPlacement(*this);
  static const TPartMatrix anchor;
  const bool anchoring = !outer && TPartPaintFrame::Pushes >= PART_PUSH_DEPTH;
  for (int i = 0; i < FParts->Count(); ++i) {
    if (!outer) {
      glPushMatrix();
    } else if (i > 0) {
      glPopMatrix();
      glPushMatrix();
      glMultMatrixd(relative.m);
    }
    // One loaded name, not a stack of them: trees may nest deeper than GL's name stack.
    if (names) {
      names->push_back(Part(i));
      glLoadName(static_cast<GLuint>(names->size()));
    }
    TPartPaintFrame::FromAnchor = outer ? &relative : anchoring ? &anchor : nullptr;
    if (!outer) ++TPartPaintFrame::Pushes;
    // Per part, the child's own list: the same commands run when the group's list is called.
    if (TPartListBuild::PerPart)
      Part(i)->Play();
    else
      Part(i)->PaintConfined();
    if (!outer) --TPartPaintFrame::Pushes;
    TPartPaintFrame::FromAnchor = outer;
    if (!outer) glPopMatrix();
  }
}

void TPartGroup::BuildList(BUILDLIST_PHASE phase) {
  if (phase == BUILDLIST_DELETE || phase == BUILDLIST_PREPARE) {
    for (int i = 0; i < FParts->Count(); ++i) Part(i)->BuildList(phase);
  }
  TPart::BuildList(phase);
}

TPart* TPartGroup::Clone() {
  auto* copy = static_cast<TPartGroup*>(TPartClassOf::Clone());
  for (int i = 0; i < FParts->Count(); ++i) copy->AddObject(Part(i)->Clone(), nullptr);
  return copy;
}

bool TPartGroup::SaveTo(TSceneFile& File) {
  const bool ok = File.WriteInt(PART_TAG_GROUP) && TPart::SaveTo(File);
  // The children go out whatever happened above; a failure shows in the stream's flag.
  File.WriteInt(FParts->Count());
  for (int i = 0; i < FParts->Count(); ++i) Part(i)->SaveTo(File);
  return ok;
}

bool TPartGroup::LoadFrom(TSceneFile& File) {
  const bool ok = File.IsOk() && TPart::LoadFrom(File);
  // The group owns whatever it held; a reload must not leak it.
  for (int i = 0; i < FParts->Count(); ++i) delete Part(i);
  FParts->Clear();
  int count = 0;
  File.ReadInt(0, &count, 0);
  // A count larger than the records present ends with the stream, not with the count.
  for (int i = 0; i < count && File.IsOk(); ++i) {
    TPart* child = Load(File, Owner());
    if (!child) continue;
    Adopt(child);
    FParts->Add(child);
  }
  return ok;
}
