// Drawing primitives for non-GL controls over cairo.
#include "framework/graphics/draw_surface.h"

#include <algorithm>
#include <cmath>

int Utf8SequenceLength(const std::string& s, size_t i) {
  if (i >= s.size()) return 0;
  auto at = [&](size_t k) { return k < s.size() ? static_cast<unsigned char>(s[k]) : 0u; };
  unsigned c = at(i);
  if (c < 0x80) return 1;
  int n = 0;
  unsigned lo = 0x80, hi = 0xBF;  // the range of the second byte
  if (c >= 0xC2 && c <= 0xDF) n = 2;
  else if (c >= 0xE0 && c <= 0xEF) {
    n = 3;
    if (c == 0xE0) lo = 0xA0;  // overlong
    if (c == 0xED) hi = 0x9F;  // surrogates
  } else if (c >= 0xF0 && c <= 0xF4) {
    n = 4;
    if (c == 0xF0) lo = 0x90;
    if (c == 0xF4) hi = 0x8F;  // beyond U+10FFFF
  } else {
    return 0;
  }
  unsigned second = at(i + 1);
  if (second < lo || second > hi) return 0;
  for (int k = 2; k < n; ++k)
    if ((at(i + k) & 0xC0) != 0x80) return 0;
  return n;
}

std::string SanitizeUtf8(const std::string& s) {
  std::string out = s;
  for (size_t i = 0; i < out.size();) {
    int n = Utf8SequenceLength(s, i);
    if (n == 0) {
      out[i] = '?';
      n = 1;
    }
    i += n;
  }
  return out;
}

int LabelTextWidth(const std::string& text) {
  if (text.empty()) return 0;
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1);
  cairo_t* cr = cairo_create(surface);
  cairo_select_font_face(cr, kLabelFontFamily, CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
  cairo_set_font_size(cr, kLabelFontSize);
  cairo_text_extents_t ext{};
  cairo_text_extents(cr, SanitizeUtf8(text).c_str(), &ext);
  int width = 0;
  if (cairo_status(cr) == CAIRO_STATUS_SUCCESS && std::isfinite(ext.x_advance) && ext.x_advance > 0)
    width = static_cast<int>(std::min(std::ceil(ext.x_advance), 1e6));
  cairo_destroy(cr);
  cairo_surface_destroy(surface);
  return width;
}

void DrawSurface::Source(TColor c) {
  TColor rgb = ColorToRGB(c);
  cairo_set_source_rgb(FCairo, (rgb & 0xFF) / 255.0, ((rgb >> 8) & 0xFF) / 255.0, ((rgb >> 16) & 0xFF) / 255.0);
}

void DrawSurface::FillRect(int x, int y, int w, int h, TColor c) {
  if (w <= 0 || h <= 0) return;
  Source(c);
  cairo_rectangle(FCairo, x, y, w, h);
  cairo_fill(FCairo);
}

void DrawSurface::FrameRect(int x, int y, int w, int h, TColor c) {
  if (w <= 0 || h <= 0) return;
  Source(c);
  cairo_set_line_width(FCairo, 1);
  cairo_rectangle(FCairo, x + 0.5, y + 0.5, w - 1, h - 1);
  cairo_stroke(FCairo);
}

void DrawSurface::FocusRect(int x, int y, int w, int h) {
  if (w <= 0 || h <= 0) return;
  Source(clBlack);
  const double dash[] = {1, 1};
  cairo_set_dash(FCairo, dash, 2, 0);
  cairo_set_line_width(FCairo, 1);
  cairo_rectangle(FCairo, x + 0.5, y + 0.5, w - 1, h - 1);
  cairo_stroke(FCairo);
  cairo_set_dash(FCairo, nullptr, 0, 0);
}

void DrawSurface::Bevel(int x, int y, int w, int h, bool raised) {
  if (w <= 0 || h <= 0) return;
  TColor light = ColorToRGB(0x80000014), dark = ColorToRGB(0x80000010);
  TColor tl = raised ? light : dark, br = raised ? dark : light;
  FillRect(x, y, w, 1, tl);
  FillRect(x, y, 1, h, tl);
  FillRect(x, y + h - 1, w, 1, br);
  FillRect(x + w - 1, y, 1, h, br);
}

void DrawSurface::Arrow(int x, int y, int w, int h, Direction d, TColor c) {
  if (w <= 0 || h <= 0) return;
  double cx = x + w / 2.0, cy = y + h / 2.0;
  double r = (w < h ? w : h) / 4.0;
  if (r < 1) return;
  Source(c);
  switch (d) {
    case Left:
      cairo_move_to(FCairo, cx - r, cy); cairo_line_to(FCairo, cx + r / 2, cy - r); cairo_line_to(FCairo, cx + r / 2, cy + r);
      break;
    case Right:
      cairo_move_to(FCairo, cx + r, cy); cairo_line_to(FCairo, cx - r / 2, cy - r); cairo_line_to(FCairo, cx - r / 2, cy + r);
      break;
    case Up:
      cairo_move_to(FCairo, cx, cy - r); cairo_line_to(FCairo, cx - r, cy + r / 2); cairo_line_to(FCairo, cx + r, cy + r / 2);
      break;
    case Down:
      cairo_move_to(FCairo, cx, cy + r); cairo_line_to(FCairo, cx - r, cy - r / 2); cairo_line_to(FCairo, cx + r, cy - r / 2);
      break;
  }
  cairo_close_path(FCairo);
  cairo_fill(FCairo);
}

void DrawSurface::Text(int x, int y, const char* text, TColor c) {
  if (!text || !*text) return;
  Source(c);
  cairo_select_font_face(FCairo, kLabelFontFamily, CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
  cairo_set_font_size(FCairo, kLabelFontSize);
  cairo_font_extents_t fe{};
  cairo_font_extents(FCairo, &fe);
  cairo_move_to(FCairo, x, y + fe.ascent);
  cairo_show_text(FCairo, SanitizeUtf8(text).c_str());
}

void DrawSurface::Enter(int x, int y, int w, int h) {
  cairo_save(FCairo);
  cairo_translate(FCairo, x, y);
  cairo_rectangle(FCairo, 0, 0, w < 0 ? 0 : w, h < 0 ? 0 : h);
  cairo_clip(FCairo);
}

void DrawSurface::Restore() { cairo_restore(FCairo); }
