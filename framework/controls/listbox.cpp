// TListBox: rows with indents, selection by mouse and keys, double clicks, a scroll bar and the wheel.
#include "framework/controls/listbox.h"

#include <algorithm>
#include <cmath>

#include <cairo.h>

#include "framework/controls/application.h"
#include "framework/graphics/draw_surface.h"

TListBox::TListBox(TComponent* AOwner) : TWinControl(AOwner) {
  FWidth = 121;
  FHeight = 97;
  FColor = clWindow;
  TabStop = true;
  FItems.OnChange = MakeEvent(this, &TListBox::ItemsChanged);
  FScrollBar = new TScrollBar(this);
  FScrollBar->Kind = sbVertical;
  FScrollBar->SetVisible(false);
  FScrollBar->SetParent(this);
  FScrollBar->OnChange = MakeEvent(this, &TListBox::ScrollBarChanged);
  FScrollBar->OnMouseWheel = MakeEvent(this, &TListBox::ScrollBarWheel);
  Layout();
}

int TListBox::AddItem(const AnsiString& text, int indent, void* data) {
  int index = FItems.Add(text);
  SetIndent(index, indent);
  SetItemData(index, data);
  return index;
}

void TListBox::Clear() { FItems.Clear(); }

int TListBox::Indent(int index) const {
  return index >= 0 && index < static_cast<int>(FIndents.size()) ? FIndents[index] : 0;
}

void TListBox::SetIndent(int index, int level) {
  if (index < 0 || index >= static_cast<int>(FIndents.size())) return;
  level = std::max(0, std::min(level, 1000));
  if (FIndents[index] == level) return;
  FIndents[index] = level;
  Invalidate();
}

void* TListBox::ItemData(int index) const {
  return index >= 0 && index < static_cast<int>(FData.size()) ? FData[index] : nullptr;
}

void TListBox::SetItemData(int index, void* data) {
  if (index >= 0 && index < static_cast<int>(FData.size())) FData[index] = data;
}

// Rows keep their indent and data by position; a shrunk list loses a selection past its end.
void TListBox::ItemsChanged(TObject*) {
  size_t n = static_cast<size_t>(FItems.Count());
  FIndents.resize(n, 0);
  FData.resize(n, nullptr);
  if (FItemIndex >= Count()) FItemIndex = -1;
  Layout();
  Invalidate();
}

void TListBox::SetItemIndex(int index) {
  if (index < -1 || index >= Count()) index = -1;
  if (index != FItemIndex) {
    FItemIndex = index;
    Invalidate();
  }
  if (index >= 0) MakeVisible(index);
}

void TListBox::SetTopIndex(int index) {
  int top = std::max(0, std::min(index, Count() - VisibleRows()));
  if (top != FTopIndex) {
    FTopIndex = top;
    Invalidate();
  }
  if (FScrollBar->Max() >= top) FScrollBar->SetPosition(top);
}

void TListBox::MakeVisible(int index) {
  if (index < 0 || index >= Count()) return;
  if (index < FTopIndex) SetTopIndex(index);
  else if (index >= FTopIndex + VisibleRows()) SetTopIndex(index - VisibleRows() + 1);
}

int TListBox::ItemHeight() {
  static int height = 0;
  if (height > 0) return height;
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1);
  cairo_t* cr = cairo_create(surface);
  cairo_select_font_face(cr, TLabel::LabelFontFamily, CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
  cairo_set_font_size(cr, TLabel::LabelFontSize);
  cairo_font_extents_t fe{};
  cairo_font_extents(cr, &fe);
  double line = fe.ascent + fe.descent;
  height = (cairo_status(cr) == CAIRO_STATUS_SUCCESS && std::isfinite(line) && line > 0 && line < 100)
               ? static_cast<int>(std::ceil(line)) + 2
               : 16;
  cairo_destroy(cr);
  cairo_surface_destroy(surface);
  return height;
}

int TListBox::VisibleRows() const { return std::max(1, (FHeight - 2) / ItemHeight()); }

int TListBox::TextAreaWidth() const {
  return std::max(0, FWidth - 2 - (FScrollBar->Visible() ? ScrollBarWidth : 0));
}

int TListBox::ItemAtPos(int x, int y) const {
  if (x < 1 || x >= 1 + TextAreaWidth() || y < 1 || y >= FHeight - 1) return -1;
  int row = FTopIndex + (y - 1) / ItemHeight();
  return row < Count() ? row : -1;
}

void TListBox::Layout() {
  int rows = VisibleRows();
  int maxTop = std::max(0, Count() - rows);
  FScrollBar->SetBounds(FWidth - 1 - ScrollBarWidth, 1, ScrollBarWidth, std::max(0, FHeight - 2));
  FScrollBar->LargeChange = std::max(1, rows - 1);
  FScrollBar->SetVisible(maxTop > 0);
  FTopIndex = std::min(FTopIndex, maxTop);
  FScrollBar->SetParams(FTopIndex, 0, maxTop);
}

void TListBox::Resize() {
  Layout();
  TWinControl::Resize();
}

void TListBox::ScrollBarChanged(TObject*) { SetTopIndex(FScrollBar->Position()); }

void TListBox::ScrollBarWheel(TObject*, TShiftState, int Delta, int, int) { Wheel(Delta); }

// Notches add up, so a fine-grained wheel scrolls as far as a notched one.
void TListBox::Wheel(int delta) {
  FWheelRest += delta;
  int notches = FWheelRest / 120;
  FWheelRest -= notches * 120;
  if (notches) SetTopIndex(FTopIndex - notches * WheelRows);
}

void TListBox::Dispatch(void* Message) {
  auto* m = static_cast<TMessage*>(Message);
  TLiveness alive = Liveness();
  TWinControl::Dispatch(Message);
  if (alive && m->Msg == WM_MOUSEWHEEL && FEnabled) Wheel(static_cast<int16_t>((m->WParam >> 16) & 0xFFFF));
}

void TListBox::SelectByUser(int index) {
  if (index < 0 || index >= Count()) return;
  MakeVisible(index);
  if (index == FItemIndex) return;
  FItemIndex = index;
  Invalidate();
  OnChange(this);
}

void TListBox::DoKeyDown(WORD& Key, TShiftState Shift) {
  TLiveness alive = Liveness();
  TWinControl::DoKeyDown(Key, Shift);
  if (!alive || Key == 0 || !FEnabled || Count() == 0) return;
  int last = Count() - 1, page = std::max(1, VisibleRows() - 1);
  int index = FItemIndex;
  switch (Key) {
    case VK_UP: index = index < 0 ? 0 : index - 1; break;
    case VK_DOWN: index = index + 1; break;
    case VK_HOME: index = 0; break;
    case VK_END: index = last; break;
    case VK_PRIOR: index = index < 0 ? 0 : index - page; break;
    case VK_NEXT: index = index + page; break;
    default: return;
  }
  Key = 0;
  SelectByUser(std::max(0, std::min(index, last)));
}

void TListBox::MouseDown(int x, int y) {
  if (!FEnabled) return;
  SetFocus();
  int row = ItemAtPos(x, y);
  if (row < 0) return;
  int64_t now = Application->NowMs();
  bool doubled = row == FLastClickRow && now - FLastClickMs <= static_cast<int64_t>(DoubleClickMs);
  // A third click starts a new pair.
  FLastClickRow = doubled ? -1 : row;
  FLastClickMs = now;
  FDragging = true;
  // Each handler may delete the list.
  TLiveness alive = Liveness();
  SelectByUser(row);
  if (!alive) return;
  Click();
  if (alive && doubled) OnDblClick(this);
}

// Dragging with the button down moves the selection, scrolling at the edges.
void TListBox::MouseMove(int x, int y, bool buttonDown) {
  if (!FDragging) return;
  if (!buttonDown) {
    FDragging = false;
    return;
  }
  int row;
  if (y < 1) row = FTopIndex - 1;
  else if (y >= FHeight - 1) row = FTopIndex + VisibleRows();
  else row = ItemAtPos(std::max(1, std::min(x, TextAreaWidth())), y);
  if (row >= 0 && row < Count()) SelectByUser(row);
}

void TListBox::MouseUp(int, int) { FDragging = false; }

void TListBox::Draw(DrawSurface* surface) {
  if (!surface) return;
  surface->FillRect(0, 0, FWidth, FHeight, FEnabled ? FColor : clBtnFace);
  surface->Bevel(0, 0, FWidth, FHeight, false);
  int h = ItemHeight(), width = TextAreaWidth();
  surface->Enter(1, 1, width, FHeight - 2);
  for (int i = FTopIndex, y = 0; i < Count() && y < FHeight - 2; ++i, y += h) {
    bool selected = i == FItemIndex;
    if (selected) surface->FillRect(0, y, width, h, clHighlight);
    TColor text = !FEnabled ? clGrayText : selected ? clHighlightText : clWindowText;
    surface->Text(2 + Indent(i) * IndentWidth, y + (h - 15) / 2, FItems.Strings(i).c_str(), text);
  }
  // The focused list frames its selected row, or with none its first row shown.
  if (Focused() && FItemIndex >= FTopIndex && FItemIndex < FTopIndex + VisibleRows() + 1)
    surface->FrameRect(0, (FItemIndex - FTopIndex) * h, width, h, clBlack);
  else if (Focused())
    surface->FocusRect(0, 0, width, h);
  surface->Restore();
}
