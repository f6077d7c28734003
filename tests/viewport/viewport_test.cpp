// The viewport's context, paint cycle, camera and projection, rendered headless.
#include <GL/gl.h>
#include <GL/glu.h>

#include <cmath>
#include <string>

#include "framework/controls/dialogs.h"
#include "framework/platform/backend.h"
#include "opengl/opengl.h"
#include "parts/parts.h"
#include "parts/primitives.h"
#include "support/viewport_fixture.h"

namespace {

class Recorder : public TObject {
public:
  std::vector<std::string> events;
  bool drawQuad = false;
  void Before(TObject*) { events.push_back("before"); }
  void After(TObject*) { events.push_back("after"); }
  void Frame(TObject*) { events.push_back("frame"); }
  void PaintScene(TObject*) {
    events.push_back("paint");
    if (!drawQuad) return;
    glDisable(GL_LIGHTING);
    glColor3f(1, 1, 0);
    glBegin(GL_QUADS);
    glVertex3f(1, -1, 0);
    glVertex3f(3, -1, 0);
    glVertex3f(3, 1, 0);
    glVertex3f(1, 1, 0);
    glEnd();
  }
};

struct ViewportTest : ::testing::Test {
  TOpenGl* gl = nullptr;
  void SetUp() override { gl = MakeLoadedViewport<TOpenGl>(); }
  void TearDown() override { delete gl; }
};

TEST(ViewportFresh, DefaultsBeforeLoading) {
  TOpenGl gl(nullptr);
  EXPECT_EQ(gl.Fps(), 0);
  EXPECT_FALSE(gl.ProjectionOrtho());
  EXPECT_EQ(gl.ProjectionWidth(), 1);
  EXPECT_EQ(gl.ProjectionHeight(), 1);
  EXPECT_EQ(gl.ProjectionNear(), 1);
  EXPECT_EQ(gl.ProjectionFar(), 10);
  EXPECT_EQ(gl.ProjectionYAngle(), 90);
  EXPECT_EQ(gl.EyePosition()->GetZ(), -8);
  EXPECT_EQ(gl.EyePosition()->GetW(), 1);
  EXPECT_EQ(gl.EyeTarget()->GetX(), 0);
  EXPECT_EQ(gl.EyeUp()->GetY(), 1);
  EXPECT_EQ(gl.ClearColor()->GetA(), 1);
  EXPECT_TRUE(gl.RefreshEnabled);
  EXPECT_FALSE(gl.Animation());
  EXPECT_EQ(gl.SuggestedSelection(), nullptr);
  EXPECT_EQ(gl.GetResourceContext(), 0);
  ASSERT_NE(gl.Root(), nullptr);
  EXPECT_EQ(gl.Root()->Name, "__ROOT__");
  // With no context current the slots take the names 1 to 20.
  for (int i = 0; i < TEXTURE_SLOTS; ++i) EXPECT_EQ(gl.TextureName(i), static_cast<unsigned>(i + 1));
}

TEST(ViewportFresh, WindowClassStyleAndContextCreation) {
  TOpenGl* gl = MakeLoadedViewport<TOpenGl>();
  EXPECT_EQ(gl->Handle()->classStyle & 0x23u, 0x23u);
  EXPECT_NE(gl->GetResourceContext(), 0);
  EXPECT_EQ(wglGetCurrentContext(), reinterpret_cast<HGLRC>(gl->GetResourceContext()));
  EXPECT_TRUE(glIsEnabled(GL_NORMALIZE));
  EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
  EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
  EXPECT_FALSE(glIsEnabled(GL_CULL_FACE));
  GLint cull = 0;
  glGetIntegerv(GL_CULL_FACE_MODE, &cull);
  EXPECT_EQ(cull, GL_BACK);
  delete gl;
  // The viewport releases the context it made and leaves none current.
  EXPECT_EQ(wglGetCurrentContext(), nullptr);
}

TEST_F(ViewportTest, ClearColourFillsTheFrameAndQuadLandsWhereTheCameraPutsIt) {
  TColorVector c;
  c.SetR(0);
  c.SetG(0);
  c.SetB(1);
  gl->SetClearColor(&c);
  Recorder r;
  r.drawQuad = true;
  gl->OnPaint = MakeEvent(&r, &Recorder::PaintScene);
  gl->Perform(WM_PAINT, 0, 0);
  Pixels p = ReadPixels(gl->Handle());
  ASSERT_EQ(p.width, 64);
  ASSERT_EQ(p.height, 48);
  // Looking along +z with y up puts +x on the left: x 1..3 at z 0 spans columns 23..29.
  Rgba quad = p.At(26, 24);
  EXPECT_EQ(quad.r, 255);
  EXPECT_EQ(quad.g, 255);
  EXPECT_EQ(quad.b, 0);
  for (auto [x, y] : {std::pair{38, 24}, std::pair{0, 0}, std::pair{63, 47}, std::pair{20, 24}}) {
    Rgba bg = p.At(x, y);
    EXPECT_EQ(bg.r, 0) << x << "," << y;
    EXPECT_EQ(bg.b, 255) << x << "," << y;
  }
}

TEST_F(ViewportTest, EventsFireInOrderAndFrameOnlyWhileAnimating) {
  Recorder r;
  gl->OnBeforePaint = MakeEvent(&r, &Recorder::Before);
  gl->OnPaint = MakeEvent(&r, &Recorder::PaintScene);
  gl->OnAfterPaint = MakeEvent(&r, &Recorder::After);
  gl->OnFrame = MakeEvent(&r, &Recorder::Frame);
  gl->Perform(WM_PAINT, 0, 0);
  EXPECT_EQ(r.events, (std::vector<std::string>{"before", "paint", "after"}));
  r.events.clear();
  gl->SetAnimation(true);
  gl->Perform(WM_PAINT, 0, 0);
  EXPECT_EQ(r.events, (std::vector<std::string>{"before", "paint", "after", "frame"}));
  // The canvas is unbound and unlocked again after the frame.
  EXPECT_EQ(gl->GetCanvas()->LockCount(), 0);
  gl->SetAnimation(false);
}

// The matrix gluPerspective/glOrtho and gluLookAt make, worked out on the CPU.
void ExpectProjection(const double* expected) {
  double m[16];
  glGetDoublev(GL_PROJECTION_MATRIX, m);
  for (int i = 0; i < 16; ++i) EXPECT_NEAR(m[i], expected[i], 1e-5) << "element " << i;
}

void Multiply(const double* a, const double* b, double* out) {
  for (int c = 0; c < 4; ++c)
    for (int r = 0; r < 4; ++r) {
      double s = 0;
      for (int k = 0; k < 4; ++k) s += a[k * 4 + r] * b[c * 4 + k];
      out[c * 4 + r] = s;
    }
}

// Camera at (0, 0, -8) looking at the origin with y up: the view flips x and z and moves by 8.
const double kLookAt[16] = {-1, 0, 0, 0, 0, 1, 0, 0, 0, 0, -1, 0, 0, 0, -8, 1};

TEST_F(ViewportTest, ProjectionMatrixMatchesTheDefaultsInBothModes) {
  gl->SetProjection();
  double f = 1.0 / std::tan(45.0 * M_PI / 180.0), aspect = 64.0 / 48.0, n = 1, fa = 10;
  double persp[16] = {f / aspect, 0, 0, 0, 0, f, 0, 0, 0, 0, (fa + n) / (n - fa), -1, 0, 0, 2 * fa * n / (n - fa), 0};
  double expected[16];
  Multiply(persp, kLookAt, expected);
  ExpectProjection(expected);

  gl->SetProjectionOrtho(true);
  double ortho[16] = {2, 0, 0, 0, 0, 2, 0, 0, 0, 0, -2.0 / 9.0, 0, 0, 0, -11.0 / 9.0, 1};
  Multiply(ortho, kLookAt, expected);
  ExpectProjection(expected);
  GLint mode = 0;
  glGetIntegerv(GL_MATRIX_MODE, &mode);
  EXPECT_EQ(mode, GL_MODELVIEW);
}

TEST_F(ViewportTest, ResizeSetsTheViewportAndTheProjectionsAspect) {
  EventCounter projections;
  gl->OnSetProjection = projections.Event();
  gl->SetBounds(0, 0, 100, 30);
  GLint vp[4];
  glGetIntegerv(GL_VIEWPORT, vp);
  EXPECT_EQ(vp[2], 100);
  EXPECT_EQ(vp[3], 30);
  double m[16];
  glGetDoublev(GL_PROJECTION_MATRIX, m);
  EXPECT_NEAR(std::fabs(m[5] / m[0]), 100.0 / 30.0, 1e-6);  // GL keeps floats
  EXPECT_EQ(projections.Count, 1);
  // A resize before the context exists stores the size and touches no GL.
  TOpenGl fresh(nullptr);
  fresh.SetBounds(0, 0, 10, 10);
  glGetIntegerv(GL_VIEWPORT, vp);
  EXPECT_EQ(vp[2], 100);
  // The pbuffer follows the window, so a frame still fills it.
  gl->Perform(WM_PAINT, 0, 0);
  Pixels p = ReadPixels(gl->Handle());
  EXPECT_EQ(p.width, 100);
  EXPECT_EQ(p.height, 30);
}

TEST_F(ViewportTest, ZeroHeightTakesASquareAspect) {
  gl->SetBounds(0, 0, 64, 0);
  gl->SetProjection();
  double m[16];
  glGetDoublev(GL_PROJECTION_MATRIX, m);
  for (double v : m) EXPECT_TRUE(std::isfinite(v));
  EXPECT_NEAR(std::fabs(m[0]), std::fabs(m[5]), 1e-9);
}

class ProjectionProbe : public TObject {
public:
  GLint mode = 0;
  int calls = 0;
  void Seen(TObject*) {
    ++calls;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
  }
};

TEST_F(ViewportTest, SettersRebuildTheProjectionAndArmARepaint) {
  ProjectionProbe probe;
  gl->OnSetProjection = MakeEvent(&probe, &ProjectionProbe::Seen);
  gl->SetProjectionOrtho(false);  // the same value still rebuilds
  EXPECT_EQ(probe.calls, 1);
  EXPECT_EQ(probe.mode, GL_PROJECTION);
  T3DVector eye;
  eye.SetZ(-5);
  gl->SetEyePosition(&eye);
  EXPECT_EQ(probe.calls, 2);
  EXPECT_EQ(gl->EyePosition()->GetZ(), -5);
  EXPECT_NE(gl->EyePosition(), &eye);
  // Changing the held vector in place does not rebuild.
  gl->EyePosition()->SetZ(-6);
  EXPECT_EQ(probe.calls, 2);
  gl->SetProjectionNear(2);
  gl->SetProjectionFar(20);
  gl->SetProjectionYAngle(60);
  gl->SetProjectionWidth(3);
  gl->SetProjectionHeight(4);
  EXPECT_EQ(probe.calls, 7);
}

TEST(ViewportContext, PixelFormatFailureShowsBothBoxes) {
  std::vector<std::string> shown;
  auto old = SetMessageBoxHandler([&](HWND, const std::string& text, const std::string& caption, UINT type) {
    shown.push_back(caption + "|" + text + "|" + std::to_string(type & MB_ICONERROR));
    return 1;
  });
  ForcePixelFormatFailure(true);
  TOpenGl* gl = MakeLoadedViewport<TOpenGl>();
  ForcePixelFormatFailure(false);
  SetMessageBoxHandler(old);
  EXPECT_EQ(shown, (std::vector<std::string>{"Error|ChoosePixelFormat failed.|16", "Error|SetPixelFormat failed.|16"}));
  // Without a pixel format there is no context; painting must still be harmless.
  EXPECT_EQ(gl->GetResourceContext(), 0);
  gl->Perform(WM_PAINT, 0, 0);
  delete gl;
}

TEST_F(ViewportTest, PaintMessageWithADeviceContextSkipsBeginPaint) {
  InvalidateRect(gl->Handle(), nullptr, FALSE);
  Recorder r;
  gl->OnPaint = MakeEvent(&r, &Recorder::PaintScene);
  gl->Perform(WM_PAINT, reinterpret_cast<uintptr_t>(GetDC(gl->Handle())), 0);
  EXPECT_EQ(r.events.size(), 1u);
  // BeginPaint would have validated the window.
  EXPECT_TRUE(gl->Handle()->invalid);
}

}  // namespace

namespace {

TEST(ViewportContext, TwoViewportsOnOneThreadEachDrawInTheirOwnContext) {
  TOpenGl* a = MakeLoadedViewport<TOpenGl>();
  TOpenGl* b = MakeLoadedViewport<TOpenGl>();  // loading b made its context current
  TColorVector red, blue;
  red.SetR(1);
  blue.SetB(1);
  a->SetClearColor(&red);
  b->SetClearColor(&blue);
  TPart* cube = a->AddCube(nullptr, "A");
  cube->SetSX(4);
  cube->SetSY(4);
  cube->SetUseMaterial(true);
  cube->SetEmissionG(1);
  Step(30);  // both rebuild and repaint; each list lives in its own viewport's context
  Pixels pa = ReadPixels(a->Handle()), pb = ReadPixels(b->Handle());
  EXPECT_EQ(pa.At(2, 2).r, 255);
  EXPECT_EQ(pa.At(32, 24).g, 255);
  EXPECT_EQ(pb.At(2, 2).b, 255);
  EXPECT_EQ(pb.At(32, 24).g, 0);
  delete b;
  cube->SetPY(0.5f);
  Step(30);
  pa = ReadPixels(a->Handle());
  EXPECT_EQ(pa.At(32, 24).g, 255);
  EXPECT_EQ(pa.At(2, 2).r, 255);
  delete a;
}

}  // namespace

// A host may delete the viewport from its own paint or resize events; the viewport touches nothing after.
TEST(ViewportContext, AHostMayDeleteTheViewportInItsPaintOrResizeEvent) {
  struct Deleter : TObject {
    TOpenGl* gl = nullptr;
    void Delete(TObject*) {
      delete gl;
      gl = nullptr;
    }
  };
  for (int event = 0; event < 4; ++event) {
    SCOPED_TRACE(event);
    Deleter deleter;
    deleter.gl = MakeLoadedViewport<TOpenGl>();
    const TLiveness alive = deleter.gl->Liveness();
    TNotifyEvent handler = MakeEvent(&deleter, &Deleter::Delete);
    if (event == 0) {
      deleter.gl->OnPaint = handler;
      deleter.gl->Perform(WM_PAINT, 0, 0);
    } else if (event == 1) {
      deleter.gl->OnAfterPaint = handler;
      deleter.gl->Perform(WM_PAINT, 0, 0);
    } else if (event == 2) {
      deleter.gl->OnResize = handler;
      deleter.gl->SetBounds(0, 0, 80, 60);
    } else {
      deleter.gl->OnBeforePaint = handler;
      TBitmap picture;
      EXPECT_FALSE(deleter.gl->SnapshotTo(&picture));
    }
    EXPECT_FALSE(alive);
    EXPECT_EQ(deleter.gl, nullptr);
    wglMakeCurrent(nullptr, nullptr);
  }
}
