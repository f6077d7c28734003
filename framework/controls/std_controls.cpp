// The standard controls: panels, labels sized to their captions, and scroll bars.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include <cairo.h>

#include "framework/controls/application.h"
#include "framework/controls/controls.h"
#include "framework/graphics/draw_surface.h"

// ---------------------------------------------------------------------------------------------
// TPanel

TPanel::TPanel(TComponent* AOwner) : TWinControl(AOwner) {
  FWidth = 185;
  FHeight = 41;
}

void TPanel::SetBevelOuter(TBevelCut b) {
  if (b == FBevelOuter) return;
  FBevelOuter = b;
  Invalidate();
}

void TPanel::Draw(DrawSurface* surface) {
  if (!surface) return;
  surface->FillRect(0, 0, FWidth, FHeight, FColor);
  if (FBevelOuter != bvNone) surface->Bevel(0, 0, FWidth, FHeight, FBevelOuter == bvRaised);
  if (!FCaption.IsEmpty()) {
    int w = TLabel::TextWidth(FCaption);
    surface->Text((FWidth - w) / 2, (FHeight - 15) / 2, FCaption.c_str(), clBlack);
  }
}

void TPanel::PaintWindow(HDC DC) { TWinControl::PaintWindow(DC); }

// ---------------------------------------------------------------------------------------------
// TLabel

TLabel::TLabel(TComponent* AOwner) : TControl(AOwner) {
  FHeight = 13;
}

void TLabel::SetCaption(const AnsiString& c) {
  TControl::SetCaption(c);
  if (AutoSize) {
    int w = TextWidth(c);
    if (w != FWidth) SetWidth(w);
  }
}

void TLabel::Draw(DrawSurface* surface) {
  if (!surface) return;
  surface->FillRect(0, 0, FWidth, FHeight, FColor);
  if (!WordWrap) {
    surface->Text(0, 0, FCaption.c_str(), TextColor);
    return;
  }
  int y = 0;
  for (const std::string& line : WrapText(FCaption.str(), FWidth)) {
    if (y >= FHeight) break;
    surface->Text(0, y, line.c_str(), TextColor);
    y += LineHeight;
  }
}

std::vector<std::string> TLabel::WrapText(const std::string& text, int width) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (true) {
    size_t end = text.find('\n', start);
    std::string rest = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
    while (true) {
      if (rest.empty() || LabelTextWidth(rest) <= width) {
        lines.push_back(rest);
        break;
      }
      // The most whole characters that fit (at least one), then back to the last space among them.
      std::vector<size_t> bounds;
      for (size_t i = 0; i < rest.size(); ++i)
        if ((static_cast<unsigned char>(rest[i]) & 0xC0) != 0x80) bounds.push_back(i);
      bounds.push_back(rest.size());
      size_t lo = 1, hi = bounds.size() - 1;
      while (lo < hi) {
        size_t mid = (lo + hi + 1) / 2;
        if (LabelTextWidth(rest.substr(0, bounds[mid])) <= width) lo = mid;
        else hi = mid - 1;
      }
      size_t cut = bounds[lo];
      size_t space = rest.rfind(' ', cut);
      if (space != std::string::npos && space > 0) cut = space;
      lines.push_back(rest.substr(0, cut));
      size_t next = rest.find_first_not_of(' ', cut);
      if (next == std::string::npos) break;
      rest = rest.substr(next);
    }
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return lines;
}

void TLabel::MouseUp(int x, int y) {
  if (x >= 0 && y >= 0 && x < FWidth && y < FHeight) Click();
}

// Measured on a private image surface so that it works without any display.
int TLabel::TextWidth(const AnsiString& text) { return LabelTextWidth(text.str()); }

// ---------------------------------------------------------------------------------------------
// TScrollBar

namespace {
int ClampInt(int64_t v, int lo, int hi) {
  if (v < lo) return lo;
  if (v > hi) return hi;
  return static_cast<int>(v);
}
}  // namespace

TScrollBar::TScrollBar(TComponent* AOwner) : TWinControl(AOwner) {
  FWidth = 121;
  FHeight = 17;
}

void TScrollBar::SetParams(int APosition, int AMin, int AMax) {
  if (AMin > AMax) throw EInvalidOperation("Scroll bar property out of range");
  bool rangeChanged = AMin != FMin || AMax != FMax;
  FMin = AMin;
  FMax = AMax;
  int p = ClampInt(APosition, FMin, FMax);
  bool moved = p != FPosition;
  FPosition = p;
  // The editors set the same range on every refresh: repaint only for a real change.
  if (rangeChanged || moved) Invalidate();
  if (moved) OnChange(this);
}

void TScrollBar::SetMin(int v) { SetParams(FPosition, v, FMax); }
void TScrollBar::SetMax(int v) { SetParams(FPosition, FMin, v); }
void TScrollBar::SetPosition(int v) { SetParams(v, FMin, FMax); }

void TScrollBar::Scroll(int delta) { SetPosition(ClampInt(int64_t(FPosition) + delta, FMin, FMax)); }

TScrollBar::Geometry TScrollBar::Measure() const {
  Geometry g;
  g.length = Kind == sbHorizontal ? FWidth : FHeight;
  int across = Kind == sbHorizontal ? FHeight : FWidth;
  // Arrows are squares of the bar's thickness, shrunk when the bar is too short for both.
  g.arrow = std::max(0, std::min(across, g.length / 2));
  int track = std::max(0, g.length - 2 * g.arrow);
  g.thumb = std::min(track, std::max(8, across));
  g.travel = track - g.thumb;
  int64_t range = int64_t(FMax) - FMin;
  g.thumbStart = g.arrow;
  if (range > 0 && g.travel > 0)
    g.thumbStart += static_cast<int>((int64_t(FPosition) - FMin) * g.travel / range);
  return g;
}

void TScrollBar::MouseDown(int x, int y) {
  int along = Kind == sbHorizontal ? x : y;
  Geometry g = Measure();
  StopRepeat();
  FHeldAlong = along;
  if (along < g.arrow || along >= g.length - g.arrow) {
    FHeld = Held::Arrow;
    FHeldStep = along < g.arrow ? -SmallChange : SmallChange;
  } else if (along < g.thumbStart || along >= g.thumbStart + g.thumb) {
    FHeld = Held::Trough;
    FHeldStep = along < g.thumbStart ? -LargeChange : LargeChange;
  } else {
    FDragging = true;
    FDragOffset = along - g.thumbStart;
    return;
  }
  // The step's OnChange may delete the bar.
  TLiveness alive = Liveness();
  bool moved = Step();
  if (!alive) return;
  if (moved) StartRepeat();
  else StopRepeat();
}

bool TScrollBar::Step() {
  if (FHeld == Held::Nothing) return false;
  if (FHeld == Held::Trough) {
    // Paging stops once the thumb has come under the pointer.
    Geometry g = Measure();
    bool reached = FHeldStep < 0 ? FHeldAlong >= g.thumbStart : FHeldAlong < g.thumbStart + g.thumb;
    if (reached) return false;
  }
  int before = FPosition;
  TLiveness alive = Liveness();
  Scroll(FHeldStep);
  return alive && FPosition != before;
}

void TScrollBar::StartRepeat() {
  if (!FRepeatTimer) {
    FRepeatTimer = new TTimer(this);
    FRepeatTimer->SetEnabled(false);
    FRepeatTimer->SetOnTimer(MakeEvent(this, &TScrollBar::RepeatTick));
  }
  FRepeatTimer->SetInterval(RepeatDelayMs);
  FRepeatTimer->SetEnabled(true);
}

void TScrollBar::StopRepeat() {
  FHeld = Held::Nothing;
  if (FRepeatTimer) FRepeatTimer->SetEnabled(false);
}

void TScrollBar::RepeatTick(TObject*) {
  FRepeatTimer->SetInterval(RepeatIntervalMs);
  TLiveness alive = Liveness();
  bool moved = Step();
  if (alive && !moved) StopRepeat();
}

void TScrollBar::MouseMove(int x, int y, bool buttonDown) {
  if (!buttonDown) StopRepeat();
  if (!FDragging) return;
  if (!buttonDown) {
    FDragging = false;
    return;
  }
  int along = Kind == sbHorizontal ? x : y;
  Geometry g = Measure();
  if (g.travel <= 0) return;
  int64_t offset = int64_t(along) - FDragOffset - g.arrow;
  offset = std::max<int64_t>(0, std::min<int64_t>(offset, g.travel));
  int64_t range = int64_t(FMax) - FMin;
  // Rounded to the nearest position, so the thumb lands where it was dropped.
  int64_t pos = FMin + (offset * range + g.travel / 2) / g.travel;
  SetPosition(ClampInt(pos, FMin, FMax));
}

void TScrollBar::MouseUp(int x, int y) {
  StopRepeat();
  TLiveness alive = Liveness();
  if (FDragging) MouseMove(x, y, true);
  if (alive) FDragging = false;
}

void TScrollBar::Draw(DrawSurface* surface) {
  if (!surface) return;
  const TColor trough = 0xD8D8D8, face = clBtnFace, mark = 0x404040;
  bool horizontal = Kind == sbHorizontal;
  Geometry g = Measure();
  int across = horizontal ? FHeight : FWidth;
  // Boxes along the bar become rectangles in window coordinates.
  auto box = [&](int start, int length, TColor c, bool bevel) {
    int x = horizontal ? start : 0, y = horizontal ? 0 : start;
    int w = horizontal ? length : across, h = horizontal ? across : length;
    surface->FillRect(x, y, w, h, c);
    if (bevel) surface->Bevel(x, y, w, h, true);
  };
  box(0, g.length, trough, false);
  if (g.arrow > 0) {
    box(0, g.arrow, face, true);
    box(g.length - g.arrow, g.arrow, face, true);
    if (horizontal) {
      surface->Arrow(0, 0, g.arrow, across, DrawSurface::Left, mark);
      surface->Arrow(g.length - g.arrow, 0, g.arrow, across, DrawSurface::Right, mark);
    } else {
      surface->Arrow(0, 0, across, g.arrow, DrawSurface::Up, mark);
      surface->Arrow(0, g.length - g.arrow, across, g.arrow, DrawSurface::Down, mark);
    }
  }
  if (g.thumb > 0) box(g.thumbStart, g.thumb, face, true);
}

void TScrollBar::Dispatch(void* Message) { TWinControl::Dispatch(Message); }

void TScrollBar::PaintWindow(HDC DC) { TWinControl::PaintWindow(DC); }

