// Parts drawn headless: where their pixels land, and the exact GL calls of painting and list building.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <memory>

#include "opengl/opengl.h"
#include "parts/call.h"
#include "parts/parts.h"
#include "parts/primitives.h"
#include "parts/quad.h"
#include "support/gl_recorder.h"
#include "support/offscreen_gl.h"
#include "support/test_support.h"
#include "support/viewport_fixture.h"

namespace {

// 64 x 64 pixels over the square -4..4 in x and y, looking down -z: 8 pixels per unit.
class Scene : public ::testing::Test {
protected:
  OffscreenGl gl{64, 64};
  void SetUp() override {
    ASSERT_TRUE(gl.Ok());
    glViewport(0, 0, 64, 64);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-4, 4, -4, 4, -10, 10);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glDisable(GL_LIGHTING);
    glEnable(GL_DEPTH_TEST);
    glColor3f(1, 1, 1);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  }
  void TearDown() override { GlRecorder::Stop(); }
  // Clears, draws the part from the identity matrix, and leaves the pixels to read.
  void Draw(TPart& p) {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    p.Play();
    glFinish();
  }
  // Whether anything was drawn at world (x, y).
  bool Lit(float x, float y) {
    unsigned char px[4] = {0, 0, 0, 0};
    glReadPixels(static_cast<int>((x + 4) * 8), static_cast<int>((y + 4) * 8), 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, px);
    return px[0] + px[1] + px[2] > 60;
  }
};

}  // namespace

TEST_F(Scene, SolidsAppearWhereTheirPlacementPutsThem) {
  TPartCube cube;
  cube.SetPX(2);
  Draw(cube);
  EXPECT_TRUE(Lit(2, 0));
  EXPECT_TRUE(Lit(2.4f, 0.4f));
  EXPECT_FALSE(Lit(2.7f, 0));
  EXPECT_FALSE(Lit(0, 0));
  cube.SetPX(0);
  cube.SetSX(3);
  Draw(cube);
  EXPECT_TRUE(Lit(1.3f, 0));
  EXPECT_FALSE(Lit(0, 0.7f));

  // The sphere's radius stays 1; its scale sizes it.
  TPartSphere sphere;
  sphere.SetPY(2);
  Draw(sphere);
  EXPECT_TRUE(Lit(0, 2));
  EXPECT_TRUE(Lit(0.8f, 2));
  EXPECT_FALSE(Lit(1.2f, 2));
  EXPECT_FALSE(Lit(0, 0));
  sphere.SetSX(2);
  Draw(sphere);
  EXPECT_TRUE(Lit(1.7f, 2));

  // A cone lies along +z; turned so its axis runs up +y it narrows towards y = 2.
  TPartCylinder cone;
  cone.SetTopRadius(0);
  cone.SetHeight(2);
  cone.SetRX(1);
  cone.SetRotationAngle(-90);
  Draw(cone);
  EXPECT_TRUE(Lit(0.7f, 0.1f));
  EXPECT_TRUE(Lit(0, 1.8f));
  EXPECT_FALSE(Lit(0.7f, 1.8f));
  EXPECT_FALSE(Lit(0, -0.3f));
  cone.SetTopRadius(1);
  Draw(cone);
  EXPECT_TRUE(Lit(0.7f, 1.8f));

  // The annulus leaves its hole empty; with inner radius 0 it is a full disc.
  TPartDisk disk;
  disk.SetPX(-0.5f);
  Draw(disk);
  EXPECT_FALSE(Lit(-0.5f, 0));
  EXPECT_TRUE(Lit(1, 0));
  EXPECT_TRUE(Lit(-0.5f, -1.5f));
  EXPECT_FALSE(Lit(2, 0));
  disk.SetInnerRadius(0);
  Draw(disk);
  EXPECT_TRUE(Lit(-0.5f, 0));

  TPartQuad quad;
  quad.SetPX(-2);
  quad.SetPY(-2);
  Draw(quad);
  EXPECT_TRUE(Lit(-2, -2));
  EXPECT_TRUE(Lit(-2.9f, -1.1f));
  EXPECT_FALSE(Lit(-0.8f, -2));
  EXPECT_FALSE(Lit(0, 0));
  quad.SetShape(GL_TRIANGLES);
  quad.SetDefaults();  // the lower-right half of the square
  Draw(quad);
  EXPECT_TRUE(Lit(-1.2f, -2.8f));
  EXPECT_FALSE(Lit(-2.8f, -1.2f));
}

TEST_F(Scene, APolygonWithAWrittenCountDrawsOnlyItsPoints) {
  TPartQuad quad;
  quad.NPoints = 64;
  GlRecorder::Start();
  Draw(quad);
  GlRecorder::Stop();
  EXPECT_EQ(GlRecorder::Only("glVertex3fv").size(), 4u);
  EXPECT_TRUE(Lit(0, 0));
}

TEST_F(Scene, GroupPlacementComposesWithItsChildren) {
  TPartGroup group;
  group.SetPX(2);
  group.SetSX(2);
  group.SetSY(2);
  auto* cube = new TPartCube();
  cube->SetPY(1);  // in the group's scaled frame: two units up
  group.AddObject(cube, nullptr);
  auto* other = new TPartCube();
  other->SetPX(-1);  // siblings start from the group's frame, not from each other
  group.AddObject(other, nullptr);
  Draw(group);
  EXPECT_TRUE(Lit(2, 2));
  EXPECT_TRUE(Lit(2.8f, 2.8f));
  EXPECT_FALSE(Lit(2, 0.5f));
  EXPECT_TRUE(Lit(0, 0));
  EXPECT_FALSE(Lit(-2, 2));
}

TEST_F(Scene, ClipPlaneCutsThePartInItsOwnFrame) {
  TPartCube cube;
  cube.SetSX(4);
  cube.SetUseClipPlane(0, 1);
  cube.SetClipPlaneA(0, 1);  // keeps x >= 0
  Draw(cube);
  EXPECT_TRUE(Lit(1, 0));
  EXPECT_FALSE(Lit(-1, 0));
  cube.SetClipPlaneD(0, 0.25f);  // x >= -0.25 in the part's frame: -1 in the world
  Draw(cube);
  EXPECT_TRUE(Lit(-0.8f, 0));
  EXPECT_FALSE(Lit(-1.3f, 0));
  cube.SetUseClipPlane(0, 2);  // any state besides 0 and 1 turns the plane off
  Draw(cube);
  EXPECT_TRUE(Lit(-1.5f, 0));
  EXPECT_FALSE(glIsEnabled(GL_CLIP_PLANE0));
}

TEST_F(Scene, MaterialColourShowsUnderALight) {
  glEnable(GL_LIGHTING);
  glEnable(GL_LIGHT0);
  glEnable(GL_NORMALIZE);
  const GLfloat dir[4] = {0, 0, 1, 0};
  const GLfloat white[4] = {1, 1, 1, 1};
  const GLfloat none[4] = {0, 0, 0, 1};
  glLightfv(GL_LIGHT0, GL_POSITION, dir);
  glLightfv(GL_LIGHT0, GL_DIFFUSE, white);
  glLightModelfv(GL_LIGHT_MODEL_AMBIENT, none);
  TPartCube cube;
  cube.SetSX(3);
  cube.SetSY(3);
  cube.SetUseMaterial(true);
  cube.SetDiffuseR(1);
  cube.SetDiffuseG(0);
  cube.SetDiffuseB(0);
  cube.SetAmbientR(0);
  cube.SetAmbientG(0);
  cube.SetAmbientB(0);
  Draw(cube);
  unsigned char px[4];
  glReadPixels(32, 32, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, px);
  EXPECT_GT(px[0], 220);
  EXPECT_LT(px[1], 20);
  EXPECT_LT(px[2], 20);
}

TEST_F(Scene, PaintEmitsCommonStateInOrder) {
  TPartCube cube;
  cube.SetUseMaterial(true);
  cube.SetShininess(12);
  cube.SetPX(1);
  cube.SetRotationAngle(30);
  cube.SetRZ(1);
  cube.SetSY(2);
  cube.SetUseClipPlane(0, 1);
  cube.SetClipPlaneB(0, 0.5f);
  cube.SetUseClipPlane(3, -1);
  cube.SetUseClipPlane(5, 2);
  GlRecorder::Start();
  cube.Paint();
  GlRecorder::Stop();
  std::vector<std::string> names = GlRecorder::Names();
  names.resize(12);
  EXPECT_EQ(names, (std::vector<std::string>{"glMaterialfv", "glMaterialfv", "glMaterialfv", "glMaterialfv",
                                             "glMaterialf", "glTranslatef", "glRotatef", "glScalef",
                                             "glClipPlane", "glEnable", "glDisable", "glDisable"}));
  const auto& calls = GlRecorder::Calls();
  EXPECT_EQ(calls[0].args[1], GL_AMBIENT);
  EXPECT_EQ(calls[1].args[1], GL_DIFFUSE);
  EXPECT_FLOAT_EQ(calls[1].args[2], 0.8f);
  EXPECT_EQ(calls[2].args[1], GL_SPECULAR);
  EXPECT_EQ(calls[3].args[1], GL_EMISSION);
  EXPECT_EQ(calls[4].args, (std::vector<double>{GL_FRONT_AND_BACK, GL_SHININESS, 12}));
  EXPECT_EQ(calls[5].args, (std::vector<double>{1, 0, 0}));
  EXPECT_EQ(calls[6].args, (std::vector<double>{30, 0, 0, 1}));
  EXPECT_EQ(calls[7].args, (std::vector<double>{1, 2, 1}));
  EXPECT_EQ(calls[8].args, (std::vector<double>{GL_CLIP_PLANE0, 0, 0.5, 0, 0}));
  EXPECT_EQ(calls[9].args[0], GL_CLIP_PLANE0);
  EXPECT_EQ(calls[10].args[0], GL_CLIP_PLANE0 + 3);
  EXPECT_EQ(calls[11].args[0], GL_CLIP_PLANE0 + 5);

  // The six faces exactly, each one normal and four vertices.
  const float faces[6][5][3] = {
      {{0, 0, 1}, {0.5f, 0.5f, 0.5f}, {-0.5f, 0.5f, 0.5f}, {-0.5f, -0.5f, 0.5f}, {0.5f, -0.5f, 0.5f}},
      {{0, 0, -1}, {-0.5f, -0.5f, -0.5f}, {-0.5f, 0.5f, -0.5f}, {0.5f, 0.5f, -0.5f}, {0.5f, -0.5f, -0.5f}},
      {{0, 1, 0}, {0.5f, 0.5f, 0.5f}, {0.5f, 0.5f, -0.5f}, {-0.5f, 0.5f, -0.5f}, {-0.5f, 0.5f, 0.5f}},
      {{0, -1, 0}, {-0.5f, -0.5f, -0.5f}, {0.5f, -0.5f, -0.5f}, {0.5f, -0.5f, 0.5f}, {-0.5f, -0.5f, 0.5f}},
      {{1, 0, 0}, {0.5f, 0.5f, 0.5f}, {0.5f, -0.5f, 0.5f}, {0.5f, -0.5f, -0.5f}, {0.5f, 0.5f, -0.5f}},
      {{-1, 0, 0}, {-0.5f, -0.5f, -0.5f}, {-0.5f, -0.5f, 0.5f}, {-0.5f, 0.5f, 0.5f}, {-0.5f, 0.5f, -0.5f}}};
  ASSERT_EQ(calls.size(), 12u + 1 + 30 + 1);
  EXPECT_EQ(calls[12].name, "glBegin");
  EXPECT_EQ(calls[12].args[0], GL_QUADS);
  for (int f = 0; f < 6; ++f) {
    for (int k = 0; k < 5; ++k) {
      const GlCall& c = calls[13 + f * 5 + k];
      EXPECT_EQ(c.name, k == 0 ? "glNormal3f" : "glVertex3f");
      EXPECT_EQ(c.args, (std::vector<double>{faces[f][k][0], faces[f][k][1], faces[f][k][2]})) << f << "," << k;
    }
  }
  EXPECT_EQ(calls.back().name, "glEnd");

  // Without a material the colours are left alone.
  TPartCube plain;
  GlRecorder::Start();
  plain.Paint();
  EXPECT_EQ(GlRecorder::Only("glMaterialfv").size(), 0u);
  EXPECT_EQ(GlRecorder::Names().front(), "glTranslatef");
}

TEST_F(Scene, GroupWrapsEachChildAndCallPartOnlyCallsItsList) {
  TPartGroup group;
  GlRecorder::Start();
  group.Paint();
  EXPECT_EQ(GlRecorder::Names(), (std::vector<std::string>{"glTranslatef", "glRotatef", "glScalef"}));

  auto* call = new TPartCall();
  call->SetPX(5);
  call->SetUseMaterial(true);
  call->SetUseClipPlane(0, 1);
  auto* inner = new TPartGroup();
  group.AddObject(call, nullptr);
  group.AddObject(inner, nullptr);
  GlRecorder::Start();
  group.Paint();
  EXPECT_EQ(GlRecorder::Names(),
            (std::vector<std::string>{"glTranslatef", "glRotatef", "glScalef", "glPushMatrix", "glCallList",
                                      "glPopMatrix", "glPushMatrix", "glTranslatef", "glRotatef", "glScalef",
                                      "glPopMatrix"}));
  EXPECT_EQ(GlRecorder::Only("glCallList")[0].args[0], 0);
  call->SetCallList(42);
  GlRecorder::Start();
  call->Play();
  EXPECT_EQ(GlRecorder::Names(), std::vector<std::string>{"glCallList"});
  EXPECT_EQ(GlRecorder::Calls()[0].args[0], 42);
  call->SetCallList(0);
}

TEST_F(Scene, CallPartDrawsItsListWhereTheListWasMade) {
  TPartCube cube;
  cube.SetPX(2);
  cube.BuildList(BUILDLIST_COMPILE);
  ASSERT_NE(cube.DisplayList, 0u);
  TPartCall call;
  call.SetPX(-5);  // ignored: the call applies no placement of its own
  call.SetCallList(cube.DisplayList);
  Draw(call);
  EXPECT_TRUE(Lit(2, 0));
  EXPECT_FALSE(Lit(-3, 0));
}

TEST_F(Scene, BuildListPhases) {
  TPartCube lone;
  GlRecorder::Start();
  lone.BuildList(BUILDLIST_DELETE);  // no list yet: no GL call
  lone.BuildList(BUILDLIST_PREPARE);
  EXPECT_TRUE(GlRecorder::Calls().empty());

  lone.BuildList(BUILDLIST_COMPILE);
  const unsigned first = lone.DisplayList;
  ASSERT_NE(first, 0u);
  lone.BuildList(BUILDLIST_COMPILE);  // reuses the name
  EXPECT_EQ(lone.DisplayList, first);
  EXPECT_EQ(GlRecorder::Only("glGenLists").size(), 1u);
  EXPECT_EQ(GlRecorder::Only("glNewList").size(), 2u);
  GlRecorder::Start();
  lone.Play();
  EXPECT_EQ(GlRecorder::Names(), std::vector<std::string>{"glCallList"});
  EXPECT_EQ(GlRecorder::Calls()[0].args[0], first);

  TPartGroup group;
  auto* a = new TPartCube();
  auto* b = new TPartSphere();
  group.AddObject(a, nullptr);
  group.AddObject(b, nullptr);
  a->BuildList(BUILDLIST_COMPILE);
  b->BuildList(BUILDLIST_COMPILE);
  group.BuildList(BUILDLIST_COMPILE);
  GlRecorder::Start();
  group.BuildList(BUILDLIST_DELETE);
  auto deletes = GlRecorder::Only("glDeleteLists");
  ASSERT_EQ(deletes.size(), 3u);
  EXPECT_EQ(a->DisplayList, 0u);
  EXPECT_EQ(group.DisplayList, 0u);
  EXPECT_NE(deletes[2].args[0], deletes[0].args[0]);  // the group's own list goes last

  GlRecorder::Start();
  group.BuildList(BUILDLIST_PREPARE);
  group.BuildList(BUILDLIST_COMPILE);
  GlRecorder::Stop();
  EXPECT_EQ(GlRecorder::Only("glGenLists").size(), 1u);
  EXPECT_EQ(GlRecorder::Only("glNewList").size(), 1u);
  EXPECT_EQ(a->DisplayList, 0u);
  EXPECT_EQ(b->DisplayList, 0u);
  EXPECT_NE(group.DisplayList, 0u);
  // Inside the group's list the children are painted, never called.
  EXPECT_TRUE(GlRecorder::Only("glCallList").empty());
  Draw(group);
  EXPECT_TRUE(Lit(0, 0));
}

TEST(PartsInViewport, TextureGoesThroughTheOwnerAndCallsResolveByName) {
  TOpenGl* gl = MakeLoadedViewport<TOpenGl>();
  auto* cube = new TPartCube();
  cube->Name = "wheel";
  gl->Root()->AddObject(cube, nullptr);
  EXPECT_EQ(cube->Owner(), gl);

  GlRecorder::Start();
  cube->Paint();
  GlRecorder::Stop();
  ASSERT_FALSE(GlRecorder::Calls().empty());
  EXPECT_EQ(GlRecorder::Calls()[0].name, "glDisable");  // -2: texturing off
  EXPECT_EQ(GlRecorder::Calls()[0].args[0], GL_TEXTURE_2D);

  cube->SetTexture(3);
  GlRecorder::Start();
  cube->Paint();
  GlRecorder::Stop();
  EXPECT_EQ(GlRecorder::Calls()[0].name, "glBindTexture");
  EXPECT_EQ(GlRecorder::Calls()[1].name, "glEnable");

  cube->BuildList(BUILDLIST_COMPILE);
  auto* call = new TPartCall();
  gl->Root()->AddObject(call, nullptr);
  call->SetUsedPartName("wheel");
  EXPECT_EQ(call->ResolveCallList(), cube->DisplayList);
  EXPECT_EQ(call->CallList, cube->DisplayList);
  call->SetUsedPartName("nothing");
  EXPECT_EQ(call->ResolveCallList(), 0u);
  EXPECT_EQ(call->CallList, cube->DisplayList);
  delete gl;
}
