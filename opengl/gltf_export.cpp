// Writing the scene as glTF 2.0: groups as nodes, every kind's triangles as a mesh, materials as
// metallic-roughness, texture slots as embedded PNG images, lights and the camera.
#include <GL/gl.h>
#include <cairo.h>
#include <tiny_gltf.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "framework/core/safe_save.h"
#include "opengl/luce.h"
#include "opengl/opengl.h"
#include "parts/call.h"
#include "parts/mesh_data.h"

namespace {

const double kPi = 3.14159265358979323846;
// Call parts copy their targets' nodes: groups of calls to groups of calls grow without bound.
const size_t kMaxNodes = 1000000;

// The values of GL's default material, for parts that set none of their own.
const float kDefaultDiffuse[4] = {0.8f, 0.8f, 0.8f, 1.0f};

float Clamp01(float v) { return std::isfinite(v) ? std::min(1.0f, std::max(0.0f, v)) : 0.0f; }

bool Finite(const std::vector<float>& values) {
  for (float v : values)
    if (!std::isfinite(v)) return false;
  return true;
}

// x, y, z, w of the rotation taking unit vector a to unit vector b by the shortest arc.
std::vector<double> RotationBetween(const double a[3], const double b[3]) {
  const double c[3] = {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
  const double w = 1 + a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
  std::vector<double> q = {c[0], c[1], c[2], w};
  if (w < 1e-9) q = {1, 0, 0, 0};  // opposite: half a turn about x, which is perpendicular to -z
  const double len = std::sqrt(q[0] * q[0] + q[1] * q[1] + q[2] * q[2] + q[3] * q[3]);
  for (double& v : q) v /= len;
  return q;
}

// The quaternion of a rotation matrix given by its columns.
std::vector<double> RotationOfBasis(const double x[3], const double y[3], const double z[3]) {
  const double trace = x[0] + y[1] + z[2];
  std::vector<double> q(4);
  if (trace > 0) {
    const double s = std::sqrt(trace + 1.0) * 2;
    q = {(y[2] - z[1]) / s, (z[0] - x[2]) / s, (x[1] - y[0]) / s, 0.25 * s};
  } else if (x[0] > y[1] && x[0] > z[2]) {
    const double s = std::sqrt(1.0 + x[0] - y[1] - z[2]) * 2;
    q = {0.25 * s, (y[0] + x[1]) / s, (z[0] + x[2]) / s, (y[2] - z[1]) / s};
  } else if (y[1] > z[2]) {
    const double s = std::sqrt(1.0 + y[1] - x[0] - z[2]) * 2;
    q = {(y[0] + x[1]) / s, 0.25 * s, (z[1] + y[2]) / s, (z[0] - x[2]) / s};
  } else {
    const double s = std::sqrt(1.0 + z[2] - x[0] - y[1]) * 2;
    q = {(z[0] + x[2]) / s, (z[1] + y[2]) / s, 0.25 * s, (x[1] - y[0]) / s};
  }
  const double len = std::sqrt(q[0] * q[0] + q[1] * q[1] + q[2] * q[2] + q[3] * q[3]);
  for (double& v : q) v /= len;
  return q;
}

bool Normalize(double v[3]) {
  const double len = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
  if (!(len > 1e-12) || !std::isfinite(len)) return false;
  for (int i = 0; i < 3; ++i) v[i] /= len;
  return true;
}

cairo_status_t AppendPng(void* closure, const unsigned char* data, unsigned int length) {
  auto* out = static_cast<std::vector<unsigned char>*>(closure);
  out->insert(out->end(), data, data + length);
  return CAIRO_STATUS_SUCCESS;
}

// A bitmap as PNG bytes, top row first; empty when cairo cannot encode it.
std::vector<unsigned char> EncodePng(const TBitmap& bitmap) {
  std::vector<unsigned char> png;
  const int w = bitmap.Width(), h = bitmap.Height();
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, w, h);
  if (cairo_surface_status(surface) == CAIRO_STATUS_SUCCESS) {
    cairo_surface_flush(surface);
    unsigned char* data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    for (int y = 0; y < h; ++y) {
      auto* row = reinterpret_cast<uint32_t*>(data + static_cast<size_t>(y) * stride);
      for (int x = 0; x < w; ++x) {
        const TColor c = bitmap.Pixel(x, y);
        row[x] = 0xFF000000u | (static_cast<uint32_t>(c & 0xFF) << 16) | (static_cast<uint32_t>(c) & 0xFF00) |
                 ((static_cast<uint32_t>(c) >> 16) & 0xFF);
      }
    }
    cairo_surface_mark_dirty(surface);
    if (cairo_surface_write_to_png_stream(surface, AppendPng, &png) != CAIRO_STATUS_SUCCESS) png.clear();
  }
  cairo_surface_destroy(surface);
  return png;
}

// glTF takes GL's filter and wrap enums as they are, except GL 1.1's plain clamp, which becomes clamp to edge.
int SamplerFilter(int gl, bool minifying) {
  switch (gl) {
    case GL_NEAREST:
    case GL_LINEAR: return gl;
    case GL_NEAREST_MIPMAP_NEAREST:
    case GL_LINEAR_MIPMAP_NEAREST:
    case GL_NEAREST_MIPMAP_LINEAR:
    case GL_LINEAR_MIPMAP_LINEAR: return minifying ? gl : -1;
    default: return -1;
  }
}

int SamplerWrap(int gl) {
  switch (gl) {
    case GL_REPEAT: return TINYGLTF_TEXTURE_WRAP_REPEAT;
    case 0x2900:  // GL_CLAMP
    case 0x812F:  // GL_CLAMP_TO_EDGE
      return TINYGLTF_TEXTURE_WRAP_CLAMP_TO_EDGE;
    case 0x8370: return TINYGLTF_TEXTURE_WRAP_MIRRORED_REPEAT;
    default: return TINYGLTF_TEXTURE_WRAP_REPEAT;
  }
}

// A file name as a relative URI: unreserved bytes as they are, the rest percent-encoded.
std::string UriOf(const std::string& name) {
  static const char* hex = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : name) {
    if (std::isalnum(c) || c == '-' || c == '_' || c == '.' || c == '~') {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += hex[c >> 4];
      out += hex[c & 15];
    }
  }
  return out;
}

// Names as glTF's JSON needs them, in UTF-8: text that is not valid UTF-8 is taken as Latin-1, the scene
// file's own 8-bit text.
std::string Utf8(const char* text) {
  const std::string s = text ? text : "";
  bool valid = true;
  for (size_t i = 0; i < s.size() && valid;) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    const size_t n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
    valid = n > 0 && i + n <= s.size() && !(n == 2 && c < 0xC2) && !(n == 4 && c > 0xF4);
    for (size_t k = 1; valid && k < n; ++k) valid = (static_cast<unsigned char>(s[i + k]) >> 6) == 2;
    if (valid && n == 3) {
      const unsigned char d = static_cast<unsigned char>(s[i + 1]);
      valid = !(c == 0xE0 && d < 0xA0) && !(c == 0xED && d >= 0xA0);
    }
    if (valid && n == 4) {
      const unsigned char d = static_cast<unsigned char>(s[i + 1]);
      valid = !(c == 0xF0 && d < 0x90) && !(c == 0xF4 && d >= 0x90);
    }
    i += n;
  }
  if (valid) return s;
  std::string out;
  for (unsigned char c : s) {
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

class TGltfWriter {
public:
  explicit TGltfWriter(TOpenGl* gl) : FGl(gl) {
    FModel.asset.version = "2.0";
    FModel.asset.generator = "viewport3d";
    for (int& t : FTextures) t = -2;
  }

  bool Build(std::string& error) {
    if (ExpandedPartCount(FGl->Root(), kMaxNodes) > kMaxNodes) {
      error = "the scene holds more than " + std::to_string(kMaxNodes) + " nodes once its call parts are copied out";
      return false;
    }
    tinygltf::Scene scene;
    const int root = Node(FGl->Root());
    if (!FError.empty()) {
      error = FError;
      return false;
    }
    scene.nodes.push_back(root);
    Lights(scene);
    Camera(scene);
    FModel.scenes.push_back(scene);
    FModel.defaultScene = 0;
    if (!FData.empty()) {
      tinygltf::Buffer buffer;
      buffer.data.swap(FData);
      FModel.buffers.push_back(std::move(buffer));
    }
    return true;
  }

  tinygltf::Model& Model() { return FModel; }

private:
  // Appends bytes on a 4-byte boundary as a buffer view of their own.
  int View(const void* bytes, size_t size, int target) {
    while (FData.size() % 4) FData.push_back(0);
    tinygltf::BufferView view;
    view.buffer = 0;
    view.byteOffset = FData.size();
    view.byteLength = size;
    view.target = target;
    const auto* p = static_cast<const unsigned char*>(bytes);
    FData.insert(FData.end(), p, p + size);
    FModel.bufferViews.push_back(view);
    return static_cast<int>(FModel.bufferViews.size() - 1);
  }

  int FloatAccessor(const std::vector<float>& values, int components, int type, bool bounds) {
    tinygltf::Accessor a;
    a.bufferView = View(values.data(), values.size() * sizeof(float), TINYGLTF_TARGET_ARRAY_BUFFER);
    a.componentType = TINYGLTF_COMPONENT_TYPE_FLOAT;
    a.count = values.size() / components;
    a.type = type;
    if (bounds) {
      a.minValues.assign(components, 0);
      a.maxValues.assign(components, 0);
      for (size_t i = 0; i < values.size(); ++i) {
        const int c = static_cast<int>(i % components);
        if (i < static_cast<size_t>(components) || values[i] < a.minValues[c]) a.minValues[c] = values[i];
        if (i < static_cast<size_t>(components) || values[i] > a.maxValues[c]) a.maxValues[c] = values[i];
      }
    }
    FModel.accessors.push_back(a);
    return static_cast<int>(FModel.accessors.size() - 1);
  }

  // The part's triangles as a mesh of one primitive, made once per part (call parts share it); -1 for none.
  int MeshFor(TPart* part) {
    auto known = FMeshes.find(part);
    if (known != FMeshes.end()) return known->second;
    int& index = FMeshes[part];
    index = -1;
    TMeshData m;
    if (!part->Tessellate(m) || m.Empty()) return index;
    const size_t n = m.VertexCount();
    if (n == 0 || !Finite(m.Positions) || !Finite(m.TexCoords) || !Finite(m.Colors)) return index;
    for (uint32_t i : m.Indices)
      if (i >= n) return index;
    const int texture = TextureFor(part->Texture);
    tinygltf::Primitive prim;
    prim.mode = TINYGLTF_MODE_TRIANGLES;
    prim.attributes["POSITION"] = FloatAccessor(m.Positions, 3, TINYGLTF_TYPE_VEC3, true);
    if (m.Normals.size() == n * 3) {
      // GL normalises what it is given; glTF wants unit normals.
      std::vector<float> normals(m.Normals);
      for (size_t i = 0; i < n; ++i) {
        double v[3] = {normals[i * 3], normals[i * 3 + 1], normals[i * 3 + 2]};
        if (!Normalize(v)) v[0] = 0, v[1] = 0, v[2] = 1;
        for (int k = 0; k < 3; ++k) normals[i * 3 + k] = static_cast<float>(v[k]);
      }
      prim.attributes["NORMAL"] = FloatAccessor(normals, 3, TINYGLTF_TYPE_VEC3, false);
    }
    // Texture coordinates only where a texture uses them. GL's t runs up from the image's last row,
    // glTF's v down from its first.
    std::vector<float> uv;
    if (texture < 0) {
    } else if (m.TexCoords.size() == n * 2) {
      uv = m.TexCoords;
    } else {
      // A kind without coordinates of its own is textured by the generated ones a polygon switches on:
      // its object x and y.
      for (size_t i = 0; i < n; ++i) uv.insert(uv.end(), {m.Positions[i * 3], m.Positions[i * 3 + 1]});
    }
    for (size_t i = 1; i < uv.size(); i += 2) uv[i] = 1 - uv[i];
    if (!uv.empty()) prim.attributes["TEXCOORD_0"] = FloatAccessor(uv, 2, TINYGLTF_TYPE_VEC2, false);
    if (m.Colors.size() == n * 4) {
      std::vector<float> colors(m.Colors);
      for (float& c : colors) c = Clamp01(c);
      prim.attributes["COLOR_0"] = FloatAccessor(colors, 4, TINYGLTF_TYPE_VEC4, false);
    }
    tinygltf::Accessor indices;
    indices.bufferView = View(m.Indices.data(), m.Indices.size() * sizeof(uint32_t), TINYGLTF_TARGET_ELEMENT_ARRAY_BUFFER);
    indices.componentType = TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT;
    indices.count = m.Indices.size();
    indices.type = TINYGLTF_TYPE_SCALAR;
    FModel.accessors.push_back(indices);
    prim.indices = static_cast<int>(FModel.accessors.size() - 1);
    prim.material = MaterialFor(part, texture);
    tinygltf::Mesh mesh;
    mesh.name = Utf8(part->Name.c_str());
    mesh.primitives.push_back(prim);
    FModel.meshes.push_back(mesh);
    index = static_cast<int>(FModel.meshes.size() - 1);
    return index;
  }

  // GL's material as metallic-roughness: the diffuse colour is the base colour, the emission stays,
  // nothing is metal, and roughness falls as the shininess (0..128) rises.
  int MaterialFor(TPart* part, int texture) {
    std::vector<float> key;
    if (part->UseMaterial)
      key = {part->DiffuseR, part->DiffuseG, part->DiffuseB, part->DiffuseA, part->EmissionR, part->EmissionG,
             part->EmissionB, part->Shininess};
    else
      key = {kDefaultDiffuse[0], kDefaultDiffuse[1], kDefaultDiffuse[2], kDefaultDiffuse[3], 0, 0, 0, 0};
    for (float& v : key) v = std::isfinite(v) ? v : 0;
    key.push_back(static_cast<float>(texture));
    auto known = FMaterials.find(key);
    if (known != FMaterials.end()) return known->second;
    tinygltf::Material mat;
    mat.name = part->UseMaterial ? Utf8(part->Name.c_str()) : std::string("default");
    mat.pbrMetallicRoughness.baseColorFactor = {Clamp01(key[0]), Clamp01(key[1]), Clamp01(key[2]), Clamp01(key[3])};
    mat.pbrMetallicRoughness.metallicFactor = 0;
    mat.pbrMetallicRoughness.roughnessFactor = Clamp01(1 - key[7] / 128);
    mat.emissiveFactor = {Clamp01(key[4]), Clamp01(key[5]), Clamp01(key[6])};
    mat.alphaMode = key[3] < 1 ? "BLEND" : "OPAQUE";
    // The viewport culls no faces: both sides show.
    mat.doubleSided = true;
    if (texture >= 0) {
      mat.pbrMetallicRoughness.baseColorTexture.index = texture;
      mat.pbrMetallicRoughness.baseColorTexture.texCoord = 0;
    }
    FModel.materials.push_back(mat);
    const int index = static_cast<int>(FModel.materials.size() - 1);
    FMaterials[key] = index;
    return index;
  }

  // The slot's picture as an embedded PNG with a sampler of the slot's filters and wraps; -1 for a slot
  // outside the range or without a picture.
  int TextureFor(int slot) {
    if (slot < 0 || slot >= TEXTURE_SLOTS) return -1;
    if (FTextures[slot] != -2) return FTextures[slot];
    FTextures[slot] = -1;
    TPicture* picture = FGl->GetPicture(slot);
    TGraphic* graphic = picture ? picture->Graphic() : nullptr;
    auto* bitmap = dynamic_cast<TBitmap*>(graphic);
    if (!bitmap || bitmap->Empty()) return -1;
    const std::vector<unsigned char> png = EncodePng(*bitmap);
    if (png.empty()) return -1;
    tinygltf::Image image;
    image.name = "slot " + std::to_string(slot);
    image.mimeType = "image/png";
    image.bufferView = View(png.data(), png.size(), 0);
    FModel.images.push_back(image);
    tinygltf::Sampler sampler;
    sampler.minFilter = SamplerFilter(FGl->GetTextureMinFilter(slot), true);
    sampler.magFilter = SamplerFilter(FGl->GetTextureMagFilter(slot), false);
    sampler.wrapS = SamplerWrap(FGl->GetTextureWrapS(slot));
    sampler.wrapT = SamplerWrap(FGl->GetTextureWrapT(slot));
    FModel.samplers.push_back(sampler);
    tinygltf::Texture texture;
    texture.source = static_cast<int>(FModel.images.size() - 1);
    texture.sampler = static_cast<int>(FModel.samplers.size() - 1);
    FModel.textures.push_back(texture);
    FTextures[slot] = static_cast<int>(FModel.textures.size() - 1);
    return FTextures[slot];
  }

  // The part's placement as translation, rotation and scale: GL's translate, rotate, scale is glTF's T * R * S.
  bool Place(TPart* part, tinygltf::Node& node) {
    const float values[10] = {part->PX, part->PY, part->PZ, part->SX, part->SY, part->SZ,
                              part->RX, part->RY, part->RZ, part->RotationAngle};
    for (float v : values)
      if (!std::isfinite(v)) {
        FError = "the placement of " + Utf8(TOpenGl::PartPath(part).c_str()) + " is not a finite number";
        return false;
      }
    if (part->PX != 0 || part->PY != 0 || part->PZ != 0) node.translation = {part->PX, part->PY, part->PZ};
    if (part->SX != 1 || part->SY != 1 || part->SZ != 1) node.scale = {part->SX, part->SY, part->SZ};
    double axis[3] = {part->RX, part->RY, part->RZ};
    // As for GL, a rotation about a (near) zero axis turns nothing.
    const double len = std::sqrt(axis[0] * axis[0] + axis[1] * axis[1] + axis[2] * axis[2]);
    const double half = part->RotationAngle * kPi / 360.0;
    if (len > 1e-4 && std::sin(half) != 0) {
      for (double& a : axis) a /= len;
      node.rotation = {axis[0] * std::sin(half), axis[1] * std::sin(half), axis[2] * std::sin(half), std::cos(half)};
    }
    return true;
  }

  // A part and what it draws as a node; a group's children follow it, a call part holds a copy of its
  // target's nodes (sharing their meshes).
  int Node(TPart* part) {
    tinygltf::Node node;
    node.name = Utf8(part->Name.c_str());
    std::vector<int> children;
    if (auto* call = dynamic_cast<TPartCall*>(part)) {
      // A call part draws its target from the target's own frame, without a placement of its own.
      TPart* target = call->ListByHand() ? nullptr : call->CallTarget();
      if (target && !FCalls.count(call)) {
        FCalls.insert(call);
        children.push_back(Node(target));
        FCalls.erase(call);
      }
    } else {
      if (!Place(part, node)) return -1;
      if (auto* group = dynamic_cast<TPartGroup*>(part)) {
        for (int i = 0; i < group->Count() && FError.empty(); ++i) children.push_back(Node(group->Part(i)));
      } else {
        node.mesh = MeshFor(part);
      }
    }
    if (!FError.empty()) return -1;
    node.children = children;
    FModel.nodes.push_back(node);
    return static_cast<int>(FModel.nodes.size() - 1);
  }

  // Enabled lights as KHR_lights_punctual: w = 0 shines from a direction, a cutoff of 180 is a point light, one
  // up to 90 degrees a spot. Other lights have no counterpart and stay out.
  void Lights(tinygltf::Scene& scene) {
    for (int i = 0; i < LIGHT_SLOTS; ++i) {
      TLuce* l = FGl->GetLight(i);
      if (!l || !l->Enabled) continue;
      tinygltf::Light light;
      tinygltf::Node node;
      light.name = node.name = "Light " + std::to_string(i);
      light.color = {Clamp01(l->DiffuseR), Clamp01(l->DiffuseG), Clamp01(l->DiffuseB)};
      const double down[3] = {0, 0, -1};
      if (l->PositionW == 0) {
        double to[3] = {-l->PositionX, -l->PositionY, -l->PositionZ};
        if (!Normalize(to)) continue;
        light.type = "directional";
        node.rotation = RotationBetween(down, to);
      } else {
        const double w = l->PositionW;
        node.translation = {l->PositionX / w, l->PositionY / w, l->PositionZ / w};
        if (l->SpotCutoff == 180) {
          light.type = "point";
        } else if (l->SpotCutoff > 0 && l->SpotCutoff <= 90) {
          double dir[3] = {l->SpotDirX, l->SpotDirY, l->SpotDirZ};
          if (!Normalize(dir)) continue;
          light.type = "spot";
          light.spot.innerConeAngle = 0;
          light.spot.outerConeAngle = l->SpotCutoff * kPi / 180.0;
          node.rotation = RotationBetween(down, dir);
        } else {
          continue;
        }
        bool finite = true;
        for (double v : node.translation) finite = finite && std::isfinite(v);
        if (!finite) continue;
      }
      FModel.lights.push_back(light);
      tinygltf::Value::Object ref;
      ref["light"] = tinygltf::Value(static_cast<int>(FModel.lights.size() - 1));
      node.extensions["KHR_lights_punctual"] = tinygltf::Value(ref);
      FModel.nodes.push_back(node);
      scene.nodes.push_back(static_cast<int>(FModel.nodes.size() - 1));
    }
  }

  // The viewport's camera at its eye, looking at its target; left out when its planes make no camera.
  void Camera(tinygltf::Scene& scene) {
    tinygltf::Camera camera;
    camera.name = "Camera";
    const double nearPlane = FGl->ProjectionNear(), farPlane = FGl->ProjectionFar();
    if (FGl->ProjectionOrtho()) {
      const double xmag = FGl->ProjectionWidth() * 0.5, ymag = FGl->ProjectionHeight() * 0.5;
      if (!(nearPlane >= 0 && farPlane > nearPlane && xmag != 0 && ymag != 0 && std::isfinite(farPlane) &&
            std::isfinite(xmag) && std::isfinite(ymag)))
        return;
      camera.type = "orthographic";
      camera.orthographic.xmag = xmag;
      camera.orthographic.ymag = ymag;
      camera.orthographic.znear = nearPlane;
      camera.orthographic.zfar = farPlane;
    } else {
      const double yfov = FGl->ProjectionYAngle() * kPi / 180.0;
      if (!(yfov > 0 && yfov < kPi && nearPlane > 0 && farPlane > nearPlane && std::isfinite(farPlane))) return;
      camera.type = "perspective";
      camera.perspective.yfov = yfov;
      camera.perspective.znear = nearPlane;
      camera.perspective.zfar = farPlane;
      if (FGl->Width() > 0 && FGl->Height() > 0)
        camera.perspective.aspectRatio = static_cast<double>(FGl->Width()) / FGl->Height();
    }
    const double eye[3] = {FGl->EyePosition()->GetX(), FGl->EyePosition()->GetY(), FGl->EyePosition()->GetZ()};
    double f[3] = {FGl->EyeTarget()->GetX() - eye[0], FGl->EyeTarget()->GetY() - eye[1],
                   FGl->EyeTarget()->GetZ() - eye[2]};
    double up[3] = {FGl->EyeUp()->GetX(), FGl->EyeUp()->GetY(), FGl->EyeUp()->GetZ()};
    if (!(std::isfinite(eye[0]) && std::isfinite(eye[1]) && std::isfinite(eye[2]))) return;
    tinygltf::Node node;
    node.name = "Camera";
    node.translation = {eye[0], eye[1], eye[2]};
    // gluLookAt's frame: x = forward x up, y = x x forward, looking down -z.
    double s[3] = {f[1] * up[2] - f[2] * up[1], f[2] * up[0] - f[0] * up[2], f[0] * up[1] - f[1] * up[0]};
    if (Normalize(f) && Normalize(s)) {
      const double u[3] = {s[1] * f[2] - s[2] * f[1], s[2] * f[0] - s[0] * f[2], s[0] * f[1] - s[1] * f[0]};
      const double back[3] = {-f[0], -f[1], -f[2]};
      node.rotation = RotationOfBasis(s, u, back);
    }
    FModel.cameras.push_back(camera);
    node.camera = static_cast<int>(FModel.cameras.size() - 1);
    FModel.nodes.push_back(node);
    scene.nodes.push_back(static_cast<int>(FModel.nodes.size() - 1));
  }

  TOpenGl* FGl;
  tinygltf::Model FModel;
  std::vector<unsigned char> FData;
  std::map<TPart*, int> FMeshes;
  std::map<std::vector<float>, int> FMaterials;
  int FTextures[TEXTURE_SLOTS];
  std::set<const TPartCall*> FCalls;
  std::string FError;
};

// Writes bytes through a safe save: the old file survives a failed write.
bool WriteFile(const std::string& name, const char* bytes, size_t size, AnsiString& error) {
  try {
    TSafeSave save(name.c_str());
    // The stream takes at most 2 GB a call.
    size_t at = 0;
    while (at < size) {
      const int32_t chunk = static_cast<int32_t>(std::min<size_t>(size - at, 1u << 30));
      if (save.Stream()->Write(bytes + at, chunk) != chunk) break;
      at += static_cast<size_t>(chunk);
    }
    // A short write is never committed: the old file stays.
    if (at == size && save.Commit()) return true;
    error = at == size ? save.Error() : save.WriteFailure();
    if (error.IsEmpty()) error = ("could not write " + name).c_str();
  } catch (const Exception& e) {
    error = e.what();
  } catch (const std::exception& e) {
    error = (std::string("could not write ") + name + ": " + e.what()).c_str();
  }
  return false;
}

}  // namespace

bool TOpenGl::ExportGltf(AnsiString FileName) {
  FSaveError = AnsiString();
  const std::string name = FileName.c_str();
  const size_t dot = name.find_last_of('.');
  const size_t slash = name.find_last_of('/');
  const std::string ext = dot == std::string::npos || (slash != std::string::npos && dot < slash) ? "" : Lower(name.substr(dot));
  if (ext != ".gltf" && ext != ".glb") {
    FSaveError = ("cannot tell the format of " + name + ": glTF files end in .gltf or .glb").c_str();
    return false;
  }
  const bool binary = ext == ".glb";
  try {
    TGltfWriter writer(this);
    std::string error;
    if (!writer.Build(error)) {
      FSaveError = error.c_str();
      return false;
    }
    tinygltf::Model& model = writer.Model();
    std::vector<unsigned char> data;
    std::string binName, binUri;
    if (!binary && !model.buffers.empty()) {
      // The buffer goes beside the .gltf file; tinygltf's stream writer would embed it, so it is named here.
      data.swap(model.buffers[0].data);
      model.buffers.clear();
      binName = name.substr(0, dot) + ".bin";
      binUri = UriOf(binName.substr(slash == std::string::npos ? 0 : slash + 1));
    }
    // A .glb counts its length in 32 bits.
    if (binary && !model.buffers.empty() && model.buffers[0].data.size() > 0xFFFFFFFFull - (64ull << 20)) {
      FSaveError = "the scene's data is too large for a .glb file (4 GB); write .gltf instead";
      return false;
    }
    tinygltf::TinyGLTF gltf;
    std::ostringstream out;
    if (!gltf.WriteGltfSceneToStream(&model, out, !binary, binary)) {
      FSaveError = "the glTF document could not be made";
      return false;
    }
    std::string text = out.str();
    if (!binName.empty()) {
      const size_t open = text.find('{');
      if (open == std::string::npos) {
        FSaveError = "the glTF document could not be made";
        return false;
      }
      text.insert(open + 1, "\n  \"buffers\": [{\"byteLength\": " + std::to_string(data.size()) + ", \"uri\": \"" +
                                binUri + "\"}],");
      AnsiString why;
      if (!WriteFile(binName, reinterpret_cast<const char*>(data.data()), data.size(), why)) {
        FSaveError = why;
        return false;
      }
    }
    AnsiString why;
    if (!WriteFile(name, text.data(), text.size(), why)) {
      FSaveError = why;
      return false;
    }
  } catch (const std::exception& e) {
    FSaveError = (std::string("the glTF document could not be made: ") + e.what()).c_str();
    return false;
  }
  return true;
}
