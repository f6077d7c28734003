// A part kind made here alone, with one registration line: the file, copies, the viewer's dump, the editor's
// panel, bounds and picking all take it without any other change.
#include <GL/gl.h>

#include <cstdio>
#include <memory>
#include <string>

#include "framework/controls/application.h"
#include "framework/core/streams.h"
#include "opengl/opengl.h"
#include "parts/parts.h"
#include "part_panel.h"
#include "pos3d/floatedit.h"
#include "scene_dump.h"
#include "scene_edits.h"
#include "support/viewport_fixture.h"

namespace {

// A square pyramid standing on the xz plane.
class TPartPyramid : public TPartClassOf<TPartPyramid> {
public:
  static const TPartClass& Class();
  void SetHeight(float v) {
    Height = v;
    Changed(this);
  }
  void SetBase(float v) {
    Base = v;
    Changed(this);
  }
  void Paint() override {
    TPart::Paint();
    const float b = Base / 2;
    const float corners[4][2] = {{-b, -b}, {b, -b}, {b, b}, {-b, b}};
    glBegin(GL_TRIANGLES);
    for (int i = 0; i < 4; ++i) {
      const float* c = corners[i];
      const float* d = corners[(i + 1) % 4];
      glVertex3f(c[0], 0, c[1]);
      glVertex3f(d[0], 0, d[1]);
      glVertex3f(0, Height, 0);
    }
    glEnd();
  }
  void AddGeometry(TBoundsWalk& walk) override { walk.Box(-Base / 2, 0, -Base / 2, Base / 2, Height, Base / 2); }

  float Height = 2;
  float Base = 1;
  AnsiString Label;
};

const TPartClass& TPartPyramid::Class() {
  static const TPartClass kind = TPartClassBuilder<TPartPyramid>("TPartPyramid", "Pyramid", 90).Fields([](auto& f) {
    f.Float("Height", &TPartPyramid::Height, 2, 0, &TPartPyramid::SetHeight).Edit("SizeEdit", "height", 0, 20);
    f.Float("Base", &TPartPyramid::Base, 1, 0, &TPartPyramid::SetBase).Edit("SizeEdit", "base", 0, 20);
    f.String("Label", &TPartPyramid::Label);
  });
  return kind;
}
static TPartRegistration pyramid(TPartPyramid::Class());

std::string Dump(TOpenGl* gl) {
  char* text = nullptr;
  size_t size = 0;
  FILE* out = open_memstream(&text, &size);
  DumpScene(out, gl);
  std::fclose(out);
  std::string json(text, size);
  std::free(text);
  return json;
}

TPartPyramid* MakePyramid(TOpenGl* gl) {
  auto* p = new TPartPyramid;
  p->Name = "tip";
  p->Label = "north";
  p->SetHeight(3.5f);
  p->SetBase(1.5f);
  return static_cast<TPartPyramid*>(gl->Paste(nullptr, p));
}

}  // namespace

TEST(NewPartKind, IsRegisteredOnceAndClonesSavesAndLoadsByItsDeclaration) {
  EXPECT_TRUE(pyramid.Registered);
  EXPECT_EQ(TPartClasses::ByTag(90), &TPartPyramid::Class());
  EXPECT_EQ(TPartClasses::ByName("TPartPyramid"), &TPartPyramid::Class());
  EXPECT_TRUE(TPartRegistration(TPartPyramid::Class()).Registered) << "registering a kind again changes nothing";
  const TPartClass sameTag("TPartOther", "Other", 90, &TPartBaseClass(), nullptr, TPartFields());
  const TPartClass sameName("TPartPyramid", "Other", 91, &TPartBaseClass(), nullptr, TPartFields());
  EXPECT_FALSE(TPartClasses::Register(sameTag)) << "a tag is taken once";
  EXPECT_FALSE(TPartClasses::Register(sameName)) << "a class name is taken once";
  EXPECT_EQ(TPartClasses::ByTag(91), nullptr);

  std::unique_ptr<TOpenGl> gl(MakeLoadedViewport<TOpenGl>(120, 90));
  TPartPyramid* p = MakePyramid(gl.get());
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(p->GetName(), AnsiString("Pyramid tip"));

  std::unique_ptr<TPart> copy(p->Clone());
  auto* twin = dynamic_cast<TPartPyramid*>(copy.get());
  ASSERT_NE(twin, nullptr);
  EXPECT_EQ(twin->Height, 3.5f);
  EXPECT_EQ(twin->Base, 1.5f);
  EXPECT_EQ(twin->Label, AnsiString("north"));
  EXPECT_EQ(twin->Name, AnsiString("tip"));

  TMemoryStream file;
  ASSERT_TRUE(gl->SaveToStream(&file));
  std::unique_ptr<TOpenGl> other(MakeLoadedViewport<TOpenGl>(120, 90));
  file.SetPosition(0);
  ASSERT_TRUE(other->LoadFromStream(&file));
  auto* loaded = dynamic_cast<TPartPyramid*>(other->FindPart("tip"));
  ASSERT_NE(loaded, nullptr);
  EXPECT_EQ(loaded->Height, 3.5f);
  EXPECT_EQ(loaded->Base, 1.5f);
  EXPECT_EQ(loaded->Label, AnsiString("north"));
  EXPECT_EQ(loaded->Owner(), other.get());
}

TEST(NewPartKind, ShowsInTheDumpAndTheEditorsPanel) {
  std::unique_ptr<TOpenGl> gl(MakeLoadedViewport<TOpenGl>(120, 90));
  TPartPyramid* p = MakePyramid(gl.get());
  const std::string json = Dump(gl.get());
  EXPECT_NE(json.find("\"class\": \"TPartPyramid\""), std::string::npos) << json;
  EXPECT_NE(json.find("\"Height\": 3.5"), std::string::npos);
  EXPECT_NE(json.find("\"Base\": 1.5"), std::string::npos);
  EXPECT_NE(json.find("\"Label\": \"north\""), std::string::npos);

  auto* form = new TForm(nullptr);
  form->SetBounds(0, 0, 900, 400);
  auto* host = new TPanel(form);
  host->SetParent(form);
  host->SetAlign(alClient);
  TPartPanel panel(form, host, gl.get());
  panel.SetPart(p);
  TFloatEdit* size = nullptr;
  for (int i = 0; i < form->ComponentCount(); ++i) {
    auto* edit = dynamic_cast<TFloatEdit*>(form->Components(i));
    if (edit && edit->Name == "SizeEdit") size = edit;
  }
  ASSERT_NE(size, nullptr);
  EXPECT_TRUE(size->Visible());
  EXPECT_EQ(size->NValues(), 2);
  EXPECT_EQ(size->Labels()->Strings(0), AnsiString("height"));
  EXPECT_EQ(size->Value()->GetElement(0), 3.5f);
  EXPECT_EQ(size->Max()->GetElement(1), 20.0f);
  // An edit in the panel goes through the kind's setter.
  TFloatVector v;
  v.SetElement(0, 4);
  v.SetElement(1, 1.5f);
  size->SetValue(&v);
  EXPECT_EQ(p->Height, 4.0f);
  delete form;

  // sceneedit offers it a button of its own.
  bool offered = false;
  for (const TAddKind& add : AddableKinds()) {
    offered = offered || (add.kind == &TPartPyramid::Class() && add.caption == "Pyramid");
    // Kinds an empty new part is useless for are left to their own commands.
    EXPECT_STRNE(add.kind->Name(), "TPartCall");
    EXPECT_STRNE(add.kind->Name(), "TPartMesh");
  }
  EXPECT_TRUE(offered);
}

TEST(NewPartKind, HasBoundsAndIsPicked) {
  std::unique_ptr<TOpenGl> gl(MakeLoadedViewport<TOpenGl>(120, 90));
  TPartPyramid* p = MakePyramid(gl.get());
  p->SetPX(1);
  TBounds box = gl->PartBounds(p);
  ASSERT_FALSE(box.Empty);
  EXPECT_FLOAT_EQ(box.Min[0], 0.25f);
  EXPECT_FLOAT_EQ(box.Max[0], 1.75f);
  EXPECT_FLOAT_EQ(box.Max[1], 3.5f);
  EXPECT_FALSE(gl->SceneBounds().Empty);

  p->SetPX(0);
  p->SetPY(-1.5f);
  Step(40);
  EXPECT_EQ(gl->PartAt(60, 45), p);
  EXPECT_EQ(gl->PartAt(2, 2), nullptr);
}
