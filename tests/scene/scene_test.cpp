// The viewport's scene root and part management, end to end through the message loop.
#include <GL/gl.h>

#include "opengl/opengl.h"
#include "parts/primitives.h"
#include "parts/quad.h"
#include "support/viewport_fixture.h"

namespace {

struct SceneTest : ::testing::Test {
  TOpenGl* gl = nullptr;
  EventCounter listChanged;
  void SetUp() override {
    gl = MakeLoadedViewport<TOpenGl>();
    Step(30);
    gl->OnListChanged = listChanged.Event();
  }
  void TearDown() override { delete gl; }
  TPart* Child(TPartGroup* g, int i) { return g->Part(i); }
};

TEST_F(SceneTest, FactoriesPlacePartsAsTheTargetSays) {
  TPart* a = gl->AddCube(nullptr, "A");
  EXPECT_EQ(gl->Root()->Count(), 1);
  EXPECT_EQ(Child(gl->Root(), 0), a);
  EXPECT_EQ(a->Name, "A");
  EXPECT_EQ(a->Parent(), gl->Root());
  EXPECT_EQ(a->Owner(), gl);
  EXPECT_EQ(gl->SuggestedSelection(), a);
  EXPECT_EQ(listChanged.Count, 1);
  EXPECT_EQ(listChanged.LastSender, gl);

  auto* g = static_cast<TPartGroup*>(gl->AddGroup(nullptr, "G"));
  TPart* s = gl->AddSphere(g, nullptr);
  EXPECT_EQ(g->Count(), 1);
  EXPECT_EQ(Child(g, 0), s);
  EXPECT_EQ(s->Name, "");
  EXPECT_NE(dynamic_cast<TPartSphere*>(s), nullptr);

  TPart* c = gl->AddCube(g, "C");  // second child of g
  TPart* d = gl->AddDisk(c, "D");  // lands just before c
  ASSERT_EQ(g->Count(), 3);
  EXPECT_EQ(Child(g, 1), d);
  EXPECT_EQ(Child(g, 2), c);

  TPartQuad loose;
  TPart* e = gl->AddCylinder(&loose, "E");  // a target outside the tree means the root
  EXPECT_EQ(Child(gl->Root(), gl->Root()->Count() - 1), e);
  TPart* q = gl->AddQuad(nullptr, "Q");
  EXPECT_NE(dynamic_cast<TPartQuad*>(q), nullptr);
  EXPECT_EQ(listChanged.Count, 7);

  EXPECT_EQ(gl->FindPart("D"), d);
  EXPECT_EQ(gl->FindPart("__ROOT__"), gl->Root());
  EXPECT_EQ(gl->FindPart("nobody"), nullptr);
}

class Counting : public TPartCube {
public:
  int deletes = 0;
  void BuildList(BUILDLIST_PHASE phase) override {
    if (phase == BUILDLIST_DELETE) ++deletes;
    TPartCube::BuildList(phase);
  }
};

TEST_F(SceneTest, TenInsertionsOneRebuildOneRepaintAndThePartsShow) {
  auto* probe = new Counting;
  gl->Paste(nullptr, probe);
  Step(30);
  probe->deletes = 0;
  EventCounter paints;
  gl->OnAfterPaint = paints.Event();
  for (int i = 0; i < 10; ++i) {
    TPart* p = gl->AddCube(nullptr, nullptr);
    p->SetPX(static_cast<float>(i - 5) * 1.5f);
    p->SetUseMaterial(true);
    p->SetEmissionR(1);
  }
  EXPECT_EQ(listChanged.Count, 11);
  Step(100);
  EXPECT_EQ(probe->deletes, 1);
  EXPECT_EQ(paints.Count, 1);
  Pixels pix = ReadPixels(gl->Handle());
  // Cubes at x = -7.5 .. 6 along the middle row; their emission makes them red without lights.
  int red = 0;
  for (int x = 0; x < pix.width; ++x)
    if (pix.At(x, 24).r > 200) ++red;
  EXPECT_GT(red, 30);
  EXPECT_EQ(pix.At(32, 2).r, 0);
}

TEST_F(SceneTest, DetachedPartsComeBackAndTheRootCanBeDeleted) {
  TPart* a = gl->AddCube(nullptr, "A");
  TPart* b = gl->AddCube(nullptr, "B");
  gl->DeleteObject(a);
  EXPECT_EQ(gl->SuggestedSelection(), nullptr);  // cleared even though it pointed to B
  EXPECT_EQ(gl->FindPart("A"), nullptr);
  EXPECT_EQ(a->Parent(), nullptr);
  EXPECT_FALSE(a->OnChange.Assigned());
  EXPECT_EQ(gl->Paste(b, a), a);
  EXPECT_EQ(gl->FindPart("A"), a);
  EXPECT_EQ(gl->Root()->Part(0), a);
  Step(30);
  EXPECT_NE(gl->Root()->DisplayList, 0u);

  // Deleting the root hands the whole old tree back and leaves an empty root.
  TPartGroup* old = gl->Root();
  int before = listChanged.Count;
  gl->DeleteObject(old);
  EXPECT_EQ(listChanged.Count, before + 1);
  EXPECT_NE(gl->Root(), old);
  EXPECT_EQ(gl->Root()->Name, "__ROOT__");
  EXPECT_EQ(gl->Root()->Count(), 0);
  EXPECT_EQ(gl->Root()->Owner(), gl);
  EXPECT_EQ(old->Count(), 2);
  old->SetPX(1);  // must not reach the viewport any more
  delete old;
  Step(30);
}

TEST_F(SceneTest, InsertionsThatWouldCorruptTheTreeAreRefused) {
  auto* g = static_cast<TPartGroup*>(gl->AddGroup(nullptr, "G"));
  auto* inner = static_cast<TPartGroup*>(gl->AddGroup(g, "Inner"));
  TPart* cube = gl->AddCube(inner, "Cube");
  int before = listChanged.Count;
  TPart* selected = gl->SuggestedSelection();
  EXPECT_EQ(gl->Paste(nullptr, cube), nullptr);  // already in the tree
  EXPECT_EQ(gl->Paste(inner, gl->Root()), nullptr);
  EXPECT_EQ(listChanged.Count, before);
  EXPECT_EQ(gl->SuggestedSelection(), selected);
  EXPECT_EQ(cube->Parent(), inner);

  gl->DeleteObject(g);
  gl->AddObject(inner, g);  // a group into its own subtree
  gl->AddObject(cube, g);
  EXPECT_EQ(g->Parent(), nullptr);
  EXPECT_EQ(gl->Paste(cube, g), nullptr);
  EXPECT_EQ(gl->Paste(nullptr, g), g);
  EXPECT_EQ(gl->FindPart("Cube"), cube);

  // Another viewport's root is held by that viewport: taking it would free it twice. Once that
  // viewport lets go of it, it is a detached tree like any other.
  auto* other = MakeLoadedViewport<TOpenGl>();
  other->AddCube(nullptr, "Theirs");
  TPartGroup* theirs = other->Root();
  before = listChanged.Count;
  EXPECT_EQ(gl->Paste(nullptr, theirs), nullptr);
  EXPECT_EQ(gl->Paste(g, theirs), nullptr);
  gl->AddObject(nullptr, theirs);
  EXPECT_EQ(listChanged.Count, before);
  EXPECT_EQ(gl->FindPart("Theirs"), nullptr);
  other->DeleteObject(theirs);
  EXPECT_EQ(gl->Paste(nullptr, theirs), theirs);
  delete other;
  EXPECT_EQ(gl->FindPart("Theirs")->Owner(), gl);

  // Paste of nothing still announces.
  before = listChanged.Count;
  EXPECT_EQ(gl->Paste(nullptr, nullptr), nullptr);
  EXPECT_EQ(gl->SuggestedSelection(), nullptr);
  EXPECT_EQ(listChanged.Count, before + 1);
}

// CopyTo clears the target's parent link; the part is still in the tree and must not be owned twice.
TEST_F(SceneTest, APartWhoseParentLinkWasClearedIsNotPastedAgain) {
  auto* g = static_cast<TPartGroup*>(gl->AddGroup(nullptr, "G"));
  TPart* cube = gl->AddCube(g, "Cube");
  auto* inner = static_cast<TPartGroup*>(gl->AddGroup(g, "Inner"));
  TPartCube source;
  source.CopyTo(cube);
  source.CopyTo(g);
  ASSERT_EQ(cube->Parent(), nullptr);
  int before = listChanged.Count;
  TPart* selected = gl->SuggestedSelection();
  EXPECT_EQ(gl->Paste(nullptr, cube), nullptr);
  EXPECT_EQ(gl->Paste(inner, g), nullptr);  // a group into its own subtree
  EXPECT_EQ(gl->Paste(nullptr, g), nullptr);
  EXPECT_EQ(listChanged.Count, before);
  EXPECT_EQ(gl->SuggestedSelection(), selected);
  EXPECT_EQ(gl->Root()->Count(), 1);
  EXPECT_EQ(g->Count(), 2);

  // Taken out, the part can come back exactly once.
  gl->DeleteObject(cube);
  EXPECT_EQ(g->Count(), 1);
  EXPECT_EQ(gl->Paste(nullptr, cube), cube);
  EXPECT_EQ(gl->Paste(nullptr, cube), nullptr);
  EXPECT_EQ(gl->Root()->Count(), 2);
  Step(30);
}  // the viewport's destructor frees every part once

TEST_F(SceneTest, ADeepChangeSchedulesARebuild) {
  auto* g = static_cast<TPartGroup*>(gl->AddGroup(nullptr, "G"));
  auto* h = static_cast<TPartGroup*>(gl->AddGroup(g, "H"));
  auto* cube = new Counting;
  gl->Paste(h, cube);
  Step(30);
  cube->deletes = 0;
  cube->SetSY(2);
  Step(10);
  EXPECT_EQ(cube->deletes, 1);
}

TEST_F(SceneTest, AbsurdSubdivisionsAreDrawnWithABoundedCount) {
  // Uncapped, these would make GLU emit billions of triangles into the root's list.
  auto* sphere = static_cast<TPartSphere*>(gl->AddSphere(nullptr, "S"));
  sphere->SetSlices(1 << 30);
  sphere->SetStacks(1 << 30);
  auto* disk = static_cast<TPartDisk*>(gl->AddDisk(nullptr, "D"));
  disk->SetLoops(1 << 30);
  auto* cyl = static_cast<TPartCylinder*>(gl->AddCylinder(nullptr, "C"));
  cyl->SetStacks(1 << 30);
  Step(30);
  EXPECT_NE(gl->Root()->DisplayList, 0u);
  EXPECT_EQ(sphere->Slices, 1 << 30);  // the stored value is kept for the file
}

}  // namespace
