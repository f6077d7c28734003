#include "mesh_export.h"

#include <assimp/Exporter.hpp>
#include <assimp/IOStream.hpp>
#include <assimp/IOSystem.hpp>
#include <assimp/material.h>
#include <assimp/scene.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <memory>
#include <set>

#include "framework/core/safe_save.h"
#include "opengl/opengl.h"
#include "parts/call.h"
#include "parts/placement.h"

namespace {

// Call parts repeat their targets: groups of calls to groups of calls grow without bound.
const size_t kMaxParts = 1000000;

class TWorldWalk {
public:
  std::vector<TWorldMesh> meshes;

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
  if (ExpandedPartCount(gl->Root(), kMaxParts) > kMaxParts) {
    error = "the scene holds more than " + std::to_string(kMaxParts) + " parts once its call parts are copied out";
    return false;
  }
  walk.Walk(gl->Root(), TPartMatrix());
  meshes = std::move(walk.meshes);
  return true;
}

namespace {

// One file an exporter writes, held in memory.
class TMemoryFile : public Assimp::IOStream {
public:
  explicit TMemoryFile(std::string& bytes) : FBytes(bytes) {}
  size_t Read(void*, size_t, size_t) override { return 0; }
  size_t Write(const void* buffer, size_t size, size_t count) override {
    if (size == 0 || count == 0) return 0;
    const size_t n = size * count;
    if (FAt + n > FBytes.size()) FBytes.resize(FAt + n);
    std::memcpy(&FBytes[FAt], buffer, n);
    FAt += n;
    return count;
  }
  aiReturn Seek(size_t offset, aiOrigin origin) override {
    const size_t base = origin == aiOrigin_CUR ? FAt : origin == aiOrigin_END ? FBytes.size() : 0;
    if (base + offset > FBytes.size()) return aiReturn_FAILURE;
    FAt = base + offset;
    return aiReturn_SUCCESS;
  }
  size_t Tell() const override { return FAt; }
  size_t FileSize() const override { return FBytes.size(); }
  void Flush() override {}

private:
  std::string& FBytes;
  size_t FAt = 0;
};

// Every file of one export, by name, written out only once the export has succeeded.
class TMemoryFiles : public Assimp::IOSystem {
public:
  bool Exists(const char* file) const override { return FFiles.count(file) != 0; }
  char getOsSeparator() const override { return '/'; }
  Assimp::IOStream* Open(const char* file, const char* mode) override {
    if (!file || !mode || std::strchr(mode, 'r')) return nullptr;
    std::string& bytes = FFiles[file];
    bytes.clear();
    return new TMemoryFile(bytes);
  }
  void Close(Assimp::IOStream* stream) override { delete stream; }

  bool WriteAll(std::string& error) {
    for (const auto& [name, bytes] : FFiles) {
      try {
        TSafeSave save(name.c_str());
        size_t at = 0;
        while (at < bytes.size()) {
          // The stream takes at most 2 GB a call.
          const int32_t chunk = static_cast<int32_t>(std::min<size_t>(bytes.size() - at, size_t(1) << 30));
          if (save.Stream()->Write(bytes.data() + at, chunk) != chunk) break;
          at += static_cast<size_t>(chunk);
        }
        const bool whole = at == bytes.size();
        if (whole && save.Commit()) continue;
        error = (whole ? save.Error() : save.WriteFailure()).str();
      } catch (const std::exception& e) {
        error = e.what();
      }
      if (error.empty()) error = "could not write " + name;
      return false;
    }
    return true;
  }

private:
  std::map<std::string, std::string> FFiles;
};

}  // namespace

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
  // The exporter writes into memory under the real names (an OBJ names its .mtl by them); the files are
  // then each replaced whole, so a full disk leaves a failure and the old files, never a cut model.
  auto* files = new TMemoryFiles;
  Assimp::Exporter exporter;
  exporter.SetIOHandler(files);
  if (exporter.Export(scene.get(), format, file) != aiReturn_SUCCESS) {
    const char* why = exporter.GetErrorString();
    error = why && *why ? why : "the model could not be written";
    return false;
  }
  return files->WriteAll(error);
}
