// Per-part culling and prompt refresh: the same pictures and picks with and without culling through
// edits and camera moves, cached boxes that follow every kind of change, and one frame per pass of
// the loop however much input a pass brings.
#include <GL/gl.h>

#include <functional>
#include <limits>
#include <string>

#include "opengl/bounds.h"
#include "opengl/luce.h"
#include "opengl/opengl.h"
#include "parts/call.h"
#include "parts/parts.h"
#include "parts/primitives.h"
#include "parts/quad.h"
#include "support/viewport_fixture.h"

namespace {

const int kW = 96, kH = 72;

// Parts across and beyond the edges of the view, material and texture that leak to later siblings,
// clip planes, a polygon with a list of its own, call parts, and a branch deeper than the push depth.
void BuildScene(TOpenGl* gl) {
  TBitmap checker;
  checker.SetSize(4, 4);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) checker.SetPixel(x, y, (x + y) % 2 ? clRed : clYellow);
  gl->SetTexture(2, &checker);
  gl->GetLight(0)->SetPositionZ(-1);
  gl->GetLight(0)->SetEnabled(true);
  for (int row = 0; row < 5; ++row) {
    TPart* g = gl->AddGroup(nullptr, ("row" + std::to_string(row)).c_str());
    g->SetPY(-6.0f + 3.0f * row);
    for (int i = 0; i < 8; ++i) {
      const std::string name = "p" + std::to_string(row) + "_" + std::to_string(i);
      TPart* p = nullptr;
      switch ((row + i) % 4) {
        case 0: p = gl->AddCube(g, name.c_str()); break;
        case 1: p = gl->AddSphere(g, name.c_str()); break;
        case 2: p = gl->AddCylinder(g, name.c_str()); break;
        default: p = gl->AddDisk(g, name.c_str()); break;
      }
      p->SetPX(-10.5f + 3.0f * i);
      p->SetRX(1);
      p->SetRotationAngle(25.0f * i);
      // Every third part sets a material that the parts after it inherit; some bind the texture.
      if (i % 3 == 0) {
        p->SetUseMaterial(true);
        p->SetDiffuseR(0.2f + 0.1f * i);
        p->SetDiffuseB(0.9f - 0.1f * row);
      }
      if ((row * 8 + i) % 5 == 0) p->SetTexture(2);
      if ((row * 8 + i) % 7 == 3) p->SetTexture(-1);
    }
  }
  TPart* clipped = gl->FindPart("p2_4");
  clipped->SetClipPlaneA(0, 1);
  clipped->SetUseClipPlane(0, 1);
  TPart* quad = gl->AddQuad(gl->FindPart("row1"), "quad");
  quad->SetPX(7);
  quad->SetUseMaterial(true);
  quad->SetDiffuseG(0.2f);
  for (const char* target : {"p0_0", "row4"}) {
    auto* call = new TPartCall();
    call->Name = std::string("call ") + target;
    call->SetUsedPartName(target);
    TPart* holder = gl->AddGroup(nullptr, (std::string("at ") + target).c_str());
    holder->SetPX(target[0] == 'p' ? 3 : -14);
    holder->SetPY(1);
    gl->Paste(holder, call);
  }
  TPart* deep = gl->AddGroup(nullptr, "deep");
  deep->SetPX(4);
  for (int d = 0; d < PART_PUSH_DEPTH + 3; ++d) deep = gl->AddGroup(deep, ("d" + std::to_string(d)).c_str());
  TPart* tip = gl->AddSphere(deep, "tip");
  tip->SetUseMaterial(true);
  tip->SetDiffuseG(0.1f);
}

struct Culling : ::testing::Test {
  TOpenGl* culled = nullptr;
  TOpenGl* whole = nullptr;
  TOpenGl* scene = nullptr;
  void SetUp() override {
    culled = MakeLoadedViewport<TOpenGl>(kW, kH);
    whole = MakeLoadedViewport<TOpenGl>(kW, kH);
    scene = MakeLoadedViewport<TOpenGl>(kW, kH);
    culled->SetListMode(lmPerPart);
    whole->SetListMode(lmPerPart);
    whole->SetCulling(false);
  }
  void TearDown() override {
    delete scene;
    delete whole;
    delete culled;
  }
  void Each(const std::function<void(TOpenGl*)>& edit) {
    for (TOpenGl* gl : {culled, whole, scene}) edit(gl);
    Step(40);
  }
  // The three viewports show the same picture and pick the same parts (by path).
  void Same(const std::string& what) {
    const Pixels a = ReadPixels(culled->Handle()), b = ReadPixels(whole->Handle()), c = ReadPixels(scene->Handle());
    size_t drawn = 0, differ = 0, differScene = 0;
    for (size_t i = 0; i < a.rgba.size(); i += 4) {
      if (a.rgba[i] != b.rgba[i] || a.rgba[i + 1] != b.rgba[i + 1] || a.rgba[i + 2] != b.rgba[i + 2]) ++differ;
      if (a.rgba[i] != c.rgba[i] || a.rgba[i + 1] != c.rgba[i + 1] || a.rgba[i + 2] != c.rgba[i + 2]) ++differScene;
      if (a.rgba[i] | a.rgba[i + 1] | a.rgba[i + 2]) ++drawn;
    }
    EXPECT_EQ(differ, 0u) << what;

    EXPECT_EQ(differScene, 0u) << what << " (against the whole-scene list)";
    EXPECT_GT(drawn, 50u) << what;
    for (int y = 3; y < kH; y += 11)
      for (int x = 2; x < kW; x += 9)
        ASSERT_STREQ(TOpenGl::PartPath(culled->PartAt(x, y)).c_str(), TOpenGl::PartPath(whole->PartAt(x, y)).c_str())
            << what << " at " << x << "," << y;
  }
};

void Camera(TOpenGl* gl, float x, float y, float z, float tx, float ty, float angle) {
  T3DVector eye, target;
  eye.SetX(x);
  eye.SetY(y);
  eye.SetZ(z);
  target.SetX(tx);
  target.SetY(ty);
  gl->SetEyePosition(&eye);
  gl->SetEyeTarget(&target);
  gl->SetProjectionYAngle(angle);
  gl->SetProjectionFar(40);
}

}  // namespace

TEST_F(Culling, FramesAndPicksMatchWithoutCullingThroughEditsAndCameraMoves) {
  Each(BuildScene);
  Each([](TOpenGl* gl) { Camera(gl, 0, 0, -12, 0, 0, 60); });
  Same("the scene");
  // A narrow view: most parts lie outside it, and state they would leave still reaches later parts.
  Each([](TOpenGl* gl) { Camera(gl, 0, 0, -12, 1.5f, 0, 12); });
  Same("a narrow view");
  EXPECT_GT(culled->PartsCulled(), 5);
  EXPECT_EQ(whole->PartsCulled(), 0);
  EXPECT_LT(culled->PartsDrawn(), whole->PartsDrawn());
  // Parts half across the edges, seen from an angle.
  Each([](TOpenGl* gl) { Camera(gl, 3, 2, -10, -4, 0.5f, 25); });
  Same("edges at an angle");
  Each([](TOpenGl* gl) { gl->FindPart("p1_2")->SetPX(-4.2f); });
  Same("a placement");
  Each([](TOpenGl* gl) { static_cast<TPartCylinder*>(gl->FindPart("p2_0"))->SetHeight(6); });
  Same("a geometry field");
  Each([](TOpenGl* gl) { gl->FindPart("row2")->SetRZ(1); gl->FindPart("row2")->SetRotationAngle(30); });
  Same("a group turned");
  Each([](TOpenGl* gl) {
    TPart* p = gl->FindPart("p3_1");
    gl->DeleteObject(p);
    gl->Paste(gl->FindPart("row0"), p);
  });
  Same("a part moved to another group");
  Each([](TOpenGl* gl) {
    TPart* p = gl->FindPart("p4_5");
    gl->DeleteObject(p);
    delete p;
  });
  Same("a deletion");
  Each([](TOpenGl* gl) { gl->AddSphere(gl->FindPart("row3"), "new")->SetPX(-5); });
  Same("an insert");
  Each([](TOpenGl* gl) { gl->FindPart("p0_0")->SetSX(3); });
  Same("a change inside a call part's target");
  Each([](TOpenGl* gl) {
    static_cast<TPartCall*>(gl->FindPart("call p0_0"))->SetUsedPartName("quad");
    gl->RefreshModel(gl);
  });
  Same("a call part pointed elsewhere");
  Each([](TOpenGl* gl) { gl->FindPart("p2_4")->SetClipPlaneD(0, 9); });
  Same("a clip plane");
  Each([](TOpenGl* gl) {
    gl->SetProjectionOrtho(true);
    gl->SetProjectionWidth(9);
    gl->SetProjectionHeight(7);
  });
  Same("ortho");
  Each([](TOpenGl* gl) { Camera(gl, -2, 0, -12, 2, -3, 25); });
  Same("ortho, moved");
  EXPECT_GT(culled->PartsCulled(), 0);
  Each([](TOpenGl* gl) { gl->SetProjectionOrtho(false); Camera(gl, 4, 0, -6, 4, 0, 40); });
  Same("close to the deep branch");
  // Turning culling off and on changes nothing either.
  culled->SetCulling(false);
  Step(40);
  Same("culling switched off");
  culled->SetCulling(true);
  Step(40);
  Same("and on");
}

// The cached box of every part is the box computed afresh from the whole tree, after every kind of change.
TEST_F(Culling, CachedBoxesFollowEveryKindOfChange) {
  TOpenGl* gl = culled;
  BuildScene(gl);
  Step(40);
  std::function<void(TPart*, const std::string&)> check = [&](TPart* p, const std::string& what) {
    const TBounds fresh = PartLocalBounds(p);
    const TBounds& kept = p->CachedBounds();
    ASSERT_EQ(kept.Empty, fresh.Empty) << what << ": " << TOpenGl::PartPath(p).c_str();
    for (int a = 0; a < 3 && !fresh.Empty; ++a) {
      ASSERT_FLOAT_EQ(kept.Min[a], fresh.Min[a]) << what << ": " << TOpenGl::PartPath(p).c_str();
      ASSERT_FLOAT_EQ(kept.Max[a], fresh.Max[a]) << what << ": " << TOpenGl::PartPath(p).c_str();
    }
    if (auto* g = dynamic_cast<TPartGroup*>(p))
      for (int i = 0; i < g->Count(); ++i) check(g->Part(i), what);
  };
  auto after = [&](const std::function<void()>& edit, const std::string& what) {
    gl->Root()->CachedBounds();  // cached before the change
    edit();
    Step(40);
    check(gl->Root(), what);
  };
  after([] {}, "the scene");
  after([&] { gl->FindPart("p1_1")->SetPZ(7); }, "a placement");
  after([&] { gl->FindPart("row1")->SetSY(3); }, "a group's scale");
  after([&] { static_cast<TPartDisk*>(gl->FindPart("p0_3"))->SetOuterRadius(5); }, "a disk's radius");
  after([&] { static_cast<TPartCylinder*>(gl->FindPart("p0_2"))->SetTopRadius(4); }, "a cylinder's radius");
  after([&] { static_cast<TPartQuad*>(gl->FindPart("quad"))->SetPX(-30); }, "a polygon moved");
  after([&] { gl->AddCube(gl->FindPart("row0"), "far")->SetPX(50); }, "an insert");
  after([&] {
    TPart* p = gl->FindPart("far");
    gl->DeleteObject(p);
    gl->Paste(gl->FindPart("row4"), p);
  }, "a move");
  after([&] {
    TPart* p = gl->FindPart("far");
    gl->DeleteObject(p);
    delete p;
  }, "a deletion");
  // A call part's box is its target's, which changes without the call part's path hearing of it.
  after([&] { gl->FindPart("p0_0")->SetPY(-20); }, "a call target's placement");
  after([&] { gl->FindPart("p4_2")->SetSX(9); }, "a change inside a called group");
  after([&] {
    static_cast<TPartCall*>(gl->FindPart("call row4"))->SetUsedPartName("row0");
    gl->RefreshModel(gl);
  }, "a call target renamed");
  after([&] { static_cast<TPartCall*>(gl->FindPart("call p0_0"))->SetCallList(1); }, "a list set by hand");
  bool unbounded = false;
  gl->FindPart("call p0_0")->CachedBounds(&unbounded);
  EXPECT_TRUE(unbounded) << "a list set by hand draws what no box tells";
  gl->Root()->CachedBounds(&unbounded);
  EXPECT_TRUE(unbounded);
  after([&] { gl->FindPart("p3_3")->SetPX(std::numeric_limits<float>::infinity()); }, "a value not finite");
}

namespace {
// A viewport that counts its frames, and a control whose posted messages move a part, as a drag does.
struct CountingViewport : TOpenGl {
  using TOpenGl::TOpenGl;
  void Paint() override {
    ++frames;
    TOpenGl::Paint();
  }
  int frames = 0;
};

const UINT kMove = WM_USER + 7;

struct Dragger : TWinControl {
  using TWinControl::TWinControl;
  TPart* part = nullptr;
  int moves = 0;
  void Dispatch(void* Message) override {
    auto* m = static_cast<TMessage*>(Message);
    if (m->Msg == kMove) {
      ++moves;
      part->SetPX(static_cast<float>(m->WParam) * 0.01f);
      return;
    }
    TWinControl::Dispatch(Message);
  }
};
}  // namespace

TEST(PromptRefresh, EachPassDrawsItsChangesOnceAndInputNeverWaitsBehindFrames) {
  Application->UseManualClock(true);
  auto* gl = MakeLoadedViewport<CountingViewport>(kW, kH);
  gl->SetListMode(lmPerPart);
  TPart* cube = gl->AddCube(nullptr, "cube");
  cube->SetSX(2);
  Step(40);
  auto* drag = new Dragger(nullptr);
  drag->part = cube;
  auto* reference = MakeLoadedViewport<TOpenGl>(kW, kH);
  reference->SetListMode(lmPerPart);
  TPart* twin = reference->AddCube(nullptr, "cube");
  twin->SetSX(2);

  // Off (the default): a change waits for the two timers.
  int before = gl->frames;
  cube->SetPX(0.5f);
  Application->ProcessMessages();
  EXPECT_EQ(gl->frames, before);
  Step(40);
  EXPECT_EQ(gl->frames, before + 1);

  // On: a burst of 100 moves posted at once is delivered in one pass, rebuilt once and drawn once, at
  // the end of that pass, showing the last move; no clock needs to move.
  gl->SetPromptRefresh(true);
  before = gl->frames;
  for (int i = 1; i <= 100; ++i) Application->PostMessage(drag->Handle(), kMove, static_cast<uintptr_t>(i), 0);
  Application->ProcessMessages();
  EXPECT_EQ(drag->moves, 100);
  EXPECT_EQ(gl->frames, before + 1);
  twin->SetPX(1.0f);
  Step(40);
  EXPECT_EQ(ReadPixels(gl->Handle()).rgba, ReadPixels(reference->Handle()).rgba);
  // Passes without changes draw nothing; a pass with a move draws it once, and moves posted while a
  // pass runs wait only for the next pass, never for a queue of frames.
  before = gl->frames;
  Application->ProcessMessages();
  Application->ProcessMessages();
  EXPECT_EQ(gl->frames, before);
  for (int pass = 0; pass < 10; ++pass) {
    for (int i = 0; i < 3; ++i) Application->PostMessage(drag->Handle(), kMove, static_cast<uintptr_t>(200 + pass * 3 + i), 0);
    Application->ProcessMessages();
    EXPECT_EQ(gl->frames, before + pass + 1);
    EXPECT_EQ(drag->moves, 100 + 3 * (pass + 1));
  }
  // Back to the timers: a change pending from the last pass goes to them.
  cube->SetPX(0);
  gl->SetPromptRefresh(false);
  before = gl->frames;
  Application->ProcessMessages();
  EXPECT_EQ(gl->frames, before);
  Step(40);
  EXPECT_EQ(gl->frames, before + 1);
  delete reference;
  delete drag;
  delete gl;
  // A viewport gone with prompt refresh on leaves nothing for the loop to call.
  auto* gone = MakeLoadedViewport<TOpenGl>(kW, kH);
  gone->SetPromptRefresh(true);
  gone->AddCube(nullptr, "x");
  delete gone;
  Application->ProcessMessages();
}
