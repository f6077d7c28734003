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
  Changed(this);
}

unsigned TPartCall::ResolveCallList() {
  TOpenGl* viewport = Owner();
  TPart* used = viewport ? viewport->FindPart(UsedPartName) : nullptr;
  // Calling its own list would recurse until GL's nesting limit.
  if (!used || used == this) return 0;
  SetCallList(used->DisplayList);
  return CallList;
}

// Deliberately none of the common state: the list runs with whatever its surroundings set.
void TPartCall::Paint() { glCallList(CallList); }

TPart* TPartCall::Clone() {
  TPartCall* copy = new TPartCall();
  CopyTo(copy);
  copy->UsedPartName = UsedPartName;
  copy->CallList = CallList;
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
