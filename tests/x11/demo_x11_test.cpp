// The demo on a display: its window shows the scene and the editors, and a scroll bar moves the picture.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <thread>

#include "child_process.h"
#include "xvfb.h"

#include <X11/Xutil.h>

namespace {

void Sleep(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

// Waits until the window's picture holds still for two grabs in a row.
bool Settled(Display* d, Window w, Shot& shot) {
  Shot last;
  for (int i = 0; i < 100; ++i) {
    Sleep(100);
    if (!Grab(d, w, shot)) continue;
    if (i > 0 && shot.CountDifferent(last) == 0) return true;
    last = shot;
  }
  return false;
}

Window Inside(Display* d, Window root, const std::string& name, const std::string& cls) {
  Window parent = FindByName(d, root, name);
  return parent ? FindByClass(d, parent, cls) : 0;
}

TEST(DemoOnDisplay, ShowsSceneAndEditorsAndScrollBarsChangeThePicture) {
  Display* d = XOpenDisplay(nullptr);
  ASSERT_NE(d, nullptr);
  Window root = DefaultRootWindow(d);
  ChildProcess demo;
  ASSERT_TRUE(demo.Start({V3D_DEMO_PATH, "--still", "--size", "640x480"}));
  Window form = 0;
  for (int i = 0; i < 200 && !form; ++i, Sleep(50)) form = FindByName(d, root, "viewport3d demo");
  ASSERT_NE(form, 0u) << "no demo window";
  XClassHint hint{};
  ASSERT_TRUE(XGetClassHint(d, form, &hint));
  EXPECT_STREQ(hint.res_name, "demo");
  EXPECT_STREQ(hint.res_class, "Demo");
  XFree(hint.res_name);
  XFree(hint.res_class);
  Window view = 0;
  for (int i = 0; i < 100 && !view; ++i, Sleep(50)) view = FindByClass(d, form, "TOpenGl");
  ASSERT_NE(view, 0u);

  // The screenshot comes from the server: the whole window, viewport and editor strip.
  Shot shot;
  ASSERT_TRUE(Settled(d, form, shot));
  int vx = 0, vy = 0;
  Window child;
  XTranslateCoordinates(d, view, form, 0, 0, &vx, &vy, &child);
  int vw = 0, vh = 0;
  WindowSize(d, view, vw, vh);
  ASSERT_GT(vh, 200);
  const uint32_t sky = 0x1A1F33;  // the clear colour 0.1, 0.12, 0.2
  EXPECT_GT(shot.CountNear(vx, vy, vw, vh, sky, 3), vw * vh / 4) << "sky";
  EXPECT_GT(shot.CountOther(vx, vy, vw, vh, sky, 3), vw * vh / 15) << "the scene";
  int stripTop = vy + vh;
  int stripH = shot.height - stripTop;
  ASSERT_GT(stripH, 100) << "editor strip below the viewport";
  EXPECT_GT(shot.CountNear(0, stripTop, shot.width, stripH, 0xFFFF00), 3 * 40) << "current fields in yellow";
  EXPECT_GT(shot.CountNear(0, stripTop, shot.width, stripH, 0xD8D8D8), 3 * 200) << "scroll bar troughs";
  EXPECT_GT(shot.CountNear(0, stripTop, shot.width, stripH, 0x000000, 60), 100) << "captions";

  // The clear colour's right arrow: red goes up by the step, and the sky with it.
  Window colorBar = Inside(d, root, "ColorEdit", "TScrollBar");
  ASSERT_NE(colorBar, 0u);
  int bw = 0, bh = 0;
  WindowSize(d, colorBar, bw, bh);
  Click(d, colorBar, bw - 3, bh / 2);
  EXPECT_EQ(demo.WaitPrefix("ClearColor"), "ClearColor 0.200 0.120 0.200");
  Shot view1, view2;
  ASSERT_TRUE(Settled(d, view, view1));
  EXPECT_GT(view1.CountNear(0, 0, view1.width, view1.height, 0x331F33, 3), vw * vh / 4) << "redder sky";

  // The camera: pick the Y field by its label, then step it with the arrow; the scene moves.
  Window eyeLabels = Inside(d, root, "EyeEdit", "TPanel");
  ASSERT_NE(eyeLabels, 0u);
  Click(d, eyeLabels, 60, 8);  // "X= 0.00" is about 45 pixels wide
  // A loaded machine may take a while: the field is picked once its label turns yellow.
  bool picked = false;
  for (int i = 0; i < 50 && !picked; ++i) {
    Sleep(100);
    Shot labels;
    picked = Settled(d, eyeLabels, labels) && labels.CountNear(50, 0, 40, labels.height, 0xFFFF00) > 20;
  }
  ASSERT_TRUE(picked) << "the Y field is picked";
  Window eyeBar = Inside(d, root, "EyeEdit", "TScrollBar");
  ASSERT_NE(eyeBar, 0u);
  WindowSize(d, eyeBar, bw, bh);
  Click(d, eyeBar, bw - 3, bh / 2);
  EXPECT_TRUE(demo.Saw("EyePosition 0.000 3.500 -8.000")) << demo.Log;
  ASSERT_TRUE(Settled(d, view, view2));
  EXPECT_GT(view2.CountDifferent(view1), 500) << "the camera moved";

  // A click in the trough pages the clear colour by the larger step.
  WindowSize(d, colorBar, bw, bh);
  Click(d, colorBar, bw * 3 / 4, bh / 2);
  std::string paged = demo.WaitPrefix("ClearColor");
  float red = 0;
  ASSERT_EQ(std::sscanf(paged.c_str(), "ClearColor %f", &red), 1) << paged;
  EXPECT_NEAR(red, 0.45f, 0.0015f) << "a trough click steps 0.25, an arrow click 0.1";

  // Closing the window ends the demo cleanly.
  SendClose(d, form);
  EXPECT_EQ(demo.WaitExit(10000), 0);
  XCloseDisplay(d);
}

}  // namespace
