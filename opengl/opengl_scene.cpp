// The viewport's scene root, part management and the refresh timers that rebuild and repaint it.
#include <GL/gl.h>

#include "opengl/context_scope.h"
#include "opengl/opengl.h"
#include "parts/parts.h"
#include "parts/primitives.h"
#include "parts/quad.h"

void TOpenGl::SetRoot() {
  FRoot = new TPartGroup;
  FRoot->Name = "__ROOT__";
  FRoot->SetOwner(this);
  FRoot->OnChange = MakeEvent(this, &TOpenGl::RefreshModel);
}

namespace {
TPartGroup* TargetGroup(TPartGroup* root, TPart* where) {
  if (auto* g = dynamic_cast<TPartGroup*>(where)) return g;
  if (where && where->Holder()) return where->Holder();
  return root;
}
}  // namespace

void TOpenGl::AddObject(TPart* where, TPart* part) { InsertPart(where, part); }

bool TOpenGl::InsertPart(TPart* where, TPart* part) {
  if (!part) return false;
  TPartGroup* group = TargetGroup(FRoot, where);
  // A part already held by a group, or a group put into its own subtree, would corrupt the tree.
  // The holder link, not Parent(), decides: callers (CopyTo among them) may clear the parent.
  if (part == FRoot || part->Holder()) return false;
  // Another viewport's root has no holder, but that viewport owns it and will delete it.
  if (TPartHost* host = part->Host(); host && host->Root() == part) return false;
  if (auto* g = dynamic_cast<TPartGroup*>(part))
    if (g->Contains(group)) return false;
  group->AddObject(part, where);
  return true;
}

namespace {
template <class T>
TPart* MakePart(const char* name) {
  T* p = new T;
  if (name) p->Name = name;
  return p;
}
}  // namespace

TPart* TOpenGl::AddCube(TPart* where, const char* name) { return Paste(where, MakePart<TPartCube>(name)); }
TPart* TOpenGl::AddQuad(TPart* where, const char* name) { return Paste(where, MakePart<TPartQuad>(name)); }
TPart* TOpenGl::AddGroup(TPart* where, const char* name) { return Paste(where, MakePart<TPartGroup>(name)); }
TPart* TOpenGl::AddSphere(TPart* where, const char* name) { return Paste(where, MakePart<TPartSphere>(name)); }
TPart* TOpenGl::AddCylinder(TPart* where, const char* name) { return Paste(where, MakePart<TPartCylinder>(name)); }
TPart* TOpenGl::AddDisk(TPart* where, const char* name) { return Paste(where, MakePart<TPartDisk>(name)); }

TPart* TOpenGl::Paste(TPart* where, TPart* part) {
  if (part && !InsertPart(where, part)) return nullptr;  // refused: nothing changed
  FSuggestedSelection = part;
  OnListChanged(this);
  RefreshModel(this);
  return part;
}

void TOpenGl::DeleteObject(TPart* part) {
  if (!part) return;
  TPartGroup* group = part->Holder() ? part->Holder() : FRoot;
  group->DeleteObject(part);
  if (part == FRoot) {
    // The old tree goes back to the caller: it must not call into this viewport any more.
    FRoot->OnChange = TNotifyEvent();
    SetRoot();
  }
  FSuggestedSelection = nullptr;
  OnListChanged(this);
  RefreshModel(this);
}

TPart* TOpenGl::FindPart(AnsiString name) { return FRoot->FindPart(name); }

void TOpenGl::Refresh(TObject*) {
  if (!RefreshEnabled) return;
  // An animation keeps its timer: it repaints at the timer's pace whatever the loop does.
  if (FPromptRefresh && !FAnimation) {
    FPaintDue = true;
    Application->RequestPass();
    return;
  }
  FRefreshTimer->SetInterval(10);
  FRefreshTimer->SetEnabled(true);
}

void TOpenGl::RefreshModel(TObject*) {
  if (!RefreshEnabled) return;
  if (FPromptRefresh) {
    FModelDue = true;
    Application->RequestPass();
    return;
  }
  FModelTimer->SetInterval(10);
  FModelTimer->SetEnabled(true);
}

void TOpenGl::OnModelRefreshTimer(TObject* Sender) {
  FModelTimer->SetEnabled(false);
  if (RebuildModel()) Refresh(Sender);
}

bool TOpenGl::RebuildModel() {
  TContextScope scope(FContext.get());
  // Lists compiled now would land in another viewport's context: build once ours exists.
  FModelPending = !scope.Active();
  if (FModelPending) return false;
  if (FListMode == lmPerPart) {
    UpdatePartLists();
  } else {
    FRoot->BuildList(BUILDLIST_DELETE);
    FRoot->BuildList(BUILDLIST_PREPARE);
    FRoot->BuildList(BUILDLIST_COMPILE);
  }
  return true;
}

void TOpenGl::SetPromptRefresh(bool Value) {
  if (Value == FPromptRefresh) return;
  FPromptRefresh = Value;
  const TNotifyEvent handler = MakeEvent(this, &TOpenGl::PassEnded);
  if (Value) {
    Application->AddPassEndHandler(handler);
    // What the timers had pending is done at the end of this pass instead.
    if (FModelTimer->Enabled()) {
      FModelTimer->SetEnabled(false);
      FModelDue = true;
    }
    if (FRefreshTimer->Enabled() && !FAnimation) {
      FRefreshTimer->SetEnabled(false);
      FPaintDue = true;
    }
  } else {
    Application->RemovePassEndHandler(handler);
    if (FModelDue) RefreshModel(this);
    if (FPaintDue) Refresh(this);
    FModelDue = FPaintDue = false;
  }
}

// Once per pass however many changes came: input waits for no timer, and frames never queue.
void TOpenGl::PassEnded(TObject*) {
  if (FModelDue) {
    FModelDue = false;
    // An animation repaints at its timer's pace.
    if (RebuildModel() && !FAnimation) FPaintDue = true;
  }
  if (FPaintDue) {
    FPaintDue = false;
    InvalidateRect(Handle(), nullptr, FALSE);
  }
}

void TOpenGl::OnRefreshTimer(TObject*) {
  if (!FAnimation) FRefreshTimer->SetEnabled(false);
  InvalidateRect(Handle(), nullptr, FALSE);
}

void TOpenGl::SetAnimation(bool Value) {
  if (Value == FAnimation) return;
  FAnimation = Value;
  Refresh(this);
}
