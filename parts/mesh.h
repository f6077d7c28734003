// The mesh part: indexed triangles with normals and optional texture coordinates and vertex colours.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "parts/bounds.h"
#include "parts/mesh_data.h"
#include "parts/parts.h"

// The mesh's record tag in a scene file; files holding one are version 5.
const int PART_TAG_MESH = 17;
const int PART_MESH_FILE_VERSION = 5;

class TPartMesh : public TPartClassOf<TPartMesh> {
public:
  static const TPartClass& Class();
  TPartMesh();
  ~TPartMesh() override;

  // Takes the triangles: positions are required; normals, texture coordinates and colours are used
  // when they hold one entry per vertex. Triangles naming a missing vertex or a non-finite position
  // are dropped. Without usable normals they are computed: smooth across edges whose faces meet at
  // less than CreaseAngle, flat beyond it.
  void SetData(const TMeshData& data);
  void SetData(TMeshData&& data);
  // The triangles exactly as drawn (colours as the bytes they are held in).
  bool Tessellate(TMeshData& out) override;
  int VertexCount() const { return static_cast<int>(positions.size() / 3); }
  int TriangleCount() const { return static_cast<int>(IndexCount() / 3); }
  bool HasTexCoords() const { return !texCoords.empty(); }
  bool HasColors() const { return !colors.empty(); }
  // Whether the normals were computed here (CreaseAngle applies) rather than given.
  bool NormalsComputed() const { return computedNormals; }
  // Degrees; computed normals are computed again. Values outside 0..180 are clamped, NaN is ignored.
  void SetCreaseAngle(float v);
  // Bytes the part holds for its geometry (arrays only).
  size_t GeometryBytes() const;

  void Paint() override;
  void AddGeometry(TBoundsWalk& walk) override;

  float CreaseAngle = 60;

private:
  friend class TMeshField;
  size_t IndexCount() const { return indices16.empty() ? indices32.size() : indices16.size(); }
  uint32_t Index(size_t i) const { return indices16.empty() ? indices32[i] : indices16[i]; }
  // Takes sanitised data; computes normals unless keepNormals and they are usable.
  void Assign(TMeshData&& data, bool computedFlag);
  void UpdateBox();

  std::vector<float> positions;
  std::vector<float> normals;
  std::vector<float> texCoords;
  std::vector<uint8_t> colors;  // RGBA bytes
  std::vector<uint16_t> indices16;
  std::vector<uint32_t> indices32;
  bool computedNormals = false;
  TBounds box;
};

// Computes per-corner normals for data (which must be sanitised: every index in range) and rewrites it
// so that corners with the same vertex and the same normal share one vertex. Equal positions are joined
// for the smoothing whatever their indices; creaseDegrees decides which faces smooth together.
void ComputeMeshNormals(TMeshData& data, float creaseDegrees);
