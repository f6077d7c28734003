// The scene's triangles in world coordinates, and writing them through assimp's exporters.
#pragma once

#include <string>
#include <vector>

#include "parts/mesh_data.h"

class TOpenGl;
class TPart;

// One drawn part: its triangles moved to world coordinates (normals turned with them), and its diffuse colour.
struct TWorldMesh {
  std::string name;
  TMeshData data;
  float diffuse[4] = {0.8f, 0.8f, 0.8f, 1};
};

// Every part that draws triangles, through the placements of its groups; a call part adds its target again.
// False with the reason when call parts copy out more parts than a file should hold.
bool WorldMeshes(TOpenGl* gl, std::vector<TWorldMesh>& meshes, std::string& error);

// The assimp format that writes a file of this extension (.obj, .stl, .ply); empty for others.
std::string AssimpFormatFor(const std::string& extension);

// Writes the meshes as one model; false with the reason.
bool ExportWithAssimp(const std::vector<TWorldMesh>& meshes, const std::string& file, const std::string& format,
                      std::string& error);
