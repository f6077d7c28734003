// The multi-value editor panel: captions, colours, scroll range, re-entry and OnChange counts.
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "pos3d/floatedit.h"
#include "support/test_support.h"

namespace {

// Records the current element and the scroll position at each OnChange.
class ChangeLog : public TObject {
public:
  explicit ChangeLog(TFloatEdit* e) : edit(e) { e->OnChange = MakeEvent(this, &ChangeLog::Handle); }
  void Handle(TObject* Sender) {
    EXPECT_EQ(edit, Sender);
    positions.push_back(edit->ScrollBar()->Position());
    int tag = edit->CurrentLabel()->Tag;
    values.push_back(edit->Value()->GetElement(tag));
  }
  int Count() const { return static_cast<int>(positions.size()); }
  void Reset() {
    positions.clear();
    values.clear();
  }
  TFloatEdit* edit;
  std::vector<int> positions;
  std::vector<float> values;
};

// Sits between the scroll bar and the editor to see every position the bar takes.
class ScrollSpy : public TObject {
public:
  explicit ScrollSpy(TFloatEdit* e) : edit(e) { e->ScrollBar()->OnChange = MakeEvent(this, &ScrollSpy::Handle); }
  void Handle(TObject* Sender) {
    positions.push_back(edit->ScrollBar()->Position());
    edit->ScrollChange(Sender);
  }
  TFloatEdit* edit;
  std::vector<int> positions;
};

std::string Caption(TFloatEdit& e, int i) { return e.FieldLabel(i)->Caption().str(); }

void SetNames(TFloatEdit& e, std::vector<const char*> names) {
  TStringList list;
  for (const char* n : names) list.Add(n);
  e.SetLabels(&list);
}

// Clicks a caption the way the strip receives it: a button release at a point inside the label.
void ClickField(TFloatEdit& e, int i) {
  TLabel* l = e.FieldLabel(i);
  e.LabelPanel()->Perform(WM_LBUTTONDOWN, 0, MakeLParam(l->Left() + 1, l->Top() + 1));
  e.LabelPanel()->Perform(WM_LBUTTONUP, 0, MakeLParam(l->Left() + 1, l->Top() + 1));
}

void Fill(TFloatVector& v, float a, float b, float c, float d) {
  v.SetElement(0, a);
  v.SetElement(1, b);
  v.SetElement(2, c);
  v.SetElement(3, d);
}

}  // namespace

TEST(FloatEdit, ConstructionGivesTheDocumentedLayoutAndState) {
  TComponent owner(nullptr);
  auto* e = new TFloatEdit(&owner);
  EXPECT_EQ(3, e->NValues());
  EXPECT_EQ(2, e->DecDigits());
  EXPECT_EQ("Element0= 0.00", Caption(*e, 0));
  EXPECT_EQ("Element1=0.0", Caption(*e, 1));
  EXPECT_EQ("Element2=0.0", Caption(*e, 2));
  EXPECT_EQ("Element3=0.0", Caption(*e, 3));
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(i, e->FieldLabel(i)->Tag);
    EXPECT_EQ(i < 3, e->FieldLabel(i)->Visible());
    EXPECT_EQ(e->LabelPanel(), e->FieldLabel(i)->Parent());
    EXPECT_EQ(-10.0f, e->Min()->GetElement(i));
    EXPECT_EQ(10.0f, e->Max()->GetElement(i));
  }
  EXPECT_EQ(e->FieldLabel(0), e->CurrentLabel());
  EXPECT_EQ(clYellow, e->FieldLabel(0)->Color());
  EXPECT_EQ(clBtnFace, e->FieldLabel(1)->Color());
  EXPECT_EQ(1.0f, e->Value()->GetElement(3));

  TScrollBar* sb = e->ScrollBar();
  EXPECT_EQ(-10000, sb->Min());
  EXPECT_EQ(10000, sb->Max());
  EXPECT_EQ(0, sb->Position());
  EXPECT_EQ(10, sb->SmallChange);
  EXPECT_EQ(100, sb->LargeChange);

  // The strip runs along the top, the scroll bar fills the rest, the captions sit side by side.
  TPanel* strip = e->LabelPanel();
  EXPECT_EQ(bvNone, strip->BevelOuter());
  EXPECT_EQ(alTop, strip->Align());
  EXPECT_EQ(0, strip->Top());
  EXPECT_EQ(18, strip->Height());
  EXPECT_EQ(e->Width(), strip->Width());
  EXPECT_EQ(alClient, sb->Align());
  EXPECT_EQ(18, sb->Top());
  EXPECT_EQ(e->Height() - 18, sb->Height());
  int x = 0;
  for (int i = 0; i < 3; ++i) {
    TLabel* l = e->FieldLabel(i);
    EXPECT_EQ(alLeft, l->Align());
    EXPECT_EQ(x, l->Left()) << "field " << i;
    EXPECT_EQ(TLabel::TextWidth(l->Caption()), l->Width());
    EXPECT_GT(l->Width(), 0);
    x += l->Width();
  }
}

TEST(FloatEdit, CaptionsFollowThePrintfStyleTable) {
  TFloatEdit e(nullptr);
  SetNames(e, {"X", "  Y", "X", "W"});
  e.EditClick(e.FieldLabel(3));  // hidden, but current: keeps the scroll bar off fields 0..2
  e.Value()->SetElement(0, 0.0f);
  EXPECT_EQ("X= 0.00", Caption(e, 0));
  e.Value()->SetElement(1, -1.5f);
  EXPECT_EQ("  Y=-1.50", Caption(e, 1));
  e.Value()->SetElement(2, 0.01f);
  EXPECT_EQ("X= 0.01", Caption(e, 2));
  e.SetDecDigits(0);
  e.Value()->SetElement(2, 7.9f);
  EXPECT_EQ("X=    8", Caption(e, 2));
  e.Value()->SetElement(0, 0.0f);
  e.SetDecDigits(3);
  EXPECT_EQ("X=0.000", Caption(e, 0));
  EXPECT_EQ("  Y=-1.500", Caption(e, 1));
  EXPECT_EQ("X=7.900", Caption(e, 2));
  // Fields at or beyond NValues get an empty caption.
  EXPECT_EQ("", Caption(e, 3));
  // The scroll position rounds like the caption: 0.01 is held as 0.0099999998, yet is 10 units.
  TFloatEdit f(nullptr);
  ScrollSpy spy(&f);
  f.Value()->SetElement(0, 0.01f);
  EXPECT_EQ(std::vector<int>({10}), spy.positions);
}

TEST(FloatEdit, LabelWidthsFollowTheirCaptionsAndStackInOrder) {
  TFloatEdit e(nullptr);
  e.Loaded();
  int w0 = e.FieldLabel(0)->Width();
  SetNames(e, {"A much longer name", "B", "C", "D"});
  e.Loaded();
  EXPECT_GT(e.FieldLabel(0)->Width(), w0);
  EXPECT_EQ(e.FieldLabel(0)->Width(), e.FieldLabel(1)->Left());
  EXPECT_EQ(e.FieldLabel(1)->Left() + e.FieldLabel(1)->Width(), e.FieldLabel(2)->Left());
  // Hidden labels take no room; shown again, the fourth lines up after the third.
  e.SetNValues(4);
  EXPECT_EQ(e.FieldLabel(2)->Left() + e.FieldLabel(2)->Width(), e.FieldLabel(3)->Left());
}

TEST(FloatEdit, OnlyWholeBoundsReachTheScrollBar) {
  TFloatEdit e(nullptr);
  e.Min()->SetElement(0, -0.5f);
  e.Max()->SetElement(0, 0.5f);
  EXPECT_EQ(0, e.ScrollBar()->Min());
  EXPECT_EQ(0, e.ScrollBar()->Max());
  e.Min()->SetElement(0, -10.7f);
  e.Max()->SetElement(0, 0.9f);
  EXPECT_EQ(-10000, e.ScrollBar()->Min());
  EXPECT_EQ(0, e.ScrollBar()->Max());
}

TEST(FloatEdit, ClickingACaptionMakesItCurrent) {
  TFloatEdit e(nullptr);
  e.Min()->SetElement(1, 2.0f);
  e.Max()->SetElement(1, 7.0f);
  e.Value()->SetElement(1, 3.0f);
  ChangeLog log(&e);
  ClickField(e, 1);
  EXPECT_EQ(e.FieldLabel(1), e.CurrentLabel());
  EXPECT_EQ(clYellow, e.FieldLabel(1)->Color());
  EXPECT_EQ(clBtnFace, e.FieldLabel(0)->Color());
  EXPECT_EQ(clBtnFace, e.FieldLabel(2)->Color());
  EXPECT_EQ(clBtnFace, e.FieldLabel(3)->Color());
  EXPECT_EQ(2000, e.ScrollBar()->Min());
  EXPECT_EQ(7000, e.ScrollBar()->Max());
  EXPECT_EQ(3000, e.ScrollBar()->Position());
  // The new minimum clamps 0 up to 2000 before the value's 3000 is set: two moves.
  ASSERT_EQ(2, log.Count());
  EXPECT_EQ(3.0f, log.values[1]);
  // A release outside the label is not a click.
  TLabel* l0 = e.FieldLabel(0);
  l0->MouseUp(l0->Width() + 5, 1);
  EXPECT_EQ(e.FieldLabel(1), e.CurrentLabel());
  // Clicks from another component's control do not change the current field.
  TLabel stranger(nullptr);
  stranger.Tag = 3;
  e.EditClick(&stranger);
  EXPECT_EQ(e.FieldLabel(1), e.CurrentLabel());
}

TEST(FloatEdit, SwitchingFieldsPassesThroughTheClampedValue) {
  TFloatEdit e(nullptr);
  e.Value()->SetElement(0, 5.0f);
  ASSERT_EQ(5000, e.ScrollBar()->Position());
  e.Min()->SetElement(1, 6.0f);
  e.Max()->SetElement(1, 10.0f);
  e.Value()->SetElement(1, 8.0f);
  ChangeLog log(&e);
  ClickField(e, 1);
  ASSERT_EQ(2, log.Count());
  EXPECT_EQ(6000, log.positions[0]);
  EXPECT_EQ(6.0f, log.values[0]);
  EXPECT_EQ(8000, log.positions[1]);
  EXPECT_EQ(8.0f, log.values[1]);
  EXPECT_EQ(8.0f, e.Value()->GetElement(1));
  EXPECT_EQ(5.0f, e.Value()->GetElement(0));
}

// A position becomes a value and comes back as the same position: one change per step, no drift.
TEST(FloatEdit, ScrollPositionsMapToThemselves) {
  TFloatEdit e(nullptr);
  ChangeLog log(&e);
  ScrollSpy spy(&e);
  e.ScrollBar()->SetPosition(10);
  EXPECT_EQ(std::vector<int>({10}), spy.positions);
  ASSERT_EQ(1, log.Count());
  EXPECT_EQ(10, e.ScrollBar()->Position());
  EXPECT_EQ(0.01f, e.Value()->GetElement(0));
  EXPECT_EQ("Element0= 0.01", Caption(e, 0));

  // Paging right from 1.0 by 0.4: 1.4 is 1399.99997 units as a float, which must not fall back to 1399.
  TFloatEdit p(nullptr);
  p.Value()->SetElement(0, 1.0f);
  p.ScrollBar()->LargeChange = 400;
  ChangeLog plog(&p);
  ScrollSpy pspy(&p);
  for (int step = 1; step <= 3; ++step) {
    p.ScrollBar()->MouseDown(p.ScrollBar()->Width() - p.ScrollBar()->Height() - 2, 1);
    p.ScrollBar()->MouseUp(p.ScrollBar()->Width() - p.ScrollBar()->Height() - 2, 1);
    EXPECT_EQ(step, plog.Count()) << "one change per page";
    EXPECT_EQ(1000 + 400 * step, p.ScrollBar()->Position());
    EXPECT_EQ(static_cast<float>((1000 + 400 * step) * 0.001), p.Value()->GetElement(0));
  }
  EXPECT_EQ(std::vector<int>({1400, 1800, 2200}), pspy.positions);
  EXPECT_EQ("Element0= 2.20", Caption(p, 0));

  // Negative values round the same way.
  p.ScrollBar()->SetPosition(-1400);
  EXPECT_EQ(-1400, p.ScrollBar()->Position());
  EXPECT_EQ(-1.4f, p.Value()->GetElement(0));
}

TEST(FloatEdit, OnChangeCountsPerHostAction) {
  TFloatEdit e(nullptr);
  ChangeLog log(&e);

  // A write to another field refreshes every caption and leaves the scroll bar alone.
  e.Value()->SetElement(2, 3.0f);
  EXPECT_EQ(0, log.Count());
  EXPECT_EQ("Element2= 3.00", Caption(e, 2));
  EXPECT_EQ("Element1= 0.00", Caption(e, 1));

  TFloatVector v;
  Fill(v, 1, 0, 3, 1);
  e.SetValue(&v);
  EXPECT_EQ(1, log.Count());
  e.SetValue(&v);
  EXPECT_EQ(1, log.Count());

  e.SetDecDigits(3);
  EXPECT_EQ(1, log.Count());
  EXPECT_EQ("Element0=1.000", Caption(e, 0));
  EXPECT_EQ("Element2=3.000", Caption(e, 2));

  // A lower bound above the value clamps the position and stores the bound.
  TFloatVector lo;
  Fill(lo, 2, -10, -10, -10);
  e.SetMin(&lo);
  EXPECT_EQ(2, log.Count());
  EXPECT_EQ(2.0f, e.Value()->GetElement(0));
  TFloatVector hi;
  Fill(hi, 10, 10, 10, 10);
  e.SetMax(&hi);
  EXPECT_EQ(2, log.Count());

  // Held vectors are copied in: the caller's objects stay the caller's.
  EXPECT_NE(&v, e.Value());
  v.SetElement(0, 9.0f);
  EXPECT_EQ(2.0f, e.Value()->GetElement(0));
  e.SetValue(nullptr);
  e.SetMin(nullptr);
  EXPECT_EQ(2, log.Count());
}

TEST(FloatEdit, LabelsAndNValuesChangeCaptionsAndVisibility) {
  TFloatEdit e(nullptr);
  SetNames(e, {"A", "B"});
  EXPECT_EQ("A=0.0", Caption(e, 0));
  EXPECT_EQ("B=0.0", Caption(e, 1));
  EXPECT_EQ("Element2=0.0", Caption(e, 2));
  EXPECT_EQ("Element3=0.0", Caption(e, 3));
  EXPECT_EQ(2, e.Labels()->Count());

  e.SetNValues(4);
  EXPECT_TRUE(e.FieldLabel(3)->Visible());
  EXPECT_EQ("Element3=0.0", Caption(e, 3));
  // Missing names show as empty ones instead of failing.
  e.SetDecDigits(2);
  EXPECT_EQ("A= 0.00", Caption(e, 0));
  EXPECT_EQ("= 0.00", Caption(e, 2));
  EXPECT_EQ("= 1.00", Caption(e, 3));

  e.SetNValues(3);
  e.SetDecDigits(1);  // refresh while the fourth is hidden empties it
  EXPECT_EQ("", Caption(e, 3));
  e.SetNValues(4);
  EXPECT_TRUE(e.FieldLabel(3)->Visible());
  EXPECT_EQ("", Caption(e, 3));

  e.SetNValues(0);
  for (int i = 0; i < 4; ++i) EXPECT_FALSE(e.FieldLabel(i)->Visible());
  e.SetNValues(-2);
  for (int i = 0; i < 4; ++i) EXPECT_FALSE(e.FieldLabel(i)->Visible());
  // The current field stays current even when hidden.
  EXPECT_EQ(e.FieldLabel(0), e.CurrentLabel());
  std::string before = Caption(e, 0);
  e.RefreshField(7);
  e.RefreshField(-1);
  EXPECT_EQ(before, Caption(e, 0));
}

TEST(FloatEdit, CaptionsOfAnyLengthAreWhole) {
  TFloatEdit e(nullptr);
  std::string longName(300, 'n');
  SetNames(e, {longName.c_str(), "Y", "Z", "W"});
  e.Loaded();
  EXPECT_EQ(longName + "= 0.00", Caption(e, 0));

  e.SetDecDigits(120);
  std::string c = Caption(e, 1);
  ASSERT_EQ(2u + 2u + 120u, c.size());
  EXPECT_EQ("Y=0.", c.substr(0, 4));
  EXPECT_EQ(std::string(120, '0'), c.substr(4));

  e.SetDecDigits(-3);
  EXPECT_EQ("Y=    0", Caption(e, 1));
  EXPECT_EQ(-3, e.DecDigits());

  e.SetDecDigits(2);
  e.Max()->SetElement(2, 3e30f);
  e.Value()->SetElement(2, 1e30f);
  EXPECT_EQ("Z=" + std::string(Format("%5.2f", static_cast<double>(1e30f)).c_str()), Caption(e, 2));
}

TEST(FloatEdit, HugeBoundsAndValuesAreClampedToTheScrollRange) {
  TFloatEdit e(nullptr);
  ChangeLog log(&e);
  e.Max()->SetElement(0, 1e7f);
  e.Min()->SetElement(0, -1e12f);
  EXPECT_EQ(INT_MAX, e.ScrollBar()->Max());
  EXPECT_EQ(INT_MIN, e.ScrollBar()->Min());
  EXPECT_EQ(0, log.Count());
  e.Value()->SetElement(0, 5e6f);
  EXPECT_EQ(INT_MAX, e.ScrollBar()->Position());
  // The stored value is the one the clamped position stands for.
  EXPECT_EQ(static_cast<float>(INT_MAX * 0.001), e.Value()->GetElement(0));
  EXPECT_GE(log.Count(), 1);
  e.ScrollBar()->Scroll(INT_MAX);
  EXPECT_EQ(INT_MAX, e.ScrollBar()->Position());
}

TEST(FloatEdit, CrossedOrRisingBoundsNeverLeaveMinAboveMax) {
  TFloatEdit e(nullptr);
  // Lower bound above the upper: the upper bound wins and the range is empty.
  e.Max()->SetElement(0, 2.0f);
  EXPECT_NO_THROW(e.Min()->SetElement(0, 5.0f));
  EXPECT_EQ(2000, e.ScrollBar()->Min());
  EXPECT_EQ(2000, e.ScrollBar()->Max());
  EXPECT_EQ(2000, e.ScrollBar()->Position());
  EXPECT_EQ(2.0f, e.Value()->GetElement(0));

  // Crossed for a moment, then repaired with a range wholly above the present one.
  TFloatEdit f(nullptr);
  f.Max()->SetElement(0, 0.0f);
  f.Min()->SetElement(0, 5.0f);
  EXPECT_EQ(0, f.ScrollBar()->Max());
  f.Max()->SetElement(0, 10.0f);
  EXPECT_EQ(5000, f.ScrollBar()->Min());
  EXPECT_EQ(10000, f.ScrollBar()->Max());
  EXPECT_EQ(5000, f.ScrollBar()->Position());

  // Switching from a low field to a field whose whole range lies above it.
  TFloatEdit g(nullptr);
  g.Max()->SetElement(0, -5.0f);
  g.Min()->SetElement(1, 20.0f);
  g.Max()->SetElement(1, 30.0f);
  g.Value()->SetElement(1, 25.0f);
  EXPECT_NO_THROW(ClickField(g, 1));
  EXPECT_EQ(20000, g.ScrollBar()->Min());
  EXPECT_EQ(30000, g.ScrollBar()->Max());
  EXPECT_EQ(25000, g.ScrollBar()->Position());
  EXPECT_EQ(25.0f, g.Value()->GetElement(1));
}
