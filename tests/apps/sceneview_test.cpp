// sceneview as its users run it: over the scene corpus, on a scene with every kind of part, and on bad files.
#include <gtest/gtest.h>

#include <cairo.h>
#include <sys/wait.h>

#include <cfloat>
#include <cmath>
#include <cstring>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "framework/controls/application.h"
#include "opengl/luce.h"
#include "opengl/opengl.h"
#include "parts/call.h"
#include "parts/parts.h"
#include "parts/primitives.h"
#include "parts/quad.h"
#include "scene_dump.h"
#include "scene_files.h"

namespace fs = std::filesystem;

namespace {

struct Result {
  int status = -1;  // exit code; -1 when it did not exit normally (a crash)
  std::string out, err;
};

std::string Slurp(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

fs::path Temp(const std::string& name) {
  fs::path dir = fs::temp_directory_path() / ("sceneview_test_" + std::to_string(getpid()));
  fs::create_directories(dir);
  return dir / name;
}

Result Sceneview(const std::string& args) {
  fs::path out = Temp("stdout"), err = Temp("stderr");
  std::string cmd = std::string("env -u DISPLAY ") + V3D_SCENEVIEW_PATH + " " + args + " >" + out.string() + " 2>" +
                    err.string();
  int raw = std::system(cmd.c_str());
  Result r;
  r.status = (raw != -1 && WIFEXITED(raw)) ? WEXITSTATUS(raw) : -1;
  r.out = Slurp(out);
  r.err = Slurp(err);
  return r;
}

int Count(const std::string& text, const std::string& what) {
  int n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

std::vector<fs::path> Corpus() {
  std::vector<fs::path> files;
  fs::path dir = fs::path(V3D_SOURCE_DIR) / "fuzz" / "corpus" / "scene";
  if (fs::is_directory(dir))
    for (const auto& e : fs::directory_iterator(dir))
      if (e.is_regular_file()) files.push_back(e.path());
  return files;
}

// Every scene file of the corpus renders, dumps, and re-saves to a file that dumps the same.
TEST(Sceneview, RendersDumpsAndResavesTheCorpus) {
  std::vector<fs::path> files = Corpus();
  if (files.empty()) GTEST_SKIP() << "no scene corpus";
  for (const fs::path& f : files) {
    SCOPED_TRACE(f.string());
    Result dump = Sceneview(f.string() + " --dump");
    ASSERT_EQ(dump.status, 0) << dump.err;
    EXPECT_EQ(Count(dump.out, "\"Enabled\""), 32);
    EXPECT_EQ(Count(dump.out, "\"TextureEnvMode\""), 20);
    EXPECT_NE(dump.out.find("\"Name\": \"__ROOT__\""), std::string::npos);
    EXPECT_EQ(Count(dump.out, "{"), Count(dump.out, "}"));
    EXPECT_EQ(Count(dump.out, "["), Count(dump.out, "]"));

    fs::path saved = Temp("resaved.scene");
    Result save = Sceneview(f.string() + " --save " + saved.string());
    ASSERT_EQ(save.status, 0) << save.err;
    std::string bytes = Slurp(saved);
    ASSERT_GE(bytes.size(), 4u);
    // Scenes holding meshes stay version 5; the others come out as version 4.
    const std::string source = Slurp(f);
    const char version = source.size() >= 4 && source[0] == 5 ? 5 : 4;
    EXPECT_EQ(bytes.substr(0, 4), std::string(1, version) + std::string(3, '\0')) << "saved as the current version";
    EXPECT_EQ(Sceneview(saved.string() + " --dump").out, dump.out);

    fs::path png = Temp("scene.png");
    Result render = Sceneview(f.string() + " --png " + png.string() + " --size 160x120");
    ASSERT_EQ(render.status, 0) << render.err;
    cairo_surface_t* image = cairo_image_surface_create_from_png(png.c_str());
    ASSERT_EQ(cairo_surface_status(image), CAIRO_STATUS_SUCCESS);
    EXPECT_EQ(cairo_image_surface_get_width(image), 160);
    EXPECT_EQ(cairo_image_surface_get_height(image), 120);
    cairo_surface_destroy(image);
  }
}

// A scene with every part kind and awkward values: the dump names them all and reads back exactly.
TEST(Sceneview, DumpShowsEveryMemberExactly) {
  Application->Initialize(BackendKind::Headless);
  fs::path file = Temp("kinds.scene");
  {
    TOpenGl gl(nullptr);
    gl.SetBounds(0, 0, 32, 32);
    gl.Loaded();
    TPart* group = gl.AddGroup(nullptr, "Outer");
    TPart* cube = gl.AddCube(group, "Cu\"be\\\xE9");
    cube->SetPX(0.1f);
    cube->SetSY(FLT_MAX);
    cube->SetShininess(FLT_TRUE_MIN);
    cube->SetUseClipPlane(1, 1);
    cube->SetClipPlaneD(1, 0.1);  // stored as a float in the file
    static_cast<TPartSphere*>(gl.AddSphere(group, "Ball"))->SetSlices(7);
    static_cast<TPartCylinder*>(gl.AddCylinder(nullptr, "Cone"))->SetTopRadius(0);
    static_cast<TPartDisk*>(gl.AddDisk(nullptr, "Ring"))->SetLoops(3);
    auto* quad = static_cast<TPartQuad*>(gl.AddQuad(nullptr, "Tri"));
    quad->SetNPoints(3);
    quad->SetX(1, 1.0f / 3.0f);
    auto* call = new TPartCall;
    call->Name = "Again";
    call->SetUsedPartName("Ball");
    gl.AddObject(nullptr, call);
    T3DVector eye;
    eye.SetX(-1.5f);
    eye.SetZ(1e-7f);
    gl.SetEyePosition(&eye);
    gl.GetLight(3)->SetEnabled(true);
    gl.GetLight(3)->SetSpotCutoff(45.25f);
    gl.SetTextureWrapS(19, 33071);
    ASSERT_TRUE(gl.SaveTo(file.c_str()));
  }
  Result r = Sceneview(file.string() + " --dump");
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string& j = r.out;
  for (const char* cls : {"TPartGroup", "TPartCube", "TPartSphere", "TPartCylinder", "TPartDisk", "TPartQuad",
                          "TPartCall"})
    EXPECT_NE(j.find(std::string("\"class\": \"") + cls + "\""), std::string::npos) << cls;
  EXPECT_NE(j.find("\"Name\": \"Cu\\\"be\\\\\\u00e9\""), std::string::npos) << "escaped name";
  EXPECT_NE(j.find("\"PX\": 0.100000001"), std::string::npos);
  EXPECT_NE(j.find("\"SY\": 3.40282347e+38"), std::string::npos);
  EXPECT_NE(j.find("\"Shininess\": 1.40129846e-45"), std::string::npos);
  EXPECT_NE(j.find("\"UseClipPlane\": [0, 1, 0, 0, 0, 0]"), std::string::npos);
  EXPECT_NE(j.find("\"ClipPlaneD\": [0, 0.10000000149011612, 0, 0, 0, 0]"), std::string::npos);
  EXPECT_NE(j.find("\"Slices\": 7"), std::string::npos);
  EXPECT_NE(j.find("\"TopRadius\": 0"), std::string::npos);
  EXPECT_NE(j.find("\"Loops\": 3"), std::string::npos);
  EXPECT_NE(j.find("\"NPoints\": 3"), std::string::npos);
  EXPECT_NE(j.find("[0.333333343, -1, 0]"), std::string::npos) << "quad point";
  EXPECT_NE(j.find("\"UsedPartName\": \"Ball\""), std::string::npos);
  EXPECT_NE(j.find("\"EyePosition\": [-1.5, 0, 1.00000001e-07, 1]"), std::string::npos);
  EXPECT_NE(j.find("\"SpotCutoff\": 45.25"), std::string::npos);
  EXPECT_NE(j.find("\"TextureWrapS\": 33071"), std::string::npos);
  EXPECT_NE(j.find("\"Parts\": ["), std::string::npos);
  // Groups nest their children: the cube sits inside "Outer".
  EXPECT_LT(j.find("\"Name\": \"Outer\""), j.find("\"class\": \"TPartCube\""));
}

TEST(Sceneview, NumbersReadBackExactlyAndStringsStayValidJson) {
  for (float f : {0.1f, 1.0f / 3.0f, FLT_MAX, -FLT_MIN, FLT_TRUE_MIN, 16777217.0f, -0.0f, 123456.789f}) {
    std::string text = JsonNumber(f, 9);
    EXPECT_EQ(std::strtof(text.c_str(), nullptr), f) << text;
  }
  for (double d : {0.1, 1e-300, -2.5e307}) EXPECT_EQ(std::strtod(JsonNumber(d, 17).c_str(), nullptr), d);
  EXPECT_EQ(JsonNumber(std::nan(""), 9), "\"NaN\"");
  EXPECT_EQ(JsonNumber(-HUGE_VAL, 9), "\"-Infinity\"");
  EXPECT_EQ(JsonString(std::string("a\"\\\n\x01\x7F\xFF", 7)), "\"a\\\"\\\\\\u000a\\u0001\\u007f\\u00ff\"");
}

TEST(Sceneview, BadFilesGiveAMessageAndAFailureNeverACrash) {
  std::string good = Corpus().empty() ? std::string() : Slurp(Corpus().front());
  fs::path truncated = Temp("truncated.scene"), foreign = Temp("foreign.scene"), empty = Temp("empty.scene");
  std::ofstream(truncated, std::ios::binary) << good.substr(0, good.size() / 3);
  std::ofstream(foreign, std::ios::binary) << std::string("\x89PNG\r\n\x1a\n", 8) << std::string(4000, 'x');
  std::ofstream(empty, std::ios::binary);
  std::vector<std::string> bad = {Temp("missing.scene").string(), fs::temp_directory_path().string(),
                                  foreign.string(), empty.string()};
  if (!good.empty()) bad.push_back(truncated.string());
  for (const std::string& f : bad) {
    for (const char* mode : {" --dump", " --save /dev/null", " --png /dev/null"}) {
      SCOPED_TRACE(f + mode);
      Result r = Sceneview(f + mode);
      EXPECT_EQ(r.status, 1);
      EXPECT_EQ(r.err.rfind("sceneview: ", 0), 0u) << r.err;
      EXPECT_NE(r.err.find(f), std::string::npos) << "names the file";
      EXPECT_TRUE(r.out.empty());
    }
  }
  Result usage = Sceneview("--size 10");
  EXPECT_EQ(usage.status, 2);
  EXPECT_NE(usage.err.find("usage"), std::string::npos);
  EXPECT_EQ(Sceneview("a.scene --size 0x5 --dump").status, 2);
  // Without a display there is no window to show: it says so rather than hanging.
  if (!Corpus().empty()) {
    Result window = Sceneview(Corpus().front().string());
    EXPECT_EQ(window.status, 2);
    EXPECT_NE(window.err.find("display"), std::string::npos);
  }
  fs::remove_all(Temp("x").parent_path());
}

// --help is a request, not a mistake; bad values are named with their limits; --pick names the part at a pixel.
TEST(Sceneview, HelpBadValuesAndPick) {
  Result help = Sceneview("--help");
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("usage"), std::string::npos);
  for (const char* key : {"Esc", " q ", " f, space", " r ", " w ", " l ", " s ", " c ", " h "})
    EXPECT_NE(help.out.find(key), std::string::npos) << key;
  EXPECT_TRUE(help.err.empty());

  Result size = Sceneview("a.scene --size 9000x10 --dump");
  EXPECT_EQ(size.status, 2);
  EXPECT_NE(size.err.find("9000x10"), std::string::npos) << size.err;
  EXPECT_NE(size.err.find("8192"), std::string::npos) << size.err;
  Result outside = Sceneview("a.scene --png x.png --size 100x80 --pick 100,5");
  EXPECT_EQ(outside.status, 2);
  EXPECT_NE(outside.err.find("100,5"), std::string::npos) << outside.err;
  EXPECT_NE(outside.err.find("100x80"), std::string::npos) << outside.err;
  EXPECT_EQ(Sceneview("a.scene --pick 1,1").status, 2) << "--pick needs --png";

  Application->Initialize(BackendKind::Headless);
  fs::path file = Temp("pick.scene");
  {
    TOpenGl gl(nullptr);
    gl.SetBounds(0, 0, 32, 32);
    gl.Loaded();
    TPart* group = gl.AddGroup(nullptr, "Outer");
    gl.AddSphere(group, "Ball");
    T3DVector eye;
    eye.SetZ(5);
    gl.SetEyePosition(&eye);
    ASSERT_TRUE(gl.SaveTo(file.c_str()));
  }
  fs::path png = Temp("pick.png");
  Result hit = Sceneview(file.string() + " --png " + png.string() + " --size 100x80 --pick 50,40");
  EXPECT_EQ(hit.status, 0) << hit.err;
  EXPECT_EQ(hit.out, "Group __ROOT__/Group Outer/Sphere Ball\n");
  Result miss = Sceneview(file.string() + " --png " + png.string() + " --size 100x80 --pick 1,1");
  EXPECT_EQ(miss.status, 0) << miss.err;
  EXPECT_EQ(miss.out, "") << "nothing for the background";
}

// Snapshots take the first free NAME-N.png beside the scene and never replace a file.
TEST(Sceneview, SnapshotNamesNeverOverwrite) {
  fs::path dir = Temp("snaps.d");
  fs::create_directories(dir);
  std::string error;
  std::string scene = (dir / "model.scene").string();
  std::ofstream(dir / "model-1.png") << "keep";
  EXPECT_EQ(ReserveSnapshotPath(scene, error), (dir / "model-2.png").string());
  EXPECT_EQ(ReserveSnapshotPath(scene, error), (dir / "model-3.png").string());
  EXPECT_EQ(Slurp(dir / "model-1.png"), "keep");
  EXPECT_EQ(ReserveSnapshotPath((dir / "plain").string(), error), (dir / "plain-1.png").string());
  EXPECT_EQ(ReserveSnapshotPath((dir / "missing" / "x.scene").string(), error), "");
  EXPECT_NE(error.find("missing"), std::string::npos) << error;
  fs::remove_all(dir);
}

}  // namespace

#include "click_test.h"

namespace {

// Both tools pick on a click and orbit on a drag. A busy view may deliver no motion between a press and
// a release far from it: that is still a drag.
TEST(SceneTools, ClickOrDrag) {
  TClickTest t;
  t.Press(mbLeft, ssLeft, 100, 100);
  EXPECT_TRUE(t.Release(mbLeft, 102, 101)) << "within the slop";
  t.Press(mbLeft, ssLeft, 100, 100);
  EXPECT_FALSE(t.Release(mbLeft, 300, 180)) << "far, with no motion in between";
  t.Press(mbLeft, ssLeft, 100, 100);
  t.Move(100, 160);
  t.Move(100, 101);
  EXPECT_FALSE(t.Release(mbLeft, 100, 100)) << "out and back";
  t.Press(mbLeft, ssLeft | ssShift, 100, 100);
  EXPECT_FALSE(t.Release(mbLeft, 100, 100)) << "shift+left pans";
  t.Press(mbRight, 0, 100, 100);
  EXPECT_FALSE(t.Release(mbRight, 100, 100));
  EXPECT_FALSE(t.Release(mbLeft, 100, 100)) << "a release with no press";
}

}  // namespace
