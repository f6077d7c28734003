// Several viewports on one thread: each keeps its own viewport, projection, lists, textures and lights
// through creation, loading, resizing, uploads, paints and deletion in any order; call parts keep drawing.
#include <GL/gl.h>

#include <array>
#include <cmath>
#include <functional>
#include <memory>

#include "files/files.h"
#include "framework/core/streams.h"
#include "opengl/bounds.h"
#include "opengl/luce.h"
#include "opengl/opengl.h"
#include "parts/call.h"
#include "parts/parts.h"
#include "support/viewport_fixture.h"

namespace {

using Viewport4 = std::array<GLint, 4>;
using Matrix = std::array<GLfloat, 16>;

HGLRC ContextOf(TOpenGl* v) { return reinterpret_cast<HGLRC>(v->GetResourceContext()); }

// Runs f with the viewport's context current and puts back what was current.
void InContext(TOpenGl* v, const std::function<void()>& f) {
  HGLRC previous = wglGetCurrentContext();
  HDC previousDc = wglGetCurrentDC();
  ASSERT_TRUE(wglMakeCurrent(GetDC(v->Handle()), ContextOf(v)));
  f();
  if (previous)
    wglMakeCurrent(previousDc, previous);
  else
    wglMakeCurrent(nullptr, nullptr);
}

Viewport4 ViewportOf(TOpenGl* v) {
  Viewport4 r{};
  InContext(v, [&] { glGetIntegerv(GL_VIEWPORT, r.data()); });
  return r;
}

Matrix ProjectionOf(TOpenGl* v) {
  Matrix m{};
  InContext(v, [&] { glGetFloatv(GL_PROJECTION_MATRIX, m.data()); });
  return m;
}

bool ListExists(TOpenGl* v, unsigned list) {
  bool exists = false;
  InContext(v, [&] { exists = list != 0 && glIsList(list) == GL_TRUE; });
  return exists;
}

// The colour of the first texel of a slot's texture, read in the viewport's own context.
Rgba Texel(TOpenGl* v, int slot) {
  std::array<uint8_t, 4 * 4> texels{};
  InContext(v, [&] {
    glBindTexture(GL_TEXTURE_2D, v->TextureName(slot));
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
    glBindTexture(GL_TEXTURE_2D, 0);
  });
  return Rgba{texels[0], texels[1], texels[2], texels[3]};
}

bool LightOn(TOpenGl* v, int slot) {
  bool on = false;
  InContext(v, [&] { on = glIsEnabled(GL_LIGHT0 + slot) == GL_TRUE; });
  return on;
}

void Fill(TBitmap& b, TColor c) {
  b.SetSize(2, 2);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 2; ++x) b.Canvas()->SetPixel(x, y, c);
}

TOpenGl* MakeViewport(TComponent* owner, TWinControl* parent, int w, int h) {
  auto* v = new TOpenGl(owner);
  if (parent) v->SetParent(parent);
  v->SetBounds(0, 0, w, h);
  return v;
}

void SetClear(TOpenGl* v, float r, float g, float b) {
  TColorVector c;
  c.SetR(r);
  c.SetG(g);
  c.SetB(b);
  v->SetClearColor(&c);
}

Rgba PaintedCentre(TOpenGl* v) {
  v->Perform(WM_PAINT, 0, 0);
  Pixels p = ReadPixels(v->Handle());
  if (p.width == 0) return Rgba{0, 0, 0, 0};
  return p.At(p.width / 2, p.height / 2);
}

struct MultiViewport : ::testing::Test {
  void SetUp() override { Application->UseManualClock(true); }
  void TearDown() override { wglMakeCurrent(nullptr, nullptr); }
};

TEST_F(MultiViewport, CreatingLoadingAndResizingTouchOnlyTheirOwnContext) {
  std::unique_ptr<TOpenGl> a(MakeViewport(nullptr, nullptr, 64, 48));
  a->Loaded();
  a->SetProjectionOrtho(false);
  const Matrix aProjection = ProjectionOf(a.get());

  // B's window comes and goes through its size messages before it has a context.
  std::unique_ptr<TOpenGl> b(MakeViewport(nullptr, nullptr, 20, 10));
  b->Handle();
  b->SetProjectionOrtho(true);
  b->SetProjectionWidth(4);
  SetClear(b.get(), 0, 1, 0);
  b->GetLight(2)->SetEnabled(true);
  EXPECT_EQ(wglGetCurrentContext(), ContextOf(a.get()));
  EXPECT_EQ(ViewportOf(a.get()), (Viewport4{0, 0, 64, 48}));
  EXPECT_EQ(ProjectionOf(a.get()), aProjection);
  EXPECT_FALSE(LightOn(a.get(), 2));

  b->Loaded();
  std::unique_ptr<TOpenGl> c(MakeViewport(nullptr, nullptr, 30, 30));
  c->SetProjectionYAngle(30);
  c->Loaded();
  EXPECT_EQ(ViewportOf(a.get()), (Viewport4{0, 0, 64, 48}));
  EXPECT_EQ(ViewportOf(b.get()), (Viewport4{0, 0, 20, 10}));
  EXPECT_EQ(ProjectionOf(a.get()), aProjection);
  // The ortho values stored before loading reached B's own matrix: x scale 2 / width.
  EXPECT_FLOAT_EQ(std::fabs(ProjectionOf(b.get())[0]), 0.5f);
  EXPECT_NE(ProjectionOf(c.get()), aProjection);

  // Resizes and setters of one viewport, whichever context is current, leave the others alone.
  InContext(c.get(), [&] {
    a->SetBounds(0, 0, 40, 40);
    b->SetProjectionHeight(8);
    a->GetLight(0)->SetEnabled(true);
    EXPECT_EQ(wglGetCurrentContext(), ContextOf(c.get()));
  });
  EXPECT_EQ(ViewportOf(a.get()), (Viewport4{0, 0, 40, 40}));
  EXPECT_EQ(ViewportOf(b.get()), (Viewport4{0, 0, 20, 10}));
  EXPECT_EQ(ViewportOf(c.get()), (Viewport4{0, 0, 30, 30}));
  EXPECT_FLOAT_EQ(ProjectionOf(b.get())[5], 0.25f);
  EXPECT_TRUE(LightOn(a.get(), 0));
  EXPECT_FALSE(LightOn(b.get(), 0));
  EXPECT_FALSE(LightOn(c.get(), 0));

  // Paints in every order show each viewport's own clear colour.
  SetClear(a.get(), 1, 0, 0);
  SetClear(b.get(), 0, 1, 0);
  SetClear(c.get(), 0, 0, 1);
  Step(30);
  for (TOpenGl* first : {a.get(), b.get(), c.get()}) {
    PaintedCentre(first);
    EXPECT_EQ(PaintedCentre(a.get()).r, 255);
    EXPECT_EQ(PaintedCentre(b.get()).g, 255);
    EXPECT_EQ(PaintedCentre(c.get()).b, 255);
  }
}

TEST_F(MultiViewport, TexturesGoIntoTheirOwnViewportOnly) {
  TBitmap red, green, blue;
  Fill(red, clRed);
  Fill(green, clLime);
  Fill(blue, clBlue);
  std::unique_ptr<TOpenGl> a(MakeViewport(nullptr, nullptr, 64, 48));
  a->Loaded();
  a->SetTexture(0, &red);
  // B has no context yet: its picture waits for one instead of landing in A's slot 0.
  std::unique_ptr<TOpenGl> b(MakeViewport(nullptr, nullptr, 32, 32));
  b->SetTexture(0, &green);
  b->SetTextureMagFilter(0, GL_LINEAR);
  EXPECT_EQ(Texel(a.get(), 0).r, 255);
  EXPECT_EQ(Texel(a.get(), 0).g, 0);
  b->Loaded();
  EXPECT_EQ(Texel(b.get(), 0).g, 255);
  EXPECT_EQ(Texel(b.get(), 0).r, 0);
  GLint mag = 0;
  InContext(b.get(), [&] {
    glBindTexture(GL_TEXTURE_2D, b->TextureName(0));
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &mag);
  });
  EXPECT_EQ(mag, GL_LINEAR);
  // Uploads with the other context current.
  InContext(b.get(), [&] { a->SetTexture(1, &blue); });
  EXPECT_EQ(Texel(a.get(), 1).b, 255);
  EXPECT_EQ(Texel(b.get(), 0).g, 255);
  EXPECT_EQ(Texel(a.get(), 0).r, 255);
}

TEST_F(MultiViewport, DeletingOneViewportOrItsTreeSparesTheOthers) {
  for (int order = 0; order < 2; ++order) {
    SCOPED_TRACE(order);
    auto* form = new TForm(nullptr);
    TOpenGl* a = MakeViewport(form, form, 64, 48);
    a->Loaded();
    a->AddCube(nullptr, "a-cube");
    std::unique_ptr<TOpenGl> b(MakeViewport(nullptr, nullptr, 32, 32));
    b->Loaded();
    b->AddCube(nullptr, "b-cube");
    TBitmap green;
    Fill(green, clLime);
    b->SetTexture(0, &green);
    std::unique_ptr<TOpenGl> c(MakeViewport(nullptr, nullptr, 16, 16));
    c->Loaded();
    Step(30);
    const unsigned bRoot = b->Root()->DisplayList;
    ASSERT_TRUE(ListExists(b.get(), bRoot));
    ASSERT_EQ(a->Root()->DisplayList, bRoot);  // each context numbers its lists from 1

    // The same list number made in each context: B's cube and A's detached cube.
    TPart* bCube = b->Root()->Part(0);
    InContext(b.get(), [&] { bCube->BuildList(BUILDLIST_COMPILE); });
    TPart* detached = a->Root()->Part(0);
    a->DeleteObject(detached);
    InContext(a, [&] { detached->BuildList(BUILDLIST_COMPILE); });
    const unsigned shared = detached->DisplayList;
    ASSERT_EQ(bCube->DisplayList, shared);
    ASSERT_TRUE(ListExists(a, shared));
    if (order == 0) {
      InContext(b.get(), [&] { delete detached; });
      EXPECT_FALSE(ListExists(a, shared));
    }
    // The form goes with B's context current: A must release nothing into it.
    InContext(b.get(), [&] {
      delete form;
      EXPECT_EQ(wglGetCurrentContext(), ContextOf(b.get()));
    });
    // A detached tree whose viewport went first: no GL, no crash.
    if (order == 1) delete detached;
    EXPECT_TRUE(ListExists(b.get(), shared));
    EXPECT_TRUE(ListExists(b.get(), bRoot));
    EXPECT_EQ(Texel(b.get(), 0).g, 255);
    // A paint of B, with C's context current, leaves C's current.
    InContext(c.get(), [&] {
      b->Perform(WM_PAINT, 0, 0);
      EXPECT_EQ(wglGetCurrentContext(), ContextOf(c.get()));
    });
    b.reset();
    EXPECT_TRUE(ListExists(c.get(), c->Root()->DisplayList));
  }
}

TEST_F(MultiViewport, ADetachedTreeForgetsItsViewportWhenTheViewportGoes) {
  TOpenGl* gl = MakeViewport(nullptr, nullptr, 32, 32);
  gl->Loaded();
  TPart* kept = gl->AddGroup(nullptr, "kept");
  TPart* box = gl->AddCube(kept, "box");
  box->SetTexture(0);
  auto* call = new TPartCall();
  call->SetUsedPartName("box");
  gl->AddObject(kept, call);
  Step(30);
  gl->DeleteObject(kept);
  EXPECT_EQ(box->Owner(), gl);
  delete gl;
  EXPECT_EQ(kept->Owner(), nullptr);
  EXPECT_EQ(box->Owner(), nullptr);
  EXPECT_EQ(call->CallTarget(), nullptr);
  // Compiling, painting, bounds and saving the orphan reach no viewport (AddressSanitizer watches).
  std::unique_ptr<TOpenGl> other(MakeViewport(nullptr, nullptr, 16, 16));
  other->Loaded();
  InContext(other.get(), [&] {
    kept->BuildList(BUILDLIST_COMPILE);
    kept->Paint();
  });
  EXPECT_FALSE(PartLocalBounds(kept).Empty);
  TMemoryStream stream;
  {
    TSceneFile file(&stream, true, SCENE_FILE_VERSION);
    EXPECT_TRUE(kept->SaveTo(file));
  }
  // Pasted into another viewport, it takes that one.
  ASSERT_EQ(other->Paste(nullptr, kept), kept);
  EXPECT_EQ(box->Owner(), other.get());
  EXPECT_EQ(call->CallTarget(), box);
}

// A loaded viewport moved to another form, or taken off one and put back, draws, picks and
// snapshots in its own context, with its lists and textures, in a window made again.
TEST_F(MultiViewport, AViewportMovedToAnotherParentKeepsDrawing) {
  std::unique_ptr<TForm> first(new TForm(nullptr)), second(new TForm(nullptr));
  first->SetBounds(0, 0, 80, 60);
  second->SetBounds(0, 0, 80, 60);
  TOpenGl* gl = MakeViewport(first.get(), first.get(), 64, 48);
  gl->Loaded();
  const HGLRC context = ContextOf(gl);
  TBitmap green;
  Fill(green, clLime);
  gl->SetTexture(0, &green);
  TPart* box = gl->AddCube(nullptr, "box");
  box->SetSX(3);
  box->SetSY(3);
  box->SetUseMaterial(true);
  box->SetEmissionR(1);
  std::unique_ptr<TOpenGl> other(MakeViewport(nullptr, nullptr, 16, 16));
  other->Loaded();
  Step(30);
  ASSERT_GT(PaintedCentre(gl).r, 200);

  // Put with another viewport's context current, and with its own.
  for (TWinControl* parent : {second.get(), first.get()}) {
    const unsigned list = gl->Root()->DisplayList;
    if (parent == second.get()) {
      InContext(other.get(), [&] { gl->SetParent(parent); });
    } else {
      ASSERT_TRUE(wglMakeCurrent(GetDC(gl->Handle()), context));
      gl->SetParent(parent);
      EXPECT_EQ(wglGetCurrentContext(), context);
    }
    gl->SetParent(nullptr);
    EXPECT_EQ(gl->PartAt(32, 24), nullptr);
    TBitmap none;
    EXPECT_FALSE(gl->SnapshotTo(&none));
    gl->SetParent(parent);
    SCOPED_TRACE(parent == second.get() ? "moved" : "moved back");
    EXPECT_EQ(ContextOf(gl), context);
    Step(30);
    EXPECT_GT(PaintedCentre(gl).r, 200);
    EXPECT_EQ(gl->PartAt(32, 24), box);
    TBitmap shot;
    ASSERT_TRUE(gl->SnapshotTo(&shot));
    EXPECT_EQ(shot.Pixel(32, 24) & 0xFF, 0xFFu);
    EXPECT_EQ(Texel(gl, 0).g, 255);
    EXPECT_EQ(gl->Root()->DisplayList, list);
    EXPECT_TRUE(ListExists(gl, list));
    EXPECT_EQ(ViewportOf(gl), (Viewport4{0, 0, 64, 48}));
    // A change after the move is rebuilt and shown.
    box->SetPX(10);
    Step(30);
    EXPECT_LT(PaintedCentre(gl).r, 50);
    box->SetPX(0);
    Step(30);
  }
}

// A call part inside a shifted group that draws the named box at the centre of an 8 x 6 ortho view.
struct CallScene {
  std::unique_ptr<TOpenGl> gl;
  TPartCall* call = nullptr;
  explicit CallScene(TOpenGl* viewport) : gl(viewport) {}

  static CallScene Make() {
    CallScene s(MakeLoadedViewport<TOpenGl>(64, 48));
    TOpenGl* gl = s.gl.get();
    gl->SetProjectionOrtho(true);
    gl->SetProjectionWidth(8);
    gl->SetProjectionHeight(6);
    TPart* box = gl->AddCube(nullptr, "box");
    box->SetPX(-2);
    box->SetUseMaterial(true);
    box->SetEmissionR(1);
    TPart* holder = gl->AddGroup(nullptr, "holder");
    holder->SetPX(2);
    s.call = new TPartCall();
    s.call->SetUsedPartName("box");
    gl->AddObject(holder, s.call);
    return s;
  }
  // Red at the centre: the box drawn through the call part.
  bool CentreShowsTheCall() {
    Step(30);
    return PaintedCentre(gl.get()).r > 200;
  }
};

TEST_F(MultiViewport, CallPartDrawsItsTargetAfterEveryRebuildAndLoad) {
  CallScene scene = CallScene::Make();
  for (int rebuild = 0; rebuild < 3; ++rebuild) {
    SCOPED_TRACE(rebuild);
    scene.gl->RefreshModel(scene.gl.get());
    EXPECT_TRUE(scene.CentreShowsTheCall());
    EXPECT_TRUE(ListExists(scene.gl.get(), scene.call->CallList));
  }
  // A host resolving by hand gets the list that the next rebuild keeps alive.
  scene.call->ResolveCallList();
  EXPECT_TRUE(scene.CentreShowsTheCall());
  EXPECT_TRUE(ListExists(scene.gl.get(), scene.call->CallList));

  TMemoryStream saved;
  ASSERT_TRUE(scene.gl->SaveToStream(&saved));
  saved.SetPosition(0);
  std::unique_ptr<TOpenGl> other(MakeLoadedViewport<TOpenGl>(64, 48));
  ASSERT_TRUE(other->LoadFromStream(&saved));
  Step(30);
  EXPECT_GT(PaintedCentre(other.get()).r, 200);
  saved.SetPosition(0);
  ASSERT_TRUE(scene.gl->LoadFromStream(&saved));
  auto* holder = dynamic_cast<TPartGroup*>(scene.gl->FindPart("holder"));
  ASSERT_NE(holder, nullptr);
  ASSERT_EQ(holder->Count(), 1);
  scene.call = dynamic_cast<TPartCall*>(holder->Part(0));
  ASSERT_NE(scene.call, nullptr);
  EXPECT_TRUE(scene.CentreShowsTheCall());

  // Targets whose list would call itself are refused: the call part, its group, the root.
  for (const char* self : {"holder", "__ROOT__", "me"}) {
    SCOPED_TRACE(self);
    scene.call->Name = "me";
    scene.call->SetUsedPartName(self);
    scene.gl->RefreshModel(scene.gl.get());
    Step(30);
    EXPECT_EQ(scene.call->CallList, 0u);
    EXPECT_EQ(scene.call->ResolveCallList(), 0u);
  }
  // A list set by hand stays through rebuilds.
  scene.call->SetUsedPartName("box");
  scene.call->SetCallList(scene.gl->Root()->Part(0)->DisplayList + 100);
  const unsigned byHand = scene.call->CallList;
  Step(30);
  EXPECT_EQ(scene.call->CallList, byHand);
}

TEST(Light, ValuesLiveInOneArrayUnderTheirNames) {
  TLuce l;
  for (int i = 0; i < 24; ++i) l.Floats()[i] = static_cast<float>(i);
  EXPECT_EQ(l.PositionW, 3);
  EXPECT_EQ(l.AmbientR, 4);
  EXPECT_EQ(l.SpotDirZ, 18);
  EXPECT_EQ(l.SpotQuadAtt, 23);
  l.SetSpotCutoff(45);
  l.SpecularA = 0.5f;
  EXPECT_EQ(l.Floats()[20], 45);
  EXPECT_EQ(l.SpecularVector()[3], 0.5f);
  TLuce copy;
  copy.Assign(&l);
  for (int i = 0; i < 24; ++i) EXPECT_EQ(copy.Floats()[i], l.Floats()[i]) << i;
  EXPECT_EQ(&copy.SpotQuadAtt, copy.Floats() + 23);
}

}  // namespace
