// Light sources and the viewport's 32 slots: values, notifications, what reaches GL, and how it lights.
#include <GL/gl.h>

#include "opengl/luce.h"
#include "opengl/opengl.h"
#include "parts/primitives.h"
#include "support/gl_recorder.h"
#include "support/viewport_fixture.h"

namespace {

TEST(Light, DefaultsAreContiguousAndEverySetterNotifies) {
  TLuce l;
  const float expected[24] = {0, 0, 1, 0, 0, 0, 0, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0, 0, -1, 0, 180, 1, 0, 0};
  for (int i = 0; i < 24; ++i) EXPECT_EQ(l.Floats()[i], expected[i]) << i;
  EXPECT_FALSE(l.Enabled);
  EXPECT_EQ(l.PositionVector(), &l.PositionX);
  EXPECT_EQ(l.AmbientVector() + 4, l.DiffuseVector());
  EXPECT_EQ(l.DiffuseVector() + 4, l.SpecularVector());
  EXPECT_EQ(l.SpecularVector() + 4, l.SpotDirVector());
  EXPECT_EQ(&l.SpotQuadAtt - l.Floats(), 23);

  EventCounter c;
  l.OnChange = c.Event();
  l.SetPositionZ(1);  // the value it already has still notifies
  l.SetEnabled(false);
  l.SetSpotCutoff(45);
  l.SetDiffuseG(0.5f);
  l.SetSpotQuadAtt(0.1f);
  EXPECT_EQ(c.Count, 5);
  EXPECT_EQ(c.LastSender, &l);
  EXPECT_EQ(l.SpotCutoff, 45);
}

TEST(Light, AssignCopiesEverythingButTheHandlerAndFiresTwice) {
  TLuce src, dst;
  src.SetEnabled(true);
  for (int i = 0; i < 24; ++i) src.Floats()[i] = static_cast<float>(i) + 0.5f;
  EventCounter srcCount, dstCount;
  src.OnChange = srcCount.Event();
  dst.OnChange = dstCount.Event();
  dst.Assign(&src);
  EXPECT_EQ(dstCount.Count, 2);
  EXPECT_EQ(srcCount.Count, 0);
  EXPECT_TRUE(dst.Enabled);
  for (int i = 0; i < 24; ++i) EXPECT_EQ(dst.Floats()[i], src.Floats()[i]);
  EXPECT_EQ(dst.OnChange, dstCount.Event());
  // A null or foreign source changes nothing.
  TLuce before;
  before.Assign(&dst);
  dstCount.Count = 0;
  dst.Assign(nullptr);
  TColorVector foreign;
  dst.Assign(&foreign);
  EXPECT_EQ(dstCount.Count, 0);
  for (int i = 0; i < 24; ++i) EXPECT_EQ(dst.Floats()[i], before.Floats()[i]);
}

struct LightsTest : ::testing::Test {
  TOpenGl* gl = nullptr;
  void SetUp() override { gl = MakeLoadedViewport<TOpenGl>(); }
  void TearDown() override {
    GlRecorder::Stop();
    delete gl;
  }
};

TEST_F(LightsTest, SlotsKeepTheirObjectsAndRefuseBadIndices) {
  EXPECT_EQ(gl->GetLight(32), nullptr);
  EXPECT_EQ(gl->GetLight(-1), nullptr);
  TLuce* slot5 = gl->GetLight(5);
  ASSERT_NE(slot5, nullptr);
  EventCounter c;
  TNotifyEvent viewportHandler = slot5->OnChange;
  TLuce l;
  l.SetEnabled(true);
  l.SetSpotExponent(7);
  GlRecorder::Start();
  gl->SetLight(5, &l);
  GlRecorder::Stop();
  EXPECT_EQ(gl->GetLight(5), slot5);
  EXPECT_EQ(slot5->SpotExponent, 7);
  EXPECT_TRUE(slot5->Enabled);
  EXPECT_EQ(slot5->OnChange, viewportHandler);
  // Assign fires twice, so the bank is sent twice.
  EXPECT_EQ(GlRecorder::Only("glPushMatrix").size(), 2u);
  GlRecorder::Start();
  gl->SetLight(32, &l);
  gl->SetLight(-1, &l);
  GlRecorder::Stop();
  EXPECT_TRUE(GlRecorder::Calls().empty());
}

TEST_F(LightsTest, DisabledSlotsSendOneDisableEnabledOnesTheirValuesInOrder) {
  TLuce* l = gl->GetLight(2);
  l->SpotDirX = 0.5f;  // stored straight, so nothing is sent yet
  GlRecorder::Start();
  l->SetEnabled(true);
  GlRecorder::Stop();
  std::vector<std::string> names = GlRecorder::Names();
  ASSERT_GE(names.size(), 3u);
  EXPECT_EQ(names[0], "glPushMatrix");
  EXPECT_EQ(names[1], "glLoadIdentity");
  EXPECT_EQ(names.back(), "glPopMatrix");
  // 31 disabled slots, one call each; the enabled one: enable, five vectors, five scalars.
  EXPECT_EQ(GlRecorder::Only("glDisable").size(), 31u);
  std::vector<GlCall> lightCalls;
  for (const GlCall& c : GlRecorder::Calls())
    if (c.name == "glLightfv" || c.name == "glLightf" || (c.name == "glEnable" && c.args[0] == GL_LIGHT2))
      lightCalls.push_back(c);
  const GLenum order[] = {0, GL_POSITION, GL_AMBIENT, GL_DIFFUSE, GL_SPECULAR, GL_SPOT_DIRECTION, GL_SPOT_EXPONENT,
                          GL_SPOT_CUTOFF, GL_CONSTANT_ATTENUATION, GL_LINEAR_ATTENUATION, GL_QUADRATIC_ATTENUATION};
  ASSERT_EQ(lightCalls.size(), 11u);
  EXPECT_EQ(lightCalls[0].name, "glEnable");
  for (int i = 1; i < 11; ++i) {
    EXPECT_EQ(lightCalls[i].args[0], GL_LIGHT2);
    EXPECT_EQ(lightCalls[i].args[1], order[i]) << i;
  }
  EXPECT_EQ(lightCalls[5].args[2], 0.5);
  for (const GlCall& c : GlRecorder::Only("glDisable")) EXPECT_NE(c.args[0], GL_LIGHT2);
}

TEST_F(LightsTest, PositionsAreInWorldCoordinatesAndExtraSlotsAreHarmless) {
  // A model-view transform in force must not move the light: it is sent from the identity.
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glTranslatef(5, 5, 5);
  TLuce* l = gl->GetLight(0);
  l->PositionX = 1;
  l->PositionY = 2;
  l->PositionZ = 3;
  l->PositionW = 1;
  l->SetEnabled(true);
  GLfloat pos[4];
  glGetLightfv(GL_LIGHT0, GL_POSITION, pos);
  EXPECT_FLOAT_EQ(pos[0], 1);
  EXPECT_FLOAT_EQ(pos[1], 2);
  EXPECT_FLOAT_EQ(pos[2], 3);
  EXPECT_FLOAT_EQ(pos[3], 1);
  GLfloat m[16];
  glGetFloatv(GL_MODELVIEW_MATRIX, m);
  EXPECT_EQ(m[12], 5);  // restored after sending
  EXPECT_TRUE(glIsEnabled(GL_LIGHT0));
  GLint maxLights = 0;
  glGetIntegerv(GL_MAX_LIGHTS, &maxLights);
  ASSERT_LT(maxLights, LIGHT_SLOTS);
  TLuce* beyond = gl->GetLight(maxLights);
  beyond->SetDiffuseR(0.25f);
  beyond->SetEnabled(true);
  EXPECT_EQ(beyond->DiffuseR, 0.25f);
  while (glGetError() != GL_NO_ERROR) {
  }
}

class LitSphere : public TObject {};

TEST_F(LightsTest, ALitSphereIsBrighterOnTheSideFacingTheLight) {
  TPart* sphere = gl->AddSphere(nullptr, "Ball");
  sphere->SetSX(3);
  sphere->SetSY(3);
  sphere->SetSZ(3);
  TLuce l;
  l.SetEnabled(true);
  // Directional light from +x: +x shows on the left of the picture (the camera looks along +z).
  l.SetPositionX(1);
  l.SetPositionY(0);
  l.SetPositionZ(0);
  l.SetPositionW(0);
  gl->SetLight(0, &l);
  Step(30);
  Pixels p = ReadPixels(gl->Handle());
  Rgba left = p.At(26, 24), right = p.At(38, 24);
  EXPECT_GT(left.r, right.r + 60);
  EXPECT_GT(left.r, 70);
}

// A clear colour, a light and a texture filter set before the context exists, directly or by loading a
// scene, are what the first frames show.
TEST(SettingsBeforeLoaded, ReachGLWhenTheContextIsMade) {
  Application->UseManualClock(true);
  auto unloaded = [] {
    auto* gl = new TOpenGl(nullptr);
    gl->SetBounds(0, 0, 64, 48);
    return gl;
  };
  auto check = [](TOpenGl* gl, const char* how) {
    SCOPED_TRACE(how);
    gl->Loaded();
    Step(40);
    Pixels p = ReadPixels(gl->Handle());
    EXPECT_EQ(p.At(1, 1).b, 255);
    EXPECT_GT(p.At(32, 24).r, 70);  // the cube's face towards the light
    EXPECT_TRUE(glIsEnabled(GL_LIGHT0));
    GLint filter = 0;
    glBindTexture(GL_TEXTURE_2D, gl->TextureName(5));
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &filter);
    glBindTexture(GL_TEXTURE_2D, 0);
    EXPECT_EQ(filter, GL_LINEAR);
  };
  TOpenGl* direct = unloaded();
  TColorVector blue;
  blue.SetB(1);
  blue.SetA(1);
  direct->SetClearColor(&blue);
  direct->GetLight(0)->SetPositionZ(-1);
  direct->GetLight(0)->SetEnabled(true);
  direct->SetTextureMinFilter(5, GL_LINEAR);
  TPart* cube = direct->AddCube(nullptr, "cube");
  cube->SetSX(4);
  cube->SetSY(4);
  TMemoryStream doc;
  ASSERT_TRUE(direct->SaveToStream(&doc));
  check(direct, "set directly");
  delete direct;

  TOpenGl* loaded = unloaded();
  doc.SetPosition(0);
  ASSERT_TRUE(loaded->LoadFromStream(&doc));
  check(loaded, "loaded from a scene");
  delete loaded;
}

}  // namespace
