// The mouse camera: drags, the wheel, fitting the scene and its life beside the viewport.
#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>
#include <cmath>

#include "opengl/opengl.h"
#include "opengl/orbit_camera.h"
#include "parts/parts.h"
#include "support/viewport_fixture.h"

namespace {

const int kW = 160, kH = 120;

double Dist(const T3DVector* a, const T3DVector* b) {
  double dx = a->GetX() - b->GetX(), dy = a->GetY() - b->GetY(), dz = a->GetZ() - b->GetZ();
  return std::sqrt(dx * dx + dy * dy + dz * dz);
}

struct Orbit : ::testing::Test {
  TOpenGl* gl = nullptr;
  TOrbitCamera* cam = nullptr;
  void SetUp() override {
    gl = MakeLoadedViewport<TOpenGl>(kW, kH);
    cam = new TOrbitCamera(gl);  // dies with the viewport
    cam->SetViewport(gl);
  }
  void TearDown() override { delete gl; }
  void Drag(UINT down, UINT up, uintptr_t keys, int x0, int y0, int x1, int y1) {
    gl->Perform(down, keys, MakeLParam(x0, y0));
    gl->Perform(WM_MOUSEMOVE, keys, MakeLParam((x0 + x1) / 2, (y0 + y1) / 2));
    gl->Perform(WM_MOUSEMOVE, keys, MakeLParam(x1, y1));
    gl->Perform(up, 0, MakeLParam(x1, y1));
  }
  void Wheel(int notches) {
    for (int i = 0; i < std::abs(notches); ++i)
      gl->Perform(WM_MOUSEWHEEL, static_cast<uintptr_t>(static_cast<uint16_t>(notches > 0 ? 120 : -120)) << 16,
                  MakeLParam(kW / 2, kH / 2));
  }
  // Every corner of the box lands inside the picture and between near and far.
  bool Inside(const TBounds& b) {
    GLdouble proj[16], model[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    GLint vp[4];
    glGetDoublev(GL_PROJECTION_MATRIX, proj);
    glGetIntegerv(GL_VIEWPORT, vp);
    for (int c = 0; c < 8; ++c) {
      GLdouble wx, wy, wz;
      gluProject((c & 1) ? b.Max[0] : b.Min[0], (c & 2) ? b.Max[1] : b.Min[1], (c & 4) ? b.Max[2] : b.Min[2], model,
                 proj, vp, &wx, &wy, &wz);
      if (wx < 0 || wx > vp[2] || wy < 0 || wy > vp[3] || wz < 0 || wz > 1) return false;
    }
    return true;
  }
  // How much of the picture's width or height (the larger share) the box's corners span.
  double Share(const TBounds& b) {
    GLdouble proj[16], model[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    GLint vp[4];
    glGetDoublev(GL_PROJECTION_MATRIX, proj);
    glGetIntegerv(GL_VIEWPORT, vp);
    double x0 = 1e9, x1 = -1e9, y0 = 1e9, y1 = -1e9;
    for (int c = 0; c < 8; ++c) {
      GLdouble wx, wy, wz;
      gluProject((c & 1) ? b.Max[0] : b.Min[0], (c & 2) ? b.Max[1] : b.Min[1], (c & 4) ? b.Max[2] : b.Min[2], model,
                 proj, vp, &wx, &wy, &wz);
      x0 = std::min(x0, wx), x1 = std::max(x1, wx), y0 = std::min(y0, wy), y1 = std::max(y1, wy);
    }
    return std::max((x1 - x0) / vp[2], (y1 - y0) / vp[3]);
  }
  bool ShowsSomething() {
    Step(40);
    Pixels p = ReadPixels(gl->Handle());
    for (size_t i = 0; i < p.rgba.size(); i += 4)
      if (p.rgba[i] + p.rgba[i + 1] + p.rgba[i + 2] > 0) return true;
    return false;
  }
};

}  // namespace

TEST_F(Orbit, FitFramesEveryPartAndWheelingOutNeverLosesTheScene) {
  EXPECT_FALSE(cam->Fit());  // nothing to frame
  TPart* a = gl->AddCube(nullptr, "a");
  a->SetPX(-40);
  TPart* b = gl->AddSphere(nullptr, "b");
  b->SetPX(60);
  b->SetPY(25);
  TPart* c = gl->AddCylinder(nullptr, "c");
  c->SetPZ(30);
  for (TPart* p : {a, b, c}) {  // big enough to cover pixels from far away
    p->SetSX(20);
    p->SetSY(20);
    p->SetSZ(20);
  }
  gl->SetHeadlight(true);
  EXPECT_FALSE(Inside(gl->SceneBounds()));
  ASSERT_TRUE(cam->Fit());
  for (TPart* p : {a, b, c}) EXPECT_TRUE(Inside(gl->PartBounds(p))) << p->Name.c_str();
  // Framed, not lost in the middle: the scene spans most of the picture one way or the other.
  EXPECT_GT(Share(gl->SceneBounds()), 0.85);
  gl->SetProjectionOrtho(true);
  ASSERT_TRUE(cam->Fit());
  EXPECT_TRUE(Inside(gl->SceneBounds()));
  EXPECT_GT(Share(gl->SceneBounds()), 0.85);
  gl->SetProjectionOrtho(false);
  ASSERT_TRUE(cam->Fit());
  EXPECT_TRUE(ShowsSomething());

  // Far away, near and far still hold the scene: it gets small, never cut away.
  Wheel(-20);
  EXPECT_GT(Dist(gl->EyePosition(), gl->EyeTarget()), 500);
  EXPECT_TRUE(Inside(gl->SceneBounds()));
  EXPECT_TRUE(ShowsSomething());
  Wheel(40);
  EXPECT_LT(Dist(gl->EyePosition(), gl->EyeTarget()), 100);
  EXPECT_TRUE(ShowsSomething());
}

// Near and far go by depth along the view: a scene off to the side (nearer in depth than in distance) stays.
TEST_F(Orbit, NearAndFarHoldAPartOffToTheSide) {
  TPart* cube = gl->AddCube(nullptr, "aside");
  cube->SetPX(5);
  T3DVector eye, target;
  eye.SetY(6);
  gl->SetEyeTarget(&target);
  gl->SetEyePosition(&eye);
  T3DVector up;
  up.SetZ(-1);
  gl->SetEyeUp(&up);
  gl->SetHeadlight(true);
  cam->UpdateNearFar();
  EXPECT_TRUE(Inside(gl->PartBounds(cube)));
  EXPECT_TRUE(ShowsSomething());
}

TEST_F(Orbit, LeftDragOrbitsMiddleOrShiftDragPansRightDragZooms) {
  gl->AddCube(nullptr, "box");
  T3DVector eye0, target0;
  eye0.Assign(gl->EyePosition());
  target0.Assign(gl->EyeTarget());
  double r = Dist(gl->EyePosition(), gl->EyeTarget());

  Drag(WM_LBUTTONDOWN, WM_LBUTTONUP, MK_LBUTTON, 10, 10, 70, 40);
  EXPECT_NEAR(Dist(gl->EyePosition(), gl->EyeTarget()), r, 1e-3);
  EXPECT_GT(Dist(gl->EyePosition(), &eye0), 1);
  EXPECT_EQ(Dist(gl->EyeTarget(), &target0), 0);

  // Panning keeps the view direction and moves both ends by the same amount.
  T3DVector eye1, target1;
  eye1.Assign(gl->EyePosition());
  target1.Assign(gl->EyeTarget());
  Drag(WM_MBUTTONDOWN, WM_MBUTTONUP, MK_MBUTTON, 50, 50, 90, 50);
  double moved = Dist(gl->EyeTarget(), &target1);
  EXPECT_GT(moved, 0.5);
  EXPECT_NEAR(Dist(gl->EyePosition(), &eye1), moved, 1e-3);
  EXPECT_NEAR(Dist(gl->EyePosition(), gl->EyeTarget()), r, 1e-3);
  target1.Assign(gl->EyeTarget());
  Drag(WM_LBUTTONDOWN, WM_LBUTTONUP, MK_LBUTTON | MK_SHIFT, 50, 50, 50, 80);
  EXPECT_GT(Dist(gl->EyeTarget(), &target1), 0.5);

  Drag(WM_RBUTTONDOWN, WM_RBUTTONUP, MK_RBUTTON, 50, 50, 50, 100);
  EXPECT_GT(Dist(gl->EyePosition(), gl->EyeTarget()), r * 1.2);

  // Moving without a button held drags nothing.
  eye1.Assign(gl->EyePosition());
  gl->Perform(WM_MOUSEMOVE, 0, MakeLParam(5, 5));
  gl->Perform(WM_MOUSEMOVE, 0, MakeLParam(100, 90));
  EXPECT_EQ(Dist(gl->EyePosition(), &eye1), 0);
}

// Degrees between the eye's offset from the target and the up direction (EyeUp is +y here).
double FromUp(TOpenGl* gl) {
  double r = Dist(gl->EyePosition(), gl->EyeTarget());
  return std::acos((gl->EyePosition()->GetY() - gl->EyeTarget()->GetY()) / r) * 180 / M_PI;
}

TEST_F(Orbit, SteadyVerticalDragsStopAtThePolesWithoutFlipping) {
  // The eye starts level, behind the target on -z; a flip over a pole would put it on +z.
  ASSERT_NEAR(FromUp(gl), 90, 1e-3);
  cam->Orbit(0, 60);
  EXPECT_NEAR(FromUp(gl), 150, 1e-3);
  cam->Orbit(0, 60);
  EXPECT_GT(FromUp(gl), 170);
  EXPECT_LT(FromUp(gl), 180);
  EXPECT_LT(gl->EyePosition()->GetZ(), 0);

  // Steady drags down to one pole, up across the whole range to the other, and back.
  gl->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MakeLParam(80, 60));
  int y = 60;
  for (int dir : {1, -1, 1}) {
    double last = FromUp(gl);
    for (int i = 0; i < 40; ++i) {
      y += dir * 16;  // 8 degrees a move
      gl->Perform(WM_MOUSEMOVE, MK_LBUTTON, MakeLParam(80, y));
      double angle = FromUp(gl);
      EXPECT_GT(angle, 1) << dir << " " << i;
      EXPECT_LT(angle, 179) << dir << " " << i;
      // Toward the pole and never back past it.
      EXPECT_GE((angle - last) * dir, -1e-3) << dir << " " << i;
      EXPECT_LT(gl->EyePosition()->GetZ(), 0) << dir << " " << i;
      last = angle;
    }
    EXPECT_NEAR(last, dir > 0 ? 178 : 2, 0.5) << dir;
  }
  gl->Perform(WM_LBUTTONUP, 0, MakeLParam(80, y));

  for (float pitch : {1000.0f, -1000.0f}) {
    cam->Orbit(0, pitch);
    EXPECT_GT(FromUp(gl), 1.5) << pitch;
    EXPECT_LT(FromUp(gl), 178.5) << pitch;
    EXPECT_TRUE(std::isfinite(gl->EyePosition()->GetX()));
    EXPECT_LT(gl->EyePosition()->GetZ(), 0) << pitch;
  }
}

namespace {
class Listener : public TObject {
public:
  int downs = 0, wheels = 0;
  void Down(TObject*, TMouseButton, TShiftState, int, int) { ++downs; }
  void Wheel(TObject*, TShiftState, int, int, int) { ++wheels; }
};
}  // namespace

TEST(OrbitLife, HandlersChainAndEitherSideMayGoFirst) {
  Listener host;
  TOpenGl* gl = MakeLoadedViewport<TOpenGl>(kW, kH);
  gl->OnMouseDown = MakeEvent(&host, &Listener::Down);
  gl->OnMouseWheel = MakeEvent(&host, &Listener::Wheel);
  auto* cam = new TOrbitCamera(nullptr);
  cam->SetViewport(gl);
  gl->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MakeLParam(1, 1));
  gl->Perform(WM_LBUTTONUP, 0, MakeLParam(1, 1));
  gl->Perform(WM_MOUSEWHEEL, uintptr_t(120) << 16, MakeLParam(1, 1));
  EXPECT_EQ(host.downs, 1);
  EXPECT_EQ(host.wheels, 1);
  EXPECT_LT(Dist(gl->EyePosition(), gl->EyeTarget()), 8);
  // The camera goes first: the host's handlers are back.
  delete cam;
  EXPECT_TRUE(gl->OnMouseDown == MakeEvent(&host, &Listener::Down));
  EXPECT_TRUE(gl->OnMouseWheel == MakeEvent(&host, &Listener::Wheel));

  // The viewport goes first: the camera forgets it and stays usable.
  cam = new TOrbitCamera(nullptr);
  cam->SetViewport(gl);
  delete gl;
  EXPECT_EQ(cam->Viewport(), nullptr);
  cam->Orbit(10, 10);
  EXPECT_FALSE(cam->Fit());
  delete cam;
}

TEST(OrbitLife, TwoCamerasOnOneViewportLeaveInAnyOrder) {
  Listener host;
  auto click = [&](TOpenGl* gl) {
    int before = host.downs;
    gl->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MakeLParam(1, 1));
    gl->Perform(WM_LBUTTONUP, 0, MakeLParam(1, 1));
    return host.downs - before;  // the host hears every click exactly once
  };
  enum Leave { deleteFirst, deleteSecond, detachFirst, viewportFirst };
  for (Leave leave : {deleteFirst, deleteSecond, detachFirst, viewportFirst}) {
    SCOPED_TRACE(leave);
    TOpenGl* gl = MakeLoadedViewport<TOpenGl>(kW, kH);
    gl->OnMouseDown = MakeEvent(&host, &Listener::Down);
    auto* first = new TOrbitCamera(nullptr);
    auto* second = new TOrbitCamera(nullptr);
    first->SetViewport(gl);
    second->SetViewport(gl);
    EXPECT_EQ(click(gl), 1);
    TOrbitCamera* stays = second;
    if (leave == deleteFirst) {
      delete first;
      first = nullptr;
    } else if (leave == deleteSecond) {
      delete second;
      second = nullptr;
      stays = first;
    } else if (leave == detachFirst) {
      first->SetViewport(nullptr);
      EXPECT_EQ(click(gl), 1);
      first->SetViewport(gl);  // back on, now ahead of the second
      stays = first;
      delete second;
      second = nullptr;
    } else {
      delete gl;
      gl = nullptr;
      EXPECT_EQ(first->Viewport(), nullptr);
      EXPECT_EQ(second->Viewport(), nullptr);
    }
    if (gl) {
      EXPECT_EQ(click(gl), 1);
      EXPECT_EQ(stays->Viewport(), gl);
      delete stays;
      EXPECT_TRUE(gl->OnMouseDown == MakeEvent(&host, &Listener::Down));
      EXPECT_FALSE(gl->OnMouseWheel.Assigned());
      EXPECT_EQ(click(gl), 1);
      delete gl;
      if (stays == first) first = nullptr;
      else second = nullptr;
    }
    delete first;
    delete second;
  }
}
