// TEdit: single-line editing, selection, caret placement and horizontal scrolling.
#include "framework/controls/edit.h"

#include <algorithm>
#include <cmath>

#include <cairo.h>

#include "framework/graphics/draw_surface.h"

TEdit::TEdit(TComponent* AOwner) : TWinControl(AOwner) {
  FWidth = 121;
  FHeight = 21;
  FColor = clWindow;
  TabStop = true;
}

void TEdit::SetText(const AnsiString& s) {
  if (s.str() == FText) {
    MoveCaret(static_cast<int>(FText.size()), false);
    return;
  }
  FText = s.str();
  FCaret = FAnchor = static_cast<int>(FText.size());
  Changed();
}

int TEdit::SelStart() const { return std::min(FCaret, FAnchor); }
int TEdit::SelLength() const { return std::abs(FCaret - FAnchor); }

void TEdit::SetSelStart(int v) {
  int p = std::max(0, std::min(v, static_cast<int>(FText.size())));
  // Inside a character: back to its start.
  while (p > 0 && p < static_cast<int>(FText.size()) && PrevPos(NextPos(p)) != p) --p;
  MoveCaret(p, false);
}

void TEdit::SetSelLength(int v) {
  int start = SelStart();
  int end = std::max(start, std::min(start + std::max(0, v), static_cast<int>(FText.size())));
  while (end < static_cast<int>(FText.size()) && PrevPos(NextPos(end)) != end) ++end;
  FAnchor = start;
  MoveCaret(end, true);
}

AnsiString TEdit::SelText() const { return AnsiString(FText.substr(SelStart(), SelLength())); }

void TEdit::SelectAll() {
  FAnchor = 0;
  MoveCaret(static_cast<int>(FText.size()), true);
}

void TEdit::ClearSelection() {
  if (SelLength() > 0) ReplaceSelection(std::string());
}

int TEdit::NextPos(int p) const {
  if (p >= static_cast<int>(FText.size())) return static_cast<int>(FText.size());
  int n = Utf8SequenceLength(FText, p);
  return p + (n > 0 ? n : 1);
}

// The start of the character before p: a well-formed sequence that ends at p, or the byte before.
int TEdit::PrevPos(int p) const {
  if (p <= 0) return 0;
  for (int k = 2; k <= 4 && p - k >= 0; ++k)
    if (Utf8SequenceLength(FText, p - k) == k) return p - k;
  return p - 1;
}

void TEdit::ReplaceSelection(const std::string& s) {
  int start = SelStart(), length = SelLength();
  std::string insert = s;
  if (MaxLength > 0) {
    size_t room = static_cast<size_t>(std::max(0, MaxLength - (static_cast<int>(FText.size()) - length)));
    if (insert.size() > room) insert.clear();  // never half a character
  }
  if (length == 0 && insert.empty()) return;
  FText.replace(start, length, insert);
  FCaret = FAnchor = start + static_cast<int>(insert.size());
  Changed();
}

void TEdit::Changed() {
  FOffsetsValid = false;
  ScrollToCaret();
  Invalidate();
  OnChange(this);
}

void TEdit::MoveCaret(int p, bool extend) {
  FCaret = std::max(0, std::min(p, static_cast<int>(FText.size())));
  if (!extend) FAnchor = FCaret;
  ScrollToCaret();
  Invalidate();
}

// Measured with one cairo context in the label font, the way DrawSurface::Text draws.
const std::vector<int>& TEdit::Offsets() {
  if (FOffsetsValid) return FOffsets;
  FOffsets.assign(FText.size() + 1, 0);
  std::string shown = SanitizeUtf8(FText);
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1);
  cairo_t* cr = cairo_create(surface);
  cairo_select_font_face(cr, TLabel::LabelFontFamily, CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
  cairo_set_font_size(cr, TLabel::LabelFontSize);
  int last = 0;
  for (size_t i = 1; i <= shown.size(); ++i) {
    if (i < shown.size() && PrevPos(NextPos(static_cast<int>(i))) != static_cast<int>(i)) {
      FOffsets[i] = last;  // inside a character
      continue;
    }
    cairo_text_extents_t ext{};
    cairo_text_extents(cr, shown.substr(0, i).c_str(), &ext);
    if (cairo_status(cr) == CAIRO_STATUS_SUCCESS && std::isfinite(ext.x_advance) && ext.x_advance > 0)
      last = static_cast<int>(std::lround(std::min(ext.x_advance, 1e6)));
    FOffsets[i] = last;
  }
  cairo_destroy(cr);
  cairo_surface_destroy(surface);
  FOffsetsValid = true;
  return FOffsets;
}

void TEdit::ScrollToCaret() {
  const std::vector<int>& offsets = Offsets();
  int caret = offsets[FCaret], width = TextAreaWidth();
  if (caret - FScrollX > width - 1) FScrollX = caret - width + 1;
  if (caret < FScrollX) FScrollX = caret;
  // No empty space past the end while text is hidden on the left.
  int maxScroll = std::max(0, offsets.back() - width + 1);
  FScrollX = std::max(0, std::min(FScrollX, maxScroll));
}

int TEdit::CaretX() { return Margin + Offsets()[FCaret] - FScrollX; }

int TEdit::PosAt(int x) {
  const std::vector<int>& offsets = Offsets();
  int target = x - Margin + FScrollX;
  int best = 0, bestDistance = INT32_MAX;
  for (int p = 0;; p = NextPos(p)) {
    int d = std::abs(offsets[p] - target);
    if (d < bestDistance) {
      best = p;
      bestDistance = d;
    }
    if (p >= static_cast<int>(FText.size())) break;
  }
  return best;
}

void TEdit::DoKeyDown(WORD& Key, TShiftState Shift) {
  TLiveness alive = Liveness();
  TWinControl::DoKeyDown(Key, Shift);
  if (!alive || Key == 0 || !FEnabled) return;
  bool extend = (Shift & ssShift) != 0;
  int end = static_cast<int>(FText.size());
  switch (Key) {
    case VK_LEFT:
      // Without shift, a selection collapses to its near end.
      MoveCaret(!extend && SelLength() > 0 ? SelStart() : PrevPos(FCaret), extend);
      break;
    case VK_RIGHT:
      MoveCaret(!extend && SelLength() > 0 ? SelStart() + SelLength() : NextPos(FCaret), extend);
      break;
    case VK_HOME:
      MoveCaret(0, extend);
      break;
    case VK_END:
      MoveCaret(end, extend);
      break;
    case VK_BACK:
      if (SelLength() == 0) FAnchor = PrevPos(FCaret);
      ClearSelection();
      break;
    case VK_DELETE:
      if (SelLength() == 0) FAnchor = NextPos(FCaret);
      ClearSelection();
      break;
    case 'A':
      if (!(Shift & ssCtrl)) return;
      SelectAll();
      break;
    case VK_RETURN:
      if (!OnAccept) return;
      Key = 0;
      OnAccept(this);
      return;
    case VK_ESCAPE:
      if (!OnCancel) return;
      Key = 0;
      OnCancel(this);
      return;
    default:
      return;
  }
  Key = 0;
}

// Printable characters only (Latin-1, as WM_CHAR carries them); control characters come as keys.
void TEdit::DoKeyPress(char& Key) {
  TLiveness alive = Liveness();
  TWinControl::DoKeyPress(Key);
  auto c = static_cast<unsigned char>(Key);
  if (!alive || c == 0 || !FEnabled) return;
  if (c < 0x20 || (c >= 0x7F && c < 0xA0)) return;
  std::string s;
  if (c < 0x80) {
    s.push_back(static_cast<char>(c));
  } else {
    s.push_back(static_cast<char>(0xC0 | (c >> 6)));
    s.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
  ReplaceSelection(s);
  Key = 0;
}

void TEdit::MouseDown(int x, int) {
  if (!FEnabled) return;
  SetFocus();
  FSelecting = true;
  MoveCaret(PosAt(x), false);
}

void TEdit::MouseMove(int x, int, bool buttonDown) {
  if (!FSelecting) return;
  if (!buttonDown) {
    FSelecting = false;
    return;
  }
  int p = PosAt(x);
  if (p != FCaret) MoveCaret(p, true);
}

void TEdit::MouseUp(int x, int y) {
  if (FSelecting) MouseMove(x, y, true);
  FSelecting = false;
}

void TEdit::Resize() {
  ScrollToCaret();
  TWinControl::Resize();
}

void TEdit::Draw(DrawSurface* surface) {
  if (!surface) return;
  surface->FillRect(0, 0, FWidth, FHeight, FEnabled ? FColor : clBtnFace);
  surface->Bevel(0, 0, FWidth, FHeight, false);
  const std::vector<int>& offsets = Offsets();
  int textY = (FHeight - 15) / 2, x0 = Margin - FScrollX;
  surface->Enter(Margin, 1, TextAreaWidth(), FHeight - 2);
  surface->Text(x0 - Margin, textY - 1, FText.c_str(), FEnabled ? clWindowText : clGrayText);
  if (SelLength() > 0) {
    int a = offsets[SelStart()] - FScrollX, b = offsets[SelStart() + SelLength()] - FScrollX;
    surface->Enter(a, 0, b - a, FHeight - 2);
    surface->FillRect(0, 0, b - a, FHeight - 2, clHighlight);
    surface->Text(-a - FScrollX, textY - 1, FText.c_str(), clHighlightText);
    surface->Restore();
  }
  surface->Restore();
  if (Focused() && FEnabled) surface->FillRect(CaretX(), 3, 1, std::max(0, FHeight - 6), clWindowText);
}
