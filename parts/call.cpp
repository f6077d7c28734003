// The call part: its list call, list resolution by name, clone and record.
#include "parts/call.h"

#include <GL/gl.h>

#include "files/files.h"
#include "opengl/opengl.h"

AnsiString TPartCall::GetName() { return AnsiString("Call list ") + TPart::GetName(); }

void TPartCall::SetUsedPartName(AnsiString name) {
  if (name != UsedPartName) UsedPartName = name;
}

void TPartCall::SetCallList(unsigned list) {
  CallList = list;
  listByHand = list != 0;
  listByName = false;
  Changed(this);
}

unsigned TPartCall::ResolveCallList() {
  TPart* used = CallTarget();
  if (!used) return 0;
  CallList = used->DisplayList;
  listByHand = false;
  listByName = true;
  Changed(this);
  return CallList;
}

TPart* TPartCall::CallTarget() {
  TOpenGl* viewport = Owner();
  // An empty name would match the first unnamed part.
  if (!viewport || UsedPartName.IsEmpty()) return nullptr;
  TPart* used = viewport->FindPart(UsedPartName);
  // Calling its own list, or a list that contains this call, would recurse until GL's nesting limit.
  if (!used || used == this || used == viewport->Root()) return nullptr;
  auto* group = dynamic_cast<TPartGroup*>(used);
  if (group && group->Contains(this)) return nullptr;
  return used;
}

void TPartCall::CallResolvedList(unsigned list) {
  listByName = list != 0;
  if (list == CallList) return;
  CallList = list;
  MarkListStale();
}

void TPartCall::ResolveDuringRebuild() {
  TPart* used = CallTarget();
  if (!used) return;
  // Groups compile only their own list: the target needs one of its own to be called.
  if (used->DisplayList == 0) used->BuildList(BUILDLIST_COMPILE);
  CallList = used->DisplayList;
  listByName = true;
}

void TPartCall::BuildList(BUILDLIST_PHASE phase) {
  if (phase == BUILDLIST_DELETE && listByName) CallList = 0;  // the list it names is being deleted
  if (phase == BUILDLIST_PREPARE && !listByHand) ResolveDuringRebuild();
  TPart::BuildList(phase);
}

// Deliberately none of the common state: the list runs with whatever its surroundings set.
void TPartCall::Paint() { glCallList(CallList); }

TPart* TPartCall::Clone() {
  TPartCall* copy = new TPartCall();
  CopyTo(copy);
  copy->UsedPartName = UsedPartName;
  copy->CallList = CallList;
  copy->listByHand = listByHand;
  copy->listByName = listByName;
  return copy;
}

bool TPartCall::SaveTo(TSceneFile& File) {
  return File.WriteInt(PART_TAG_CALL) && TPart::SaveTo(File) && File.WriteString(UsedPartName);
}

bool TPartCall::LoadFrom(TSceneFile& File) {
  if (!(File.IsOk() && TPart::LoadFrom(File))) return false;
  if (File.ReadString(0, &UsedPartName, AnsiString())) return true;
  File.Fail();
  return false;
}
