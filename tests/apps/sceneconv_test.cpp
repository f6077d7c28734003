// sceneconv as its users run it: every output format from a scene, a model's round trip through a scene and
// glTF, sceneview opening a model, and each way a conversion fails.
#include <gtest/gtest.h>

#include <assimp/Importer.hpp>
#include <assimp/postprocess.h>
#include <assimp/scene.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "framework/controls/application.h"
#include "framework/graphics/graphics.h"
#include "opengl/opengl.h"
#include "parts/call.h"
#include "parts/primitives.h"

namespace fs = std::filesystem;

namespace {

struct Result {
  int status = -1;
  std::string out, err;
};

fs::path Temp(const std::string& name) {
  fs::path dir = fs::temp_directory_path() / ("sceneconv_test_" + std::to_string(getpid()));
  fs::create_directories(dir);
  return dir / name;
}

std::string Slurp(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

Result RunTool(const char* tool, const std::string& args) {
  const fs::path out = Temp("stdout"), err = Temp("stderr");
  const std::string cmd = std::string("env -u DISPLAY ") + tool + " " + args + " >" + out.string() + " 2>" + err.string();
  const int raw = std::system(cmd.c_str());
  Result r;
  r.status = (raw != -1 && WIFEXITED(raw)) ? WEXITSTATUS(raw) : -1;
  r.out = Slurp(out);
  r.err = Slurp(err);
  return r;
}

Result Conv(const std::string& args) { return RunTool(V3D_SCENECONV_PATH, args); }

std::string Q(const fs::path& p) { return "'" + p.string() + "'"; }

// A scene of nested, placed groups, three kinds and a call part, saved as a scene file.
fs::path MakeScene() {
  const fs::path file = Temp("parts.scene");
  Application->Initialize(BackendKind::Headless);
  auto* gl = new TOpenGl(nullptr);
  gl->SetBounds(0, 0, 32, 32);
  TPart* arm = gl->AddGroup(nullptr, "Arm");
  arm->SetPX(2);
  arm->SetRZ(1);
  arm->SetRotationAngle(40);
  TPart* box = gl->AddCube(arm, "Box");
  box->SetSY(3);
  auto* cone = static_cast<TPartCylinder*>(gl->AddCylinder(arm, "Cone"));
  cone->SetTopRadius(0);
  cone->SetSlices(6);
  cone->SetStacks(2);
  gl->AddSphere(nullptr, "Ball")->SetPZ(-3);
  auto* call = new TPartCall;
  call->Name = "Again";
  call->SetUsedPartName("Arm");
  gl->AddObject(nullptr, call);
  EXPECT_TRUE(gl->SaveTo(file.c_str()));
  delete gl;
  return file;
}

// Every triangle's corners in world coordinates, through the node transforms.
void Corners(const aiScene* s, const aiNode* node, const aiMatrix4x4& parent, std::vector<aiVector3D>& out) {
  const aiMatrix4x4 m = parent * node->mTransformation;
  for (unsigned k = 0; k < node->mNumMeshes; ++k) {
    const aiMesh* mesh = s->mMeshes[node->mMeshes[k]];
    for (unsigned f = 0; f < mesh->mNumFaces; ++f)
      for (unsigned v = 0; v < mesh->mFaces[f].mNumIndices; ++v) out.push_back(m * mesh->mVertices[mesh->mFaces[f].mIndices[v]]);
  }
  for (unsigned i = 0; i < node->mNumChildren; ++i) Corners(s, node->mChildren[i], m, out);
}

std::vector<aiVector3D> Corners(const fs::path& file) {
  Assimp::Importer importer;
  const aiScene* s = importer.ReadFile(file.string(), aiProcess_Triangulate);
  std::vector<aiVector3D> out;
  EXPECT_TRUE(s) << file << ": " << importer.GetErrorString();
  if (s) Corners(s, s->mRootNode, aiMatrix4x4(), out);
  return out;
}

double Worst(const std::vector<aiVector3D>& a, const std::vector<aiVector3D>& b) {
  double worst = a.size() == b.size() ? 0 : 1e9;
  for (size_t i = 0; i < a.size() && i < b.size(); ++i) worst = std::max(worst, static_cast<double>((a[i] - b[i]).Length()));
  return worst;
}

}  // namespace

TEST(Sceneconv, WritesEveryFormatFromAScene) {
  const fs::path scene = MakeScene();
  // Cube 12, cone 6 x 2 x 2 = 24, sphere 20 x 20 x 2 = 800, and the arm once more through the call part.
  const size_t triangles = 12 + 24 + 800 + 12 + 24;
  std::vector<aiVector3D> reference;
  for (const char* ext : {".obj", ".stl", ".ply", ".gltf", ".glb"}) {
    SCOPED_TRACE(ext);
    const fs::path out = Temp(std::string("parts") + ext);
    const Result r = Conv(Q(scene) + " " + Q(out));
    ASSERT_EQ(r.status, 0) << r.err;
    const std::vector<aiVector3D> corners = Corners(out);
    EXPECT_EQ(corners.size(), triangles * 3);
    // Every format holds the same triangles where the scene draws them.
    if (reference.empty())
      reference = corners;
    else
      EXPECT_LT(Worst(reference, corners), 1e-4);
  }
  EXPECT_TRUE(fs::exists(Temp("parts.mtl")));
  EXPECT_TRUE(fs::exists(Temp("parts.bin")));
  const std::string validate = "node " V3D_SOURCE_DIR "/scripts/validate_gltf.js " + Q(Temp("parts.gltf")) + " " +
                               Q(Temp("parts.glb")) + " > /dev/null";
  EXPECT_EQ(std::system(validate.c_str()), 0);

  // A scene file again, byte for byte what was read.
  const fs::path copy = Temp("copy.scene");
  ASSERT_EQ(Conv(Q(scene) + " " + Q(copy)).status, 0);
  EXPECT_EQ(Slurp(copy), Slurp(scene));

  // Progress on request.
  const Result verbose = Conv("--verbose " + Q(scene) + " " + Q(Temp("verbose.glb")));
  EXPECT_EQ(verbose.status, 0);
  EXPECT_NE(verbose.err.find("reading"), std::string::npos);
  EXPECT_NE(verbose.err.find("done"), std::string::npos);
}

TEST(Sceneconv, AModelKeepsItsTrianglesThroughASceneAndGltf) {
  const fs::path scene = MakeScene();
  const fs::path model = Temp("model.obj"), asScene = Temp("model.scene"), gltf = Temp("model.glb"),
                 back = Temp("back.obj");
  ASSERT_EQ(Conv(Q(scene) + " " + Q(model)).status, 0);
  const Result toScene = Conv(Q(model) + " " + Q(asScene));
  ASSERT_EQ(toScene.status, 0) << toScene.err;
  ASSERT_EQ(Conv(Q(asScene) + " " + Q(gltf)).status, 0);
  ASSERT_EQ(Conv(Q(gltf) + " " + Q(back)).status, 0);
  const std::vector<aiVector3D> first = Corners(model);
  EXPECT_LT(Worst(first, Corners(gltf)), 1e-5);
  EXPECT_LT(Worst(first, Corners(back)), 1e-5);

  // sceneview opens the model as it opens a scene file.
  const Result dump = RunTool(V3D_SCENEVIEW_PATH, "--dump " + Q(model));
  EXPECT_EQ(dump.status, 0) << dump.err;
  EXPECT_NE(dump.out.find("TPartMesh"), std::string::npos);
  const Result png = RunTool(V3D_SCENEVIEW_PATH, "--png " + Q(Temp("model.png")) + " " + Q(model));
  EXPECT_EQ(png.status, 0) << png.err;
  // A model brings no light: the headlight shows it, where it would otherwise be all but black.
  TPicture picture;
  picture.LoadFromFile(Temp("model.png").c_str());
  TBitmap* b = picture.Bitmap();
  int brightest = 0;
  for (int y = 0; y < b->Height(); ++y)
    for (int x = 0; x < b->Width(); ++x) {
      const TColor c = b->Pixel(x, y);
      brightest = std::max({brightest, int(c & 0xff), int((c >> 8) & 0xff), int((c >> 16) & 0xff)});
    }
  EXPECT_GT(brightest, 120);

  // The scene file made from it keeps a light of its own, since it cannot keep the headlight.
  const Result sceneDump = RunTool(V3D_SCENEVIEW_PATH, "--dump " + Q(asScene));
  EXPECT_NE(sceneDump.out.find("\"Enabled\": true"), std::string::npos) << sceneDump.out.substr(0, 2000);
}

TEST(Sceneconv, EveryFailureSaysWhyAndExitsNonZero) {
  const fs::path scene = MakeScene();
  const Result help = Conv("--help");
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("usage: sceneconv"), std::string::npos);

  struct Case {
    std::string args, says;
    int status;
  } cases[] = {
      {"", "needs an input and an output file", 2},
      {Q(scene), "needs an output file", 2},
      {"--fast " + Q(scene) + " x.glb", "unknown option --fast", 2},
      {Q(Temp("missing.obj")) + " " + Q(Temp("x.glb")), "no such file", 1},
      {Q(Temp("")) + " " + Q(Temp("x.glb")), "is a folder", 1},
      {Q(scene) + " " + Q(Temp("x.xyz")), "cannot write this format", 1},
      {Q(scene) + " " + Q(Temp("none/x.glb")), "x.glb", 1},
      {Q(scene) + " " + Q(Temp("none/x.obj")), "x.obj", 1},
      {Q(scene) + " " + Q(Temp("none/x.scene")), "x.scene", 1},
  };
  for (const Case& c : cases) {
    const Result r = Conv(c.args);
    EXPECT_EQ(r.status, c.status) << c.args << ": " << r.err;
    EXPECT_NE(r.err.find(c.says), std::string::npos) << c.args << ": " << r.err;
  }
  std::ofstream(Temp("junk.obj")) << "this is no model\n";
  const Result junk = Conv(Q(Temp("junk.obj")) + " " + Q(Temp("x.glb")));
  EXPECT_EQ(junk.status, 1);
  EXPECT_NE(junk.err.find("junk.obj"), std::string::npos);
  EXPECT_FALSE(fs::exists(Temp("x.glb")));

  // A full disk (a link to /dev/full) fails with the file system's words, in every output format.
  for (const char* name : {"full.obj", "full.stl", "full.glb", "full.gltf", "full.scene"}) {
    fs::remove(Temp(name));
    fs::create_symlink("/dev/full", Temp(name));
    const Result r = Conv(Q(scene) + " " + Q(Temp(name)));
    EXPECT_EQ(r.status, 1) << name << ": " << r.err;
    EXPECT_NE(r.err.find("No space left on device"), std::string::npos) << name << ": " << r.err;
  }
}
