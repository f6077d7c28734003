// Model import: models each test writes itself (OBJ with its MTL and texture, ASCII and binary STL,
// PLY, glTF with a hierarchy and an embedded image) become groups and mesh parts with their
// placements, materials and textures; bad models and budgets leave the scene as it was.
#include <gtest/gtest.h>

#include <GL/gl.h>
#include <GL/glu.h>
#include <cairo.h>

#include <unistd.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "opengl/model_import.h"
#include "opengl/opengl.h"
#include "parts/mesh.h"
#include "parts/parts.h"
#include "support/document_bytes.h"
#include "support/viewport_fixture.h"

namespace {

using Bytes = std::vector<uint8_t>;

std::string Dir() {
  static const std::string dir = [] {
    std::string d = std::string(::testing::TempDir()) + "import_test_" + std::to_string(getpid()) + "/";
    std::string cmd = "mkdir -p " + d;
    EXPECT_EQ(std::system(cmd.c_str()), 0);
    return d;
  }();
  return dir;
}

// Removes the models the tests wrote.
struct ModelFiles : ::testing::Environment {
  void TearDown() override { EXPECT_EQ(std::system(("rm -rf " + Dir()).c_str()), 0); }
};
::testing::Environment* const files = ::testing::AddGlobalTestEnvironment(new ModelFiles);

std::string Write(const std::string& name, const std::string& text) {
  const std::string path = Dir() + name;
  std::ofstream(path, std::ios::binary) << text;
  return path;
}

std::string WriteBytes(const std::string& name, const Bytes& b) {
  const std::string path = Dir() + name;
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
  return path;
}

// The cube -1..1 as eight corners and six outward quads (1-based, as OBJ counts).
const float kCorners[8][3] = {{-1, -1, -1}, {1, -1, -1}, {1, 1, -1}, {-1, 1, -1},
                              {-1, -1, 1},  {1, -1, 1},  {1, 1, 1},  {-1, 1, 1}};
const int kQuads[6][4] = {{1, 4, 3, 2}, {5, 6, 7, 8}, {1, 2, 6, 5}, {4, 8, 7, 3}, {1, 5, 8, 4}, {2, 3, 7, 6}};

std::string ObjCube(const std::string& material, const std::string& texture) {
  std::string obj = "# a cube\nmtllib cube.mtl\no Box\n";
  for (const auto& c : kCorners) obj += "v " + std::to_string(c[0]) + " " + std::to_string(c[1]) + " " + std::to_string(c[2]) + "\n";
  obj += "vt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\nusemtl " + material + "\n";
  for (const auto& q : kQuads) {
    obj += "f";
    for (int k = 0; k < 4; ++k) obj += " " + std::to_string(q[k]) + "/" + std::to_string(k + 1);
    obj += "\n";
  }
  Write("cube.mtl", "newmtl paint\nKa 0.1 0.1 0.1\nKd 1 1 1\nKs 0.5 0.5 0.5\nNs 32\nmap_Kd " + texture +
                        "\n\nnewmtl red\nKa 0.3 0 0\nKd 1 0 0\nKs 0 0 0\nKe 0 0 0.25\nNs 500\n");
  return obj;
}

// The cube's twelve triangles, corner by corner.
std::vector<std::array<const float*, 3>> CubeTriangles() {
  std::vector<std::array<const float*, 3>> t;
  for (const auto& q : kQuads) {
    t.push_back({kCorners[q[0] - 1], kCorners[q[1] - 1], kCorners[q[2] - 1]});
    t.push_back({kCorners[q[0] - 1], kCorners[q[2] - 1], kCorners[q[3] - 1]});
  }
  return t;
}

std::string AsciiStl() {
  std::string s = "solid cube\n";
  for (const auto& t : CubeTriangles()) {
    s += " facet normal 0 0 0\n  outer loop\n";
    for (const float* p : t)
      s += "   vertex " + std::to_string(p[0]) + " " + std::to_string(p[1]) + " " + std::to_string(p[2]) + "\n";
    s += "  endloop\n endfacet\n";
  }
  return s + "endsolid cube\n";
}

void Put(Bytes& b, const void* p, size_t n) { b.insert(b.end(), static_cast<const uint8_t*>(p), static_cast<const uint8_t*>(p) + n); }
void PutU32(Bytes& b, uint32_t v) { Put(b, &v, 4); }
void PutF(Bytes& b, float v) { Put(b, &v, 4); }

Bytes BinaryStl(uint32_t statedCount) {
  Bytes b(80, ' ');
  PutU32(b, statedCount);
  for (const auto& t : CubeTriangles()) {
    for (int k = 0; k < 3; ++k) PutF(b, 0);
    for (const float* p : t)
      for (int k = 0; k < 3; ++k) PutF(b, p[k]);
    b.push_back(0);
    b.push_back(0);
  }
  return b;
}

// A UV sphere of radius 1 with shared vertices: slices * (stacks - 1) * 2 triangles.
Bytes BinaryPly(int slices, int stacks) {
  std::vector<float> v;
  v.insert(v.end(), {0, 1, 0});
  for (int j = 1; j < stacks; ++j)
    for (int i = 0; i < slices; ++i) {
      const double th = M_PI * j / stacks, ph = 2 * M_PI * i / slices;
      v.insert(v.end(), {float(std::sin(th) * std::cos(ph)), float(std::cos(th)), float(std::sin(th) * std::sin(ph))});
    }
  v.insert(v.end(), {0, -1, 0});
  const int last = static_cast<int>(v.size() / 3) - 1;
  auto ring = [slices](int j, int i) { return 1 + (j - 1) * slices + (i % slices); };
  std::vector<std::array<int, 3>> f;
  for (int i = 0; i < slices; ++i) f.push_back({0, ring(1, i + 1), ring(1, i)});
  for (int j = 1; j < stacks - 1; ++j)
    for (int i = 0; i < slices; ++i) {
      f.push_back({ring(j, i), ring(j, i + 1), ring(j + 1, i + 1)});
      f.push_back({ring(j, i), ring(j + 1, i + 1), ring(j + 1, i)});
    }
  for (int i = 0; i < slices; ++i) f.push_back({last, ring(stacks - 1, i), ring(stacks - 1, i + 1)});
  std::string head = "ply\nformat binary_little_endian 1.0\nelement vertex " + std::to_string(v.size() / 3) +
                     "\nproperty float x\nproperty float y\nproperty float z\nelement face " + std::to_string(f.size()) +
                     "\nproperty list uchar int vertex_indices\nend_header\n";
  Bytes b(head.begin(), head.end());
  for (float x : v) PutF(b, x);
  for (const auto& t : f) {
    b.push_back(3);
    for (int k : t) Put(b, &k, 4);
  }
  return b;
}

std::string Base64(const Bytes& in) {
  static const char* abc = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  for (size_t i = 0; i < in.size(); i += 3) {
    uint32_t n = uint32_t(in[i]) << 16;
    if (i + 1 < in.size()) n |= uint32_t(in[i + 1]) << 8;
    if (i + 2 < in.size()) n |= in[i + 2];
    out += abc[(n >> 18) & 63];
    out += abc[(n >> 12) & 63];
    out += i + 1 < in.size() ? abc[(n >> 6) & 63] : '=';
    out += i + 2 < in.size() ? abc[n & 63] : '=';
  }
  return out;
}

cairo_status_t AppendPng(void* closure, const unsigned char* data, unsigned int length) {
  static_cast<Bytes*>(closure)->insert(static_cast<Bytes*>(closure)->end(), data, data + length);
  return CAIRO_STATUS_SUCCESS;
}

// A 4 x 4 PNG of one colour (0xRRGGBB).
Bytes Png(uint32_t rgb) {
  cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 4, 4);
  cairo_t* cr = cairo_create(s);
  cairo_set_source_rgb(cr, ((rgb >> 16) & 255) / 255.0, ((rgb >> 8) & 255) / 255.0, (rgb & 255) / 255.0);
  cairo_paint(cr);
  cairo_destroy(cr);
  Bytes out;
  cairo_surface_write_to_png_stream(s, AppendPng, &out);
  cairo_surface_destroy(s);
  return out;
}

// A glTF with one square (two triangles, texture coordinates) shown by three nodes under a top node:
// "sheared" (a matrix with shear: baked), "placed" (translation, a quarter turn about z, scale 2) and
// "mirrored" (scale -1 in x). The material's base colour is an embedded PNG.
std::string Gltf(uint32_t textureRgb) {
  Bytes bin;
  const float pos[4][3] = {{-1, -1, 0}, {1, -1, 0}, {1, 1, 0}, {-1, 1, 0}};
  const float uv[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
  for (const auto& p : pos)
    for (float x : p) PutF(bin, x);
  for (const auto& t : uv)
    for (float x : t) PutF(bin, x);
  const uint16_t idx[6] = {0, 1, 2, 0, 2, 3};
  Put(bin, idx, sizeof(idx));
  const std::string buffer = "data:application/octet-stream;base64," + Base64(bin);
  const std::string image = "data:image/png;base64," + Base64(Png(textureRgb));
  return R"({"asset":{"version":"2.0"},"scene":0,"scenes":[{"nodes":[0]}],
"nodes":[{"name":"top","children":[1,2,3]},
{"name":"sheared","mesh":0,"matrix":[1,0,0,0, 0.5,1,0,0, 0,0,1,0, 0,0,0,1]},
{"name":"placed","mesh":0,"translation":[3,0,0],"rotation":[0,0,0.70710678,0.70710678],"scale":[2,2,2]},
{"name":"mirrored","mesh":0,"translation":[-3,0,0],"scale":[-1,1,1]}],
"meshes":[{"name":"square","primitives":[{"attributes":{"POSITION":0,"TEXCOORD_0":1},"indices":2,"material":0}]}],
"materials":[{"name":"tiles","pbrMetallicRoughness":{"baseColorFactor":[1,1,1,1],"baseColorTexture":{"index":0}}}],
"textures":[{"source":0}],"images":[{"uri":")" +
         image + R"("}],
"accessors":[{"bufferView":0,"componentType":5126,"count":4,"type":"VEC3","min":[-1,-1,0],"max":[1,1,0]},
{"bufferView":1,"componentType":5126,"count":4,"type":"VEC2"},
{"bufferView":2,"componentType":5123,"count":6,"type":"SCALAR"}],
"bufferViews":[{"buffer":0,"byteOffset":0,"byteLength":48},{"buffer":0,"byteOffset":48,"byteLength":32},
{"buffer":0,"byteOffset":80,"byteLength":12}],
"buffers":[{"byteLength":92,"uri":")" +
         buffer + R"("}]})";
}

// The same square as a binary glTF: one top node showing it, its PNG image inside the binary chunk.
Bytes Glb(uint32_t textureRgb) {
  Bytes bin;
  const float pos[4][3] = {{-1, -1, 0}, {1, -1, 0}, {1, 1, 0}, {-1, 1, 0}};
  const float uv[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
  for (const auto& p : pos)
    for (float x : p) PutF(bin, x);
  for (const auto& t : uv)
    for (float x : t) PutF(bin, x);
  const uint16_t idx[6] = {0, 1, 2, 0, 2, 3};
  Put(bin, idx, sizeof(idx));
  const Bytes png = Png(textureRgb);
  Put(bin, png.data(), png.size());
  while (bin.size() % 4) bin.push_back(0);
  std::string json = R"({"asset":{"version":"2.0"},"scene":0,"scenes":[{"nodes":[0]}],
"nodes":[{"name":"tile","mesh":0}],
"meshes":[{"primitives":[{"attributes":{"POSITION":0,"TEXCOORD_0":1},"indices":2,"material":0}]}],
"materials":[{"pbrMetallicRoughness":{"baseColorTexture":{"index":0}}}],
"textures":[{"source":0}],"images":[{"bufferView":3,"mimeType":"image/png"}],
"accessors":[{"bufferView":0,"componentType":5126,"count":4,"type":"VEC3","min":[-1,-1,0],"max":[1,1,0]},
{"bufferView":1,"componentType":5126,"count":4,"type":"VEC2"},
{"bufferView":2,"componentType":5123,"count":6,"type":"SCALAR"}],
"bufferViews":[{"buffer":0,"byteOffset":0,"byteLength":48},{"buffer":0,"byteOffset":48,"byteLength":32},
{"buffer":0,"byteOffset":80,"byteLength":12},{"buffer":0,"byteOffset":92,"byteLength":)" +
                     std::to_string(png.size()) + R"(}],
"buffers":[{"byteLength":)" + std::to_string(bin.size()) + "}]}";
  while (json.size() % 4) json += ' ';
  Bytes out;
  Put(out, "glTF", 4);
  PutU32(out, 2);
  PutU32(out, static_cast<uint32_t>(12 + 8 + json.size() + 8 + bin.size()));
  PutU32(out, static_cast<uint32_t>(json.size()));
  Put(out, "JSON", 4);
  Put(out, json.data(), json.size());
  PutU32(out, static_cast<uint32_t>(bin.size()));
  Put(out, "BIN\0", 4);
  Put(out, bin.data(), bin.size());
  return out;
}

using document_bytes::Save;

TPartMesh* FirstMesh(TPart* p) {
  if (auto* m = dynamic_cast<TPartMesh*>(p)) return m;
  if (auto* g = dynamic_cast<TPartGroup*>(p))
    for (int i = 0; i < g->Count(); ++i)
      if (TPartMesh* m = FirstMesh(g->Part(i))) return m;
  return nullptr;
}

struct Import : ::testing::Test {
  TOpenGl* gl = nullptr;
  void SetUp() override {
    gl = MakeLoadedViewport<TOpenGl>(160, 120);
    gl->SetHeadlight(true);
  }
  void TearDown() override { delete gl; }
  // The pixel at the centre of the view after a rebuild and a paint.
  Rgba Centre() {
    Step(40);
    const Pixels p = ReadPixels(gl->Handle());
    return p.At(p.width / 2, p.height / 2);
  }
  void ExpectBox(const TBounds& b, float lo, float hi) {
    ASSERT_FALSE(b.Empty);
    for (int k = 0; k < 3; ++k) {
      EXPECT_NEAR(b.Min[k], lo, 1e-4f) << k;
      EXPECT_NEAR(b.Max[k], hi, 1e-4f) << k;
    }
  }
};

}  // namespace

TEST_F(Import, ObjWithMaterialAndTextureBecomesATexturedMeshInAFreeSlot) {
  TBitmap green;
  green.SetSize(4, 4);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) green.SetPixel(x, y, 0x00FF00);
  green.SaveToFile((Dir() + "tex.bmp").c_str());
  // Slot 0 holds a picture already: the model's texture goes to slot 1.
  TPicture taken;
  taken.Bitmap()->Assign(&green);
  gl->SetPicture(0, &taken);
  TPart* parent = gl->AddGroup(nullptr, "models");
  TPart* top = gl->ImportModel(Write("cube.obj", ObjCube("paint", "tex.bmp")).c_str(), parent);
  ASSERT_NE(top, nullptr) << gl->LoadError().c_str();
  EXPECT_TRUE(gl->LoadError().IsEmpty());
  EXPECT_EQ(top->Holder(), parent);
  EXPECT_EQ(top->Name, AnsiString("cube.obj"));
  TPartMesh* mesh = FirstMesh(top);
  ASSERT_NE(mesh, nullptr);
  EXPECT_EQ(mesh->TriangleCount(), 12);
  EXPECT_EQ(mesh->VertexCount(), 24) << "flat faces: each corner once per face";
  EXPECT_TRUE(mesh->HasTexCoords());
  EXPECT_TRUE(mesh->UseMaterial);
  EXPECT_FLOAT_EQ(mesh->DiffuseG, 1);
  EXPECT_FLOAT_EQ(mesh->SpecularR, 0.5f);
  EXPECT_EQ(mesh->Texture, 1);
  ASSERT_NE(gl->GetPicture(1)->Graphic(), nullptr);
  EXPECT_EQ(gl->GetPicture(1)->Bitmap()->Pixel(1, 1), 0x00FF00u);
  ExpectBox(gl->PartBounds(top), -1, 1);
  const Rgba c = Centre();
  EXPECT_GT(c.g, 100);
  EXPECT_LT(c.r + c.b, 60);

  // Another material: red, emission and shininess (clamped to GL's 128), no texture.
  TPart* red = gl->ImportModel(Write("red.obj", ObjCube("red", "tex.bmp")).c_str(), nullptr);
  ASSERT_NE(red, nullptr) << gl->LoadError().c_str();
  EXPECT_EQ(red->Holder(), gl->Root());
  TPartMesh* redMesh = FirstMesh(red);
  EXPECT_FLOAT_EQ(redMesh->DiffuseR, 1);
  EXPECT_FLOAT_EQ(redMesh->DiffuseG, 0);
  EXPECT_FLOAT_EQ(redMesh->AmbientR, 0.3f);
  EXPECT_FLOAT_EQ(redMesh->EmissionB, 0.25f);
  EXPECT_LE(redMesh->Shininess, 128);
  EXPECT_EQ(redMesh->Texture, -2);
  gl->DeleteObject(top);
  delete top;
  const Rgba r = Centre();
  EXPECT_GT(r.r, 100);
  EXPECT_LT(r.g, 40);

  // The imported scene saves as version 5 and loads back whole.
  const Bytes saved = Save(gl);
  EXPECT_EQ(saved[0], 5);
  std::unique_ptr<TOpenGl> other(MakeLoadedViewport<TOpenGl>(160, 120));
  TMemoryStream s;
  s.Write(saved.data(), static_cast<int32_t>(saved.size()));
  s.SetPosition(0);
  ASSERT_TRUE(other->LoadFromStream(&s)) << other->LoadError().c_str();
  EXPECT_EQ(FirstMesh(other->Root())->TriangleCount(), 12);

  // With every slot taken, the texture is reported and the part left untextured.
  for (int i = 0; i < TEXTURE_SLOTS; ++i) gl->SetPicture(i, &taken);
  TPart* crowded = gl->ImportModel((Dir() + "cube.obj").c_str(), nullptr);
  ASSERT_NE(crowded, nullptr);
  EXPECT_EQ(FirstMesh(crowded)->Texture, -2);
  EXPECT_NE(std::string(gl->ImportWarnings().c_str()).find("tex.bmp: no free texture slot"), std::string::npos)
      << gl->ImportWarnings().c_str();
  // A texture file that is missing is reported the same way.
  for (int i = 0; i < TEXTURE_SLOTS; ++i) gl->SetPicture(i, nullptr);
  TPart* bare = gl->ImportModel(Write("bare.obj", ObjCube("paint", "missing.png")).c_str(), nullptr);
  ASSERT_NE(bare, nullptr);
  EXPECT_EQ(FirstMesh(bare)->Texture, -2);
  EXPECT_NE(std::string(gl->ImportWarnings().c_str()).find("missing.png"), std::string::npos);
  EXPECT_EQ(gl->GetPicture(0)->Graphic(), nullptr);
}

TEST_F(Import, StlAndPlyGiveTheirTrianglesAndBounds) {
  for (const std::string& path : {Write("text.stl", AsciiStl()), WriteBytes("binary.stl", BinaryStl(12))}) {
    SCOPED_TRACE(path);
    TPart* top = gl->ImportModel(path.c_str(), nullptr);
    ASSERT_NE(top, nullptr) << gl->LoadError().c_str();
    TPartMesh* mesh = FirstMesh(top);
    ASSERT_NE(mesh, nullptr);
    EXPECT_EQ(mesh->TriangleCount(), 12);
    EXPECT_LE(mesh->VertexCount(), 36);
    ExpectBox(gl->PartBounds(top), -1, 1);
    gl->DeleteObject(top);
    delete top;
  }
  TPart* ball = gl->ImportModel(WriteBytes("ball.ply", BinaryPly(16, 8)).c_str(), nullptr);
  ASSERT_NE(ball, nullptr) << gl->LoadError().c_str();
  TPartMesh* mesh = FirstMesh(ball);
  ASSERT_NE(mesh, nullptr);
  EXPECT_EQ(mesh->TriangleCount(), 2 * 16 * 7);
  EXPECT_EQ(mesh->VertexCount(), 16 * 7 + 2) << "a smooth sphere keeps its shared vertices";
  EXPECT_TRUE(mesh->NormalsComputed());
  ExpectBox(gl->PartBounds(ball), -1, 1);
  const Rgba c = Centre();
  EXPECT_GT(c.r + c.g + c.b, 150) << "lit by the headlight";
}

TEST_F(Import, GltfNodesBecomeGroupsWithPlacementsOrBakedVertices) {
  TPart* top = gl->ImportModel(Write("tiles.gltf", Gltf(0x0000FF)).c_str(), nullptr);
  ASSERT_NE(top, nullptr) << gl->LoadError().c_str();
  EXPECT_TRUE(gl->ImportWarnings().IsEmpty()) << gl->ImportWarnings().c_str();
  TPart* sheared = gl->FindPart("sheared");
  TPart* placed = gl->FindPart("placed");
  TPart* mirrored = gl->FindPart("mirrored");
  ASSERT_TRUE(sheared && placed && mirrored);
  ASSERT_TRUE(dynamic_cast<TPartGroup*>(placed));
  // The quarter turn, the scale and the position are the group's placement.
  EXPECT_FLOAT_EQ(placed->PX, 3);
  EXPECT_NEAR(placed->RotationAngle, 90, 1e-3);
  EXPECT_NEAR(placed->RZ, 1, 1e-5);
  EXPECT_NEAR(placed->SX, 2, 1e-5);
  EXPECT_NEAR(placed->SY, 2, 1e-5);
  const TBounds p = gl->PartBounds(placed);
  EXPECT_NEAR(p.Min[0], 1, 1e-4);
  EXPECT_NEAR(p.Max[0], 5, 1e-4);
  EXPECT_NEAR(p.Max[1], 2, 1e-4);
  // The shear cannot be a placement: the group stays unplaced and its mesh takes the shear.
  EXPECT_EQ(sheared->SX, 1);
  EXPECT_EQ(sheared->RotationAngle, 0);
  const TBounds s = gl->PartBounds(sheared);
  EXPECT_NEAR(s.Min[0], -1.5f, 1e-4);
  EXPECT_NEAR(s.Max[0], 1.5f, 1e-4);
  EXPECT_NEAR(s.Max[1], 1, 1e-4);
  // A mirror is a negative scale, and the square keeps facing the viewer.
  EXPECT_NEAR(mirrored->SX, -1, 1e-5);
  EXPECT_FLOAT_EQ(mirrored->PX, -3);
  // The embedded PNG went into slot 0 and colours the squares.
  TPartMesh* mesh = FirstMesh(sheared);
  ASSERT_NE(mesh, nullptr);
  EXPECT_EQ(mesh->Texture, 0);
  EXPECT_EQ(FirstMesh(placed)->Texture, 0) << "one slot for a texture used twice";
  ASSERT_NE(gl->GetPicture(0)->Graphic(), nullptr);
  EXPECT_EQ(gl->GetPicture(0)->Bitmap()->Pixel(0, 0), 0xFF0000u) << "blue, as TColor holds it";
  // The squares face +z; the camera looks from -z.
  top->SetRY(1);
  top->SetRotationAngle(180);
  const Rgba c = Centre();
  EXPECT_GT(c.b, 100);
  EXPECT_LT(c.r + c.g, 60);

  // A binary glTF carries its PNG in its binary chunk; it takes the next free slot.
  TPart* tile = gl->ImportModel(WriteBytes("tile.glb", Glb(0xFF0000)).c_str(), nullptr);
  ASSERT_NE(tile, nullptr) << gl->LoadError().c_str();
  EXPECT_EQ(FirstMesh(tile)->Texture, 1);
  ASSERT_NE(gl->GetPicture(1)->Graphic(), nullptr);
  EXPECT_EQ(gl->GetPicture(1)->Bitmap()->Pixel(2, 2), 0x0000FFu) << "red, as TColor holds it";

  // Placement helpers: translate * rotate * scale decomposes, shear does not.
  TPlacementParts parts;
  const double shear[16] = {1, 0, 0, 0, 0.5, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
  EXPECT_FALSE(DecomposePlacement(shear, parts));
  const double half[16] = {-1, 0, 0, 0, 0, -1, 0, 0, 0, 0, 1, 0, 7, 0, 0, 1};
  ASSERT_TRUE(DecomposePlacement(half, parts));
  EXPECT_NEAR(parts.Angle, 180, 1e-3);
  EXPECT_NEAR(std::fabs(parts.Axis[2]), 1, 1e-5);
  const double nan[16] = {NAN, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
  EXPECT_FALSE(DecomposePlacement(nan, parts));
}

TEST_F(Import, BadModelsAndBudgetsLeaveTheSceneAsItWas) {
  gl->AddCube(nullptr, "keep");
  TPicture pic;
  pic.Bitmap()->SetSize(2, 2);
  gl->SetPicture(3, &pic);
  Step(40);
  const Bytes before = Save(gl);
  const std::string cube = Write("cube.obj", ObjCube("paint", "tex.bmp"));
  Bytes cut = BinaryStl(12);
  cut.resize(84 + 50 * 5);
  Bytes lying = BinaryStl(12);
  lying[80] = 0xFF, lying[81] = 0xFF, lying[82] = 0xFF, lying[83] = 0x0F;  // far more than is there
  const Bytes ply = BinaryPly(16, 8);
  const size_t body = std::string(ply.begin(), ply.end()).find("end_header\n") + 11;  // 114 vertices: 1,368 bytes
  Bytes headerCut = ply;
  const size_t prop = std::string(ply.begin(), ply.end()).find("property float z");
  std::fill(headerCut.begin() + static_cast<long>(prop) + 5, headerCut.begin() + static_cast<long>(prop) + 8, 0);
  std::string corrupt = AsciiStl();
  corrupt.replace(corrupt.find("vertex"), 6, "vortex");
  const std::string paths[] = {Dir() + "no-such-model.obj", Write("noise.obj", std::string(300, '\x01')),
                               WriteBytes("cut.stl", cut), WriteBytes("lying.stl", lying),
                               Write("corrupt.stl", corrupt), Write("empty.ply", ""),
                               Write("points.obj", "v 0 0 0\nv 1 0 0\np 1 2\n"),
                               Write("broken.gltf", Gltf(0xFF).substr(0, 400)),
                               WriteBytes("short.ply", Bytes(ply.begin(), ply.begin() + static_cast<long>(body) + 1000)),
                               WriteBytes("header.ply", headerCut),
                               Write("endless.ply", "ply\nformat ascii 1.0\nelement vertex 3\n")};
  for (const std::string& path : paths) {
    SCOPED_TRACE(path);
    EXPECT_EQ(gl->ImportModel(path.c_str(), nullptr), nullptr);
    EXPECT_FALSE(gl->LoadError().IsEmpty());
    EXPECT_EQ(Save(gl), before);
  }
  // Non-finite coordinates load; the triangles that use them are left out.
  std::string odd = "v 0 0 0\nv 1 0 0\nv 0 1 0\nv nan 1 0\nv 1 inf 0\nf 1 2 3\nf 1 2 4\nf 2 3 5\n";
  TPart* partial = gl->ImportModel(Write("odd.obj", odd).c_str(), nullptr);
  ASSERT_NE(partial, nullptr) << gl->LoadError().c_str();
  EXPECT_EQ(FirstMesh(partial)->TriangleCount(), 1);
  EXPECT_FLOAT_EQ(gl->PartBounds(partial).Max[1], 1);
  Step(40);
  gl->DeleteObject(partial);
  delete partial;
  Step(40);

  // A parent outside this viewport's scene is refused.
  TPartGroup stray;
  EXPECT_EQ(gl->ImportModel(cube.c_str(), &stray), nullptr);
  EXPECT_EQ(stray.Count(), 0);

  // Over budget: refused from the header where the format states a count, after reading otherwise.
  EXPECT_EQ(gl->ImportTriangleBudget(), IMPORT_TRIANGLE_BUDGET);
  gl->SetImportTriangleBudget(100);
  EXPECT_EQ(gl->ImportModel(WriteBytes("ball.ply", BinaryPly(16, 8)).c_str(), nullptr), nullptr);
  EXPECT_EQ(std::string(gl->LoadError().c_str()), "the model has 224 triangles, more than the import budget of 100");
  EXPECT_EQ(StatedTriangleCount(Dir() + "ball.ply"), 224);
  EXPECT_EQ(PlyHeaderProblem(Dir() + "ball.ply"), "");
  EXPECT_EQ(PlyHeaderProblem(Dir() + "short.ply"), "the PLY file is cut short");
  EXPECT_EQ(PlyHeaderProblem(Dir() + "endless.ply"), "the PLY header does not end within 64 KB");
  EXPECT_EQ(PlyHeaderProblem(Dir() + "header.ply"), "the PLY header holds bytes that are no text");
  EXPECT_EQ(StatedTriangleCount(Dir() + "lying.stl"), -1) << "a count the file cannot hold is no binary STL count";
  gl->SetImportTriangleBudget(11);
  EXPECT_EQ(gl->ImportModel(cube.c_str(), nullptr), nullptr);
  EXPECT_NE(std::string(gl->LoadError().c_str()).find("12 triangles"), std::string::npos);
  EXPECT_EQ(Save(gl), before);
  gl->SetImportTriangleBudget(12);
  EXPECT_NE(gl->ImportModel(cube.c_str(), nullptr), nullptr);
}
