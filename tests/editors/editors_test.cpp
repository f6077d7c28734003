// The typed editors: vector kinds, bounds, names and field counts set by their constructors.
#include <gtest/gtest.h>

#include <string>

#include "pos3d/editors.h"
#include "support/test_support.h"

namespace {
std::string Caption(TFloatEdit& e, int i) { return e.FieldLabel(i)->Caption().str(); }
}

TEST(TypedEditors, Pos3DHoldsPositionsNamedXYZW) {
  TPos3D p(nullptr);
  EXPECT_NE(nullptr, dynamic_cast<T3DVector*>(p.Value()));
  EXPECT_NE(nullptr, dynamic_cast<T3DVector*>(p.GetMin()));
  EXPECT_NE(nullptr, dynamic_cast<T3DVector*>(p.GetMax()));
  // Until the first refresh the captions are the names with "=0.0".
  EXPECT_EQ("X=0.0", Caption(p, 0));
  EXPECT_EQ("  Y=0.0", Caption(p, 1));
  EXPECT_EQ("  W=0.0", Caption(p, 3));
  p.Loaded();
  EXPECT_EQ("X= 0.00", Caption(p, 0));
  EXPECT_EQ("  Y= 0.00", Caption(p, 1));
  EXPECT_EQ("  Z= 0.00", Caption(p, 2));
  EXPECT_FALSE(p.FieldLabel(3)->Visible());
  EXPECT_EQ(clYellow, p.FieldLabel(0)->Color());
  EXPECT_EQ(-10000, p.ScrollBar()->Min());
  EXPECT_EQ(10000, p.ScrollBar()->Max());
  EXPECT_EQ(0, p.ScrollBar()->Position());
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(-10.0f, p.GetMin()->GetElement(i));
    EXPECT_EQ(10.0f, p.GetMax()->GetElement(i));
  }
  // Another kind is copied in; the held vector keeps its kind.
  TColorVector c;
  c.SetR(1.5f);
  p.SetValue(&c);
  EXPECT_NE(nullptr, dynamic_cast<T3DVector*>(p.Value()));
  EXPECT_EQ(1.5f, p.GetValue()->GetX());
  EXPECT_EQ("X= 1.50", Caption(p, 0));
}

TEST(TypedEditors, ColorEditSpansZeroToTenAndShowsAlphaOnRequest) {
  TColorEdit c(nullptr);
  c.Loaded();
  EXPECT_EQ("R= 0.00", Caption(c, 0));
  EXPECT_EQ("  G= 0.00", Caption(c, 1));
  EXPECT_EQ("  B= 0.00", Caption(c, 2));
  EXPECT_FALSE(c.FieldLabel(3)->Visible());
  for (int i = 0; i < 3; ++i) {
    c.EditClick(c.FieldLabel(i));
    EXPECT_EQ(0, c.ScrollBar()->Min());
    EXPECT_EQ(10000, c.ScrollBar()->Max());
  }
  c.SetNValues(4);
  EXPECT_TRUE(c.FieldLabel(3)->Visible());
  c.SetDecDigits(2);
  EXPECT_EQ("  A= 1.00", Caption(c, 3));
  // Writing through the typed accessor is heard by the editor.
  EventCounter changes;
  c.OnChange = changes.Event();
  c.GetValue()->SetA(0.5f);
  EXPECT_EQ("  A= 0.50", Caption(c, 3));
  EXPECT_EQ(0.5f, c.Value()->GetElement(3));
  EXPECT_EQ(0, changes.Count);
}

TEST(TypedEditors, AngleEditShowsOneFieldFromZeroTo360) {
  TAngleEdit a(nullptr);
  EXPECT_NE(nullptr, dynamic_cast<TAngle*>(a.Value()));
  EXPECT_EQ(1, a.NValues());
  EXPECT_EQ("Element1", a.Labels()->Strings(1).str());
  EXPECT_EQ(-10000, a.ScrollBar()->Min());  // no refresh yet
  EXPECT_EQ(360.0f, a.GetMax()->GetDegrees());
  EXPECT_EQ(1.0f, a.GetMax()->GetElement(3));
  EXPECT_EQ(1.0f, a.GetMin()->GetElement(3));
  a.Loaded();
  EXPECT_EQ("Angle= 0.00", Caption(a, 0));
  for (int i = 1; i < 4; ++i) EXPECT_FALSE(a.FieldLabel(i)->Visible());
  EXPECT_EQ(0, a.ScrollBar()->Min());
  EXPECT_EQ(360000, a.ScrollBar()->Max());

  EventCounter changes;
  a.OnChange = changes.Event();
  TAngle far;
  far.SetDegrees(400.0f);
  a.SetValue(&far);
  EXPECT_EQ(360.0f, a.GetValue()->GetDegrees());
  EXPECT_EQ(360000, a.ScrollBar()->Position());
  EXPECT_EQ("Angle=360.00", Caption(a, 0));
  EXPECT_EQ(1, changes.Count);
  EXPECT_EQ(&a, changes.LastSender);

  // An arrow click moves the angle by a hundredth of a degree.
  a.GetValue()->SetDegrees(90.0f);
  changes.Count = 0;
  a.ScrollBar()->MouseDown(a.ScrollBar()->Width() - 1, 1);
  EXPECT_EQ(90.01f, a.GetValue()->GetDegrees());
  EXPECT_EQ(1, changes.Count);
}

TEST(TypedEditors, EditorsDieWithTheirOwner) {
  auto* owner = new TComponent(nullptr);
  new TPos3D(owner);
  new TColorEdit(owner);
  auto* a = new TAngleEdit(owner);
  a->Loaded();
  EXPECT_EQ(3, owner->ComponentCount());
  delete owner;  // LeakSanitizer checks the rest
}
