// Panels, labels and scroll bars drawn onto an image through DrawSurface (no display needed).
#include <gtest/gtest.h>

#include <cairo.h>

#include "framework/controls/controls.h"
#include "framework/graphics/draw_surface.h"

namespace {

class Canvas {
public:
  Canvas(int w, int h) : surface(cairo_image_surface_create(CAIRO_FORMAT_RGB24, w, h)), cr(cairo_create(surface)) {
    cairo_set_source_rgb(cr, 1, 0, 1);
    cairo_paint(cr);
  }
  ~Canvas() {
    cairo_destroy(cr);
    cairo_surface_destroy(surface);
  }
  uint32_t At(int x, int y) {
    cairo_surface_flush(surface);
    auto* row = reinterpret_cast<uint32_t*>(cairo_image_surface_get_data(surface) + y * cairo_image_surface_get_stride(surface));
    return row[x] & 0xFFFFFF;
  }
  int Count(int x, int y, int w, int h, uint32_t c) {
    int n = 0;
    for (int j = y; j < y + h; ++j)
      for (int i = x; i < x + w; ++i) n += At(i, j) == c;
    return n;
  }
  cairo_surface_t* surface;
  cairo_t* cr;
};

const uint32_t kMagenta = 0xFF00FF, kFace = 0xF0F0F0, kTrough = 0xD8D8D8;

TEST(Draw, LabelFillsItsColourAndWritesItsCaptionInsideItsBox) {
  Canvas canvas(200, 40);
  DrawSurface s(canvas.cr);
  TLabel label(nullptr);
  label.SetCaption("Value=1.00");
  label.SetColor(clYellow);
  label.SetBounds(20, 10, label.Width(), 16);
  s.Enter(label.Left(), label.Top(), label.Width(), label.Height());
  label.Draw(&s);
  s.Restore();
  int area = label.Width() * 16;
  int yellow = canvas.Count(20, 10, label.Width(), 16, 0xFFFF00);
  EXPECT_GT(yellow, area / 2);
  EXPECT_LT(yellow, area) << "text drawn over the background";
  // Nothing outside the label's box is touched, however long the caption.
  EXPECT_EQ(canvas.Count(0, 0, 200, 10, kMagenta), 200 * 10);
  EXPECT_EQ(canvas.Count(0, 26, 200, 14, kMagenta), 200 * 14);
  EXPECT_EQ(canvas.Count(0, 10, 20, 16, kMagenta), 20 * 16);
  // A system colour resolves to its RGB value.
  label.SetColor(clBtnFace);
  s.Enter(label.Left(), label.Top(), label.Width(), label.Height());
  label.Draw(&s);
  s.Restore();
  EXPECT_EQ(canvas.At(20 + label.Width() - 1, 10 + 15), kFace);
}

TEST(Draw, PanelBevelFollowsBevelOuter) {
  Canvas canvas(50, 30);
  DrawSurface s(canvas.cr);
  TPanel panel(nullptr);
  panel.SetBounds(0, 0, 50, 30);
  panel.Draw(&s);  // raised: light top-left, dark bottom-right
  EXPECT_EQ(canvas.At(0, 0), 0xFFFFFFu);
  EXPECT_EQ(canvas.At(49, 29), 0xA0A0A0u);
  EXPECT_EQ(canvas.At(25, 15), kFace);
  panel.SetBevelOuter(bvLowered);
  panel.Draw(&s);
  EXPECT_EQ(canvas.At(0, 0), 0xA0A0A0u);
  EXPECT_EQ(canvas.At(49, 29), 0xFFFFFFu);
  panel.SetBevelOuter(bvNone);
  panel.SetColor(clRed);
  panel.Draw(&s);
  EXPECT_EQ(canvas.Count(0, 0, 50, 30, 0xFF0000), 50 * 30);
}

TEST(Draw, ScrollBarThumbFollowsPositionInBothKinds) {
  TScrollBar bar(nullptr);
  bar.SetBounds(0, 0, 200, 17);
  bar.SetParams(0, 0, 100);
  // Arrows 17 wide, the thumb 17 wide, 149 pixels of travel.
  auto thumbAt = [&](int along) {
    Canvas canvas(200, 17);
    DrawSurface s(canvas.cr);
    bar.Draw(&s);
    return canvas.At(along, 8) == kFace;
  };
  EXPECT_TRUE(thumbAt(25));
  EXPECT_FALSE(thumbAt(100));
  bar.SetPosition(50);
  EXPECT_FALSE(thumbAt(25));
  EXPECT_TRUE(thumbAt(17 + 74 + 8));
  bar.SetPosition(100);
  EXPECT_TRUE(thumbAt(200 - 17 - 8));
  {
    Canvas canvas(200, 17);
    DrawSurface s(canvas.cr);
    bar.Draw(&s);
    EXPECT_EQ(canvas.Count(0, 0, 200, 17, kMagenta), 0) << "every pixel painted";
    EXPECT_GT(canvas.Count(17, 0, 149, 17, kTrough), 100);
    EXPECT_GT(canvas.Count(0, 0, 17, 17, 0x404040), 4) << "arrow mark";
  }

  TScrollBar vertical(nullptr);
  vertical.Kind = sbVertical;
  vertical.SetBounds(0, 0, 17, 120);
  vertical.SetParams(100, 0, 100);
  Canvas canvas(17, 120);
  DrawSurface s(canvas.cr);
  vertical.Draw(&s);
  EXPECT_EQ(canvas.At(8, 120 - 17 - 8), kFace);
  EXPECT_EQ(canvas.At(8, 40), kTrough);
  EXPECT_GT(canvas.Count(0, 120 - 17, 17, 17, 0x404040), 4);

  // A bar too small for its parts, or of no size, draws without touching anything outside.
  TScrollBar tiny(nullptr);
  tiny.SetBounds(0, 0, 3, 2);
  Canvas small(10, 10);
  DrawSurface ts(small.cr);
  tiny.Draw(&ts);
  EXPECT_EQ(small.Count(0, 2, 10, 8, kMagenta), 80);
  tiny.SetBounds(0, 0, 0, 0);
  tiny.Draw(&ts);
  tiny.Draw(nullptr);
}

}  // namespace
