// Pictures: the bitmap accessor, copies, and loading BMP or PNG files.
#include <cairo.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "framework/graphics/graphics.h"

namespace {
std::string TempPath(const char* name) {
  return std::string(::testing::TempDir()) + "v3d_picture_" + std::to_string(getpid()) + "_" + name;
}
}  // namespace

TEST(Picture, BitmapAccessorAndAssignCopy) {
  TPicture p;
  EXPECT_EQ(p.Graphic(), nullptr);
  TBitmap* b = p.Bitmap();
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(p.Bitmap(), b);  // the same bitmap while it holds one
  EXPECT_EQ(p.Graphic(), b);
  b->SetSize(2, 1);
  b->SetPixel(1, 0, 0x010203);

  TPicture copy;
  copy.Assign(&p);
  ASSERT_NE(copy.Graphic(), nullptr);
  EXPECT_NE(copy.Graphic(), p.Graphic());  // a copy, not a share
  EXPECT_EQ(copy.Bitmap()->Pixel(1, 0), 0x010203u);
  b->SetPixel(1, 0, 0);
  EXPECT_EQ(copy.Bitmap()->Pixel(1, 0), 0x010203u);

  TPicture empty;
  copy.Assign(&empty);
  EXPECT_EQ(copy.Graphic(), nullptr);
  copy.Assign(b);  // a bare bitmap is a valid source too
  EXPECT_EQ(copy.Bitmap()->Width(), 2);
  TStringList notAGraphic;
  EXPECT_THROW(copy.Assign(&notAGraphic), EConvertError);
}

TEST(Picture, LoadsBmpAndPngFiles) {
  // BMP, through SaveToFile and back.
  std::string bmp = TempPath("p.bmp");
  TPicture src;
  src.Bitmap()->SetSize(3, 2);
  src.Bitmap()->SetPixel(2, 1, 0x00AA55);
  src.SaveToFile(bmp.c_str());
  TPicture fromBmp;
  fromBmp.LoadFromFile(bmp.c_str());
  EXPECT_EQ(fromBmp.Bitmap()->Width(), 3);
  EXPECT_EQ(fromBmp.Bitmap()->Pixel(2, 1), 0x00AA55u);

  // PNG, written by cairo: opaque red, green and a half-transparent blue.
  std::string png = TempPath("p.png");
  cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 3, 2);
  cairo_t* cr = cairo_create(s);
  cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
  cairo_set_source_rgba(cr, 1, 1, 1, 1);
  cairo_paint(cr);
  cairo_set_source_rgba(cr, 1, 0, 0, 1);
  cairo_rectangle(cr, 0, 0, 1, 1);
  cairo_fill(cr);
  cairo_set_source_rgba(cr, 0, 1, 0, 1);
  cairo_rectangle(cr, 1, 0, 1, 1);
  cairo_fill(cr);
  cairo_set_source_rgba(cr, 0, 0, 1, 0.5);
  cairo_rectangle(cr, 2, 1, 1, 1);
  cairo_fill(cr);
  cairo_destroy(cr);
  ASSERT_EQ(cairo_surface_write_to_png(s, png.c_str()), CAIRO_STATUS_SUCCESS);
  cairo_surface_destroy(s);

  TPicture fromPng;
  fromPng.LoadFromFile(png.c_str());
  TBitmap* b = fromPng.Bitmap();
  ASSERT_EQ(b->Width(), 3);
  ASSERT_EQ(b->Height(), 2);
  EXPECT_EQ(b->Canvas()->GetPixel(0, 0), TColor(clRed));
  EXPECT_EQ(b->Canvas()->GetPixel(1, 0), TColor(clLime));
  EXPECT_EQ(b->Canvas()->GetPixel(0, 1), TColor(clWhite));
  EXPECT_EQ(b->Canvas()->GetPixel(2, 1), TColor(clBlue));  // colour kept, alpha dropped

  // Neither format, a damaged PNG, or no file at all.
  std::string junk = TempPath("junk.bin");
  {
    TFileStream f(junk.c_str(), fmCreate);
    f.WriteBuffer("\x89PNG\r\n\x1a\n garbage", 16);
  }
  TPicture kept;
  kept.Bitmap()->SetSize(1, 1);
  EXPECT_THROW(kept.LoadFromFile(junk.c_str()), EInvalidGraphic);
  EXPECT_EQ(kept.Bitmap()->Width(), 1);
  {
    TFileStream f(junk.c_str(), fmCreate);
    f.WriteBuffer("GIF89a", 6);
  }
  EXPECT_THROW(kept.LoadFromFile(junk.c_str()), EInvalidGraphic);
  EXPECT_THROW(kept.LoadFromFile(TempPath("missing.png").c_str()), EFOpenError);
  std::remove(bmp.c_str());
  std::remove(png.c_str());
  std::remove(junk.c_str());
}

TEST(Picture, SystemColoursResolve) {
  EXPECT_EQ(ColorToRGB(clBtnFace), 0xF0F0F0u);
  EXPECT_EQ(ColorToRGB(0x123456), 0x123456u);
}
