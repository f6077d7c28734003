// The README's example program, built against the installed package: headless it writes a picture of a
// lit, turned cube and ends; on a display it opens its window and ends when the window is closed.
#include <cairo.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "child_process.h"
#include "xvfb.h"

namespace {

void Sleep(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

// What a lit, turned cube looks like: a good part of the picture off the background, and at least two
// faces in clearly different shades, neither of them dark.
void ExpectLitCube(const Shot& shot) {
  ASSERT_GT(shot.width, 0);
  uint32_t background = shot.At(0, 0);
  std::map<uint32_t, int> shades;
  int cube = 0;
  for (uint32_t p : shot.rgb) {
    if (p == background) continue;
    ++cube;
    ++shades[p & 0xF0F0F0];
  }
  int total = shot.width * shot.height;
  EXPECT_GT(cube, total / 20) << "the cube is too small or missing";
  std::vector<std::pair<uint32_t, int>> faces;
  for (auto& s : shades)
    if (s.second > total / 100) faces.push_back(s);
  ASSERT_GE(faces.size(), 2u) << "one flat shade: the cube is not turned or not lit";
  int brightest = 0, darkest = 255;
  for (auto& f : faces) {
    int r = (f.first >> 16) & 0xFF;
    brightest = std::max(brightest, r);
    darkest = std::min(darkest, r);
  }
  EXPECT_GT(brightest, 0x80) << "no face is lit";
  EXPECT_GT(brightest - darkest, 0x20) << "the faces do not differ in shade";
}

bool LoadPng(const std::string& path, Shot& shot) {
  cairo_surface_t* s = cairo_image_surface_create_from_png(path.c_str());
  bool ok = cairo_surface_status(s) == CAIRO_STATUS_SUCCESS;
  if (ok) {
    shot.width = cairo_image_surface_get_width(s);
    shot.height = cairo_image_surface_get_height(s);
    int stride = cairo_image_surface_get_stride(s);
    const unsigned char* data = cairo_image_surface_get_data(s);
    shot.rgb.resize(static_cast<size_t>(shot.width) * shot.height);
    for (int y = 0; y < shot.height; ++y)
      for (int x = 0; x < shot.width; ++x)
        shot.rgb[static_cast<size_t>(y) * shot.width + x] =
            reinterpret_cast<const uint32_t*>(data + static_cast<size_t>(y) * stride)[x] & 0xFFFFFF;
  }
  cairo_surface_destroy(s);
  return ok;
}

// NOTE: a window grabbed before the server maps it fails with BadMatch; Xlib's default handler would exit.
int IgnoreXError(Display*, XErrorEvent*) { return 0; }

std::string TempFolder() {
  char name[] = "/tmp/v3d-readme-XXXXXX";
  return mkdtemp(name) ? name : "";
}

TEST(ReadmeExample, HeadlessWritesALitTurnedCubeAndEnds) {
  std::string folder = TempFolder();
  ASSERT_FALSE(folder.empty());
  ChildProcess example;
  ChildProcess::Options headless;
  headless.folder = folder;
  headless.headless = true;
  ASSERT_TRUE(example.Start({V3D_README_EXAMPLE}, headless));
  EXPECT_EQ(example.WaitExit(30000), 0) << "the example did not end by itself";
  Shot picture;
  ASSERT_TRUE(LoadPng(folder + "/viewport.png", picture));
  EXPECT_EQ(picture.width, 640);
  ExpectLitCube(picture);
  std::remove((folder + "/viewport.png").c_str());
  rmdir(folder.c_str());
}

TEST(ReadmeExample, OnADisplayShowsTheCubeAndEndsWhenTheWindowIsClosed) {
  if (!Xvfb::Installed()) GTEST_SKIP() << "Xvfb is not installed";
  Xvfb server;
  ASSERT_TRUE(server.Start());
  Display* d = XOpenDisplay(nullptr);
  ASSERT_NE(d, nullptr);
  XSetErrorHandler(IgnoreXError);
  std::string folder = TempFolder();
  ChildProcess example;
  ChildProcess::Options onDisplay;
  onDisplay.folder = folder;
  ASSERT_TRUE(example.Start({V3D_README_EXAMPLE}, onDisplay));
  Window form = 0;
  for (int i = 0; i < 200 && !form; ++i, Sleep(50)) form = FindByName(d, DefaultRootWindow(d), "viewport3d example");
  ASSERT_NE(form, 0u) << "no window";
  // The picture as the server shows it, once it is drawn and holds still.
  Shot shot, last;
  bool settled = false;
  for (int i = 0; i < 100 && !settled; ++i) {
    Sleep(100);
    XWindowAttributes attrs{};
    if (!XGetWindowAttributes(d, form, &attrs) || attrs.map_state != IsViewable || !Grab(d, form, shot)) continue;
    // A window the program has not drawn into yet holds still too, in one colour.
    bool drawn = shot.CountOther(0, 0, shot.width, shot.height, shot.At(0, 0), 0) > 0;
    settled = drawn && shot.CountDifferent(last) == 0;
    last = shot;
  }
  ASSERT_TRUE(settled);
  ExpectLitCube(shot);
  EXPECT_EQ(example.WaitExit(300), -1) << "it ended before the window was closed";

  // The window manager's close button on the main form ends Application->Run().
  SendClose(d, form);
  EXPECT_EQ(example.WaitExit(10000), 0);
  XCloseDisplay(d);
  rmdir(folder.c_str());
}

}  // namespace
