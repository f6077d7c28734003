// TListBox: selection by mouse and keys, double clicks, scrolling by wheel, bar and MakeVisible, rows.
#include <gtest/gtest.h>

#include "framework/controls/application.h"
#include "framework/controls/listbox.h"

namespace {

class Events : public TObject {
public:
  int changes = 0, clicks = 0, doubles = 0;
  void Changed(TObject*) { ++changes; }
  void Clicked(TObject*) { ++clicks; }
  void Doubled(TObject*) { ++doubles; }
};

struct ListForm {
  explicit ListForm(int rows) {
    Application->Initialize(BackendKind::Headless);
    list = new TListBox(&form);
    list->SetParent(&form);
    // Room for exactly eight rows.
    list->SetBounds(0, 0, 150, 8 * TListBox::ItemHeight() + 2);
    for (int i = 0; i < rows; ++i) list->AddItem(Format("row %d", i), i % 3);
    list->OnChange = MakeEvent(&events, &Events::Changed);
    list->OnClick = MakeEvent(&events, &Events::Clicked);
    list->OnDblClick = MakeEvent(&events, &Events::Doubled);
    form.Handle();
  }
  int RowY(int row) { return 1 + (row - list->TopIndex()) * TListBox::ItemHeight() + 2; }
  void ClickRow(int row) {
    list->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MakeLParam(20, RowY(row)));
    list->Perform(WM_LBUTTONUP, 0, MakeLParam(20, RowY(row)));
  }
  void Wheel(int delta) {
    list->Perform(WM_MOUSEWHEEL, static_cast<uintptr_t>(static_cast<uint16_t>(delta)) << 16, MakeLParam(20, 20));
  }
  void Key(WORD key) { form.Perform(WM_KEYDOWN, key, MakeKeyData(0)); }
  TForm form{nullptr};
  TListBox* list;
  Events events;
};

TEST(ListBox, ClicksSelectAndTwoQuickClicksOnOneRowAreADoubleClick) {
  ListForm f(5);
  Application->UseManualClock(true);
  EXPECT_EQ(f.list->ItemIndex(), -1);
  f.ClickRow(2);
  EXPECT_EQ(f.list->ItemIndex(), 2);
  EXPECT_EQ(f.form.ActiveControl(), f.list) << "a click focuses the list";
  EXPECT_EQ(f.events.changes, 1);
  EXPECT_EQ(f.events.clicks, 1);
  Application->AdvanceClock(300);
  f.ClickRow(2);
  EXPECT_EQ(f.events.doubles, 1);
  EXPECT_EQ(f.events.changes, 1) << "the same row again is no change";
  EXPECT_EQ(f.events.clicks, 2);
  // A third quick click starts a new pair; a slow second click is no double click, nor one on another row.
  Application->AdvanceClock(100);
  f.ClickRow(2);
  Application->AdvanceClock(401);
  f.ClickRow(2);
  Application->AdvanceClock(100);
  f.ClickRow(3);
  EXPECT_EQ(f.events.doubles, 1);
  EXPECT_EQ(f.list->ItemIndex(), 3);
  // Below the last row: nothing selected, nothing fired.
  f.list->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MakeLParam(20, f.RowY(6)));
  EXPECT_EQ(f.list->ItemIndex(), 3);
  EXPECT_EQ(f.events.clicks, 5);
  Application->UseManualClock(false);

  // Rows keep their indent and data; a cleared list has no selection.
  EXPECT_EQ(f.list->Indent(2), 2);
  EXPECT_EQ(f.list->Indent(99), 0);
  f.list->SetItemData(1, &f);
  EXPECT_EQ(f.list->ItemData(1), &f);
  EXPECT_EQ(f.list->ItemData(-1), nullptr);
  f.list->Clear();
  EXPECT_EQ(f.list->ItemIndex(), -1);
  EXPECT_EQ(f.list->Count(), 0);
  EXPECT_EQ(f.events.changes, 2) << "code changes fire no OnChange";
}

TEST(ListBox, OverflowBringsAScrollBarThatTheWheelKeysAndSelectionFollow) {
  ListForm f(5);
  EXPECT_FALSE(f.list->ScrollBar()->Visible()) << "five rows fit";
  for (int i = 5; i < 30; ++i) f.list->AddItem(Format("row %d", i));
  ASSERT_EQ(f.list->VisibleRows(), 8);
  EXPECT_TRUE(f.list->ScrollBar()->Visible());
  EXPECT_EQ(f.list->ScrollBar()->Max(), 22);

  // Each notch away from the user scrolls up three rows, towards the user down; clamped at the ends.
  f.Wheel(-120);
  EXPECT_EQ(f.list->TopIndex(), 3);
  EXPECT_EQ(f.list->ScrollBar()->Position(), 3);
  f.Wheel(-60);
  f.Wheel(-60);
  EXPECT_EQ(f.list->TopIndex(), 6) << "half notches add up";
  for (int i = 0; i < 20; ++i) f.Wheel(-120);
  EXPECT_EQ(f.list->TopIndex(), 22);
  f.Wheel(120);
  EXPECT_EQ(f.list->TopIndex(), 19);
  // The wheel over the scroll bar scrolls the list too, and the bar moves it.
  f.list->ScrollBar()->Perform(WM_MOUSEWHEEL, static_cast<uintptr_t>(static_cast<uint16_t>(120)) << 16, 0);
  EXPECT_EQ(f.list->TopIndex(), 16);
  f.list->ScrollBar()->SetPosition(4);
  EXPECT_EQ(f.list->TopIndex(), 4);
  // A click lands on the row shown there, not the row of that position unscrolled.
  f.ClickRow(6);
  EXPECT_EQ(f.list->ItemIndex(), 6);

  // Keys move the selection and keep it in view.
  f.Key(VK_END);
  EXPECT_EQ(f.list->ItemIndex(), 29);
  EXPECT_EQ(f.list->TopIndex(), 22);
  f.Key(VK_HOME);
  EXPECT_EQ(f.list->TopIndex(), 0);
  for (int i = 0; i < 9; ++i) f.Key(VK_DOWN);
  EXPECT_EQ(f.list->ItemIndex(), 9);
  EXPECT_EQ(f.list->TopIndex(), 2) << "row 9 is the last one shown";
  f.Key(VK_UP);
  EXPECT_EQ(f.list->TopIndex(), 2);
  EXPECT_EQ(f.list->ItemIndex(), 8);

  // ItemIndex set by code and MakeVisible scroll the least that shows the row.
  f.list->SetItemIndex(20);
  EXPECT_EQ(f.list->TopIndex(), 13);
  f.list->MakeVisible(15);
  EXPECT_EQ(f.list->TopIndex(), 13);
  f.list->MakeVisible(1);
  EXPECT_EQ(f.list->TopIndex(), 1);
  f.list->SetItemIndex(100);
  EXPECT_EQ(f.list->ItemIndex(), -1);

  // Growing the list until all fit hides the bar and scrolls back to the top.
  f.list->SetHeight(40 * TListBox::ItemHeight());
  EXPECT_FALSE(f.list->ScrollBar()->Visible());
  EXPECT_EQ(f.list->TopIndex(), 0);
}

// Stepping one row at a time, the list scrolls at the very step where the selected row would no longer
// be shown whole (a part-shown row at the bottom counts as out of view), by one row, and not before.
TEST(ListBox, ArrowKeysScrollExactlyWhenTheSelectionLeavesTheView) {
  const int h = TListBox::ItemHeight();
  for (int clientHeight : {8 * h, 8 * h + h / 2, 8 * h - 1, h + 1}) {
    SCOPED_TRACE(testing::Message() << "client height " << clientHeight << ", rows of " << h);
    ListForm f(30);
    f.list->SetHeight(clientHeight + 2);
    auto whole = [&](int row) {
      int top = f.list->TopIndex();
      return row >= top && (row - top + 1) * h <= clientHeight;
    };
    f.form.SetActiveControl(f.list);
    f.Key(VK_HOME);
    ASSERT_EQ(f.list->ItemIndex(), 0);
    for (int row = 1; row < 30; ++row) {
      int top = f.list->TopIndex();
      bool shownWhole = whole(row);
      f.Key(VK_DOWN);
      ASSERT_EQ(f.list->ItemIndex(), row);
      ASSERT_EQ(f.list->TopIndex(), shownWhole ? top : top + 1) << "row " << row;
      ASSERT_TRUE(whole(row)) << "row " << row;
    }
    for (int row = 28; row >= 0; --row) {
      int top = f.list->TopIndex();
      f.Key(VK_UP);
      ASSERT_EQ(f.list->TopIndex(), row < top ? row : top) << "row " << row;
    }
  }
}

// Deletes the list from whichever of its events it is hooked to.
class ListKiller : public TObject {
public:
  TListBox* list = nullptr;
  int runs = 0;
  void Kill(TObject*) {
    ++runs;
    delete list;
  }
  void KillOnKey(TObject* Sender, WORD&, TShiftState) { Kill(Sender); }
  void KillOnWheel(TObject* Sender, TShiftState, int, int, int) { Kill(Sender); }
};

// A handler may delete its own list: the list does nothing more, and its form forgets it.
TEST(ListBox, AHandlerMayDeleteItsOwnList) {
  Application->UseManualClock(true);
  enum Hook { Change, Click, DblClick, KeyChange, KeyDown, Wheel };
  for (Hook hook : {Change, Click, DblClick, KeyChange, KeyDown, Wheel}) {
    SCOPED_TRACE(hook);
    ListForm f(5);
    ListKiller killer;
    killer.list = f.list;
    TLiveness alive = f.list->Liveness();
    TNotifyEvent kill = MakeEvent(&killer, &ListKiller::Kill);
    switch (hook) {
      case Change: case KeyChange: f.list->OnChange = kill; break;
      case Click: f.list->OnClick = kill; break;
      case DblClick: f.list->OnDblClick = kill; break;
      case KeyDown: f.list->OnKeyDown = MakeEvent(&killer, &ListKiller::KillOnKey); break;
      case Wheel: f.list->OnMouseWheel = MakeEvent(&killer, &ListKiller::KillOnWheel); break;
    }
    if (hook == DblClick) f.ClickRow(1);
    if (hook == KeyChange || hook == KeyDown) {
      f.form.SetActiveControl(f.list);
      f.Key(VK_DOWN);
    } else if (hook == Wheel) {
      f.Wheel(-120);
    } else {
      f.list->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MakeLParam(20, f.RowY(1)));
    }
    EXPECT_EQ(killer.runs, 1);
    EXPECT_FALSE(alive);
    EXPECT_EQ(f.form.ControlCount(), 0);
    EXPECT_EQ(f.form.ActiveControl(), nullptr);
    EXPECT_EQ(f.events.clicks, hook == DblClick ? 2 : 0) << "no click after the list is gone";
  }
  Application->UseManualClock(false);
}

}  // namespace
