// Panels, labels and scroll bars drawn onto an image through DrawSurface (no display needed).
#include <gtest/gtest.h>

#include <cairo.h>

#include "framework/controls/application.h"
#include "framework/controls/button.h"
#include "framework/controls/controls.h"
#include "framework/controls/edit.h"
#include "framework/controls/listbox.h"
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

// Pixels within tolerance of c in every channel (text is antialiased).
int CountNear(Canvas& canvas, int x, int y, int w, int h, uint32_t c, int tolerance) {
  int n = 0;
  for (int j = y; j < y + h; ++j)
    for (int i = x; i < x + w; ++i) {
      uint32_t p = canvas.At(i, j);
      bool near = true;
      for (int sh = 0; sh < 24; sh += 8)
        if (std::abs(int((p >> sh) & 0xFF) - int((c >> sh) & 0xFF)) > tolerance) near = false;
      n += near;
    }
  return n;
}

TEST(Draw, ButtonSinksWhilePressedAndGreysWhenDisabled) {
  Application->Initialize(BackendKind::Headless);
  Canvas canvas(80, 24);
  DrawSurface s(canvas.cr);
  TForm form(nullptr);
  auto* button = new TButton(&form);
  button->SetParent(&form);
  button->SetBounds(0, 0, 80, 24);
  button->SetCaption("OK");
  button->Draw(&s);
  EXPECT_EQ(canvas.At(0, 0), 0xFFFFFFu) << "raised";
  EXPECT_EQ(canvas.At(79, 23), 0xA0A0A0u);
  EXPECT_GT(CountNear(canvas, 20, 4, 40, 16, 0x000000, 40), 3) << "caption in black";
  button->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MakeLParam(5, 5));
  form.SetActiveControl(nullptr);
  button->Draw(&s);
  EXPECT_EQ(canvas.At(0, 0), 0xA0A0A0u) << "sunk while held";
  EXPECT_EQ(canvas.At(79, 23), 0xFFFFFFu);
  button->Perform(WM_LBUTTONUP, 0, MakeLParam(5, 5));
  button->SetEnabled(false);
  button->Draw(&s);
  EXPECT_EQ(canvas.At(0, 0), 0xFFFFFFu);
  EXPECT_EQ(CountNear(canvas, 20, 4, 40, 16, 0x000000, 40), 0) << "no black caption when disabled";
  EXPECT_GT(CountNear(canvas, 20, 4, 40, 16, 0x6D6D6D, 20), 3);
}

TEST(Draw, EditShowsCaretAndSelectionAndSurvivesMalformedText) {
  Application->Initialize(BackendKind::Headless);
  Canvas canvas(120, 21);
  DrawSurface s(canvas.cr);
  TForm form(nullptr);
  auto* edit = new TEdit(&form);
  edit->SetParent(&form);
  edit->SetBounds(0, 0, 120, 21);
  edit->SetText("abc");
  int caret = edit->CaretX();
  ASSERT_GT(caret, 10);
  edit->Draw(&s);
  EXPECT_EQ(canvas.Count(caret, 4, 1, 13, 0x000000), 0) << "no caret without the focus";
  form.SetActiveControl(edit);
  edit->Draw(&s);
  EXPECT_EQ(canvas.Count(caret, 4, 1, 13, 0x000000), 13) << "caret after the text";
  edit->SelectAll();
  edit->Draw(&s);
  EXPECT_GT(canvas.Count(3, 3, caret - 3, 15, 0x0078D7), (caret - 3) * 15 / 2) << "selection highlighted";
  EXPECT_GT(CountNear(canvas, 3, 3, caret - 3, 15, 0xFFFFFF, 60), 3) << "selected text in white";

  // Bytes that are not UTF-8 (a file name from an old disk) are shown as '?' and leave the cairo
  // context usable for everything drawn after them.
  edit->SetText("bad\xff\xfe name");
  edit->Draw(&s);
  EXPECT_EQ(cairo_status(canvas.cr), CAIRO_STATUS_SUCCESS);
  TLabel label(nullptr);
  label.SetCaption("after");
  label.SetBounds(0, 0, label.Width(), 16);
  label.SetColor(clYellow);
  label.Draw(&s);
  EXPECT_GT(canvas.Count(0, 0, label.Width(), 16, 0xFFFF00), label.Width() * 16 / 2) << "later drawing still works";
  EXPECT_GT(label.Width(), 0);
  EXPECT_GT(TLabel::TextWidth("x\xff"), 0);
}

TEST(Draw, ListBoxIndentsRowsAndHighlightsTheSelectedOne) {
  Application->Initialize(BackendKind::Headless);
  int h = TListBox::ItemHeight();
  Canvas canvas(150, 3 * h + 2);
  DrawSurface s(canvas.cr);
  TListBox list(nullptr);
  list.SetBounds(0, 0, 150, 3 * h + 2);
  list.AddItem("Root");
  list.AddItem("Child", 2);
  list.SetItemIndex(0);
  list.Draw(&s);
  EXPECT_GT(canvas.Count(1, 1, 148, h, 0x0078D7), 148 * h / 2) << "selected row highlighted";
  EXPECT_EQ(canvas.Count(1, 1 + h, 148, h, 0x0078D7), 0);
  // The indented row has nothing dark in its first two indent steps.
  EXPECT_EQ(CountNear(canvas, 1, 1 + h, 2 * TListBox::IndentWidth, h, 0x000000, 100), 0);
  EXPECT_GT(CountNear(canvas, 1 + 2 * TListBox::IndentWidth, 1 + h, 40, h, 0x000000, 100), 3);
}

}  // namespace
