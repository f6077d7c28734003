// Triangles as a kind draws them: what exporters read and what a mesh part is made from.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

struct TMeshData {
  std::vector<float> Positions;   // x, y, z per vertex
  std::vector<float> Normals;     // x, y, z per vertex, or empty
  std::vector<float> TexCoords;   // s, t per vertex, or empty
  std::vector<float> Colors;      // r, g, b, a per vertex, or empty
  std::vector<uint32_t> Indices;  // three per triangle, each below VertexCount()

  size_t VertexCount() const { return Positions.size() / 3; }
  size_t TriangleCount() const { return Indices.size() / 3; }
  bool Empty() const { return Indices.empty(); }
  void Clear() { *this = TMeshData(); }
};
