// Timers from the message loop, and the viewport's rebuild and repaint scheduling, on the hand-driven clock.
#include <GL/gl.h>

#include "opengl/opengl.h"
#include "parts/primitives.h"
#include "support/viewport_fixture.h"

namespace {

TEST(Timers, TickFromTheLoopAndDoNotRestartOnTheSameSettings) {
  Application->UseManualClock(true);
  EventCounter ticks;
  TTimer t(nullptr);
  t.SetEnabled(false);
  t.SetInterval(10);
  t.SetOnTimer(ticks.Event());
  t.SetEnabled(true);
  Step(9);
  EXPECT_EQ(ticks.Count, 0);
  // Setting what it already has must not push the tick back.
  t.SetInterval(10);
  t.SetEnabled(true);
  Step(1);
  EXPECT_EQ(ticks.Count, 1);
  EXPECT_EQ(ticks.LastSender, &t);
  Step(20);
  EXPECT_EQ(ticks.Count, 3);
  // A new interval restarts the count.
  Step(5);
  t.SetInterval(20);
  Step(15);
  EXPECT_EQ(ticks.Count, 3);
  Step(5);
  EXPECT_EQ(ticks.Count, 4);
  t.SetEnabled(false);
  Step(100);
  EXPECT_EQ(ticks.Count, 4);
}

TEST(Timers, AHandlerMayDestroyAnotherTimer) {
  Application->UseManualClock(true);
  struct Killer : TObject {
    TTimer* victim = nullptr;
    void Kill(TObject*) {
      delete victim;
      victim = nullptr;
    }
  } killer;
  EventCounter victimTicks;
  TTimer first(nullptr);
  first.SetInterval(10);
  first.SetOnTimer(MakeEvent(&killer, &Killer::Kill));
  killer.victim = new TTimer(nullptr);
  killer.victim->SetInterval(10);
  killer.victim->SetOnTimer(victimTicks.Event());
  Step(10);
  EXPECT_EQ(killer.victim, nullptr);
  EXPECT_EQ(victimTicks.Count, 0);
}

// A cube that counts the list phases it is asked for.
class CountingCube : public TPartCube {
public:
  int deletes = 0, prepares = 0;
  void BuildList(BUILDLIST_PHASE phase) override {
    if (phase == BUILDLIST_DELETE) ++deletes;
    if (phase == BUILDLIST_PREPARE) ++prepares;
    TPartCube::BuildList(phase);
  }
};

struct RefreshTest : ::testing::Test {
  TOpenGl* gl = nullptr;
  CountingCube* cube = nullptr;
  EventCounter paints, frames;
  void SetUp() override {
    gl = MakeLoadedViewport<TOpenGl>();
    cube = new CountingCube;
    gl->Root()->AddObject(cube, nullptr);
    gl->OnAfterPaint = paints.Event();
    gl->OnFrame = frames.Event();
    Step(50);  // the rebuild and repaint armed by construction
    cube->deletes = cube->prepares = 0;
    paints.Count = 0;
  }
  void TearDown() override { delete gl; }
};

TEST_F(RefreshTest, TenChangesMakeOneRebuildAndOneRepaint) {
  for (int i = 0; i < 10; ++i) cube->SetPX(static_cast<float>(i));
  Step(9);
  EXPECT_EQ(cube->deletes, 0);
  Step(1);
  EXPECT_EQ(cube->deletes, 1);
  EXPECT_EQ(cube->prepares, 1);
  EXPECT_NE(gl->Root()->DisplayList, 0u);
  EXPECT_EQ(paints.Count, 0);
  Step(10);
  EXPECT_EQ(paints.Count, 1);
  Step(100);
  EXPECT_EQ(cube->deletes, 1);
  EXPECT_EQ(paints.Count, 1);
  EXPECT_EQ(frames.Count, 0);
}

TEST_F(RefreshTest, AnimationKeepsTheRepaintTimerTickingAndFiresFrames) {
  gl->SetAnimation(true);
  gl->SetAnimation(true);  // the same value arms nothing more
  Step(100);
  EXPECT_EQ(paints.Count, 10);
  EXPECT_EQ(frames.Count, 10);
  gl->SetAnimation(false);
  Step(100);
  EXPECT_EQ(paints.Count, 11);
  EXPECT_EQ(frames.Count, 10);
}

TEST_F(RefreshTest, DisabledRefreshArmsNothingButRunningTimersStillFire) {
  gl->RefreshModel(nullptr);
  gl->RefreshEnabled = false;
  cube->SetPX(3);
  gl->SetAnimation(true);  // nothing arms the repaint timer now
  Step(10);
  EXPECT_EQ(cube->deletes, 1);  // armed before the switch, so it still fires
  // The rebuild's own repaint request is refused too.
  Step(50);
  EXPECT_EQ(paints.Count, 0);
  EXPECT_EQ(frames.Count, 0);
  gl->RefreshEnabled = true;
  Step(50);
  EXPECT_EQ(paints.Count, 0);  // switching back schedules nothing by itself
  gl->SetAnimation(false);
  gl->SetAnimation(true);
  Step(30);
  EXPECT_EQ(frames.Count, 3);
  // A running animation survives RefreshEnabled going false.
  gl->RefreshEnabled = false;
  Step(30);
  EXPECT_EQ(frames.Count, 6);
  gl->RefreshEnabled = true;
  gl->SetAnimation(false);
}

TEST(FrameTiming, FpsFollowsTheCounter) {
  int64_t counter = 5000;
  SetPerformanceCounterOverride([&] { return counter; }, 1000);
  TOpenGl* gl = MakeLoadedViewport<TOpenGl>();
  gl->Perform(WM_PAINT, 0, 0);
  // The first frame measures against a previous count of 0.
  EXPECT_FLOAT_EQ(gl->Fps(), 1000.0f / 5000.0f);
  counter += 20;
  gl->Perform(WM_PAINT, 0, 0);
  EXPECT_FLOAT_EQ(gl->Fps(), 50.0f);
  // Two paints within one tick keep the figure instead of dividing by zero.
  gl->Perform(WM_PAINT, 0, 0);
  EXPECT_FLOAT_EQ(gl->Fps(), 50.0f);
  counter += 4;
  gl->Perform(WM_PAINT, 0, 0);
  EXPECT_FLOAT_EQ(gl->Fps(), 250.0f);
  delete gl;
  ClearPerformanceCounterOverride();
}

}  // namespace
