// The kinds every scene file may hold, registered in one list.
#include "parts/call.h"
#include "parts/mesh.h"
#include "parts/parts.h"
#include "parts/primitives.h"
#include "parts/quad.h"

// Listed here rather than beside each kind: a kind's file that nothing else names would be left out of a
// program by its linker, and its records could not be read.
void RegisterBuiltInPartKinds() {
  for (const TPartClass* kind : {&TPartCube::Class(), &TPartSphere::Class(), &TPartCylinder::Class(),
                                 &TPartDisk::Class(), &TPartGroup::Class(), &TPartQuad::Class(), &TPartCall::Class(),
                                 &TPartMesh::Class()})
    TPartClasses::Register(*kind);
}
