// glTF export: the Khronos validator passes every export, and assimp reads back the nodes, triangles,
// materials, lights and camera that the scene holds.
#include <gtest/gtest.h>

#include <GL/gl.h>
#include <assimp/Importer.hpp>
#include <assimp/postprocess.h>
#include <assimp/scene.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "opengl/luce.h"
#include "opengl/opengl.h"
#include "parts/call.h"
#include "parts/mesh.h"
#include "parts/mesh_data.h"
#include "parts/placement.h"
#include "parts/primitives.h"
#include "parts/quad.h"
#include "support/viewport_fixture.h"

namespace {

std::string TempDir() {
  static std::string dir;
  if (dir.empty()) {
    char name[] = "/tmp/gltf_export_XXXXXX";
    dir = mkdtemp(name) ? name : "/tmp";
  }
  return dir;
}

// The validator's verdict on a file; its report goes to the test's output.
bool Validates(const std::string& file) {
  const std::string cmd = "node " V3D_SOURCE_DIR "/scripts/validate_gltf.js '" + file + "' 2>&1";
  FILE* p = popen(cmd.c_str(), "r");
  if (!p) return false;
  std::string report;
  char line[512];
  while (std::fgets(line, sizeof line, p)) report += line;
  const int status = pclose(p);
  std::printf("%s", report.c_str());
  return status == 0;
}

class GltfExport : public ::testing::Test {
protected:
  TOpenGl* gl = nullptr;
  void SetUp() override { gl = MakeLoadedViewport<TOpenGl>(80, 60); }
  void TearDown() override { delete gl; }

  void Material(TPart* p, float r, float g, float b, float a = 1) {
    p->SetUseMaterial(true);
    p->SetDiffuseR(r);
    p->SetDiffuseG(g);
    p->SetDiffuseB(b);
    p->SetDiffuseA(a);
  }

  // Every kind, nested groups with placements, a texture, a call part, lights of each type and a camera.
  void BuildScene() {
    TPicture pic;
    TBitmap* bmp = pic.Bitmap();
    bmp->SetSize(8, 4);
    for (int y = 0; y < 4; ++y)
      for (int x = 0; x < 8; ++x) bmp->SetPixel(x, y, (x + y) % 2 ? 0x0000FF : 0x00FF00);
    gl->SetPicture(3, &pic);
    gl->SetTextureWrapS(3, 0x812F);

    TPart* outer = gl->AddGroup(nullptr, "Outer");
    outer->SetPX(1);
    outer->SetRY(1);
    outer->SetRotationAngle(30);
    TPart* inner = gl->AddGroup(outer, "Inner");
    inner->SetSX(2);
    inner->SetPZ(-1);
    inner->SetRX(1);
    inner->SetRZ(1);
    inner->SetRotationAngle(-70);
    TPart* cube = gl->AddCube(inner, "Box");
    cube->SetTexture(3);
    Material(cube, 1, 0.5f, 0.25f);
    cube->SetShininess(64);
    cube->SetEmissionG(0.5f);
    TPart* ball = gl->AddSphere(inner, "Ball");
    ball->SetPY(2);
    Material(ball, 0.2f, 0.4f, 0.6f, 0.5f);
    auto* cone = static_cast<TPartCylinder*>(gl->AddCylinder(outer, "Cone"));
    cone->SetTopRadius(0);
    cone->SetSlices(7);
    auto* ring = static_cast<TPartDisk*>(gl->AddDisk(nullptr, "Ring"));
    ring->SetInnerRadius(0);
    auto* strip = static_cast<TPartQuad*>(gl->AddQuad(nullptr, "Strip"));
    strip->SetShape(GL_TRIANGLE_STRIP);
    strip->SetNPoints(5);
    strip->SetX(4, 3);
    // A mesh with its own texture coordinates and vertex colours.
    auto* tri = new TPartMesh;
    tri->Name = "Tri";
    TMeshData d;
    d.Positions = {0, 0, 0, 1, 0, 0, 0, 1, 0};
    d.TexCoords = {0, 0, 1, 0, 0, 1};
    d.Colors = {1, 0, 0, 1, 0, 1, 0, 1, 0, 0, 1, 0.5f};
    d.Indices = {0, 1, 2};
    tri->SetData(d);
    tri->SetTexture(3);
    gl->AddObject(inner, tri);
    auto* call = new TPartCall;
    call->Name = "Again";
    call->SetUsedPartName("Inner");
    gl->AddObject(nullptr, call);

    TLuce sun, lamp, spot, odd;
    sun.SetEnabled(true);
    sun.SetPositionX(0);
    sun.SetPositionY(1);
    sun.SetPositionZ(0);
    sun.SetPositionW(0);
    gl->SetLight(0, &sun);
    lamp.SetEnabled(true);
    lamp.SetPositionX(2);
    lamp.SetPositionY(4);
    lamp.SetPositionZ(6);
    lamp.SetPositionW(2);
    lamp.SetDiffuseR(1);
    lamp.SetDiffuseG(0.5f);
    gl->SetLight(1, &lamp);
    spot.SetEnabled(true);
    spot.SetPositionW(1);
    spot.SetSpotCutoff(30);
    spot.SetSpotDirX(1);
    spot.SetSpotDirZ(0);
    gl->SetLight(2, &spot);
    // A cutoff GL refuses has no counterpart: left out.
    odd.SetEnabled(true);
    odd.SetPositionW(1);
    odd.SetSpotCutoff(120);
    gl->SetLight(5, &odd);
  }
};

const aiNode* Find(const aiNode* node, const char* name) {
  if (std::string(node->mName.C_Str()) == name) return node;
  for (unsigned i = 0; i < node->mNumChildren; ++i)
    if (const aiNode* hit = Find(node->mChildren[i], name)) return hit;
  return nullptr;
}

// The world-space corners of every triangle a node subtree draws.
void WorldTriangles(const aiScene* s, const aiNode* node, aiMatrix4x4 parent, std::vector<aiVector3D>& out) {
  const aiMatrix4x4 m = parent * node->mTransformation;
  for (unsigned k = 0; k < node->mNumMeshes; ++k) {
    const aiMesh* mesh = s->mMeshes[node->mMeshes[k]];
    for (unsigned f = 0; f < mesh->mNumFaces; ++f)
      for (unsigned v = 0; v < mesh->mFaces[f].mNumIndices; ++v) out.push_back(m * mesh->mVertices[mesh->mFaces[f].mIndices[v]]);
  }
  for (unsigned i = 0; i < node->mNumChildren; ++i) WorldTriangles(s, node->mChildren[i], m, out);
}

// The same from the scene tree, through every placement as GL composes it.
void WorldTriangles(TPart* part, const TPartMatrix& parent, std::vector<aiVector3D>& out, TOpenGl* gl) {
  if (auto* call = dynamic_cast<TPartCall*>(part)) {
    if (TPart* target = call->CallTarget()) WorldTriangles(target, parent, out, gl);
    return;
  }
  const TPartMatrix m = parent * PartPlacement(*part);
  if (auto* group = dynamic_cast<TPartGroup*>(part)) {
    for (int i = 0; i < group->Count(); ++i) WorldTriangles(group->Part(i), m, out, gl);
    return;
  }
  TMeshData data;
  if (!part->Tessellate(data)) return;
  for (uint32_t i : data.Indices) {
    const float* p = &data.Positions[i * 3];
    double w[3];
    for (int r = 0; r < 3; ++r) w[r] = m.m[r] * p[0] + m.m[4 + r] * p[1] + m.m[8 + r] * p[2] + m.m[12 + r];
    out.emplace_back(static_cast<float>(w[0]), static_cast<float>(w[1]), static_cast<float>(w[2]));
  }
}

}  // namespace

TEST_F(GltfExport, EveryExportPassesTheValidator) {
  BuildScene();
  for (const char* ext : {".gltf", ".glb"}) {
    const std::string file = TempDir() + "/scene" + ext;
    ASSERT_TRUE(gl->ExportGltf(file.c_str())) << gl->SaveError().c_str();
    EXPECT_TRUE(gl->SaveError().IsEmpty());
    EXPECT_TRUE(Validates(file)) << file;
  }
  // The buffer sits beside the .gltf file, under a name that needs escaping in a URI.
  const std::string spaced = TempDir() + "/a scene #1.gltf";
  ASSERT_TRUE(gl->ExportGltf(spaced.c_str()));
  EXPECT_TRUE(std::ifstream(TempDir() + "/a scene #1.bin").good());
  EXPECT_TRUE(Validates(spaced));

  // Names in 8-bit text come out as UTF-8; valid UTF-8 stays as it is.
  gl->FindPart("Box")->Name = "Caf\xe9";
  gl->FindPart("Ball")->Name = "Caf\xc3\xa9";
  const std::string named = TempDir() + "/named.gltf";
  ASSERT_TRUE(gl->ExportGltf(named.c_str())) << gl->SaveError().c_str();
  EXPECT_TRUE(Validates(named));
  std::ifstream in(named);
  const std::string json((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  size_t cafes = 0;
  for (size_t at = json.find("Caf\xc3\xa9\""); at != std::string::npos; at = json.find("Caf\xc3\xa9\"", at + 1)) ++cafes;
  EXPECT_GE(cafes, 2u);

  // An empty scene and an orthographic camera.
  TPart* old = gl->Root();
  gl->DeleteObject(old);  // the caller owns the detached tree
  delete old;
  gl->SetProjectionOrtho(true);
  const std::string empty = TempDir() + "/empty.glb";
  ASSERT_TRUE(gl->ExportGltf(empty.c_str()));
  EXPECT_TRUE(Validates(empty));
}

#ifdef V3D_DEMO_PATH
TEST_F(GltfExport, TheDemoSceneValidates) {
  const std::string scene = TempDir() + "/demo.scene";
  const std::string cmd = std::string(V3D_DEMO_PATH) + " --headless --still --frames 1 --png " + TempDir() +
                          "/demo.png --save " + scene + " > /dev/null 2>&1";
  ASSERT_EQ(std::system(cmd.c_str()), 0);
  ASSERT_TRUE(gl->LoadFrom(scene.c_str())) << gl->LoadError().c_str();
  for (const char* ext : {".gltf", ".glb"}) {
    const std::string file = TempDir() + "/demo" + ext;
    ASSERT_TRUE(gl->ExportGltf(file.c_str())) << gl->SaveError().c_str();
    EXPECT_TRUE(Validates(file)) << file;
  }
}
#endif

TEST_F(GltfExport, AssimpReadsBackWhatTheSceneHolds) {
  BuildScene();
  for (const char* ext : {".gltf", ".glb"}) {
    SCOPED_TRACE(ext);
    const std::string file = TempDir() + "/readback" + ext;
    ASSERT_TRUE(gl->ExportGltf(file.c_str())) << gl->SaveError().c_str();
    Assimp::Importer importer;
    const aiScene* s = importer.ReadFile(file, 0);
    ASSERT_TRUE(s) << importer.GetErrorString();

    // Node transforms are the parts' placements.
    for (const char* name : {"Outer", "Inner", "Box", "Ball", "Cone", "Ring", "Strip"}) {
      const aiNode* node = Find(s->mRootNode, name);
      ASSERT_TRUE(node) << name;
      const TPartMatrix m = PartPlacement(*gl->FindPart(name));
      for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) EXPECT_NEAR(node->mTransformation[r][c], m.m[c * 4 + r], 1e-5) << name;
    }

    // Every triangle lands where the scene draws it, the call part's copy included.
    std::vector<aiVector3D> ours, theirs;
    WorldTriangles(gl->Root(), TPartMatrix(), ours, gl);
    const aiNode* root = Find(s->mRootNode, gl->Root()->Name.c_str());
    ASSERT_TRUE(root);
    aiMatrix4x4 above;  // whatever assimp puts over the file's own root
    for (const aiNode* n = root->mParent; n; n = n->mParent) above = n->mTransformation * above;
    WorldTriangles(s, root, above, theirs);
    ASSERT_EQ(ours.size(), theirs.size());
    double worst = 0;
    for (size_t i = 0; i < ours.size(); ++i) worst = std::max(worst, static_cast<double>((ours[i] - theirs[i]).Length()));
    EXPECT_LT(worst, 1e-5);

    // Materials: the box's colours and texture, the ball's blending, the default for a part without one.
    const aiNode* box = Find(s->mRootNode, "Box");
    ASSERT_EQ(box->mNumMeshes, 1u);
    const aiMesh* boxMesh = s->mMeshes[box->mMeshes[0]];
    EXPECT_TRUE(boxMesh->HasTextureCoords(0));
    const aiMaterial* boxMat = s->mMaterials[boxMesh->mMaterialIndex];
    aiColor4D base;
    ASSERT_EQ(boxMat->Get(AI_MATKEY_BASE_COLOR, base), AI_SUCCESS);
    EXPECT_FLOAT_EQ(base.r, 1);
    EXPECT_FLOAT_EQ(base.g, 0.5f);
    EXPECT_FLOAT_EQ(base.b, 0.25f);
    float rough = -1, metal = -1;
    boxMat->Get(AI_MATKEY_ROUGHNESS_FACTOR, rough);
    boxMat->Get(AI_MATKEY_METALLIC_FACTOR, metal);
    EXPECT_FLOAT_EQ(rough, 0.5f);
    EXPECT_FLOAT_EQ(metal, 0);
    aiColor3D emissive;
    boxMat->Get(AI_MATKEY_COLOR_EMISSIVE, emissive);
    EXPECT_FLOAT_EQ(emissive.g, 0.5f);
    EXPECT_EQ(boxMat->GetTextureCount(aiTextureType_DIFFUSE) + boxMat->GetTextureCount(aiTextureType_BASE_COLOR) > 0, true);
    EXPECT_EQ(s->mNumTextures, 1u);  // the one slot, embedded
    const aiMaterial* ballMat = s->mMaterials[s->mMeshes[Find(s->mRootNode, "Ball")->mMeshes[0]]->mMaterialIndex];
    ASSERT_EQ(ballMat->Get(AI_MATKEY_BASE_COLOR, base), AI_SUCCESS);
    EXPECT_FLOAT_EQ(base.a, 0.5f);
    aiString mode;
    ballMat->Get("$mat.gltf.alphaMode", 0, 0, mode);
    EXPECT_STREQ(mode.C_Str(), "BLEND");
    const aiMaterial* ringMat = s->mMaterials[s->mMeshes[Find(s->mRootNode, "Ring")->mMeshes[0]]->mMaterialIndex];
    ASSERT_EQ(ringMat->Get(AI_MATKEY_BASE_COLOR, base), AI_SUCCESS);
    EXPECT_FLOAT_EQ(base.r, 0.8f);

    // The call part shares the meshes of what it calls.
    const aiNode* again = Find(s->mRootNode, "Again");
    ASSERT_TRUE(again);
    ASSERT_EQ(again->mNumChildren, 1u);
    const aiNode* copy = Find(again, "Box");
    ASSERT_TRUE(copy && copy != box);
    EXPECT_EQ(copy->mMeshes[0], box->mMeshes[0]);

    // Three lights map (the one with a cutoff of 120 does not), and the camera.
    ASSERT_EQ(s->mNumLights, 3u);
    std::map<aiLightSourceType, const aiLight*> lights;
    for (unsigned i = 0; i < s->mNumLights; ++i) lights[s->mLights[i]->mType] = s->mLights[i];
    ASSERT_TRUE(lights.count(aiLightSource_DIRECTIONAL) && lights.count(aiLightSource_POINT) &&
                lights.count(aiLightSource_SPOT));
    const aiNode* lampNode = Find(s->mRootNode, lights[aiLightSource_POINT]->mName.C_Str());
    ASSERT_TRUE(lampNode);
    EXPECT_NEAR(lampNode->mTransformation.a4, 1, 1e-6);
    EXPECT_NEAR(lampNode->mTransformation.b4, 2, 1e-6);
    EXPECT_NEAR(lampNode->mTransformation.c4, 3, 1e-6);
    EXPECT_NEAR(lights[aiLightSource_SPOT]->mAngleOuterCone, 30 * M_PI / 180, 1e-5);
    // The sun shines from +y: down its node's -z, which is world -y.
    const aiNode* sunNode = Find(s->mRootNode, lights[aiLightSource_DIRECTIONAL]->mName.C_Str());
    const aiVector3D shines = aiMatrix3x3(sunNode->mTransformation) * aiVector3D(0, 0, -1);
    EXPECT_NEAR(shines.y, -1, 1e-5);
    ASSERT_EQ(s->mNumCameras, 1u);
    const aiNode* camNode = Find(s->mRootNode, s->mCameras[0]->mName.C_Str());
    ASSERT_TRUE(camNode);
    // The default eye sits at (0, 0, -8) looking at the origin: the camera's -z is world +z.
    const aiVector3D looks = aiMatrix3x3(camNode->mTransformation) * aiVector3D(0, 0, -1);
    EXPECT_NEAR(looks.z, 1, 1e-5);
    EXPECT_NEAR(camNode->mTransformation.c4, gl->EyePosition()->GetZ(), 1e-5);
  }
}

TEST_F(GltfExport, FailuresSayWhyAndLeaveOldFiles) {
  BuildScene();
  EXPECT_FALSE(gl->ExportGltf((TempDir() + "/scene.obj").c_str()));
  EXPECT_NE(std::string(gl->SaveError().c_str()).find(".gltf or .glb"), std::string::npos);
  EXPECT_FALSE(gl->ExportGltf((TempDir() + "/no such folder/scene.glb").c_str()));
  EXPECT_FALSE(gl->SaveError().IsEmpty());

  // Call parts that call groups of call parts multiply: past a million nodes the export is refused.
  TPart* chain = gl->AddGroup(nullptr, "Chain");
  gl->AddCube(gl->AddGroup(chain, "L0"), "Leaf");
  for (int k = 1; k <= 21; ++k) {
    TPart* level = gl->AddGroup(chain, ("L" + std::to_string(k)).c_str());
    for (int c = 0; c < 2; ++c) {
      auto* call = new TPartCall;
      call->Name = ("C" + std::to_string(k) + "_" + std::to_string(c)).c_str();
      call->SetUsedPartName(("L" + std::to_string(k - 1)).c_str());
      gl->AddObject(level, call);
    }
  }
  EXPECT_FALSE(gl->ExportGltf((TempDir() + "/many.glb").c_str()));
  EXPECT_NE(std::string(gl->SaveError().c_str()).find("call parts"), std::string::npos);
  gl->DeleteObject(chain);
  delete chain;

  // A placement that is no number makes no valid file: the old one stays.
  const std::string file = TempDir() + "/kept.glb";
  ASSERT_TRUE(gl->ExportGltf(file.c_str()));
  std::ifstream before(file, std::ios::binary);
  const std::string old((std::istreambuf_iterator<char>(before)), std::istreambuf_iterator<char>());
  gl->FindPart("Ball")->SetPX(NAN);
  EXPECT_FALSE(gl->ExportGltf(file.c_str()));
  EXPECT_NE(std::string(gl->SaveError().c_str()).find("Ball"), std::string::npos);
  std::ifstream after(file, std::ios::binary);
  EXPECT_EQ(std::string((std::istreambuf_iterator<char>(after)), std::istreambuf_iterator<char>()), old);
}
