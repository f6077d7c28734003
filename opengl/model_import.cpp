// Model import: a file read by the Open Asset Import Library becomes a detached tree of groups and mesh
// parts with their materials and textures, put into the scene only once everything has been read.
#include "opengl/model_import.h"

#include <assimp/Importer.hpp>
#include <assimp/material.h>
#include <assimp/postprocess.h>
#include <assimp/scene.h>
#include <assimp/texture.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <strings.h>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "files/files.h"
#include "opengl/opengl.h"
#include "parts/mesh.h"

namespace {

const double kTolerance = 1e-4;

double Dot3(const double* a, const double* b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

}  // namespace

bool DecomposePlacement(const double m[16], TPlacementParts& out) {
  for (int i = 0; i < 16; ++i)
    if (!std::isfinite(m[i])) return false;
  if (std::fabs(m[3]) > kTolerance || std::fabs(m[7]) > kTolerance || std::fabs(m[11]) > kTolerance ||
      std::fabs(m[15] - 1) > kTolerance)
    return false;
  double col[3][3], s[3];
  for (int c = 0; c < 3; ++c) {
    for (int r = 0; r < 3; ++r) col[c][r] = m[c * 4 + r];
    s[c] = std::sqrt(Dot3(col[c], col[c]));
    if (!(s[c] > 1e-12)) return false;
  }
  // Orthogonal columns: a rotation times a scale along its own axes. Anything else shears.
  for (int a = 0; a < 3; ++a)
    for (int b = a + 1; b < 3; ++b)
      if (std::fabs(Dot3(col[a], col[b])) > kTolerance * s[a] * s[b]) return false;
  const double det = col[0][0] * (col[1][1] * col[2][2] - col[1][2] * col[2][1]) -
                     col[1][0] * (col[0][1] * col[2][2] - col[0][2] * col[2][1]) +
                     col[2][0] * (col[0][1] * col[1][2] - col[0][2] * col[1][1]);
  // A mirror goes into the scale: the rotation must stay proper.
  if (det < 0) s[0] = -s[0];
  double r[3][3];  // r[col][row]
  for (int c = 0; c < 3; ++c)
    for (int k = 0; k < 3; ++k) r[c][k] = col[c][k] / s[c];
  // Axis and angle of the rotation (column-major: element (row, col) = r[col][row]).
  const double trace = r[0][0] + r[1][1] + r[2][2];
  double cosA = std::min(1.0, std::max(-1.0, (trace - 1) / 2));
  double angle = std::acos(cosA);
  double axis[3] = {r[1][2] - r[2][1], r[2][0] - r[0][2], r[0][1] - r[1][0]};
  double len = std::sqrt(Dot3(axis, axis));
  if (angle < 1e-9) {
    axis[0] = 0, axis[1] = 0, axis[2] = 1;
    angle = 0;
  } else if (len < 1e-6) {
    // Half a turn: the axis is the column of (R + I) / 2 with the largest diagonal.
    int k = 0;
    for (int i = 1; i < 3; ++i)
      if (r[i][i] > r[k][k]) k = i;
    double v[3];
    for (int i = 0; i < 3; ++i) v[i] = (r[k][i] + (i == k ? 1 : 0)) / 2;
    len = std::sqrt(Dot3(v, v));
    if (!(len > 0)) return false;
    for (int i = 0; i < 3; ++i) axis[i] = v[i] / len;
  } else {
    for (int i = 0; i < 3; ++i) axis[i] /= len;
  }
  for (int i = 0; i < 3; ++i) {
    out.P[i] = static_cast<float>(m[12 + i]);
    out.Axis[i] = static_cast<float>(axis[i]);
    out.S[i] = static_cast<float>(s[i]);
  }
  out.Angle = static_cast<float>(angle * 180.0 / 3.14159265358979323846);
  // The parts must give the matrix back (the half-turn axis sign, float rounding).
  const double c = std::cos(angle), sn = std::sin(angle), t = 1 - c;
  const double x = axis[0], y = axis[1], z = axis[2];
  const double rot[3][3] = {{t * x * x + c, t * x * y + sn * z, t * x * z - sn * y},
                            {t * x * y - sn * z, t * y * y + c, t * y * z + sn * x},
                            {t * x * z + sn * y, t * y * z - sn * x, t * z * z + c}};
  for (int cc = 0; cc < 3; ++cc)
    for (int k = 0; k < 3; ++k)
      if (std::fabs(rot[cc][k] * s[cc] - col[cc][k]) > kTolerance * std::max(1.0, std::fabs(s[cc]))) return false;
  return true;
}

long long StatedTriangleCount(const std::string& path) {
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return -1;
  std::fseek(f, 0, SEEK_END);
  const long size = std::ftell(f);
  std::fseek(f, 0, SEEK_SET);
  char head[4096];
  const size_t got = std::fread(head, 1, sizeof(head) - 1, f);
  std::fclose(f);
  head[got] = 0;
  long long stated = -1;
  if (got >= 4 && std::memcmp(head, "ply", 3) == 0 && (head[3] == '\n' || head[3] == '\r')) {
    // PLY: "element face N" in the header.
    const char* end = std::strstr(head, "end_header");
    const char* at = std::strstr(head, "element face ");
    if (at && (!end || at < end)) stated = std::strtoll(at + 13, nullptr, 10);
  } else if (got >= 84 && size >= 84 && path.size() >= 4 && strcasecmp(path.c_str() + path.size() - 4, ".stl") == 0) {
    // Binary STL: 84 header bytes and 50 a triangle. A text STL begins with "solid", which a binary
    // header may too; a count the file cannot hold is left to the reader to refuse.
    uint32_t count = 0;
    std::memcpy(&count, head + 80, 4);
    const long long exact = 84 + 50LL * count;
    const bool solidText = std::strncmp(head, "solid", 5) == 0;
    if (size == exact || (!solidText && size > exact)) stated = count;
  }
  return stated;
}

std::string PlyHeaderProblem(const std::string& path) {
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return std::string();
  std::fseek(f, 0, SEEK_END);
  const long long size = std::ftell(f);
  std::fseek(f, 0, SEEK_SET);
  std::string head(65536, '\0');
  head.resize(std::fread(&head[0], 1, head.size(), f));
  std::fclose(f);
  if (head.compare(0, 3, "ply") != 0) return std::string();
  // The first "end_header" must be a line of its own: readers that look for the word would otherwise
  // see the header end where this check does not.
  const size_t end = head.find("end_header");
  if (end == std::string::npos) return "the PLY header does not end within 64 KB";
  size_t dataAt = end + 10;
  if (dataAt < head.size() && head[dataAt] == '\r') ++dataAt;
  if (head[end - 1] != '\n' || dataAt >= head.size() || head[dataAt] != '\n')
    return "the PLY header does not end with a line of its own";
  ++dataAt;
  auto sizeOf = [](const std::string& t) -> int {
    static const char* const one[] = {"char", "uchar", "int8", "uint8"};
    static const char* const two[] = {"short", "ushort", "int16", "uint16"};
    static const char* const four[] = {"int", "uint", "float", "int32", "uint32", "float32"};
    static const char* const eight[] = {"double", "float64"};
    for (const char* n : one) if (t == n) return 1;
    for (const char* n : two) if (t == n) return 2;
    for (const char* n : four) if (t == n) return 4;
    for (const char* n : eight) if (t == n) return 8;
    return 0;
  };
  // Every line a known keyword with its values; the least the binary body can take up, per element.
  bool binary = false, haveElement = false;
  long long least = 0, count = 0, element = 0;
  size_t at = head.find('\n') + 1;
  while (at < dataAt) {
    size_t eol = head.find('\n', at);
    std::string text = head.substr(at, eol - at);
    at = eol + 1;
    if (!text.empty() && text.back() == '\r') text.pop_back();
    for (char c : text)
      if (static_cast<unsigned char>(c) < 32 && c != '\t') return "the PLY header holds bytes that are no text";
    std::vector<std::string> w;
    for (size_t i = 0; i < text.size();) {
      while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
      size_t j = i;
      while (j < text.size() && text[j] != ' ' && text[j] != '\t') ++j;
      if (j > i) w.push_back(text.substr(i, j - i));
      i = j;
    }
    if (w.empty() || w[0] == "comment" || w[0] == "obj_info") continue;
    if (w[0] == "end_header") break;
    if (w[0] == "format" && w.size() == 3 && w[2] == "1.0") {
      binary = w[1] != "ascii";
      if (w[1] != "ascii" && w[1] != "binary_little_endian" && w[1] != "binary_big_endian")
        return "the PLY format is " + w[1] + ", none this reader knows";
    } else if (w[0] == "element" && w.size() == 3) {
      char* stop = nullptr;
      count = std::strtoll(w[2].c_str(), &stop, 10);
      if (*stop != 0 || count < 0) return "the PLY element " + w[1] + " has no count";
      least += element;
      element = 0;
      haveElement = true;
    } else if (w[0] == "property" && w.size() == 3 && haveElement && sizeOf(w[1]) > 0) {
      element += count * sizeOf(w[1]);
    } else if (w[0] == "property" && w.size() == 5 && w[1] == "list" && haveElement && sizeOf(w[2]) > 0 &&
               sizeOf(w[3]) > 0) {
      element += count * sizeOf(w[2]);
    } else {
      return "the PLY header line \"" + text.substr(0, 60) + "\" is not understood";
    }
    if (least + element > (1LL << 50)) return "the PLY header states more data than any file holds";
  }
  least += element;
  if (binary && size - static_cast<long long>(dataAt) < least) return "the PLY file is cut short";
  return std::string();
}

namespace {

AnsiString Text(const std::string& s) { return AnsiString(s.c_str()); }

std::string Truncated(const std::string& s) {
  return s.size() > static_cast<size_t>(SCENE_STRING_MAX) ? s.substr(0, SCENE_STRING_MAX) : s;
}

std::string FolderOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string BaseName(const std::string& path) {
  const size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Everything an import makes, kept apart from the scene until it has all been made.
class TModelBuilder {
public:
  TModelBuilder(const aiScene* scene, const std::string& path) : FScene(scene), FFolder(FolderOf(path)) {}

  std::unique_ptr<TPartGroup> Top;
  std::string Warnings;
  // A texture's picture, and the parts that want it.
  struct Texture {
    std::string Name;
    std::unique_ptr<TBitmap> Bitmap;
    std::vector<TPart*> Users;
  };
  std::vector<Texture> Textures;

  // False with why set when the tree is deeper than a scene file holds.
  bool Build(const std::string& name, std::string& why) {
    struct Open {
      const aiNode* node;
      TPartGroup* group;
      aiMatrix4x4 baked;  // what the groups above could not take
      int depth;
    };
    Top.reset(new TPartGroup);
    std::vector<Open> open{{FScene->mRootNode, Top.get(), aiMatrix4x4(), 1}};
    bool first = true;
    while (!open.empty()) {
      Open o = open.back();
      open.pop_back();
      if (o.depth >= PART_MAX_GROUP_DEPTH) {
        why = "the model's nodes nest deeper than a scene holds";
        return false;
      }
      TPartGroup* group = o.group;
      if (!first) {
        group = new TPartGroup;
        o.group->AddObject(group, nullptr);
      }
      group->Name = Text(Truncated(first && !name.empty() ? name : o.node->mName.C_Str()));
      first = false;
      const aiMatrix4x4 local = o.baked * o.node->mTransformation;
      aiMatrix4x4 bake;  // identity: the group takes the whole placement
      if (!Place(*group, local)) bake = local;
      for (unsigned i = 0; i < o.node->mNumMeshes; ++i) {
        const unsigned index = o.node->mMeshes[i];
        if (index >= FScene->mNumMeshes || !FScene->mMeshes[index]) continue;
        AddMesh(*group, *FScene->mMeshes[index], bake, o.node->mName.C_Str());
      }
      // Children in order: pushed last to first.
      for (unsigned i = o.node->mNumChildren; i-- > 0;)
        if (o.node->mChildren && o.node->mChildren[i]) open.push_back({o.node->mChildren[i], group, bake, o.depth + 1});
    }
    return true;
  }

private:
  static bool Place(TPart& part, const aiMatrix4x4& t) {
    // aiMatrix4x4 is row-major with the translation in the fourth column.
    const double m[16] = {t.a1, t.b1, t.c1, t.d1, t.a2, t.b2, t.c2, t.d2,
                          t.a3, t.b3, t.c3, t.d3, t.a4, t.b4, t.c4, t.d4};
    TPlacementParts p;
    if (!DecomposePlacement(m, p)) return false;
    part.PX = p.P[0], part.PY = p.P[1], part.PZ = p.P[2];
    part.SX = p.S[0], part.SY = p.S[1], part.SZ = p.S[2];
    if (p.Angle != 0) {
      part.RX = p.Axis[0], part.RY = p.Axis[1], part.RZ = p.Axis[2];
      part.RotationAngle = p.Angle;
    }
    return true;
  }

  void AddMesh(TPartGroup& group, const aiMesh& src, const aiMatrix4x4& bake, const char* nodeName) {
    if (!src.mVertices || src.mNumVertices == 0 || !src.mFaces) return;
    const size_t n = src.mNumVertices;
    TMeshData d;
    d.Positions.resize(n * 3);
    std::memcpy(d.Positions.data(), src.mVertices, n * 3 * sizeof(float));
    if (src.mNormals) {
      d.Normals.resize(n * 3);
      std::memcpy(d.Normals.data(), src.mNormals, n * 3 * sizeof(float));
    }
    if (src.mTextureCoords[0]) {
      d.TexCoords.resize(n * 2);
      const aiVector3D* uv = src.mTextureCoords[0];
      for (size_t i = 0; i < n; ++i) {
        d.TexCoords[i * 2] = uv[i].x;
        d.TexCoords[i * 2 + 1] = uv[i].y;
      }
    }
    if (src.mColors[0]) {
      d.Colors.resize(n * 4);
      std::memcpy(d.Colors.data(), src.mColors[0], n * 4 * sizeof(float));
    }
    d.Indices.reserve(static_cast<size_t>(src.mNumFaces) * 3);
    for (unsigned f = 0; f < src.mNumFaces; ++f) {
      const aiFace& face = src.mFaces[f];
      if (face.mNumIndices != 3 || !face.mIndices) continue;
      d.Indices.insert(d.Indices.end(), face.mIndices, face.mIndices + 3);
    }
    if (!bake.IsIdentity()) Bake(d, bake);

    auto* mesh = new TPartMesh;
    const std::string name = src.mName.length > 0 ? src.mName.C_Str() : nodeName;
    mesh->Name = Text(Truncated(name));
    if (src.mMaterialIndex < FScene->mNumMaterials && FScene->mMaterials[src.mMaterialIndex])
      ApplyMaterial(*mesh, *FScene->mMaterials[src.mMaterialIndex], !d.TexCoords.empty());
    mesh->SetData(std::move(d));
    group.AddObject(mesh, nullptr);
  }

  // Positions through the matrix, normals through its inverse transpose; a mirror keeps faces outward.
  static void Bake(TMeshData& d, const aiMatrix4x4& t) {
    for (size_t i = 0; i < d.Positions.size(); i += 3) {
      aiVector3D v(d.Positions[i], d.Positions[i + 1], d.Positions[i + 2]);
      v = t * v;
      d.Positions[i] = v.x, d.Positions[i + 1] = v.y, d.Positions[i + 2] = v.z;
    }
    aiMatrix3x3 linear(t);
    if (!d.Normals.empty()) {
      aiMatrix3x3 normalMatrix = linear;
      normalMatrix.Inverse().Transpose();
      for (size_t i = 0; i < d.Normals.size(); i += 3) {
        aiVector3D v(d.Normals[i], d.Normals[i + 1], d.Normals[i + 2]);
        v = normalMatrix * v;
        const float len = v.Length();
        if (len > 0) v /= len;
        d.Normals[i] = v.x, d.Normals[i + 1] = v.y, d.Normals[i + 2] = v.z;
      }
    }
    if (linear.Determinant() < 0)
      for (size_t i = 0; i + 2 < d.Indices.size(); i += 3) std::swap(d.Indices[i + 1], d.Indices[i + 2]);
  }

  void ApplyMaterial(TPartMesh& part, const aiMaterial& m, bool hasTexCoords) {
    aiColor4D c;
    bool any = false;
    auto take = [&](const char* key, unsigned type, unsigned index, float* rgba) {
      if (aiGetMaterialColor(&m, key, type, index, &c) != AI_SUCCESS) return false;
      const float v[4] = {c.r, c.g, c.b, c.a};
      for (int i = 0; i < 4; ++i) rgba[i] = std::isfinite(v[i]) ? v[i] : 0;
      any = true;
      return true;
    };
    float diffuse[4] = {part.DiffuseR, part.DiffuseG, part.DiffuseB, part.DiffuseA};
    float ambient[4] = {part.AmbientR, part.AmbientG, part.AmbientB, part.AmbientA};
    float specular[4] = {part.SpecularR, part.SpecularG, part.SpecularB, part.SpecularA};
    float emission[4] = {part.EmissionR, part.EmissionG, part.EmissionB, part.EmissionA};
    if (!take(AI_MATKEY_BASE_COLOR, diffuse)) take(AI_MATKEY_COLOR_DIFFUSE, diffuse);
    take(AI_MATKEY_COLOR_AMBIENT, ambient);
    take(AI_MATKEY_COLOR_SPECULAR, specular);
    take(AI_MATKEY_COLOR_EMISSIVE, emission);
    float opacity = 1;
    if (aiGetMaterialFloat(&m, AI_MATKEY_OPACITY, &opacity) == AI_SUCCESS && std::isfinite(opacity))
      diffuse[3] = std::min(diffuse[3], std::max(0.0f, opacity));
    float shininess = 0;
    if (aiGetMaterialFloat(&m, AI_MATKEY_SHININESS, &shininess) == AI_SUCCESS && std::isfinite(shininess)) {
      part.Shininess = std::min(std::max(shininess, 0.0f), 128.0f);  // GL's range
      any = true;
    }
    // Colours stay within GL's material range; alpha 1 where a format leaves it 0.
    auto put = [](float* to[4], const float* from) {
      for (int i = 0; i < 4; ++i) *to[i] = std::min(std::max(from[i], 0.0f), 1.0f);
    };
    float* d[4] = {&part.DiffuseR, &part.DiffuseG, &part.DiffuseB, &part.DiffuseA};
    float* a[4] = {&part.AmbientR, &part.AmbientG, &part.AmbientB, &part.AmbientA};
    float* s[4] = {&part.SpecularR, &part.SpecularG, &part.SpecularB, &part.SpecularA};
    float* e[4] = {&part.EmissionR, &part.EmissionG, &part.EmissionB, &part.EmissionA};
    put(d, diffuse);
    put(a, ambient);
    put(s, specular);
    put(e, emission);
    part.AmbientA = part.SpecularA = part.EmissionA = 1;
    part.UseMaterial = any;

    aiString file;
    if (m.GetTexture(aiTextureType_BASE_COLOR, 0, &file) != AI_SUCCESS &&
        m.GetTexture(aiTextureType_DIFFUSE, 0, &file) != AI_SUCCESS)
      return;
    if (!hasTexCoords) {
      Warn("texture " + std::string(file.C_Str()) + ": the mesh has no texture coordinates; left untextured");
      return;
    }
    const int t = TextureFor(file.C_Str());
    if (t >= 0) Textures[t].Users.push_back(&part);
  }

  // The index of the texture's entry, decoding it the first time; -1 when it cannot be used.
  int TextureFor(const std::string& name) {
    for (size_t i = 0; i < Textures.size(); ++i)
      if (Textures[i].Name == name) return Textures[i].Bitmap ? static_cast<int>(i) : -1;
    Texture entry;
    entry.Name = name;
    entry.Bitmap = Decode(name);
    Textures.push_back(std::move(entry));
    return Textures.back().Bitmap ? static_cast<int>(Textures.size() - 1) : -1;
  }

  std::unique_ptr<TBitmap> Decode(const std::string& name) {
    std::unique_ptr<TBitmap> bitmap(new TBitmap);
    if (const aiTexture* tex = FScene->GetEmbeddedTexture(name.c_str())) {
      if (!tex->pcData) {
        Warn("texture " + name + ": embedded image holds no data");
        return nullptr;
      }
      if (tex->mHeight == 0) {
        const auto* bytes = reinterpret_cast<const uint8_t*>(tex->pcData);
        const size_t size = tex->mWidth;
        static const uint8_t kPng[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
        const bool png = size >= 8 && std::memcmp(bytes, kPng, 8) == 0;
        if (!png && !(size >= 2 && bytes[0] == 'B' && bytes[1] == 'M')) {
          Warn("texture " + name + ": embedded images other than PNG and BMP (JPEG among them) are not supported");
          return nullptr;
        }
        try {
          TPicture picture;
          picture.LoadFromBytes(bytes, size);
          bitmap->Assign(picture.Bitmap());
          return bitmap;
        } catch (const Exception&) {
          Warn("texture " + name + ": the embedded " + (png ? "PNG" : "BMP") + " image is not valid");
        }
        return nullptr;
      }
      if (tex->mWidth > 16384 || tex->mHeight > 16384) {
        Warn("texture " + name + ": the embedded image is too large");
        return nullptr;
      }
      const int w = static_cast<int>(tex->mWidth), h = static_cast<int>(tex->mHeight);
      bitmap->SetSize(w, h);
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
          const aiTexel& p = tex->pcData[static_cast<size_t>(y) * w + x];
          bitmap->SetPixel(x, y, p.r | (p.g << 8) | (p.b << 16));
        }
      return bitmap;
    }
    if (!name.empty() && name[0] == '*') {
      Warn("texture " + name + ": the model names an embedded image it does not hold");
      return nullptr;
    }
    // A file beside the model: its path as written, else its name alone in the model's folder.
    std::string path = name;
    std::replace(path.begin(), path.end(), '\\', '/');
    const std::string candidates[2] = {path[0] == '/' ? path : FFolder + path, FFolder + BaseName(path)};
    std::string reason = "the file was not found";
    for (const std::string& candidate : candidates) {
      FILE* f = std::fopen(candidate.c_str(), "rb");
      if (!f) continue;
      std::fclose(f);
      TPicture picture;
      try {
        picture.LoadFromFile(Text(candidate));
      } catch (const Exception& e) {
        reason = std::string("it is no BMP or PNG image the package reads (") + e.what() + ")";
        continue;
      }
      if (auto* b = dynamic_cast<TBitmap*>(picture.Graphic())) {
        bitmap->Assign(b);
        return bitmap;
      }
    }
    Warn("texture " + name + ": " + reason + "; left untextured");
    return nullptr;
  }

  void Warn(const std::string& line) {
    Warnings += line;
    Warnings += "\n";
  }

  const aiScene* FScene;
  std::string FFolder;
};

// Every face of every mesh names vertices its mesh has.
bool FacesValid(const aiScene* scene) {
  if (scene->mNumMeshes > 0 && !scene->mMeshes) return false;
  for (unsigned m = 0; m < scene->mNumMeshes; ++m) {
    const aiMesh* mesh = scene->mMeshes[m];
    if (!mesh) return false;
    if ((mesh->mNumVertices > 0 && !mesh->mVertices) || (mesh->mNumFaces > 0 && !mesh->mFaces)) return false;
    for (unsigned f = 0; f < mesh->mNumFaces; ++f) {
      const aiFace& face = mesh->mFaces[f];
      if (face.mNumIndices == 0 || !face.mIndices) return false;
      for (unsigned i = 0; i < face.mNumIndices; ++i)
        if (face.mIndices[i] >= mesh->mNumVertices) return false;
    }
  }
  return true;
}

// Triangles the scene's nodes draw, counting a mesh once per node that shows it.
long long CountTriangles(const aiScene* scene) {
  long long total = 0;
  std::vector<std::pair<const aiNode*, int>> open{{scene->mRootNode, 0}};
  while (!open.empty()) {
    auto [node, depth] = open.back();
    open.pop_back();
    for (unsigned i = 0; i < node->mNumMeshes; ++i) {
      const unsigned index = node->mMeshes[i];
      if (index < scene->mNumMeshes && scene->mMeshes[index]) total += scene->mMeshes[index]->mNumFaces;
    }
    // Deeper trees are refused later; the count need not walk them.
    if (depth < PART_MAX_GROUP_DEPTH && node->mChildren)
      for (unsigned i = 0; i < node->mNumChildren; ++i)
        if (node->mChildren[i]) open.push_back({node->mChildren[i], depth + 1});
  }
  return total;
}

}  // namespace

TPart* TOpenGl::ImportModel(AnsiString FileName, TPart* Parent) {
  FImportWarnings = AnsiString();
  FLoadError = AnsiString();
  auto fail = [this](const std::string& why) -> TPart* {
    FLoadError = Text(why);
    return nullptr;
  };
  if (Parent && !FRoot->Contains(Parent)) return fail("the part to import into is not in this viewport's scene");
  const std::string path = FileName.c_str();
  char line[160];
  // NOTE: assimp's binary PLY reader reads past a malformed header or a short body; both are refused first.
  const std::string plyProblem = PlyHeaderProblem(path);
  if (!plyProblem.empty()) return fail(plyProblem);
  const long long stated = StatedTriangleCount(path);
  if (stated > FImportTriangleBudget) {
    std::snprintf(line, sizeof(line), "the model has %lld triangles, more than the import budget of %lld", stated,
                  FImportTriangleBudget);
    return fail(line);
  }
  Assimp::Importer importer;
  // Points and lines are no triangles: the sort drops them.
  importer.SetPropertyInteger(AI_CONFIG_PP_SBP_REMOVE, aiPrimitiveType_POINT | aiPrimitiveType_LINE);
  const aiScene* scene = importer.ReadFile(path, 0);
  if (!scene || !scene->mRootNode || (scene->mFlags & AI_SCENE_FLAGS_INCOMPLETE)) {
    const char* why = importer.GetErrorString();
    return fail(std::string("the model could not be read: ") + (why && *why ? why : "unknown format or no geometry"));
  }
  // NOTE: some readers pass faces through unchecked, and the triangulation would read beyond the
  // vertices they name; the faces are checked here, more cheaply than assimp's whole validation step.
  if (!FacesValid(scene)) return fail("the model's faces name vertices it does not have");
  scene = importer.ApplyPostProcessing(aiProcess_Triangulate | aiProcess_SortByPType);
  if (!scene || !scene->mRootNode) {
    const char* why = importer.GetErrorString();
    return fail(std::string("the model could not be read: ") + (why && *why ? why : "no geometry"));
  }
  const long long total = CountTriangles(scene);
  if (total > FImportTriangleBudget) {
    std::snprintf(line, sizeof(line), "the model has %lld triangles, more than the import budget of %lld", total,
                  FImportTriangleBudget);
    return fail(line);
  }
  if (total == 0) return fail("the model holds no triangles");

  TModelBuilder builder(scene, path);
  std::string why;
  if (!builder.Build(Truncated(BaseName(path)), why)) return fail(why);
  importer.FreeScene();

  // Free slots are those without a picture; the textures beyond them are reported.
  std::vector<std::pair<int, TBitmap*>> slots;
  int slot = 0;
  for (auto& t : builder.Textures) {
    if (!t.Bitmap || t.Users.empty()) continue;
    while (slot < TEXTURE_SLOTS && FPictures[slot]->Graphic() && !FPictures[slot]->Graphic()->Empty()) ++slot;
    if (slot >= TEXTURE_SLOTS) {
      builder.Warnings += "texture " + t.Name + ": no free texture slot; left untextured\n";
      continue;
    }
    slots.push_back({slot, t.Bitmap.get()});
    for (TPart* p : t.Users) p->Texture = slot;
    ++slot;
  }
  TPart* top = builder.Top.release();
  if (!Paste(Parent, top)) {
    delete top;
    return fail("the model could not be put into the scene");
  }
  for (const auto& s : slots) {
    TPicture picture;
    picture.Bitmap()->Assign(s.second);
    SetPicture(s.first, &picture);
  }
  FImportWarnings = Text(builder.Warnings);
  return top;
}

void TOpenGl::SetImportTriangleBudget(long long Value) { FImportTriangleBudget = Value < 0 ? 0 : Value; }
