// The editor's model file edits: importing a model into the scene and exporting the scene as glTF.
#pragma once

#include <string>

class TOpenGl;
class TPart;

// Reads a model into the selected group, or beside the selected part (into the root when nothing is
// selected): its new group, or null with the reason; the scene is unchanged then. warnings gets what the
// import left out.
TPart* ImportModelInto(TOpenGl* gl, const std::string& file, TPart* selected, std::string& error,
                       std::string& warnings);

// The name an export proposes: the scene's file with .glb, or "untitled.glb".
std::string GltfNameFor(const std::string& sceneFile);
