// The mesh part: what it keeps of its input, its computed normals, how it draws, picks and bounds in
// both list modes, and its scene-file record (version 5) against hostile bytes.
#include <gtest/gtest.h>

#include <GL/gl.h>
#include <GL/glu.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "opengl/bounds.h"
#include "opengl/opengl.h"
#include "parts/call.h"
#include "parts/mesh.h"
#include "parts/parts.h"
#include "support/document_bytes.h"
#include "support/viewport_fixture.h"

namespace {

using Bytes = std::vector<uint8_t>;

// The unit cube centred on the origin, eight shared corners, faces counter-clockwise from outside.
TMeshData Cube(float half = 0.5f) {
  TMeshData d;
  for (int i = 0; i < 8; ++i)
    for (int k = 0; k < 3; ++k) d.Positions.push_back(((i >> k) & 1) ? half : -half);
  const uint32_t quads[6][4] = {{0, 2, 3, 1}, {4, 5, 7, 6}, {0, 1, 5, 4}, {2, 6, 7, 3}, {0, 4, 6, 2}, {1, 3, 7, 5}};
  for (const auto& q : quads) d.Indices.insert(d.Indices.end(), {q[0], q[1], q[2], q[0], q[2], q[3]});
  return d;
}

// Every triangle with vertices of its own, as STL files hold them.
TMeshData Soup(const TMeshData& in) {
  TMeshData d;
  for (uint32_t i : in.Indices) {
    d.Positions.insert(d.Positions.end(), &in.Positions[i * 3], &in.Positions[i * 3] + 3);
    d.Indices.push_back(static_cast<uint32_t>(d.Indices.size()));
  }
  return d;
}

// A UV sphere of radius 1 with a duplicated seam column, as most exporters write one.
TMeshData Sphere(int slices, int stacks) {
  TMeshData d;
  for (int j = 0; j <= stacks; ++j)
    for (int i = 0; i <= slices; ++i) {
      const double th = M_PI * j / stacks, ph = 2 * M_PI * (i % slices) / slices;
      const double r = j == 0 || j == stacks ? 0 : std::sin(th);
      d.Positions.insert(d.Positions.end(), {float(r * std::cos(ph)), j == stacks ? -1.0f : float(std::cos(th)),
                                             float(r * std::sin(ph))});
    }
  auto at = [slices](int i, int j) { return static_cast<uint32_t>(j * (slices + 1) + i); };
  for (int j = 0; j < stacks; ++j)
    for (int i = 0; i < slices; ++i) {
      if (j > 0) d.Indices.insert(d.Indices.end(), {at(i, j), at(i + 1, j), at(i + 1, j + 1)});
      if (j < stacks - 1) d.Indices.insert(d.Indices.end(), {at(i, j), at(i + 1, j + 1), at(i, j + 1)});
    }
  return d;
}

float Dot(const float* a, const float* b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

using document_bytes::Save;

using document_bytes::Load;

}  // namespace

TEST(MeshPart, KeepsOnlyConsistentInputAndHoldsItCompactly) {
  TPartMesh m;
  EXPECT_EQ(m.VertexCount(), 0);
  EXPECT_FALSE(m.Tessellate(*std::make_unique<TMeshData>()));
  EXPECT_EQ(TPartClasses::ByTag(PART_TAG_MESH), &TPartMesh::Class());
  EXPECT_EQ(std::string(m.GetName().c_str()).substr(0, 5), "Mesh ");

  TMeshData d = Cube();
  d.Normals.assign(8 * 3, 0.0f);
  for (int i = 0; i < 8; ++i) d.Normals[i * 3 + 2] = 1;  // given: kept as they are
  d.TexCoords.assign(5, 0.0f);                          // not one per vertex: dropped
  d.Colors.assign(8 * 4, 1.0f);
  d.Colors[0] = NAN;
  d.Indices.insert(d.Indices.end(), {0, 1, 8});         // names a missing vertex: dropped
  d.Indices.push_back(3);                               // not a whole triangle: dropped
  m.SetData(d);
  EXPECT_EQ(m.VertexCount(), 8);
  EXPECT_EQ(m.TriangleCount(), 12);
  EXPECT_FALSE(m.NormalsComputed());
  EXPECT_FALSE(m.HasTexCoords());
  ASSERT_TRUE(m.HasColors());
  TMeshData out;
  ASSERT_TRUE(m.Tessellate(out));
  EXPECT_EQ(out.Normals, d.Normals);
  EXPECT_EQ(out.Colors[0], 0.0f) << "a non-finite colour is zeroed";
  EXPECT_EQ(out.Colors[1], 1.0f);
  EXPECT_EQ(std::vector<uint32_t>(out.Indices.begin(), out.Indices.end()),
            std::vector<uint32_t>(d.Indices.begin(), d.Indices.begin() + 36));
  // 16-bit indices and byte colours: 8 * (12 + 12 + 4) + 36 * 2 bytes.
  EXPECT_LE(m.GeometryBytes(), 8u * 28 + 36 * 2);

  // A non-finite position drops the triangles that use it and is left out of the box.
  d = Cube();
  d.Positions[0] = INFINITY;
  m.SetData(d);
  EXPECT_EQ(m.TriangleCount(), 6) << "the corner is in two triangles of each of its three faces";
  EXPECT_EQ(PartLocalBounds(&m).Min[0], -0.5f);
  EXPECT_EQ(PartLocalBounds(&m).Max[0], 0.5f);

  // Vertices whose triangles were all dropped leave an empty mesh that draws nothing.
  d = Cube();
  d.Indices = {0, 1, 99};
  m.SetData(d);
  EXPECT_EQ(m.TriangleCount(), 0);
  EXPECT_FALSE(m.Tessellate(out));
  EXPECT_TRUE(PartLocalBounds(&m).Empty);

  // Past 65,536 vertices the indices take 32 bits and still come back whole.
  TMeshData big = Soup(Sphere(200, 120));
  ASSERT_GT(big.VertexCount(), 65536u);
  big.Normals.assign(big.Positions.begin(), big.Positions.end());
  m.SetData(big);
  ASSERT_TRUE(m.Tessellate(out));
  EXPECT_EQ(out.Indices, big.Indices);
  EXPECT_EQ(m.TriangleCount(), static_cast<int>(big.TriangleCount()));
}

TEST(MeshPart, ComputedNormalsSmoothBelowTheCreaseAngleAndJoinEqualPositions) {
  TPartMesh m;
  TMeshData out;
  // A cube's faces meet at 90 degrees: flat under the default 60, one normal per face and corner.
  m.SetData(Cube());
  EXPECT_TRUE(m.NormalsComputed());
  EXPECT_EQ(m.VertexCount(), 24);
  EXPECT_EQ(m.TriangleCount(), 12);
  ASSERT_TRUE(m.Tessellate(out));
  for (size_t t = 0; t < out.Indices.size(); t += 3) {
    const float* n = &out.Normals[out.Indices[t] * 3];
    const float* a = &out.Positions[out.Indices[t] * 3];
    const float* b = &out.Positions[out.Indices[t + 1] * 3];
    const float* c = &out.Positions[out.Indices[t + 2] * 3];
    const float u[3] = {b[0] - a[0], b[1] - a[1], b[2] - a[2]}, v[3] = {c[0] - a[0], c[1] - a[1], c[2] - a[2]};
    const float face[3] = {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0]};
    EXPECT_NEAR(Dot(n, face) / std::sqrt(Dot(face, face)), 1.0f, 1e-5f) << "flat and outward";
    EXPECT_GT(Dot(n, a), 0) << "outward";
  }
  // Above 90 degrees every corner is smooth: eight vertices pointing out along the diagonals.
  m.SetCreaseAngle(120);
  EXPECT_EQ(m.VertexCount(), 8);
  ASSERT_TRUE(m.Tessellate(out));
  for (int i = 0; i < 8; ++i) EXPECT_NEAR(Dot(&out.Normals[i * 3], &out.Positions[i * 3]), 0.5f * std::sqrt(3.0f), 1e-5f);
  m.SetCreaseAngle(60);
  EXPECT_EQ(m.VertexCount(), 24);
  m.SetCreaseAngle(NAN);
  EXPECT_EQ(m.CreaseAngle, 60);

  // Triangles without shared vertices (STL) are joined by position: the same 24 vertices.
  m.SetData(Soup(Cube()));
  EXPECT_EQ(m.VertexCount(), 24);

  // A sphere smooths across its seam and poles: every normal is its position, and the seam's
  // duplicated column stays only where the source vertices differ (it does not here).
  const TMeshData sphere = Sphere(16, 8);
  m.SetData(sphere);
  EXPECT_EQ(m.TriangleCount(), 2 * 16 * 7);
  EXPECT_EQ(m.VertexCount(), 16 * 7 + 2);
  ASSERT_TRUE(m.Tessellate(out));
  for (size_t i = 0; i < out.VertexCount(); ++i)
    EXPECT_GT(Dot(&out.Normals[i * 3], &out.Positions[i * 3]), 0.97f) << i;

  // Different texture coordinates keep vertices apart even where their positions and normals agree.
  TMeshData textured = sphere;
  for (size_t i = 0; i < textured.VertexCount(); ++i) textured.TexCoords.insert(textured.TexCoords.end(), {float(i % 17) / 16, 0});
  m.SetData(textured);
  EXPECT_EQ(m.VertexCount(), 17 * 7 + 2 * 16) << "seam column and one pole vertex per slice stay";

  // A vertex shared by thousands of triangles (a fan) costs linear time and still gets normals.
  TMeshData fan;
  fan.Positions = {0, 0, 0};
  const int spokes = 20000;
  for (int i = 0; i < spokes; ++i)
    fan.Positions.insert(fan.Positions.end(), {float(std::cos(2 * M_PI * i / spokes)), float(std::sin(2 * M_PI * i / spokes)), 0.1f});
  for (uint32_t i = 0; i < static_cast<uint32_t>(spokes); ++i) fan.Indices.insert(fan.Indices.end(), {0, i + 1, (i + 1) % spokes + 1});
  m.SetData(fan);
  EXPECT_EQ(m.TriangleCount(), spokes);
  ASSERT_TRUE(m.Tessellate(out));
  for (float v : out.Normals) EXPECT_TRUE(std::isfinite(v));
}

namespace {

const int kW = 160, kH = 120;

struct MeshView : ::testing::Test {
  TOpenGl* gl = nullptr;
  void SetUp() override {
    gl = MakeLoadedViewport<TOpenGl>(kW, kH);
    gl->SetHeadlight(true);
  }
  void TearDown() override { delete gl; }
  void Show() { Step(40); }
  void Project(double x, double y, double z, int& px, int& py) {
    ProjectToClient(x, y, z, px, py);
  }
  Rgba At(const Pixels& p, double x, double y) {
    int px, py;
    Project(x, y, 0, px, py);
    return p.At(px, py);
  }
  TPart* PickAt(double x, double y) {
    int px, py;
    Project(x, y, 0, px, py);
    return gl->PartAt(px, py);
  }
};

TPartMesh* AddMesh(TOpenGl* gl, TPart* where, const char* name, TMeshData d) {
  auto* m = new TPartMesh;
  m->Name = name;
  m->SetData(std::move(d));
  return static_cast<TPartMesh*>(gl->Paste(where, m));
}

}  // namespace

TEST_F(MeshView, DrawsPicksAndBoundsLikeEveryKindInBothListModes) {
  // A red vertex-coloured cube on the left, a plain one placed on the right, a call of the red one below.
  TMeshData red = Cube(1);
  red.Colors.assign(8 * 4, 0.0f);
  for (int i = 0; i < 8; ++i) red.Colors[i * 4] = red.Colors[i * 4 + 3] = 1;
  TPartMesh* left = AddMesh(gl, nullptr, "left", red);
  left->SetPX(-2);
  TPartMesh* right = AddMesh(gl, nullptr, "right", Cube(1));
  right->SetPX(2);
  right->SetUseMaterial(true);
  right->SetDiffuseR(0);
  right->SetDiffuseG(0);
  right->SetDiffuseB(1);
  right->SetAmbientR(0);
  right->SetAmbientG(0);
  right->SetAmbientB(1);
  TPart* below = gl->AddGroup(nullptr, "below");
  below->SetPY(-2.5f);
  auto* call = new TPartCall;
  call->SetUsedPartName("left");
  gl->Paste(below, call);

  std::vector<uint8_t> pictures[2];
  for (TListMode mode : {lmScene, lmPerPart}) {
    SCOPED_TRACE(mode);
    gl->SetListMode(mode);
    Show();
    const Pixels p = ReadPixels(gl->Handle());
    const Rgba l = At(p, -2, 0), r = At(p, 2, 0), c = At(p, -2, -2.5);
    EXPECT_GT(l.r, 120);
    EXPECT_LT(l.b, 40) << "the vertex colours, not the default grey";
    EXPECT_GT(r.b, 120);
    EXPECT_LT(r.r, 40) << "the colour material ended with the red mesh";
    EXPECT_GT(c.r, 120);
    EXPECT_LT(At(p, 0, 0).r + At(p, 0, 0).b, 20);
    EXPECT_EQ(PickAt(-2, 0), left);
    EXPECT_EQ(PickAt(2, 0), right);
    EXPECT_EQ(PickAt(-2, -2.5), call);
    EXPECT_EQ(PickAt(0, 0), nullptr);
    pictures[mode] = p.rgba;
    // The frame ends with the client state and colour material it began with.
    GLint arrays = 0;
    EXPECT_FALSE(glIsEnabled(GL_COLOR_MATERIAL));
    EXPECT_FALSE(glIsEnabled(GL_VERTEX_ARRAY));
    EXPECT_FALSE(glIsEnabled(GL_COLOR_ARRAY));
    glGetIntegerv(GL_CLIENT_ATTRIB_STACK_DEPTH, &arrays);
    EXPECT_EQ(arrays, 0);
  }
  EXPECT_EQ(pictures[lmScene], pictures[lmPerPart]);

  // A clip plane cuts a mesh as it cuts every part: here the half left of the mesh's own origin.
  left->SetClipPlaneA(0, 1);
  left->SetUseClipPlane(0, 1);
  Show();
  {
    const Pixels p = ReadPixels(gl->Handle());
    EXPECT_LT(At(p, -2.6, 0).r, 40);
    EXPECT_GT(At(p, -1.4, 0).r, 120);
  }
  left->SetUseClipPlane(0, 0);

  const TBounds box = gl->PartBounds(left);
  EXPECT_FLOAT_EQ(box.Min[0], -3);
  EXPECT_FLOAT_EQ(box.Max[0], -1);
  EXPECT_FLOAT_EQ(gl->SceneBounds().Max[0], 3);
  EXPECT_FLOAT_EQ(gl->SceneBounds().Min[1], -3.5f);

  // Non-finite vertices and an emptied mesh draw, pick and bound without harm.
  TMeshData odd = Cube(1);
  odd.Positions[3] = NAN;
  odd.Positions[7] = -INFINITY;
  left->SetData(odd);
  right->SetData(TMeshData());
  Show();
  EXPECT_EQ(PickAt(2, 0), nullptr);
  EXPECT_FALSE(gl->SceneBounds().Empty);
  EXPECT_TRUE(gl->PartBounds(right).Empty);
}

TEST_F(MeshView, SavesAsVersionFiveAndRefusesHostileRecordsWithAReason) {
  const Bytes plain = Save(gl);
  ASSERT_GE(plain.size(), 4u);
  EXPECT_EQ(plain[0], 4) << "a scene without meshes stays version 4";

  TMeshData d = Sphere(8, 4);
  d.TexCoords.assign(d.VertexCount() * 2, 0.25f);
  d.Colors.assign(d.VertexCount() * 4, 0.5f);
  TPart* group = gl->AddGroup(nullptr, "holder");
  TPartMesh* mesh = AddMesh(gl, group, "ball", d);
  mesh->SetCreaseAngle(30);
  mesh->SetPX(1.5f);
  const Bytes saved = Save(gl);
  EXPECT_EQ(saved[0], 5);
  std::unique_ptr<TOpenGl> other(MakeLoadedViewport<TOpenGl>(kW, kH));
  ASSERT_TRUE(Load(other.get(), saved)) << other->LoadError().c_str();
  auto* back = dynamic_cast<TPartMesh*>(other->FindPart("ball"));
  ASSERT_NE(back, nullptr);
  TMeshData a, b;
  mesh->Tessellate(a);
  back->Tessellate(b);
  EXPECT_EQ(a.Positions, b.Positions);
  EXPECT_EQ(a.Normals, b.Normals);
  EXPECT_EQ(a.TexCoords, b.TexCoords);
  EXPECT_EQ(a.Colors, b.Colors);
  EXPECT_EQ(a.Indices, b.Indices);
  EXPECT_EQ(back->CreaseAngle, 30);
  EXPECT_TRUE(back->NormalsComputed());
  EXPECT_EQ(back->PX, 1.5f);
  EXPECT_EQ(Save(other.get()), saved);
  // A copy keeps everything too; removing the mesh brings the file back to version 4.
  std::unique_ptr<TPart> copy(mesh->Clone());
  TMeshData c;
  static_cast<TPartMesh*>(copy.get())->Tessellate(c);
  EXPECT_EQ(c.Indices, a.Indices);
  gl->DeleteObject(group);
  delete group;
  EXPECT_EQ(Save(gl), plain);

  // The record: tag, common record, crease angle, then counts, flags and arrays. Find the counts.
  const int n = static_cast<int>(a.VertexCount()), t = static_cast<int>(a.TriangleCount());
  size_t at = 0;
  for (size_t i = 0; i + 12 <= saved.size(); ++i) {
    int32_t v[3];
    std::memcpy(v, &saved[i], 12);
    if (v[0] == n && v[1] == t && v[2] == 7) {
      at = i;
      break;
    }
  }
  ASSERT_NE(at, 0u);
  auto patched = [&](size_t offset, int32_t value) {
    Bytes b = saved;
    std::memcpy(&b[offset], &value, 4);
    return b;
  };
  auto why = [&](const Bytes& b) {
    EXPECT_FALSE(Load(other.get(), b));
    return std::string(other->LoadError().c_str());
  };
  const size_t firstIndex = at + 12 + static_cast<size_t>(n) * (24 + 8 + 4);
  EXPECT_EQ(why(patched(firstIndex, n)), "a mesh's triangles name vertices it does not have");
  EXPECT_EQ(why(patched(firstIndex + 8, -1)), "a mesh's triangles name vertices it does not have");
  EXPECT_EQ(why(patched(at, 0x7fffffff)).substr(0, 13), "cut short at ");
  EXPECT_EQ(why(patched(at + 4, 0x10000000)).substr(0, 13), "cut short at ");
  EXPECT_EQ(why(patched(at, -3)), "not a scene file");
  EXPECT_EQ(why(patched(at + 8, 8)), "not a scene file");
  Bytes newer = saved;
  newer[0] = 6;
  EXPECT_EQ(why(newer), "scene file version 6 is newer than this program reads (0 to 5)");
  // Cut anywhere, the file fails with a reason and the loaded scene stays.
  for (size_t cut = at; cut < saved.size(); cut += 7) EXPECT_FALSE(why(Bytes(saved.begin(), saved.begin() + cut)).empty());
  EXPECT_EQ(other->FindPart("ball"), back);
  // Non-finite values in a stored mesh load; the triangles that use them are left out.
  Bytes odd = patched(at + 12, 0x7fc00000);
  ASSERT_TRUE(Load(other.get(), odd));
  back = dynamic_cast<TPartMesh*>(other->FindPart("ball"));
  ASSERT_NE(back, nullptr);
  EXPECT_LT(back->TriangleCount(), t);
  Step(40);
}
