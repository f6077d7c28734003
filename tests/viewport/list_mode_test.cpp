// The per-part list mode: the same pictures as the whole-scene list through every kind of edit,
// rebuilds that recompile only what changed, and shared quadric geometry that is counted.
#include <GL/gl.h>

#include <functional>
#include <memory>
#include <string>

#include "opengl/opengl.h"
#include "parts/call.h"
#include "parts/parts.h"
#include "parts/primitives.h"
#include "parts/quad.h"
#include "support/gl_recorder.h"
#include "support/viewport_fixture.h"
#include "opengl/luce.h"

namespace {

const int kW = 96, kH = 72;

// Every kind, a texture, clip planes, material that leaks to later siblings, a call part.
void BuildScene(TOpenGl* gl) {
  TBitmap checker;
  checker.SetSize(4, 4);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) checker.SetPixel(x, y, (x + y) % 2 ? clRed : clYellow);
  gl->SetTexture(3, &checker);
  gl->GetLight(0)->SetPositionZ(-1);
  gl->GetLight(0)->SetEnabled(true);

  TPart* arm = gl->AddGroup(nullptr, "arm");
  arm->SetRZ(1);
  arm->SetRotationAngle(20);
  TPart* box = gl->AddCube(arm, "box");
  box->SetPX(-4);
  box->SetUseMaterial(true);
  box->SetDiffuseG(0.1f);  // stays in force for the siblings drawn after it
  box->SetTexture(3);
  TPart* ball = gl->AddSphere(arm, "ball");
  ball->SetPX(-1.5f);
  TPart* can = gl->AddCylinder(arm, "can");
  can->SetPX(1.5f);
  can->SetRX(1);
  can->SetRotationAngle(70);
  can->SetClipPlaneB(0, 1);
  can->SetUseClipPlane(0, 1);
  auto* disk = static_cast<TPartDisk*>(gl->AddDisk(nullptr, "ring"));
  disk->SetPY(-3);
  disk->SetSX(0.6f);
  disk->SetSY(0.6f);
  TPart* quad = gl->AddQuad(nullptr, "quad");
  quad->SetPY(3);
  quad->SetTexture(-1);  // keeps whatever was bound
  TPart* more = gl->AddGroup(nullptr, "more");
  for (int i = 0; i < 4; ++i) {
    TPart* s = gl->AddSphere(more, ("s" + std::to_string(i)).c_str());
    s->SetPX(3.5f);
    s->SetPY(-2.5f + i * 1.4f);
    s->SetSX(0.5f);
    s->SetSY(0.5f);
    s->SetSZ(0.5f);
  }
  auto* call = new TPartCall();
  call->Name = "echo";
  call->SetUsedPartName("box");
  gl->Paste(more, call);
}

struct Pair : ::testing::Test {
  TOpenGl* scene = nullptr;
  TOpenGl* perPart = nullptr;
  void SetUp() override {
    scene = MakeLoadedViewport<TOpenGl>(kW, kH);
    perPart = MakeLoadedViewport<TOpenGl>(kW, kH);
    perPart->SetListMode(lmPerPart);
  }
  void TearDown() override {
    delete perPart;
    delete scene;
  }
  // Applies one edit to both viewports and expects the same picture from both.
  void Both(const std::function<void(TOpenGl*)>& edit, const char* what, size_t minDrawn = 200) {
    edit(scene);
    edit(perPart);
    Step(40);
    Pixels a = ReadPixels(scene->Handle()), b = ReadPixels(perPart->Handle());
    ASSERT_EQ(a.rgba.size(), b.rgba.size());
    size_t differing = 0, drawn = 0;
    for (size_t i = 0; i < a.rgba.size(); i += 4) {
      if (a.rgba[i] != b.rgba[i] || a.rgba[i + 1] != b.rgba[i + 1] || a.rgba[i + 2] != b.rgba[i + 2]) ++differing;
      if (a.rgba[i] | a.rgba[i + 1] | a.rgba[i + 2]) ++drawn;
    }
    EXPECT_EQ(differing, 0u) << what;
    EXPECT_GT(drawn, minDrawn) << what;
  }
};

}  // namespace

TEST_F(Pair, BothModesDrawTheSamePicturesThroughEveryEdit) {
  Both(BuildScene, "the scene");
  Both([](TOpenGl* gl) { gl->FindPart("ball")->SetSX(1.3f); }, "a part's value");
  Both([](TOpenGl* gl) { static_cast<TPartSphere*>(gl->FindPart("s1"))->SetSlices(5); }, "a shape");
  Both([](TOpenGl* gl) { gl->FindPart("arm")->SetRotationAngle(-10); }, "a group's value");
  Both([](TOpenGl* gl) { gl->AddCube(gl->FindPart("ball"), "new")->SetPY(1.5f); }, "an insert");
  Both([](TOpenGl* gl) {
         TPart* p = gl->FindPart("s2");
         gl->DeleteObject(p);
         delete p;
       },
       "a deletion");
  Both([](TOpenGl* gl) {
         TPart* p = gl->FindPart("box");
         gl->DeleteObject(p);
         gl->Paste(gl->FindPart("more"), p);
       },
       "a move, with the call part's target");
  Both([](TOpenGl* gl) { gl->Paste(nullptr, gl->FindPart("more")->Clone())->SetPX(-6); }, "a pasted clone");
  Both([](TOpenGl* gl) { gl->FindPart("can")->SetUseClipPlane(0, 0); }, "a clip plane");
  Both([](TOpenGl* gl) { static_cast<TPartCall*>(gl->FindPart("echo"))->SetUsedPartName("ring"); gl->RefreshModel(gl); },
       "a call part renamed");

  // Undo as an editor does it: a snapshot in memory, loaded back.
  TMemoryStream before[2];
  ASSERT_TRUE(scene->SaveToStream(&before[0]));
  ASSERT_TRUE(perPart->SaveToStream(&before[1]));
  Both([](TOpenGl* gl) { gl->FindPart("quad")->SetPX(2); }, "before the undo");
  Both([&](TOpenGl* gl) {
         TMemoryStream& s = before[gl == scene ? 0 : 1];
         s.SetPosition(0);
         ASSERT_TRUE(gl->LoadFromStream(&s));
       },
       "an undo");
  Both([](TOpenGl* gl) { gl->SetListMode(lmScene); }, "switched to the whole-scene list");
  Both([](TOpenGl* gl) { gl->SetListMode(lmPerPart); }, "and back");
}

// Each parameter of a quadric's shape, changed on one of two parts that shared its geometry, shows at
// once: the picture changes, and it is the picture the whole-scene list draws.
TEST_F(Pair, EveryShapeParameterShowsOnAPartThatSharedItsGeometry) {
  for (TOpenGl* gl : {scene, perPart}) {
    // A light close in front, so subdivisions change the shading as well as the outline.
    TLuce* light = gl->GetLight(0);
    light->SetPositionX(0);
    light->SetPositionY(0);
    light->SetPositionZ(1.5f);
    light->SetPositionW(1);
    light->SetEnabled(true);
    struct { const char* name; float x, y; } places[] = {{"can", -3, 1.5f}, {"can2", -3, -1.5f}, {"ring", 0, 1.5f},
                                                        {"ring2", 0, -1.5f}, {"ball", 3, 1.5f}, {"ball2", 3, -1.5f}};
    for (auto& p : places) {
      std::string kind = p.name;
      TPart* part = kind.rfind("can", 0) == 0    ? gl->AddCylinder(nullptr, p.name)
                    : kind.rfind("ring", 0) == 0 ? gl->AddDisk(nullptr, p.name)
                                                 : gl->AddSphere(nullptr, p.name);
      part->SetPX(p.x);
      part->SetPY(p.y);
      part->SetRX(1);
      part->SetRotationAngle(kind.rfind("can", 0) == 0 ? 60 : 0);
    }
  }
  Both([](TOpenGl*) {}, "the shapes");
  ASSERT_EQ(perPart->SharedGeometryCount(), 3);
  auto cylinder = [](TOpenGl* gl) { return static_cast<TPartCylinder*>(gl->FindPart("can")); };
  auto disk = [](TOpenGl* gl) { return static_cast<TPartDisk*>(gl->FindPart("ring")); };
  auto sphere = [](TOpenGl* gl) { return static_cast<TPartSphere*>(gl->FindPart("ball")); };
  const std::pair<const char*, std::function<void(TOpenGl*)>> edits[] = {
      {"cylinder height", [&](TOpenGl* gl) { cylinder(gl)->SetHeight(2); }},
      {"cylinder base radius", [&](TOpenGl* gl) { cylinder(gl)->SetBaseRadius(0.5f); }},
      {"cylinder top radius", [&](TOpenGl* gl) { cylinder(gl)->SetTopRadius(0.2f); }},
      {"cylinder slices", [&](TOpenGl* gl) { cylinder(gl)->SetSlices(5); }},
      {"cylinder stacks", [&](TOpenGl* gl) { cylinder(gl)->SetStacks(1); }},
      {"disk inner radius", [&](TOpenGl* gl) { disk(gl)->SetInnerRadius(0.3f); }},
      {"disk outer radius", [&](TOpenGl* gl) { disk(gl)->SetOuterRadius(1.4f); }},
      {"disk slices", [&](TOpenGl* gl) { disk(gl)->SetSlices(5); }},
      {"disk loops", [&](TOpenGl* gl) { disk(gl)->SetLoops(1); }},
      {"sphere slices", [&](TOpenGl* gl) { sphere(gl)->SetSlices(5); }},
      {"sphere stacks", [&](TOpenGl* gl) { sphere(gl)->SetStacks(3); }},
  };
  for (const auto& edit : edits) {
    Pixels before = ReadPixels(perPart->Handle());
    Both(edit.second, edit.first);
    Pixels after = ReadPixels(perPart->Handle());
    EXPECT_TRUE(before.rgba != after.rgba) << edit.first << " left the picture as it was";
  }
  // Each changed part now has geometry of its own; the twins kept theirs.
  EXPECT_EQ(perPart->SharedGeometryCount(), 6);
}

TEST_F(Pair, AChangeRecompilesOnlyItsPartAndGroupsOnlyOnTheirOwnChanges) {
  BuildScene(perPart);
  Step(40);
  auto compiles = [&](const std::function<void()>& edit) {
    GlRecorder::Start();
    edit();
    Step(40);
    size_t n = GlRecorder::Only("glNewList").size();
    GlRecorder::Stop();
    return n;
  };
  // Groups and quadrics are drawn by the frame from their values: only geometry is compiled.
  EXPECT_EQ(compiles([&] { perPart->FindPart("ball")->SetPY(0.5f); }), 0u);
  EXPECT_EQ(compiles([&] { perPart->FindPart("arm")->SetPY(0.5f); }), 0u);
  EXPECT_EQ(compiles([&] { static_cast<TPartSphere*>(perPart->FindPart("ball"))->SetSlices(7); }), 1u);
  // Ten changes of a part with a list of its own in a burst: one compile.
  EXPECT_EQ(compiles([&] {
              for (int i = 0; i < 10; ++i) perPart->FindPart("quad")->SetPZ(0.1f * i);
            }),
            1u);
  // An insert compiles the new part's list, and nothing for a shape already shared.
  EXPECT_EQ(compiles([&] { perPart->AddQuad(perPart->FindPart("more"), "extra"); }), 1u);
  EXPECT_EQ(compiles([&] { perPart->AddCube(perPart->FindPart("more"), "extra cube"); }), 0u);
  EXPECT_EQ(compiles([] {}), 0u);
}

TEST_F(Pair, SharedGeometryIsCountedAndGoesWithItsLastUser) {
  TPart* group = perPart->AddGroup(nullptr, "g");
  std::vector<TPartSphere*> spheres;
  for (int i = 0; i < 10; ++i) spheres.push_back(static_cast<TPartSphere*>(perPart->AddSphere(group, nullptr)));
  perPart->AddCylinder(group, nullptr);
  Step(40);
  EXPECT_EQ(perPart->SharedGeometryCount(), 2);
  spheres[0]->SetSlices(7);
  Step(40);
  EXPECT_EQ(perPart->SharedGeometryCount(), 3);
  perPart->DeleteObject(spheres[0]);
  delete spheres[0];
  EXPECT_EQ(perPart->SharedGeometryCount(), 2);
  // A detached subtree keeps its geometry until it is deleted, also after the viewport went.
  perPart->DeleteObject(group);
  Step(40);
  EXPECT_EQ(perPart->SharedGeometryCount(), 2);
  delete perPart;
  perPart = nullptr;
  delete group;
  // The whole-scene mode holds none.
  scene->AddSphere(nullptr, nullptr);
  Step(40);
  EXPECT_EQ(scene->SharedGeometryCount(), 0);
}

TEST_F(Pair, TreesDeeperThanGLNestsStillDrawEveryPart) {
  for (TOpenGl* gl : {scene, perPart}) {
    TPart* at = nullptr;
    for (int depth = 0; depth < 90; ++depth) at = gl->AddGroup(at, nullptr);
    gl->AddCube(at, "deepest")->SetSX(3);
    gl->SetHeadlight(true);
  }
  Both([](TOpenGl*) {}, "ninety groups deep", 30);
  Both([](TOpenGl* gl) { gl->FindPart("deepest")->SetSY(2); }, "a change at the bottom", 30);
}

// Deeper than GL's matrix stack, down to the file's limit: every part is drawn and picked where its
// placements put it, the parts after the deep branch too, as the same parts placed directly show.
TEST_F(Pair, TreesDeeperThanTheMatrixStackDrawAndPickInPlace) {
  const int deepest = PART_MAX_GROUP_DEPTH;
  const float step = 1.0f / 256;  // sums stay exact, so the direct placement is the same number
  std::unique_ptr<TOpenGl> direct(MakeLoadedViewport<TOpenGl>(kW, kH));
  for (TOpenGl* gl : {scene, perPart, direct.get()}) {
    gl->SetHeadlight(true);
    TPart* at = nullptr;
    for (int depth = 1; gl != direct.get() && depth <= deepest; ++depth) {
      at = gl->AddGroup(at, nullptr);
      at->SetPX(step);
      // Siblings below the first child: each group's frame must come back after a child.
      if (depth % 7 == 0) gl->AddGroup(at, nullptr)->SetPY(3);
      if (depth == 35) gl->AddCube(at, "mid")->SetPY(-2.5f);
    }
    TPart* bottom = gl->AddCube(at, "bottom");
    TPart* mid = gl->FindPart("mid") ? gl->FindPart("mid") : gl->AddCube(nullptr, "mid");
    if (gl == direct.get()) {
      bottom->SetPX(step * deepest);
      mid->SetPX(step * 35);
      mid->SetPY(-2.5f);
    }
    gl->AddCube(nullptr, "after")->SetPX(-3);
  }
  Both([](TOpenGl*) {}, "a thousand groups deep", 50);
  EXPECT_TRUE(ReadPixels(scene->Handle()).rgba == ReadPixels(direct->Handle()).rgba) << "drawn elsewhere than placed";
  // Where the direct viewport picks a part, the deep ones pick theirs.
  auto pixelOf = [&](TPart* part, int& x, int& y) {
    for (y = 0; y < kH; y += 2)
      for (x = 0; x < kW; x += 2)
        if (direct->PartAt(x, y) == part) return true;
    return false;
  };
  for (const char* name : {"after", "mid", "bottom"}) {
    int x = 0, y = 0;
    ASSERT_TRUE(pixelOf(direct->FindPart(name), x, y)) << name;
    EXPECT_EQ(scene->PartAt(x, y), scene->FindPart(name)) << name;
    EXPECT_EQ(perPart->PartAt(x, y), perPart->FindPart(name)) << name;
  }
  // A change at the bottom, and a turn in the middle of the chain.
  Both([](TOpenGl* gl) { gl->FindPart("bottom")->SetSY(2); }, "a change at the bottom", 50);
  Both([](TOpenGl* gl) {
         TPart* g = gl->FindPart("mid")->Holder();
         g->SetRZ(1);
         g->SetRotationAngle(20);
       },
       "a turn half way", 50);
}

// Call parts into a subtree held whole by a deep group's list, and from one deep branch into another,
// draw as in the whole-scene list; a rebuild with nothing changed compiles nothing.
TEST_F(Pair, CallPartsIntoAndOutOfDeepBranchesDrawAsTheWholeSceneDoes) {
  auto branch = [](TOpenGl* gl, const char* top, int depth) {
    TPart* at = gl->AddGroup(nullptr, top);
    for (int i = 1; i < depth; ++i) at = gl->AddGroup(at, nullptr);
    return at;
  };
  auto call = [](TOpenGl* gl, TPart* where, const char* target) {
    auto* c = new TPartCall();
    c->SetUsedPartName(target);
    gl->Paste(where, c);
  };
  for (TOpenGl* gl : {scene, perPart}) {
    gl->SetHeadlight(true);
    // Walked first, so a list made for it could be deleted again by the branches after it.
    TPart* caller = branch(gl, "caller", 45);
    caller->SetPY(-2);
    call(gl, caller, "target");
    call(gl, caller, "tall");
    TPart* shown = branch(gl, "shown", 50);
    shown->Holder()->SetPY(2);  // the target's own placement does not reach the calls
    TPart* target = gl->AddGroup(shown, "target");
    gl->AddCube(target, nullptr)->SetPX(-1);
    gl->AddSphere(target, nullptr)->SetPX(1);
    // A shallow target whose own lists would nest forty deep below the deep caller's forty-five.
    gl->AddCube(branch(gl, "tall", 40), nullptr)->SetPX(3);
    gl->FindPart("tall")->SetPY(-6);
    TPart* shifted = gl->AddGroup(nullptr, "shifted");
    shifted->SetPX(-4);
    call(gl, shifted, "target");
  }
  Both([](TOpenGl*) {}, "calls into and out of deep branches", 150);
  // Compiles in the per-part viewport for an edit; the whole-scene one gets the same edit after.
  auto compiles = [&](const std::function<void(TOpenGl*)>& edit) {
    Step(40);
    GlRecorder::Start();
    edit(perPart);
    Step(40);
    size_t n = GlRecorder::Only("glNewList").size();
    GlRecorder::Stop();
    edit(scene);
    return n;
  };
  EXPECT_EQ(compiles([](TOpenGl* gl) { gl->RefreshModel(gl); }), 0u);
  // A change inside the target shows through both calls: the deep group whose list holds it and the
  // two call parts compile again, nothing else.
  EXPECT_EQ(compiles([](TOpenGl* gl) { static_cast<TPartGroup*>(gl->FindPart("target"))->Part(1)->SetSY(2); }), 3u);
  Both([](TOpenGl* gl) { static_cast<TPartGroup*>(gl->FindPart("target"))->Part(0)->SetSZ(3); }, "a change in the target", 150);
}

TEST_F(Pair, ASubtreeMovedToAnotherViewportTakesItsListsAlong) {
  // perPart gives a group away to a third viewport, also per part; scene builds the same picture whole.
  TOpenGl* other = MakeLoadedViewport<TOpenGl>(kW, kH);
  other->SetListMode(lmPerPart);
  for (TOpenGl* gl : {perPart, scene}) {
    TPart* g = gl->AddGroup(nullptr, "moving");
    gl->AddSphere(g, "a")->SetPX(-2);
    gl->AddCube(g, "b")->SetPX(2);
    gl->SetHeadlight(true);
  }
  other->SetHeadlight(true);
  Step(40);
  EXPECT_EQ(perPart->SharedGeometryCount(), 2);
  TPart* moving = perPart->FindPart("moving");
  perPart->DeleteObject(moving);
  ASSERT_EQ(other->Paste(nullptr, moving), moving);
  Step(40);
  EXPECT_EQ(perPart->SharedGeometryCount(), 0);
  EXPECT_EQ(other->SharedGeometryCount(), 2);
  Pixels a = ReadPixels(scene->Handle()), b = ReadPixels(other->Handle());
  EXPECT_EQ(a.rgba, b.rgba);
  // The viewport it left still draws, now an empty scene.
  Pixels left = ReadPixels(perPart->Handle());
  for (size_t i = 0; i < left.rgba.size(); i += 4) ASSERT_EQ(left.rgba[i] | left.rgba[i + 1] | left.rgba[i + 2], 0);
  delete other;
}
