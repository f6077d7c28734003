// The package's palette images: one 24 x 24, 16-colour picture per registered class.
#include "package/palette.h"

#include <cmath>
#include <cstdlib>

namespace {

const int N = 24;

// The 16 colours of the classic palette, as colour values (red in the low byte).
const TColor kColors[16] = {0x000000, 0x000080, 0x008000, 0x008080, 0x800000, 0x800080, 0x808000, 0xC0C0C0,
                            0x808080, 0x0000FF, 0x00FF00, 0x00FFFF, 0xFF0000, 0xFF00FF, 0xFFFF00, 0xFFFFFF};
enum : uint8_t { Black, Maroon, Green, Olive, Navy, Purple, Teal, Silver, Gray, Red, Lime, Yellow, Blue, Fuchsia, Aqua, White };

struct Picture {
  uint8_t px[N * N];
  void Fill(uint8_t c) {
    for (uint8_t& p : px) p = c;
  }
  void Set(int x, int y, uint8_t c) {
    if (x >= 0 && y >= 0 && x < N && y < N) px[y * N + x] = c;
  }
  void Box(int x0, int y0, int x1, int y1, uint8_t c) {
    for (int y = y0; y <= y1; ++y)
      for (int x = x0; x <= x1; ++x) Set(x, y, c);
  }
  void Line(int x0, int y0, int x1, int y1, uint8_t c) {
    int dx = std::abs(x1 - x0), dy = -std::abs(y1 - y0);
    int sx = x0 < x1 ? 1 : -1, sy = y0 < y1 ? 1 : -1, err = dx + dy;
    for (;;) {
      Set(x0, y0, c);
      if (x0 == x1 && y0 == y1) break;
      int e2 = 2 * err;
      if (e2 >= dy) { err += dy; x0 += sx; }
      if (e2 <= dx) { err += dx; y0 += sy; }
    }
  }
  void Frame(int x0, int y0, int x1, int y1, uint8_t c) {
    Line(x0, y0, x1, y0, c);
    Line(x1, y0, x1, y1, c);
    Line(x1, y1, x0, y1, c);
    Line(x0, y1, x0, y0, c);
  }
  // A scroll bar along the bottom, as the editors have.
  void ScrollBar(int thumb) {
    Box(1, 16, 22, 22, White);
    Frame(1, 16, 22, 22, Gray);
    Box(1, 16, 7, 22, Silver);
    Box(16, 16, 22, 22, Silver);
    Line(5, 17, 3, 19, Black);
    Line(3, 19, 5, 21, Black);
    Line(18, 17, 20, 19, Black);
    Line(20, 19, 18, 21, Black);
    Box(thumb, 17, thumb + 2, 21, Silver);
    Frame(thumb, 17, thumb + 2, 21, Gray);
  }
};

Picture gPictures[5];

void DrawViewport(Picture& p) {
  p.Fill(Navy);
  p.Frame(0, 0, 23, 23, Black);
  // A wire cube seen at an angle.
  p.Frame(4, 9, 14, 19, Aqua);
  p.Frame(9, 4, 19, 14, White);
  p.Line(4, 9, 9, 4, Yellow);
  p.Line(14, 9, 19, 4, Yellow);
  p.Line(14, 19, 19, 14, Yellow);
  p.Line(4, 19, 9, 14, Yellow);
  p.Set(2, 2, Red);
}

void DrawFloatEdit(Picture& p) {
  p.Fill(Silver);
  p.Box(1, 3, 10, 11, Yellow);
  p.Line(3, 7, 8, 7, Black);
  p.Line(13, 7, 20, 7, Black);
  p.ScrollBar(11);
}

void DrawPos3D(Picture& p) {
  p.Fill(Silver);
  p.Line(8, 15, 22, 15, Red);
  p.Line(22, 15, 19, 12, Red);
  p.Line(22, 15, 19, 18, Red);
  p.Line(8, 15, 8, 1, Green);
  p.Line(8, 1, 5, 4, Green);
  p.Line(8, 1, 11, 4, Green);
  p.Line(8, 15, 1, 22, Blue);
  p.Line(1, 22, 1, 18, Blue);
  p.Line(1, 22, 5, 22, Blue);
  p.Box(15, 3, 17, 5, Black);
}

void DrawColorEdit(Picture& p) {
  p.Fill(Silver);
  p.Box(2, 4, 6, 13, Red);
  p.Box(9, 7, 13, 13, Lime);
  p.Box(16, 1, 20, 13, Blue);
  p.ScrollBar(8);
}

void DrawAngleEdit(Picture& p) {
  p.Fill(Silver);
  const int cx = 3, cy = 20, r = 17;
  // A quarter dial with the angle between two arms filled in.
  for (int y = 0; y < N; ++y)
    for (int x = 0; x < N; ++x) {
      int dx = x - cx, dy = cy - y;
      if (dx < 0 || dy < 0) continue;
      double d = std::sqrt(double(dx * dx + dy * dy));
      if (d <= 12 && dy <= dx) p.Set(x, y, Yellow);
      if (d >= r - 0.5 && d <= r + 0.5) p.Set(x, y, Navy);
    }
  p.Line(cx, cy, cx + r, cy, Black);
  p.Line(cx, cy, cx + 12, cy - 12, Maroon);
  p.Line(cx, cy, cx, cy - r, Gray);
}

}  // namespace

const TPackageImage* PaletteImages(int* Count) {
  static const TPackageImage images[5] = {
      {"TOPENGL", N, N, kColors, gPictures[0].px},    {"TFLOATEDIT", N, N, kColors, gPictures[1].px},
      {"TPOS3D", N, N, kColors, gPictures[2].px},     {"TCOLOREDIT", N, N, kColors, gPictures[3].px},
      {"TANGLEEDIT", N, N, kColors, gPictures[4].px},
  };
  static bool drawn = false;
  if (!drawn) {
    DrawViewport(gPictures[0]);
    DrawFloatEdit(gPictures[1]);
    DrawPos3D(gPictures[2]);
    DrawColorEdit(gPictures[3]);
    DrawAngleEdit(gPictures[4]);
    drawn = true;
  }
  if (Count) *Count = 5;
  return images;
}
