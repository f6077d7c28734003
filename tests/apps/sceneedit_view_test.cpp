// sceneedit's work in the view, without a window: values typed in place, drags through parents' placements,
// where new parts go, the standard views, new polygons facing the eye, and the selection kept across undo.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "framework/controls/application.h"
#include "framework/controls/edit.h"
#include "history.h"
#include "opengl/luce.h"
#include "opengl/opengl.h"
#include "part_panel.h"
#include "parts/parts.h"
#include "parts/primitives.h"
#include "parts/quad.h"
#include "pos3d/floatedit.h"
#include "scene_edits.h"
#include "support/viewport_fixture.h"
#include "view_camera.h"
#include "view_edits.h"

namespace {

// A kind of this test's own, whose field declares its bar's range, what may be typed and its step.
class TPartSpike : public TPartClassOf<TPartSpike> {
public:
  static const TPartClass& Class();
  void SetLength(float v) {
    Length = v;
    Changed(this);
  }
  void AddGeometry(TBoundsWalk& walk) override { walk.Box(0, 0, 0, 0.1f, Length, 0.1f); }
  float Length = 1;
};

const TPartClass& TPartSpike::Class() {
  static const TPartClass kind = TPartClassBuilder<TPartSpike>("TPartSpike", "Spike", 91).Fields([](auto& f) {
    f.Float("Length", &TPartSpike::Length, 1, 0, &TPartSpike::SetLength)
        .Edit("SpikeEdit", "length", 0, 5)
        .Limit(0.5f, 50)
        .Step(0.25f);
  });
  return kind;
}
const TPartRegistration spike(TPartSpike::Class());

template <class T>
T* Find(TForm* form, const char* name) {
  for (int i = 0; i < form->ComponentCount(); ++i) {
    auto* c = dynamic_cast<T*>(form->Components(i));
    if (c && c->Name == name) return c;
  }
  return nullptr;
}

// The panel in a form, committing each finished edit to a history as the editor does.
class PanelHost : public TObject {
public:
  explicit PanelHost(TOpenGl* gl) : gl(gl) {
    form = new TForm(nullptr);
    form->SetBounds(0, 0, 900, 400);
    auto* host = new TPanel(form);
    host->SetParent(form);
    host->SetAlign(alClient);
    panel.reset(new TPartPanel(form, host, gl));
    panel->OnEditDone = MakeEvent(this, &PanelHost::Done);
    panel->OnSay = [this](const std::string& line, bool error) { said = (error ? "! " : "") + line; };
    history.Reset(gl);
  }
  ~PanelHost() override {
    panel.reset();
    delete form;
  }
  void Done(TObject*) { history.Commit(gl); }
  // Types text into a value as Return does; what the status line was told comes back in said.
  bool Type(const char* editor, int element, const std::string& text) {
    if (!panel->StartTyping(editor, element)) return false;
    panel->Typing()->SetText(text.c_str());
    return panel->ApplyTyped();
  }

  TOpenGl* gl;
  TForm* form;
  std::unique_ptr<TPartPanel> panel;
  TSceneHistory history;
  std::string said;
};

TEST(SceneeditTyping, TypedValuesAreCheckedWidenTheBarAndAreOneUndoStep) {
  TOpenGl gl(nullptr);
  PanelHost host(&gl);
  TPart* cube = AddPart(&gl, TPartCube::Class(), nullptr);
  cube->SetPX(1.23456f);
  host.history.Commit(&gl);
  host.panel->SetPart(cube);
  TFloatEdit* pos = Find<TFloatEdit>(host.form, "PosEdit");
  ASSERT_NE(pos, nullptr);

  // A click on a value opens it for typing, with the value as the part holds it.
  pos->FieldLabel(0)->OnClick(pos->FieldLabel(0));
  ASSERT_NE(host.panel->Typing(), nullptr);
  EXPECT_EQ(host.panel->Typing()->Text(), AnsiString("1.23456"));
  host.panel->CancelTyping();
  EXPECT_EQ(host.panel->Typing(), nullptr);
  EXPECT_EQ(cube->PX, 1.23456f) << "Escape changes nothing";

  // Beyond the bar's -10..10: taken, the bar widened to hold it, the other values untouched.
  const int steps = host.history.Steps();
  ASSERT_TRUE(host.Type("PosEdit", 1, "40"));
  EXPECT_EQ(cube->PY, 40.0f);
  EXPECT_EQ(cube->PX, 1.23456f) << "not rounded to the editor's digits";
  EXPECT_EQ(pos->Max()->GetElement(1), 40.0f);
  EXPECT_EQ(pos->Max()->GetElement(0), 10.0f);
  EXPECT_EQ(host.said, "y set to 40");
  EXPECT_EQ(host.history.Steps(), steps + 1) << "one undo step";
  ASSERT_TRUE(host.Type("PosEdit", 1, "40.0"));
  EXPECT_EQ(host.history.Steps(), steps + 1) << "the same value again is no step";
  ASSERT_TRUE(host.Type("PosEdit", 2, "-12.5"));
  EXPECT_EQ(pos->Min()->GetElement(2), -13.0f) << "whole-number bounds outside the value";
  // Choosing another value for the bar leaves the widened ones as they are.
  pos->FieldLabel(0)->OnClick(pos->FieldLabel(0));
  host.panel->CancelTyping();
  EXPECT_EQ(cube->PY, 40.0f);
  EXPECT_EQ(cube->PZ, -12.5f);
  ASSERT_TRUE(host.history.Undo(&gl));
  EXPECT_EQ(gl.FindPart("Cube1")->PZ, 0.0f);
  EXPECT_EQ(gl.FindPart("Cube1")->PY, 40.0f);
  cube = gl.FindPart("Cube1");
  host.panel->SetPart(cube);
  const int current = host.history.Current();

  // Refused, with the range: not a number, outside a hard range, not whole. The text stays to be mended.
  EXPECT_FALSE(host.Type("PosEdit", 0, "abc"));
  EXPECT_EQ(host.said, "! x not set: \"abc\" is not a number (-1e+06 to 1e+06)");
  EXPECT_NE(host.panel->Typing(), nullptr);
  EXPECT_FALSE(host.Type("ColorEdit", 0, "1.5"));
  EXPECT_EQ(host.said, "! r not set: 1.5 is out of range: 0 to 1");
  EXPECT_FALSE(host.Type("TextureEdit", 0, "2.5"));
  EXPECT_EQ(host.said, "! texture slot not set: 2.5 is not a whole number (-2 to 19)");
  EXPECT_FALSE(host.Type("ShininessEdit", 0, "200"));
  EXPECT_EQ(cube->Shininess, 0.0f);
  EXPECT_FALSE(cube->UseMaterial);
  EXPECT_EQ(host.history.Current(), current) << "nothing refused was recorded";
  EXPECT_TRUE(host.history.CanRedo());

  // A colour is the material's; the texture slot says what -1 and -2 mean.
  ASSERT_TRUE(host.Type("ColorEdit", 0, "0,25"));
  EXPECT_EQ(cube->DiffuseR, 0.25f);
  EXPECT_TRUE(cube->UseMaterial);
  TFloatEdit* texture = Find<TFloatEdit>(host.form, "TextureEdit");
  EXPECT_EQ(texture->FieldLabel(0)->Caption(), AnsiString("texture slot=-2 (none)"));
  ASSERT_TRUE(host.Type("TextureEdit", 0, "-1"));
  EXPECT_EQ(cube->Texture, -1);
  EXPECT_EQ(texture->FieldLabel(0)->Caption(), AnsiString("texture slot=-1 (inherit)"));

  // A kind's own values keep its limits: GLU takes no sphere of fewer than 2 slices; above the bar is fine.
  TPart* sphere = AddPart(&gl, TPartSphere::Class(), nullptr);
  host.panel->SetPart(sphere);
  EXPECT_FALSE(host.Type("StepsEdit", 0, "1"));
  EXPECT_EQ(host.said, "! slices not set: 1 is out of range: 2 to 1000");
  ASSERT_TRUE(host.Type("StepsEdit", 1, "100"));
  EXPECT_EQ(static_cast<TPartSphere*>(sphere)->Stacks, 100);
  EXPECT_EQ(Find<TFloatEdit>(host.form, "StepsEdit")->Max()->GetElement(1), 100.0f);

  // A kind's own declaration: its bar's range and step, and its limits for what is typed.
  TPart* spiky = AddPart(&gl, TPartSpike::Class(), nullptr);
  host.panel->SetPart(spiky);
  TFloatEdit* length = Find<TFloatEdit>(host.form, "SpikeEdit");
  ASSERT_NE(length, nullptr);
  EXPECT_TRUE(length->Visible());
  EXPECT_EQ(length->Max()->GetElement(0), 5.0f);
  EXPECT_EQ(length->ScrollBar()->SmallChange, 250);
  EXPECT_FALSE(host.Type("SpikeEdit", 0, "0.25"));
  EXPECT_EQ(host.said, "! length not set: 0.25 is out of range: 0.5 to 50");
  ASSERT_TRUE(host.Type("SpikeEdit", 0, "20"));
  EXPECT_EQ(static_cast<TPartSpike*>(spiky)->Length, 20.0f);
  EXPECT_EQ(length->Max()->GetElement(0), 20.0f);
  host.panel->SetPart(sphere);
  EXPECT_FALSE(length->Visible());
  EXPECT_EQ(Find<TFloatEdit>(host.form, "StepsEdit")->ScrollBar()->SmallChange, 1000) << "a whole number a step";

  // Lights: a typed slot chooses the light, a typed position goes to it.
  host.panel->ShowLights(true);
  ASSERT_TRUE(host.Type("LightSlotEdit", 0, "5"));
  ASSERT_TRUE(host.Type("LightPosEdit", 0, "25"));
  EXPECT_EQ(gl.GetLight(5)->PositionVector()[0], 25.0f);
  EXPECT_EQ(gl.GetLight(0)->PositionVector()[0], 0.0f);
  host.panel->ShowLights(false);

  // Nothing selected: no value to type, no material buttons.
  host.panel->SetPart(nullptr);
  EXPECT_FALSE(host.panel->StartTyping("PosEdit", 0));
  EXPECT_FALSE(Find<TButton>(host.form, "Ambient")->Parent()->Visible());
  host.panel->SetPart(cube);
  EXPECT_TRUE(Find<TButton>(host.form, "Ambient")->Parent()->Visible());
}

// A camera on +z looking at the origin, 400 x 300 pixels.
ViewCamera FrontCamera(bool ortho = false) {
  ViewCamera c;
  c.eye[2] = 10;
  c.up[1] = 1;
  c.yAngle = 60;
  c.ortho = ortho;
  c.width = 8;
  c.height = 6;
  return c;
}

void Pixel(const ViewCamera& c, const double p[3], double& x, double& y) {
  ASSERT_TRUE(ProjectToView(c, 400, 300, p, x, y));
}

TEST(SceneeditDrag, ThePartFollowsThePointerThroughItsParentsPlacements) {
  TOpenGl gl(nullptr);
  TPart* group = AddPart(&gl, TPartGroup::Class(), nullptr);
  group->SetPX(2);
  group->SetRY(1);
  group->SetRotationAngle(90);  // the group's x runs along world -z, its z along world x
  group->SetSX(2);
  group->SetSY(2);
  group->SetSZ(2);
  TPart* cube = AddPart(&gl, TPartCube::Class(), group);
  cube->SetPX(0.5f);
  cube->SetPY(0.25f);
  for (bool ortho : {false, true}) {
    const ViewCamera camera = FrontCamera(ortho);
    double o[3], x0, y0;
    PartOrigin(cube, o);
    Pixel(camera, o, x0, y0);
    const double depth = o[2];
    // In the view plane: the origin stays under the pointer, at its depth.
    TPartDrag drag;
    ASSERT_TRUE(drag.Start(cube, camera, 400, 300, static_cast<int>(x0), static_cast<int>(y0), -1));
    ASSERT_TRUE(drag.Move(static_cast<int>(x0) + 50, static_cast<int>(y0) - 30));
    double p[3], x, y;
    PartOrigin(cube, p);
    Pixel(camera, p, x, y);
    EXPECT_NEAR(x - x0, 50, 1e-3);
    EXPECT_NEAR(y - y0, -30, 1e-3);
    EXPECT_NEAR(p[2], depth, 1e-5);
    drag.Cancel();
    EXPECT_EQ(cube->PX, 0.5f);
    EXPECT_EQ(cube->PY, 0.25f);
    EXPECT_EQ(cube->PZ, 0.0f);
  }

  // Along an axis of the parent: only that coordinate moves; an axis seen end-on cannot be dragged.
  const ViewCamera camera = FrontCamera();
  EXPECT_EQ(NearestAxis(cube, camera, 400, 300, 30, 2), 2) << "the group's z is the screen's x";
  EXPECT_EQ(NearestAxis(cube, camera, 400, 300, -3, -40), 1);
  double o[3], x0, y0;
  PartOrigin(cube, o);
  Pixel(camera, o, x0, y0);
  TPartDrag along;
  EXPECT_FALSE(along.Start(cube, camera, 400, 300, static_cast<int>(x0), static_cast<int>(y0), 0));
  ASSERT_TRUE(along.Start(cube, camera, 400, 300, static_cast<int>(x0), static_cast<int>(y0), 1));
  ASSERT_TRUE(along.Move(static_cast<int>(x0) + 25, static_cast<int>(y0) - 40));
  EXPECT_EQ(cube->PX, 0.5f);
  EXPECT_EQ(cube->PZ, 0.0f);
  double p[3], x, y;
  PartOrigin(cube, p);
  Pixel(camera, p, x, y);
  EXPECT_NEAR(y - y0, -40, 1e-3) << "up the screen by the pointer's rise";
  EXPECT_NEAR(x, x0, 1e-6);
  EXPECT_NEAR(cube->PY - 0.25f, (p[1] - o[1]) / 2, 1e-5) << "the group's scale of 2";
}

TEST(SceneeditPlacement, NewPartsGoAfterTheSelectionAtTheViewsTarget) {
  TOpenGl gl(nullptr);
  TPart* group = AddPart(&gl, TPartGroup::Class(), nullptr);
  group->SetPY(1);
  group->SetSX(0.5f);
  group->SetSY(0.5f);
  group->SetSZ(0.5f);
  TPart* first = AddPart(&gl, TPartCube::Class(), group);
  TPart* last = AddPart(&gl, TPartCube::Class(), group);
  const double target[3] = {3, 2, -1};
  TPart* sphere = AddPart(&gl, TPartSphere::Class(), first, target);
  ASSERT_NE(sphere, nullptr);
  EXPECT_EQ(IndexPath(sphere), (std::vector<int>{0, 1})) << "right after the selected cube, not before it";
  EXPECT_EQ(IndexPath(last), (std::vector<int>{0, 2}));
  double at[3];
  PartOrigin(sphere, at);
  for (int i = 0; i < 3; ++i) EXPECT_NEAR(at[i], target[i], 1e-5);
  EXPECT_EQ(sphere->PX, 6.0f) << "in the group's frame";
  // Into a selected group: at its end. The last part of a group: after it. Pasted copies go the same way.
  EXPECT_EQ(IndexPath(AddPart(&gl, TPartDisk::Class(), group)), (std::vector<int>{0, 3}));
  EXPECT_EQ(IndexPath(AddPart(&gl, TPartDisk::Class(), last)), (std::vector<int>{0, 3}));
  TPartClipboard clipboard;
  ASSERT_TRUE(clipboard.Copy(first));
  EXPECT_EQ(IndexPath(clipboard.PasteInto(&gl, first)), (std::vector<int>{0, 1}));
  EXPECT_EQ(IndexPath(clipboard.PasteInto(&gl, group->Holder())), (std::vector<int>{1}));
}

TEST(SceneeditViews, SixSidesKeepTheTargetAndDistanceAndOrthographicKeepsTheSize) {
  TOpenGl gl(nullptr);
  gl.SetBounds(0, 0, 400, 200);
  ViewCamera c = ViewCamera::Of(&gl);
  c.target[0] = 1;
  c.target[1] = 2;
  c.target[2] = 3;
  c.eye[0] = 4;
  c.eye[1] = 6;
  c.eye[2] = 3;  // 5 from the target
  c.yAngle = 60;
  c.ApplyTo(&gl);
  struct Case {
    WORD key;
    bool shift;
    float side[3], up[3];
  };
  const Case cases[] = {{'1', false, {0, 0, 1}, {0, 1, 0}},  {'1', true, {0, 0, -1}, {0, 1, 0}},
                        {'3', false, {1, 0, 0}, {0, 1, 0}},  {'3', true, {-1, 0, 0}, {0, 1, 0}},
                        {'7', false, {0, 1, 0}, {0, 0, -1}}, {'7', true, {0, -1, 0}, {0, 0, 1}}};
  for (const Case& k : cases) {
    StandardView v;
    ASSERT_TRUE(StandardViewForKey(k.key, k.shift, v));
    SetStandardView(&gl, v);
    ViewCamera now = ViewCamera::Of(&gl);
    for (int i = 0; i < 3; ++i) {
      EXPECT_NEAR(now.target[i], c.target[i], 1e-6) << StandardViewName(v);
      EXPECT_NEAR(now.eye[i], c.target[i] + 5 * k.side[i], 1e-5) << StandardViewName(v);
      EXPECT_EQ(now.up[i], k.up[i]) << StandardViewName(v);
    }
  }
  StandardView none;
  EXPECT_FALSE(StandardViewForKey('2', false, none));

  // The target's plane shows as much in both projections; the rays through pixels agree with the picture.
  ToggleOrtho(&gl);
  EXPECT_TRUE(gl.ProjectionOrtho());
  EXPECT_NEAR(gl.ProjectionHeight(), 2 * 5 * std::tan(M_PI / 6), 1e-5);
  EXPECT_NEAR(gl.ProjectionWidth(), 2 * gl.ProjectionHeight(), 1e-5);
  for (bool ortho : {true, false}) {
    ViewCamera now = ViewCamera::Of(&gl);
    const double target[3] = {now.target[0], now.target[1], now.target[2]};
    const double at = PixelSizeAt(now, 200, target);
    EXPECT_NEAR(at * 200, 2 * 5 * std::tan(M_PI / 6), 1e-5);
    ViewRay r = RayThrough(now, 400, 200, 37, 150);
    const double p[3] = {r.origin[0] + 7 * r.dir[0], r.origin[1] + 7 * r.dir[1], r.origin[2] + 7 * r.dir[2]};
    double x, y;
    ASSERT_TRUE(ProjectToView(now, 400, 200, p, x, y)) << ortho;
    EXPECT_NEAR(x, 37, 1e-6);
    EXPECT_NEAR(y, 150, 1e-6);
    ToggleOrtho(&gl);
  }
  EXPECT_TRUE(gl.ProjectionOrtho());
}

// Seen from the default eye on -z, the square a polygon starts with turns its back: it drew almost black.
TEST(SceneeditPolygon, ANewPolygonFacesTheEyeAndIsLit) {
  std::unique_ptr<TOpenGl> gl(MakeLoadedViewport<TOpenGl>(64, 48));
  gl->SetHeadlight(true);
  auto centre = [&] {
    Step(40);
    Pixels shot = ReadPixels(gl->Handle());
    return shot.At(32, 24).r;
  };
  TPart* plain = AddPart(gl.get(), TPartQuad::Class(), nullptr);
  const int backLit = centre();
  DeletePart(gl.get(), plain);
  for (StandardView v : {StandardView::Back, StandardView::Top, StandardView::Left}) {
    if (v != StandardView::Back) SetStandardView(gl.get(), v);
    ViewCamera camera = ViewCamera::Of(gl.get());
    TPart* polygon = AddPart(gl.get(), TPartQuad::Class(), nullptr, nullptr);
    FacePolygonToView(polygon, camera);
    auto* quad = static_cast<TPartQuad*>(polygon);
    for (int k = 0; k < 4; ++k) {
      const float* n = quad->Normals() + 3 * k;
      const double toEye = n[0] * camera.eye[0] + n[1] * camera.eye[1] + n[2] * camera.eye[2];
      EXPECT_GT(toEye, 0.99 * std::sqrt(camera.eye[0] * camera.eye[0] + camera.eye[1] * camera.eye[1] +
                                        camera.eye[2] * camera.eye[2]))
          << StandardViewName(v) << " point " << k;
    }
    const int lit = centre();
    EXPECT_GT(lit, 150) << StandardViewName(v);
    EXPECT_GT(lit, backLit + 80) << StandardViewName(v);
    DeletePart(gl.get(), polygon);
  }
}

// The selection is the part, not its path: through a rename, a move, and a twin of the same name deleted.
TEST(SceneeditUndo, TheSelectionFollowsThePartsIdentity) {
  TOpenGl gl(nullptr);
  TPart* a = AddPart(&gl, TPartGroup::Class(), nullptr);
  TPart* b = AddPart(&gl, TPartGroup::Class(), nullptr);
  TPart* first = AddPart(&gl, TPartCube::Class(), a);
  TPart* twin = AddPart(&gl, TPartCube::Class(), b);
  first->Name = "Twin";
  twin->Name = "Twin";
  b->Name = "Group1";
  a->Name = "Group1";  // the same path for both cubes
  twin->SetPX(7);
  TSceneHistory history;
  history.Reset(&gl);
  const uint64_t id = history.Identities().Of(twin);
  ASSERT_NE(id, 0u);
  EXPECT_NE(history.Identities().Of(first), id);

  twin->Name = "Renamed";
  history.Commit(&gl);
  twin->SetPY(3);
  history.Commit(&gl);
  DeletePart(&gl, first);
  history.Commit(&gl);
  TPart* extra = AddPart(&gl, TPartSphere::Class(), nullptr);
  history.Commit(&gl);
  const uint64_t added = history.Identities().Of(extra);

  auto selected = [&] { return history.Identities().Find(gl.Root(), id); };
  ASSERT_TRUE(history.Undo(&gl));
  EXPECT_EQ(history.Identities().Find(gl.Root(), added), nullptr) << "undone: gone";
  ASSERT_TRUE(history.Undo(&gl));  // the other twin back, in front of ours
  ASSERT_NE(selected(), nullptr);
  EXPECT_EQ(selected()->PX, 7.0f);
  ASSERT_TRUE(history.Undo(&gl));
  EXPECT_EQ(selected()->PY, 0.0f);
  ASSERT_TRUE(history.Undo(&gl));  // the old name, which the other cube has too
  EXPECT_EQ(selected()->Name, AnsiString("Twin"));
  EXPECT_EQ(selected()->PX, 7.0f);
  EXPECT_EQ(selected()->Holder()->Holder(), gl.Root());
  EXPECT_EQ(IndexPath(selected()), (std::vector<int>{1, 0}));
  while (history.Redo(&gl)) {
  }
  EXPECT_EQ(selected()->Name, AnsiString("Renamed"));
  EXPECT_EQ(selected()->PY, 3.0f);
  EXPECT_NE(history.Identities().Find(gl.Root(), added), nullptr);
}

// sceneview --png --fit frames the scene as the window does; without it the file's camera is used.
TEST(SceneviewFit, APictureFramedAsTheWindowFramesIt) {
  const std::string dir = testing::TempDir();
  {
    TOpenGl gl(nullptr);
    TPart* far = gl.AddCube(nullptr, "Far");
    far->SetPX(50);  // well outside the stored camera's view of the origin
    ASSERT_TRUE(gl.SaveTo((dir + "/far.scene").c_str()));
  }
  auto drawn = [&](const std::string& extra) {
    const std::string png = dir + "/far.png";
    std::remove(png.c_str());
    const std::string command = std::string(V3D_SCENEVIEW_PATH) + " " + dir + "/far.scene --png " + png +
                                " --size 64x48" + extra;
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    TPicture picture;
    picture.LoadFromFile(png.c_str());
    int other = 0;
    TBitmap* b = picture.Bitmap();
    for (int y = 0; y < b->Height(); ++y)
      for (int x = 0; x < b->Width(); ++x) other += b->Pixel(x, y) != b->Pixel(0, 0);
    return other;
  };
  EXPECT_EQ(drawn(""), 0);
  EXPECT_GT(drawn(" --fit"), 300);
}

}  // namespace
