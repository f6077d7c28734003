// Building the triangles of a kind as GL would split what it draws: GLU's quadrics, quads, strips and fans.
#pragma once

#include <cstdint>
#include <vector>

#include "parts/mesh_data.h"

// Appends vertices to a TMeshData and turns runs of them into triangles, the way GL splits each primitive.
class TMeshBuilder {
public:
  explicit TMeshBuilder(TMeshData& out) : FOut(out) {}
  // A vertex with its normal and, when tex is non-null, its texture coordinates; returns its index.
  uint32_t Vertex(const float pos[3], const float normal[3], const float* tex);
  // Triangles of one primitive (a GL mode) over the given vertices; only whole primitives count, and
  // points and lines give none.
  void Primitive(int mode, const std::vector<uint32_t>& run);

private:
  void Triangle(uint32_t a, uint32_t b, uint32_t c);
  TMeshData& FOut;
};

// GLU's quadrics as drawn filled, with smooth normals facing outside and texture coordinates (what the
// quadric parts ask for). Each gives nothing where GLU draws nothing (too few slices, a negative radius...).
void TessellateGluSphere(TMeshData& out, double radius, int slices, int stacks);
void TessellateGluCylinder(TMeshData& out, double baseRadius, double topRadius, double height, int slices,
                           int stacks);
void TessellateGluDisk(TMeshData& out, double innerRadius, double outerRadius, int slices, int loops);
