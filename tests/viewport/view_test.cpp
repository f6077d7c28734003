// Picking, scene bounds, snapshots and the headlight on a loaded headless viewport.
#include <GL/gl.h>
#include <GL/glu.h>

#include <cmath>
#include <cstdio>
#include <string>

#include "opengl/luce.h"
#include "opengl/opengl.h"
#include "parts/call.h"
#include "parts/parts.h"
#include "parts/primitives.h"
#include "parts/quad.h"
#include "support/viewport_fixture.h"

namespace {

const int kW = 200, kH = 150;

struct View : ::testing::Test {
  TOpenGl* gl = nullptr;
  void SetUp() override { gl = MakeLoadedViewport<TOpenGl>(kW, kH); }
  void TearDown() override { delete gl; }
  // Rebuilds and paints.
  void Show() { Step(40); }
  // The client pixel (x from the left, y from the top) where a world point lands.
  void Project(double x, double y, double z, int& px, int& py) {
    ProjectToClient(x, y, z, px, py);
  }
  TPart* PickAt(double x, double y, double z) {
    int px, py;
    Project(x, y, z, px, py);
    return gl->PartAt(px, py);
  }
};

}  // namespace

TEST_F(View, PickingFindsEachKindAndTheNearestInnermostPart) {
  TPart* cube = gl->AddCube(nullptr, "cube");
  cube->SetPX(-6);
  TPart* sphere = gl->AddSphere(nullptr, "sphere");
  sphere->SetPX(-3);
  TPart* cylinder = gl->AddCylinder(nullptr, "cylinder");  // seen from the side
  cylinder->SetRX(1);
  cylinder->SetRotationAngle(90);
  TPart* disk = gl->AddDisk(nullptr, "disk");  // an annulus: its centre is a hole
  disk->SetPX(5);
  auto* quad = static_cast<TPartQuad*>(gl->AddQuad(nullptr, "quad"));
  quad->SetPY(4);
  TPart* outer = gl->AddGroup(nullptr, "outer");
  outer->SetPY(-4);
  TPart* inner = gl->AddGroup(outer, "inner");
  TPart* deep = gl->AddCube(inner, "deep");
  Show();

  EXPECT_EQ(PickAt(-6, 0, 0), cube);
  EXPECT_EQ(PickAt(-3, 0, 0), sphere);
  EXPECT_EQ(PickAt(0, -0.5, -0.5), cylinder);
  EXPECT_EQ(PickAt(6.5, 0, 0), disk);
  EXPECT_EQ(PickAt(5, 0, 0), nullptr);
  EXPECT_EQ(PickAt(quad->GetX(0) * 0.5, 4 + quad->GetY(0) * 0.5, 0), quad);
  EXPECT_EQ(PickAt(0, -4, 0), deep);
  // A call part is picked itself where it draws its target (here the sphere, moved by its group).
  auto* call = new TPartCall();
  call->SetUsedPartName("sphere");
  TPart* echo = gl->AddGroup(nullptr, "echo");
  echo->SetPY(3.5f);
  gl->Paste(echo, call);
  Show();
  EXPECT_EQ(PickAt(-3, 3.5, 0), call);
  EXPECT_EQ(PickAt(-3, 0, 0), sphere);
  EXPECT_EQ(gl->PartAt(-1, 0), nullptr);
  EXPECT_EQ(gl->PartAt(kW, 0), nullptr);
  EXPECT_EQ(TOpenGl::PartPath(deep), AnsiString("Group __ROOT__/Group outer/Group inner/Cube deep"));
  EXPECT_EQ(TOpenGl::PartPath(nullptr), AnsiString());

  // Nearer wins whatever the tree order. The eye is at z = -8: "far" sits on the line of sight
  // through "deep", first in front of it, then behind it.
  TPart* far = gl->AddCube(nullptr, "far");
  far->SetPY(-2.5f);
  far->SetPZ(-3);
  Show();
  EXPECT_EQ(PickAt(0, -4, 0), far);
  far->SetPY(-5.5f);
  far->SetPZ(3);
  Show();
  EXPECT_EQ(PickAt(0, -4, 0), deep);

  // A clip plane that removes a part's left half: nothing is picked where nothing is drawn.
  deep->SetClipPlaneA(0, 1);  // keeps x >= 0 in the cube's frame
  deep->SetUseClipPlane(0, 1);
  Show();
  int px, py;
  Project(-0.3, -4, 0, px, py);
  EXPECT_EQ(gl->PartAt(px, py), nullptr);
  EXPECT_EQ(ReadPixels(gl->Handle()).At(px, py).r, 0);
  EXPECT_EQ(PickAt(0.3, -4, 0), deep);
}

TEST_F(View, PickingLeavesThePictureAndStateAlone) {
  TPart* cube = gl->AddCube(nullptr, "cube");
  cube->SetRY(1);
  cube->SetRotationAngle(30);
  gl->GetLight(0)->SetEnabled(true);
  Show();
  Pixels before = ReadPixels(gl->Handle());
  GLdouble projBefore[16], projAfter[16];
  glGetDoublev(GL_PROJECTION_MATRIX, projBefore);
  GLint modeBefore = 0;
  glGetIntegerv(GL_RENDER_MODE, &modeBefore);
  EXPECT_EQ(PickAt(0, 0, 0), cube);
  glGetDoublev(GL_PROJECTION_MATRIX, projAfter);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(projBefore[i], projAfter[i]);
  GLint mode = 0;
  glGetIntegerv(GL_RENDER_MODE, &mode);
  EXPECT_EQ(mode, GL_RENDER);
  EXPECT_EQ(ReadPixels(gl->Handle()).rgba, before.rgba);
  gl->Refresh(gl);
  Show();
  EXPECT_EQ(ReadPixels(gl->Handle()).rgba, before.rgba);
}

namespace {
// A host that places the scene itself before it is drawn, or draws it itself, twice.
struct HostDrawing : TObject {
  TOpenGl* gl = nullptr;
  void Shift(TObject*) { glTranslatef(2, 0, 0); }
  void Twice(TObject*) {
    glPushMatrix();
    glTranslatef(-3, 0, 0);
    gl->Root()->Play();
    glPopMatrix();
    glTranslatef(3, 0, 0);
    gl->Root()->Play();
  }
};
}  // namespace

// Picks, paths and boxes agree with the picture: the host's paint events, the holding groups, and
// what a call part really draws.
TEST_F(View, PicksPathsAndBoundsFollowWhatIsDrawn) {
  TPart* outer = gl->AddGroup(nullptr, "outer");
  outer->SetPY(-4);
  TPart* cube = gl->AddCube(outer, "cube");
  HostDrawing host;
  host.gl = gl;
  for (TListMode mode : {lmScene, lmPerPart}) {
    SCOPED_TRACE(mode);
    gl->SetListMode(mode);
    gl->OnBeforePaint = MakeEvent(&host, &HostDrawing::Shift);
    Show();
    int px, py;
    Project(2, -4, 0, px, py);
    ASSERT_GT(ReadPixels(gl->Handle()).At(px, py).r, 0);
    EXPECT_EQ(gl->PartAt(px, py), cube);
    EXPECT_EQ(PickAt(0, -4, 0), nullptr);
    gl->OnBeforePaint = TNotifyEvent();
    gl->OnPaint = MakeEvent(&host, &HostDrawing::Twice);
    Show();
    EXPECT_EQ(PickAt(-3, -4, 0), cube);
    EXPECT_EQ(PickAt(3, -4, 0), cube);
    EXPECT_EQ(PickAt(0, -4, 0), nullptr);
    gl->OnPaint = TNotifyEvent();
  }

  // A parent link cleared by CopyTo leaves the part where its holding group draws it.
  TPartCube blank;
  blank.CopyTo(cube);
  cube->Name = "cube";
  ASSERT_EQ(cube->Parent(), nullptr);
  EXPECT_EQ(TOpenGl::PartPath(cube), AnsiString("Group __ROOT__/Group outer/Cube cube"));
  TBounds box = gl->PartBounds(cube);
  ASSERT_FALSE(box.Empty);
  EXPECT_FLOAT_EQ(box.Center(1), -4);

  // A call part that refuses its target (the root, or its own group) draws nothing and adds no box.
  auto* call = new TPartCall();
  TPart* far = gl->AddGroup(nullptr, "far");
  far->SetPX(50);
  gl->Paste(far, call);
  for (const char* target : {"__ROOT__", "far"}) {
    call->SetUsedPartName(target);
    EXPECT_TRUE(gl->PartBounds(call).Empty) << target;
    EXPECT_TRUE(gl->PartBounds(far).Empty) << target;
    EXPECT_LT(gl->SceneBounds().Max[0], 1) << target;
  }
  call->SetUsedPartName("cube");
  EXPECT_FLOAT_EQ(gl->PartBounds(call).Center(0), 50);
}

TEST(ViewUnloaded, PickSnapshotNeedAContext) {
  TOpenGl gl(nullptr);
  gl.AddCube(nullptr, "cube");
  EXPECT_EQ(gl.PartAt(0, 0), nullptr);
  TBitmap bmp;
  EXPECT_FALSE(gl.SnapshotTo(&bmp));
  EXPECT_FALSE(gl.SaveSnapshot("never.png"));
}

TEST_F(View, BoundsFollowEachKindThroughRotationScaleAndGroups) {
  EXPECT_TRUE(gl->SceneBounds().Empty);
  TPart* group = gl->AddGroup(nullptr, "g");
  EXPECT_TRUE(gl->SceneBounds().Empty);  // groups draw nothing themselves

  auto near = [](float a, float b) { return std::fabs(a - b) < 1e-4f; };
  auto expectBox = [&](const TBounds& b, float x0, float y0, float z0, float x1, float y1, float z1) {
    ASSERT_FALSE(b.Empty);
    EXPECT_TRUE(near(b.Min[0], x0) && near(b.Min[1], y0) && near(b.Min[2], z0))
        << b.Min[0] << " " << b.Min[1] << " " << b.Min[2];
    EXPECT_TRUE(near(b.Max[0], x1) && near(b.Max[1], y1) && near(b.Max[2], z1))
        << b.Max[0] << " " << b.Max[1] << " " << b.Max[2];
  };

  TPart* cube = gl->AddCube(group, "cube");  // side 2, turned 45 degrees about z
  cube->SetSX(2);
  cube->SetSY(2);
  cube->SetSZ(2);
  cube->SetRZ(1);
  cube->SetRotationAngle(45);
  const float r2 = std::sqrt(2.0f);
  expectBox(gl->PartBounds(cube), -r2, -r2, -1, r2, r2, 1);

  TPart* sphere = gl->AddSphere(group, "sphere");
  sphere->SetSX(2);
  sphere->SetPZ(5);
  expectBox(gl->PartBounds(sphere), -2, -1, 4, 2, 1, 6);

  auto* cyl = static_cast<TPartCylinder*>(gl->AddCylinder(group, "cyl"));
  cyl->SetBaseRadius(0.5f);
  cyl->SetTopRadius(2);
  cyl->SetHeight(3);
  cyl->SetRX(1);
  cyl->SetRotationAngle(90);  // its axis +z turns to -y
  expectBox(gl->PartBounds(cyl), -2, -3, -2, 2, 0, 2);

  auto* disk = static_cast<TPartDisk*>(gl->AddDisk(group, "disk"));
  disk->SetPX(-10);
  expectBox(gl->PartBounds(disk), -12, -2, 0, -8, 2, 0);

  auto* quad = static_cast<TPartQuad*>(gl->AddQuad(group, "quad"));
  quad->SetNPoints(3);
  quad->SetX(0, 1), quad->SetY(0, 1), quad->SetZ(0, 1);
  quad->SetX(1, 3), quad->SetY(1, 1), quad->SetZ(1, 1);
  quad->SetX(2, 1), quad->SetY(2, 7), quad->SetZ(2, 1);
  expectBox(gl->PartBounds(quad), 1, 1, 1, 3, 7, 1);

  // The group's placement moves every child; the scene box holds them all.
  group->SetPY(100);
  expectBox(gl->PartBounds(sphere), -2, 99, 4, 2, 101, 6);
  expectBox(gl->SceneBounds(), -12, 97, -2, 3, 107, 6);
  expectBox(gl->PartBounds(group), -12, 97, -2, 3, 107, 6);

  // A zero rotation axis turns nothing, as GL draws it.
  TPart* still = gl->AddCube(nullptr, "still");
  still->SetRotationAngle(45);
  expectBox(gl->PartBounds(still), -0.5f, -0.5f, -0.5f, 0.5f, 0.5f, 0.5f);
}

TEST_F(View, SnapshotIsWhatTheWindowShows) {
  TPart* cube = gl->AddCube(nullptr, "cube");
  cube->SetRX(1);
  cube->SetRY(1);
  cube->SetRotationAngle(30);
  gl->GetLight(0)->SetPositionZ(-1);
  gl->GetLight(0)->SetEnabled(true);
  TColorVector blue;
  blue.SetB(0.5f);
  gl->SetClearColor(&blue);
  Show();
  Pixels shown = ReadPixels(gl->Handle());
  TBitmap bmp;
  ASSERT_TRUE(gl->SnapshotTo(&bmp));
  ASSERT_EQ(bmp.Width(), kW);
  ASSERT_EQ(bmp.Height(), kH);
  int differing = 0;
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x) {
      Rgba p = shown.At(x, y);
      if (bmp.Pixel(x, y) != (TColor(p.r) | TColor(p.g) << 8 | TColor(p.b) << 16)) ++differing;
    }
  EXPECT_EQ(differing, 0);
  EXPECT_EQ(ReadPixels(gl->Handle()).rgba, shown.rgba);

  std::string path = ::testing::TempDir() + "snapshot_test.png";
  ASSERT_TRUE(gl->SaveSnapshot(path.c_str()));
  TPicture png;
  png.LoadFromFile(path.c_str());
  TBitmap* loaded = png.Bitmap();
  ASSERT_EQ(loaded->Width(), kW);
  EXPECT_EQ(loaded->Pixel(kW / 2, kH / 2), bmp.Pixel(kW / 2, kH / 2));
  EXPECT_EQ(loaded->Pixel(1, 1), bmp.Pixel(1, 1));
  std::remove(path.c_str());
  EXPECT_FALSE(gl->SaveSnapshot("/nonexistent-folder/x.png"));
}

// A part without material or texture of its own, drawn first, looks the same in every frame whatever the
// part drawn last in the frame before set: a green material or a red texture.
TEST_F(View, EveryFrameStartsFromTheDefaultMaterialAndNoTexture) {
  gl->GetLight(0)->SetPositionZ(-1);
  gl->GetLight(0)->SetEnabled(true);
  TPicture red;
  red.Bitmap()->SetSize(2, 2);
  for (int i = 0; i < 4; ++i) red.Bitmap()->SetPixel(i % 2, i / 2, clRed);
  gl->SetPicture(0, &red);
  TPart* plain = gl->AddCube(nullptr, "plain");
  plain->SetPX(-2);
  plain->SetTexture(-1);
  TPart* last = gl->AddSphere(nullptr, "last");
  last->SetPX(2);
  int px = 0, py = 0;
  Project(-2, 0, 0, px, py);
  auto grey = [](TColor c) {
    const int r = c & 0xFF, g = (c >> 8) & 0xFF, b = (c >> 16) & 0xFF;
    return r > 20 && std::abs(r - g) < 8 && std::abs(g - b) < 8;
  };
  for (TListMode mode : {lmScene, lmPerPart}) {
    gl->SetListMode(mode);
    for (bool textured : {false, true}) {
      SCOPED_TRACE(std::to_string(mode) + (textured ? " texture" : " material"));
      last->SetUseMaterial(!textured);
      last->SetDiffuseR(0);
      last->SetDiffuseB(0);
      last->SetAmbientR(0);
      last->SetAmbientB(0);
      last->SetTexture(textured ? 0 : -2);
      Show();
      TBitmap first, second;
      gl->Perform(WM_PAINT, 0, 0);
      ASSERT_TRUE(gl->SnapshotTo(&first));
      gl->Perform(WM_PAINT, 0, 0);
      ASSERT_TRUE(gl->SnapshotTo(&second));
      EXPECT_TRUE(grey(first.Pixel(px, py))) << std::hex << first.Pixel(px, py);
      EXPECT_EQ(second.Pixel(px, py), first.Pixel(px, py));
      Rgba window = ReadPixels(gl->Handle()).At(px, py);
      EXPECT_EQ(TColor(window.r) | TColor(window.g) << 8 | TColor(window.b) << 16, first.Pixel(px, py));
    }
  }
}

TEST_F(View, HeadlightLightsAnUnlitSceneAndGoesAwayCleanly) {
  TPart* cube = gl->AddCube(nullptr, "cube");
  cube->SetSX(4);
  cube->SetSY(4);
  Show();
  auto centre = [&] { return ReadPixels(gl->Handle()).At(kW / 2, kH / 2); };
  Rgba dark = centre();
  Pixels unlit = ReadPixels(gl->Handle());
  EXPECT_LT(dark.r, 60);

  gl->SetHeadlight(true);
  Show();
  Rgba lit = centre();
  EXPECT_GT(lit.r, 150);
  // It follows the camera: seen from the other side the facing side is lit too.
  T3DVector eye;
  eye.SetZ(8);
  gl->SetEyePosition(&eye);
  Show();
  EXPECT_GT(centre().r, 150);
  eye.SetZ(-8);
  gl->SetEyePosition(&eye);

  // A scene light in the slot the headlight would take pushes it to the next free one.
  GLint maxLights = 8;
  glGetIntegerv(GL_MAX_LIGHTS, &maxLights);
  TLuce* top = gl->GetLight(maxLights - 1);
  top->SetPositionZ(1);  // behind the cube: lights nothing the eye sees
  top->SetEnabled(true);
  Show();
  EXPECT_GT(centre().r, 150);
  EXPECT_TRUE(glIsEnabled(GL_LIGHT0 + maxLights - 2));
  top->SetEnabled(false);

  gl->SetHeadlight(false);
  Show();
  EXPECT_EQ(ReadPixels(gl->Handle()).rgba, unlit.rgba);
  for (int i = 0; i < maxLights; ++i) EXPECT_FALSE(glIsEnabled(GL_LIGHT0 + i)) << i;
}

// Call parts draw and pick like the parts they call, in both list modes, whatever the target's shape: a
// full disk (no hole) among them, and a group that holds another call part.
TEST_F(View, CallPartsDrawAndPickAlikeInBothListModes) {
  gl->GetLight(0)->SetPositionZ(1);  // on the disks' front faces, which look away from the eye
  gl->GetLight(0)->SetEnabled(true);
  // The outer call comes first in the tree, before the group it names.
  TPart* echo = gl->AddGroup(nullptr, "echo");
  echo->SetPX(9);
  auto* outer = new TPartCall();
  outer->SetUsedPartName("pair");
  gl->Paste(echo, outer);
  auto* full = static_cast<TPartDisk*>(gl->AddDisk(nullptr, "full"));
  full->SetInnerRadius(0);
  full->SetPX(-5);
  TPart* pair = gl->AddGroup(nullptr, "pair");
  pair->SetPY(-3.5f);
  auto* inner = new TPartCall();
  inner->SetUsedPartName("full");
  gl->Paste(pair, inner);
  std::vector<uint8_t> pictures[2];
  for (TListMode mode : {lmScene, lmPerPart}) {
    SCOPED_TRACE(mode);
    gl->SetListMode(mode);
    Show();
    Pixels p = ReadPixels(gl->Handle());
    int px, py;
    Project(4, -3.5, 0, px, py);
    EXPECT_GT(p.At(px, py).r, 100);  // the inner call, drawn through the outer one
    pictures[mode] = p.rgba;
    EXPECT_EQ(PickAt(-5, 0, 0), full);
    EXPECT_EQ(PickAt(-5, -3.5, 0), inner);
    EXPECT_EQ(PickAt(4, -3.5, 0), outer);
    EXPECT_EQ(PickAt(4, 0, 0), nullptr);
  }
  EXPECT_EQ(pictures[lmScene], pictures[lmPerPart]);
}

// What a frame or a part sets stays inside it: after a frame the model-view is what it was (the root's
// own placement included) and no clip plane is on; a part's clip plane cuts it and its children only,
// not its later siblings, in the first frame as in the next, in both list modes.
TEST_F(View, StateSetInsideAFrameOrAPartStaysThere) {
  gl->Root()->SetPX(1);
  TPart* cut = gl->AddGroup(nullptr, "cut");
  cut->SetClipPlaneA(0, 1);  // keeps x >= 0 in the group's frame
  cut->SetUseClipPlane(0, 1);
  TPart* child = gl->AddCube(cut, "child");
  TPart* after = gl->AddCube(nullptr, "after");
  after->SetPY(3);
  for (TListMode mode : {lmScene, lmPerPart}) {
    SCOPED_TRACE(mode);
    gl->SetListMode(mode);
    Show();
    int px, py;
    Project(0.5, 3, 0, px, py);  // left half of "after" (the root moves everything 1 to the right)
    Pixels first = ReadPixels(gl->Handle());
    EXPECT_NE(first.At(px, py).r, 0);
    gl->Perform(WM_PAINT, 0, 0);
    Pixels second = ReadPixels(gl->Handle());
    EXPECT_EQ(second.rgba, first.rgba);
    EXPECT_EQ(gl->PartAt(px, py), after);
    Project(0.5, 0, 0, px, py);
    EXPECT_EQ(second.At(px, py).r, 0);  // the child's left half is cut
    EXPECT_EQ(gl->PartAt(px, py), nullptr);
    EXPECT_EQ(PickAt(1.5, 0, 0), child);

    GLfloat modelview[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, modelview);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(modelview[i], i % 5 == 0 ? 1.0f : 0.0f) << i;
    EXPECT_FALSE(glIsEnabled(GL_CLIP_PLANE0));
  }
}
