#include "mesh_export.h"

#include <assimp/Exporter.hpp>
#include <assimp/material.h>
#include <assimp/scene.h>

#include <cmath>
#include <memory>
#include <set>

#include "opengl/opengl.h"
#include "parts/call.h"
#include "parts/placement.h"

namespace {

// Call parts repeat their targets: groups of calls to groups of calls grow without bound.
const size_t kMaxParts = 1000000;

class TWorldWalk {
public:
  std::vector<TWorldMesh> meshes;

  // The parts Walk visits, counted up to just past the limit.
  void Count(TPart* part, size_t& count) {
    if (++count > kMaxParts) return;
    if (auto* call = dynamic_cast<TPartCall*>(part)) {
      TPart* target = call->ListByHand() ? nullptr : call->CallTarget();
      if (!target || calls.count(call)) return;
      calls.insert(call);
      Count(target, count);
      calls.erase(call);
    } else if (auto* group = dynamic_cast<TPartGroup*>(part)) {
      for (int i = 0; i < group->Count() && count <= kMaxParts; ++i) Count(group->Part(i), count);
    }
  }

  void Walk(TPart* part, const TPartMatrix& parent) {
    if (auto* call = dynamic_cast<TPartCall*>(part)) {
      // A call part draws its target from the target's frame; a call that leads back to itself draws once.
      TPart* target = call->ListByHand() ? nullptr : call->CallTarget();
      if (!target || calls.count(call)) return;
      calls.insert(call);
      Walk(target, parent);
      calls.erase(call);
      return;
    }
    const TPartMatrix m = parent * PartPlacement(*part);
    if (auto* group = dynamic_cast<TPartGroup*>(part)) {
      for (int i = 0; i < group->Count(); ++i) Walk(group->Part(i), m);
      return;
    }
    TWorldMesh mesh;
    if (!part->Tessellate(mesh.data) || mesh.data.Empty()) return;
    mesh.name = part->Name.c_str();
    if (part->UseMaterial) {
      const float d[4] = {part->DiffuseR, part->DiffuseG, part->DiffuseB, part->DiffuseA};
      std::copy(d, d + 4, mesh.diffuse);
    }
    Move(mesh.data, m);
    meshes.push_back(std::move(mesh));
  }

private:
  // Positions through m; normals through its inverse transpose, which for T * R * S is R * S^-1.
  static void Move(TMeshData& d, const TPartMatrix& m) {
    const double* a = m.m;
    for (size_t i = 0; i + 2 < d.Positions.size(); i += 3) {
      const double p[3] = {d.Positions[i], d.Positions[i + 1], d.Positions[i + 2]};
      for (int r = 0; r < 3; ++r)
        d.Positions[i + r] = static_cast<float>(a[r] * p[0] + a[4 + r] * p[1] + a[8 + r] * p[2] + a[12 + r]);
    }
    // The cofactor matrix is the inverse transpose times the determinant: normalising takes the size,
    // the determinant's sign the side.
    double M[3][3], c[3][3];
    for (int r = 0; r < 3; ++r)
      for (int col = 0; col < 3; ++col) M[r][col] = a[col * 4 + r];
    for (int r = 0; r < 3; ++r)
      for (int col = 0; col < 3; ++col)
        c[r][col] = M[(r + 1) % 3][(col + 1) % 3] * M[(r + 2) % 3][(col + 2) % 3] -
                    M[(r + 1) % 3][(col + 2) % 3] * M[(r + 2) % 3][(col + 1) % 3];
    const double det = M[0][0] * c[0][0] + M[0][1] * c[0][1] + M[0][2] * c[0][2];
    const double sign = det < 0 ? -1 : 1;
    for (size_t i = 0; i + 2 < d.Normals.size(); i += 3) {
      const double n[3] = {d.Normals[i], d.Normals[i + 1], d.Normals[i + 2]};
      double w[3];
      for (int r = 0; r < 3; ++r) w[r] = sign * (c[r][0] * n[0] + c[r][1] * n[1] + c[r][2] * n[2]);
      const double len = std::sqrt(w[0] * w[0] + w[1] * w[1] + w[2] * w[2]);
      for (int r = 0; r < 3; ++r) d.Normals[i + r] = static_cast<float>(len > 0 ? w[r] / len : 0);
    }
  }

  std::set<const TPartCall*> calls;
};

}  // namespace

bool WorldMeshes(TOpenGl* gl, std::vector<TWorldMesh>& meshes, std::string& error) {
  TWorldWalk walk;
  size_t parts = 0;
  walk.Count(gl->Root(), parts);
  if (parts > kMaxParts) {
    error = "the scene holds more than " + std::to_string(kMaxParts) + " parts once its call parts are copied out";
    return false;
  }
  walk.Walk(gl->Root(), TPartMatrix());
  meshes = std::move(walk.meshes);
  return true;
}

std::string AssimpFormatFor(const std::string& extension) {
  if (extension == ".obj") return "obj";
  if (extension == ".stl") return "stlb";
  if (extension == ".ply") return "plyb";
  return "";
}

bool ExportWithAssimp(const std::vector<TWorldMesh>& meshes, const std::string& file, const std::string& format,
                      std::string& error) {
  if (meshes.empty()) {
    error = "the scene draws no triangles to write";
    return false;
  }
  auto scene = std::make_unique<aiScene>();
  const unsigned count = static_cast<unsigned>(meshes.size());
  scene->mRootNode = new aiNode("scene");
  scene->mRootNode->mNumMeshes = count;
  scene->mRootNode->mMeshes = new unsigned[count];
  scene->mNumMeshes = count;
  scene->mMeshes = new aiMesh*[count]();
  scene->mNumMaterials = count;
  scene->mMaterials = new aiMaterial*[count]();
  for (unsigned k = 0; k < count; ++k) {
    const TWorldMesh& w = meshes[k];
    const TMeshData& d = w.data;
    auto* mesh = new aiMesh;
    scene->mMeshes[k] = mesh;
    scene->mRootNode->mMeshes[k] = k;
    mesh->mName = w.name;
    mesh->mMaterialIndex = k;
    mesh->mPrimitiveTypes = aiPrimitiveType_TRIANGLE;
    const unsigned n = static_cast<unsigned>(d.VertexCount());
    mesh->mNumVertices = n;
    mesh->mVertices = new aiVector3D[n];
    for (unsigned i = 0; i < n; ++i) mesh->mVertices[i] = aiVector3D(d.Positions[i * 3], d.Positions[i * 3 + 1], d.Positions[i * 3 + 2]);
    if (d.Normals.size() == static_cast<size_t>(n) * 3) {
      mesh->mNormals = new aiVector3D[n];
      for (unsigned i = 0; i < n; ++i) mesh->mNormals[i] = aiVector3D(d.Normals[i * 3], d.Normals[i * 3 + 1], d.Normals[i * 3 + 2]);
    }
    const unsigned faces = static_cast<unsigned>(d.TriangleCount());
    mesh->mNumFaces = faces;
    mesh->mFaces = new aiFace[faces];
    for (unsigned f = 0; f < faces; ++f) {
      mesh->mFaces[f].mNumIndices = 3;
      mesh->mFaces[f].mIndices = new unsigned[3]{d.Indices[f * 3], d.Indices[f * 3 + 1], d.Indices[f * 3 + 2]};
    }
    auto* mat = new aiMaterial;
    scene->mMaterials[k] = mat;
    const aiString name(w.name.empty() ? "material " + std::to_string(k) : w.name);
    mat->AddProperty(&name, AI_MATKEY_NAME);
    const aiColor4D diffuse(w.diffuse[0], w.diffuse[1], w.diffuse[2], w.diffuse[3]);
    mat->AddProperty(&diffuse, 1, AI_MATKEY_COLOR_DIFFUSE);
    mat->AddProperty(&w.diffuse[3], 1, AI_MATKEY_OPACITY);
  }
  Assimp::Exporter exporter;
  if (exporter.Export(scene.get(), format, file) == aiReturn_SUCCESS) return true;
  const char* why = exporter.GetErrorString();
  error = why && *why ? why : "the model could not be written";
  return false;
}
