// A list of rows with one selected, indentation per row (a tree shown as indented rows), scrolling.
#pragma once

#include <vector>

#include "framework/controls/controls.h"

// Rows come from Items; each has an indent level and a data pointer the host keeps (null unless set).
// Rows that do not fit bring up a vertical scroll bar; the wheel scrolls WheelRows rows a notch.
// Clicks and, while focused (a click focuses it), Up, Down, Home, End, Page Up and Page Down select.
class TListBox : public TWinControl {
public:
  explicit TListBox(TComponent* AOwner);

  // Rows may be added, changed, cleared or assigned here; the list follows each change.
  TStringList* Items() { return &FItems; }
  int Count() const { return FItems.Count(); }
  // Adds a row and returns its index.
  int AddItem(const AnsiString& text, int indent = 0, void* data = nullptr);
  void Clear();
  // Out-of-range rows read as 0 / null and ignore writes.
  int Indent(int index) const;
  void SetIndent(int index, int level);
  void* ItemData(int index) const;
  void SetItemData(int index, void* data);

  // The selected row (-1: none). Setting it by code scrolls it into view and fires no event.
  int ItemIndex() const { return FItemIndex; }
  void SetItemIndex(int index);
  // The first row shown; kept within 0..Count - VisibleRows.
  int TopIndex() const { return FTopIndex; }
  void SetTopIndex(int index);
  // Scrolls the least that shows the row whole.
  void MakeVisible(int index);
  // The row under a client point (-1: none).
  int ItemAtPos(int x, int y) const;
  // Rows that fit whole (at least 1).
  int VisibleRows() const;
  // The label font's line height and a little space.
  static int ItemHeight();
  TScrollBar* ScrollBar() const { return FScrollBar; }

  static constexpr int IndentWidth = 16;
  static constexpr int ScrollBarWidth = 16;
  static constexpr int WheelRows = 3;
  static constexpr unsigned DoubleClickMs = 400;

  // ItemIndex changed by the user (mouse or keys).
  TNotifyEvent OnChange;
  // A second click on the same row within DoubleClickMs (after its OnClick).
  TNotifyEvent OnDblClick;

  void DoKeyDown(WORD& Key, TShiftState Shift) override;
  void MouseDown(int x, int y) override;
  void MouseMove(int x, int y, bool buttonDown) override;
  void MouseUp(int x, int y) override;
  void Dispatch(void* Message) override;
  void Draw(DrawSurface* surface) override;
  void Resize() override;

private:
  void ItemsChanged(TObject* Sender);
  void ScrollBarChanged(TObject* Sender);
  void ScrollBarWheel(TObject* Sender, TShiftState Shift, int Delta, int X, int Y);
  void Wheel(int delta);
  // Selects a row for the user: into view, OnChange when it moved.
  void SelectByUser(int index);
  // Places and ranges the scroll bar, shown only when the rows overflow.
  void Layout();
  int TextAreaWidth() const;

  TStringList FItems;
  std::vector<int> FIndents;
  std::vector<void*> FData;
  TScrollBar* FScrollBar;  // owned
  int FItemIndex = -1, FTopIndex = 0;
  int FWheelRest = 0;
  bool FDragging = false;
  int FLastClickRow = -1;
  int64_t FLastClickMs = 0;
};
