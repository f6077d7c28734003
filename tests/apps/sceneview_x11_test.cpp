// sceneview on a display, driven through XTest: keys, clicks on parts, the wheel, and a file rewritten under it.
#include <gtest/gtest.h>

#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <cairo.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "framework/controls/application.h"
#include "opengl/opengl.h"
#include "parts/call.h"
#include "parts/parts.h"
#include "parts/primitives.h"
#include "parts/quad.h"
#include "child_process.h"
#include "app_tests_main.h"
#include "xvfb.h"

namespace fs = std::filesystem;

namespace {

void Sleep(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

fs::path Temp(const std::string& name) {
  fs::path dir = fs::temp_directory_path() / ("sceneview_x11_test_" + std::to_string(getpid()));
  fs::create_directories(dir);
  return dir / name;
}

std::string Slurp(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// One part of each kind in a row along X, seen from +Z; the file's own camera is far away.
void MakeScene(const fs::path& file, float clearRed) {
  TOpenGl gl(nullptr);
  gl.SetBounds(0, 0, 32, 32);
  gl.Loaded();
  TPart* group = gl.AddGroup(nullptr, "Outer");
  TPart* parts[6];
  parts[0] = gl.AddCube(group, "Box");
  parts[1] = gl.AddSphere(nullptr, "Ball");
  parts[2] = gl.AddCylinder(nullptr, "Can");
  parts[3] = gl.AddDisk(nullptr, "Ring");
  parts[4] = gl.AddQuad(nullptr, "Tile");
  // A call part draws its target's list, the target's own placement included, in its group's frame:
  // the group moves the second ball to the end of the row.
  auto* call = new TPartCall;
  call->Name = "Again";
  call->SetUsedPartName("Ball");
  TPart* echo = gl.AddGroup(nullptr, "Echo");
  echo->SetPX(12);
  gl.AddObject(echo, call);
  parts[5] = call;
  // Seen from the side, and without a hole: solid shapes that a click in their middle hits.
  parts[2]->SetRX(1);
  parts[2]->SetRotationAngle(90);
  static_cast<TPartDisk*>(parts[3])->SetInnerRadius(0);
  static_cast<TPartDisk*>(parts[3])->SetOuterRadius(1);
  for (int i = 0; i < 6; ++i) {
    parts[i]->SetPX(-7.5f + 3.0f * i);
    parts[i]->SetUseMaterial(true);
    parts[i]->SetDiffuseR(0.9f);
    parts[i]->SetDiffuseG(0.5f);
    parts[i]->SetDiffuseB(0.2f);
    parts[i]->SetAmbientR(0.6f);
    parts[i]->SetAmbientG(0.3f);
    parts[i]->SetAmbientB(0.1f);
  }
  T3DVector eye;
  eye.SetZ(40);
  gl.SetEyePosition(&eye);
  gl.SetProjectionFar(100);
  TColorVector clear;
  clear.SetR(clearRed);
  clear.SetG(0.2f);
  clear.SetB(0.4f);
  gl.SetClearColor(&clear);
  ASSERT_TRUE(gl.SaveTo(file.c_str()));
}

// sceneview as a child process; its standard output and error come back line by line.
bool StartViewer(ChildProcess& viewer, const fs::path& file) {
  ChildProcess::Options both;
  both.captureStderr = true;
  return viewer.Start({V3D_SCENEVIEW_PATH, file.string()}, both);
}

class SceneviewOnDisplay : public ::testing::Test {
protected:
  void SetUp() override {
    d = XOpenDisplay(nullptr);
    ASSERT_NE(d, nullptr);
    root = DefaultRootWindow(d);
  }
  void TearDown() override {
    if (d) XCloseDisplay(d);
  }
  // Starts the viewer and finds its window and viewport.
  void Open(const fs::path& file) {
    ASSERT_TRUE(StartViewer(viewer, file));
    std::string title = "sceneview - " + file.string();
    for (int i = 0; i < 200 && !form; ++i, Sleep(50)) form = FindByName(d, root, title);
    ASSERT_NE(form, 0u) << "no window; output: " << viewer.Log;
    for (int i = 0; i < 100 && !view; ++i, Sleep(50)) view = FindByClass(d, form, "TOpenGl");
    ASSERT_NE(view, 0u);
    XWindowAttributes a{};
    for (int i = 0; i < 200 && (!XGetWindowAttributes(d, view, &a) || a.map_state != IsViewable); ++i) Sleep(50);
    ASSERT_EQ(a.map_state, IsViewable);
    WindowSize(d, view, vw, vh);
    Window child;
    XTranslateCoordinates(d, view, form, 0, 0, &vx, &vy, &child);
    // Without a window manager the keyboard follows the pointer.
    MoveTo(d, view, vw / 2, 5);
  }
  // The viewport once its picture holds still.
  Shot View() {
    Shot shot, last;
    for (int i = 0; i < 100; ++i) {
      Sleep(80);
      if (!Grab(d, view, shot)) continue;
      if (i > 0 && shot.CountDifferent(last) == 0) break;
      last = shot;
    }
    return shot;
  }
  // The status strip below the viewport, as the form shows it.
  Shot Strip() {
    Shot whole, strip;
    Sleep(300);
    Grab(d, form, whole);
    strip.width = whole.width;
    strip.height = whole.height - (vy + vh);
    for (int y = vy + vh; y < whole.height; ++y)
      for (int x = 0; x < whole.width; ++x) strip.rgb.push_back(whole.At(x, y));
    return strip;
  }
  int Scene(const Shot& s, uint32_t sky) { return s.CountOther(0, 0, s.width, s.height, sky, 6); }
  std::string Key(KeySym k, const std::string& expect) {
    TypeKey(d, k);
    return viewer.WaitLine(expect);
  }

  Display* d = nullptr;
  Window root = 0, form = 0, view = 0;
  int vx = 0, vy = 0, vw = 0, vh = 0;
  ChildProcess viewer;
};

// Keeps a picture where SCENEVIEW_SHOTS names a folder, for a person to look at.
void Keep(const Shot& s, const std::string& name) {
  const char* dir = std::getenv("SCENEVIEW_SHOTS");
  if (!dir || s.width <= 0) return;
  cairo_surface_t* image = cairo_image_surface_create(CAIRO_FORMAT_RGB24, s.width, s.height);
  cairo_surface_flush(image);
  unsigned char* data = cairo_image_surface_get_data(image);
  int stride = cairo_image_surface_get_stride(image);
  for (int y = 0; y < s.height; ++y)
    for (int x = 0; x < s.width; ++x) reinterpret_cast<uint32_t*>(data + y * stride)[x] = s.At(x, y);
  cairo_surface_mark_dirty(image);
  cairo_surface_write_to_png(image, (std::string(dir) + "/" + name + ".png").c_str());
  cairo_surface_destroy(image);
}

// The middle row's runs of scene pixels, as their centres.
std::vector<int> Runs(const Shot& s, uint32_t sky) {
  std::vector<int> centres;
  int y = s.height / 2, start = -1;
  for (int x = 0; x <= s.width; ++x) {
    bool scene = x < s.width && s.CountOther(x, y, 1, 1, sky, 6) == 1;
    if (scene && start < 0) start = x;
    if (!scene && start >= 0) {
      if (x - start > 4) centres.push_back((start + x) / 2);
      start = -1;
    }
  }
  return centres;
}

TEST_F(SceneviewOnDisplay, KeysClicksAndTheWheelDoWhatTheHelpSays) {
  fs::path file = Temp("row.scene");
  MakeScene(file, 0.2f);
  std::ofstream(Temp("row-1.png")) << "not mine";
  ASSERT_NO_FATAL_FAILURE(Open(file));
  const uint32_t sky = 0x333366;

  // Framed on load: the whole row, every kind of part, fills the width.
  Shot fit = View();
  int fitCount = Scene(fit, sky);
  EXPECT_EQ(fit.At(2, 2), sky);
  Keep(fit, "fit");
  std::vector<int> runs = Runs(fit, sky);
  ASSERT_EQ(runs.size(), 6u) << "six shapes across the middle";

  // A click on each shape prints its path and class; the picked one is outlined in cyan.
  const char* expected[6] = {"picked Group __ROOT__/Group Outer/Cube Box (TPartCube)",
                             "picked Group __ROOT__/Sphere Ball (TPartSphere)",
                             "picked Group __ROOT__/Cylinder Can (TPartCylinder)",
                             "picked Group __ROOT__/Disk Ring (TPartDisk)", "picked Group __ROOT__/Quad Tile (TPartQuad)",
                             "picked Group __ROOT__/Group Echo/Call list Again (TPartCall)"};
  for (int i = 0; i < 6; ++i) {
    Click(d, view, runs[i], vh / 2);
    std::string line = viewer.WaitLine("picked ");
    EXPECT_EQ(line.rfind(expected[i], 0), 0u) << line;
    if (i == 0) {
      EXPECT_NE(line.find(" at -7.5 0 0"), std::string::npos) << line;
      EXPECT_NE(line.find("diffuse 0.90 0.50 0.20"), std::string::npos) << line;
      Shot picked = View();
      EXPECT_GT(picked.CountNear(0, 0, vw, vh, 0x00FFFF, 40), 60) << "outline";
    }
  }
  Shot status = Strip();
  EXPECT_GT(status.CountNear(0, 0, status.width, status.height, 0x000000, 80), 100) << "the pick in the status line";
  Click(d, view, vw / 2, 10);
  EXPECT_NE(viewer.WaitLine("nothing at"), "");
  EXPECT_EQ(View().CountNear(0, 0, vw, vh, 0x00FFFF, 40), 0) << "no outline after a click on nothing";

  // w: wireframe leaves most of the surfaces empty; again: filled.
  EXPECT_EQ(Key(XK_w, "wireframe"), "wireframe on");
  EXPECT_LT(Scene(View(), sky), fitCount * 3 / 4);
  EXPECT_EQ(Key(XK_w, "wireframe"), "wireframe off");
  EXPECT_EQ(Scene(View(), sky), fitCount);

  // l: the headlight lights the parts.
  EXPECT_EQ(Key(XK_l, "headlight"), "headlight on");
  Shot lit = View();
  EXPECT_GT(lit.CountDifferent(fit), fitCount / 2);
  EXPECT_EQ(Key(XK_l, "headlight"), "headlight off");

  // Twenty notches out: smaller, but never past the far plane.
  MoveTo(d, view, vw / 2, vh / 2);
  for (int i = 0; i < 20; ++i) Button(d, 5);
  Shot far = View();
  EXPECT_GT(Scene(far, sky), 50) << "still there";
  EXPECT_LT(Scene(far, sky), fitCount / 10);
  // f and space frame it again.
  EXPECT_EQ(Key(XK_f, "fit"), "fit");
  EXPECT_NEAR(Scene(View(), sky), fitCount, fitCount / 50);
  for (int i = 0; i < 5; ++i) Button(d, 5);
  EXPECT_EQ(Key(XK_space, "fit"), "fit");
  EXPECT_NEAR(Scene(View(), sky), fitCount, fitCount / 50);
  // r: the file's own camera, far away.
  EXPECT_EQ(Key(XK_r, "camera"), "camera from the file");
  int fileCount = Scene(View(), sky);
  EXPECT_GT(fileCount, 50);
  EXPECT_LT(fileCount, fitCount / 4);
  EXPECT_EQ(Key(XK_f, "fit"), "fit");

  // s and h change the status line.
  Shot before = Strip();
  EXPECT_EQ(Key(XK_s, "stats"), "stats on");
  Shot stats = Strip();
  EXPECT_GT(stats.CountDifferent(before), 50);
  TypeKey(d, XK_h);
  EXPECT_NE(viewer.WaitLine("keys:"), "") << "h lists the keys";
  EXPECT_GT(Strip().CountDifferent(stats), 50);
  EXPECT_EQ(Key(XK_s, "stats"), "stats off");

  // c: snapshots beside the file, never over one that is there.
  std::string snap = Key(XK_c, "snapshot");
  EXPECT_EQ(snap, "snapshot " + Temp("row-2.png").string());
  EXPECT_EQ(Key(XK_c, "snapshot"), "snapshot " + Temp("row-3.png").string());
  EXPECT_EQ(Slurp(Temp("row-1.png")), "not mine");
  cairo_surface_t* image = cairo_image_surface_create_from_png(Temp("row-2.png").c_str());
  ASSERT_EQ(cairo_surface_status(image), CAIRO_STATUS_SUCCESS);
  EXPECT_EQ(cairo_image_surface_get_width(image), vw);
  EXPECT_EQ(cairo_image_surface_get_height(image), vh);
  cairo_surface_destroy(image);

  // Esc quits.
  TypeKey(d, XK_Escape);
  EXPECT_EQ(viewer.WaitExit(10000), 0) << viewer.Log;
}

// 1 front, Shift+1 back: the row seen from behind is its mirror picture about the target; 7 looks down on it;
// 5 turns orthographic and back.
TEST_F(SceneviewOnDisplay, ViewKeysLookFromEachSideAndFiveTurnsOrthographic) {
  fs::path file = Temp("sides.scene");
  MakeScene(file, 0.2f);
  ASSERT_NO_FATAL_FAILURE(Open(file));
  const uint32_t sky = 0x333366;
  EXPECT_EQ(Key(XK_1, "view from"), "view from the front");
  std::vector<int> front = Runs(View(), sky);
  ASSERT_EQ(front.size(), 6u);
  KeyCode shift = XKeysymToKeycode(d, XK_Shift_L);
  XTestFakeKeyEvent(d, shift, True, CurrentTime);
  XSync(d, False);
  std::string back = Key(XK_1, "view from");
  XTestFakeKeyEvent(d, shift, False, CurrentTime);
  XSync(d, False);
  EXPECT_EQ(back, "view from the back");
  std::vector<int> mirrored = Runs(View(), sky);
  ASSERT_EQ(mirrored.size(), 6u);
  for (int i = 0; i < 6; ++i) EXPECT_NEAR(mirrored[i], vw - 1 - front[5 - i], 3) << i;
  // From the top the row still runs across the middle; the flat disk and tile are seen edge-on.
  EXPECT_EQ(Key(XK_7, "view from"), "view from the top");
  std::vector<int> top = Runs(View(), sky);
  EXPECT_GE(top.size(), 3u);
  EXPECT_LT(top.size(), 6u);
  EXPECT_EQ(Key(XK_1, "view from"), "view from the front");
  EXPECT_EQ(Key(XK_5, "orthographic"), "orthographic");
  EXPECT_EQ(Runs(View(), sky).size(), 6u);
  EXPECT_EQ(Key(XK_5, "perspective"), "perspective");
  TypeKey(d, XK_Escape);
  EXPECT_EQ(viewer.WaitExit(10000), 0) << viewer.Log;
}

TEST_F(SceneviewOnDisplay, ARewrittenFileReloadsWithTheCameraKeptAndABadOneKeepsTheLastGoodScene) {
  fs::path file = Temp("live.scene"), next = Temp("next.scene");
  MakeScene(file, 0.2f);
  MakeScene(next, 0.8f);
  ASSERT_NO_FATAL_FAILURE(Open(file));
  const uint32_t sky = 0x333366, newSky = 0xCC3366;
  MoveTo(d, view, vw / 2, vh / 2);
  for (int i = 0; i < 3; ++i) Button(d, 4);
  Shot zoomed = View();
  int zoomedCount = Scene(zoomed, sky);
  Shot status = Strip();

  // Half a file, as a generator leaves it mid-write: an error, and the scene stays as it was.
  std::string good = Slurp(next);
  std::ofstream(file, std::ios::binary | std::ios::trunc) << good.substr(0, good.size() / 2);
  EXPECT_NE(viewer.WaitLine("reload failed"), "") << viewer.Log;
  EXPECT_EQ(View().CountDifferent(zoomed), 0) << "the last good scene, same camera";
  EXPECT_GT(Strip().CountDifferent(status), 50) << "the error in the status line";

  // The complete file: the new clear colour, the same camera.
  std::ofstream(file, std::ios::binary | std::ios::trunc) << good;
  EXPECT_NE(viewer.WaitLine("reloaded"), "") << viewer.Log;
  Shot reloaded = View();
  EXPECT_EQ(reloaded.At(2, 2), newSky);
  EXPECT_NEAR(Scene(reloaded, newSky), zoomedCount, zoomedCount / 50) << "the camera stayed";

  TypeKey(d, XK_q);
  EXPECT_EQ(viewer.WaitExit(10000), 0) << viewer.Log;
}

}  // namespace

// Scenes are made headless here; only the viewer under test talks to the private Xvfb.
int main(int argc, char** argv) {
  return RunAppTestsOnXvfb(argc, argv, [] {
    if (!std::getenv("SCENEVIEW_SHOTS")) fs::remove_all(Temp("x").parent_path());
  });
}
