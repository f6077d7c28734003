// BMP reading and writing: round trips, hostile headers, and the public bmpsuite images.
#include <dirent.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "framework/graphics/bmp_codec.h"
#include "framework/graphics/graphics.h"

namespace {
const std::string kSuite = std::string(V3D_SOURCE_DIR) + "/tests/data/bmpsuite/";

std::vector<uint8_t> Save(TBitmap& b) {
  TMemoryStream m;
  b.SaveToStream(&m);
  return std::vector<uint8_t>(m.Memory(), m.Memory() + m.Size());
}

// Loads bytes into a fresh bitmap through a memory stream.
void Load(const std::vector<uint8_t>& bytes, TBitmap& b) {
  TMemoryStream m;
  if (!bytes.empty()) m.WriteBuffer(bytes.data(), int32_t(bytes.size()));
  m.SetPosition(0);
  b.LoadFromStream(&m);
}

void Put32(std::vector<uint8_t>& v, size_t at, uint32_t x) {
  for (int i = 0; i < 4; ++i) v[at + i] = uint8_t(x >> (8 * i));
}
void Put16(std::vector<uint8_t>& v, size_t at, uint16_t x) {
  v[at] = uint8_t(x);
  v[at + 1] = uint8_t(x >> 8);
}

// A valid 5 x 3, 8-bit paletted file with a 4-colour table, built by hand.
std::vector<uint8_t> Pal8File() {
  const uint32_t stride = 8, off = 14 + 40 + 4 * 4;
  std::vector<uint8_t> v(off + stride * 3, 0);
  v[0] = 'B';
  v[1] = 'M';
  Put32(v, 2, uint32_t(v.size()));
  Put32(v, 10, off);
  Put32(v, 14, 40);
  Put32(v, 18, 5);
  Put32(v, 22, 3);
  Put16(v, 26, 1);
  Put16(v, 28, 8);
  Put32(v, 46, 4);
  const uint8_t pal[4][4] = {{0, 0, 0, 0}, {0, 0, 255, 0}, {0, 255, 0, 0}, {255, 0, 0, 0}};  // B,G,R,0
  std::memcpy(&v[54], pal, sizeof pal);
  for (int row = 0; row < 3; ++row)
    for (int x = 0; x < 5; ++x) v[off + row * stride + x] = uint8_t((x + row) % 4);
  return v;
}

std::vector<std::string> Files(const std::string& dir) {
  std::vector<std::string> out;
  if (DIR* d = opendir(dir.c_str())) {
    while (dirent* e = readdir(d)) {
      std::string n = e->d_name;
      if (n.size() > 4 && n.substr(n.size() - 4) == ".bmp") out.push_back(n);
    }
    closedir(d);
  }
  std::sort(out.begin(), out.end());
  return out;
}
}  // namespace

TEST(BmpWriter, RoundTripIsPixelExactWithPaddedRows) {
  for (int w : {1, 2, 3, 4, 5, 127}) {
    for (int h : {1, 2, 7}) {
      TBitmap b;
      b.SetSize(w, h);
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) b.Canvas()->SetPixel(x, y, TColor((x * 37 + y * 1000003 + w) & 0xFFFFFF));
      std::vector<uint8_t> bytes = Save(b);
      const size_t stride = (size_t(w) * 3 + 3) & ~size_t(3);
      ASSERT_EQ(bytes.size(), 54 + stride * h);
      EXPECT_EQ(bytes[0], 'B');
      EXPECT_EQ(bytes[1], 'M');
      EXPECT_EQ(bytes[28], 24);  // bit count
      EXPECT_EQ(bytes[10], 54);  // pixels follow the two headers
      TBitmap back;
      Load(bytes, back);
      ASSERT_EQ(back.Width(), w);
      ASSERT_EQ(back.Height(), h);
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) ASSERT_EQ(back.Canvas()->GetPixel(x, y), b.Pixel(x, y)) << w << "x" << h;
    }
  }
  // Bottom-up: the last row of the file is the top row; blue, green, red order.
  TBitmap b;
  b.SetSize(1, 2);
  b.SetPixel(0, 0, clRed);
  b.SetPixel(0, 1, clBlue);
  std::vector<uint8_t> bytes = Save(b);
  EXPECT_EQ(std::vector<uint8_t>(bytes.begin() + 54, bytes.end()),
            (std::vector<uint8_t>{255, 0, 0, 0, 0, 0, 255, 0}));
}

TEST(BmpCanvas, PixelAccessStaysInsideTheBitmap) {
  TBitmap b;
  b.SetSize(2, 1);
  TCanvas* c = b.Canvas();
  EXPECT_EQ(c, b.Canvas());
  c->SetPixel(0, 0, 0x123456);
  c->SetPixel(1, 0, clBtnFace);
  c->SetPixel(2, 0, clWhite);  // ignored
  c->SetPixel(-1, 0, clWhite);
  EXPECT_EQ(c->GetPixel(0, 0), 0x123456u);
  EXPECT_EQ(c->GetPixel(1, 0), ColorToRGB(clBtnFace));
  EXPECT_EQ(c->GetPixel(2, 0), 0u);
  EXPECT_EQ(c->GetPixel(0, 1), 0u);
  EXPECT_EQ(c->GetPixel(-1, -1), 0u);
  b.SetSize(0, 5);
  EXPECT_TRUE(b.Empty());
  EXPECT_EQ(c->GetPixel(0, 0), 0u);
}

// A resize keeps the overlap of the old and new sizes pixel for pixel; what it adds is black.
TEST(BmpCanvas, ResizeKeepsTheOverlappingPixels) {
  auto colour = [](int x, int y) { return TColor((x * 0x010305 + y * 0x110000 + 0x000080) & 0xFFFFFF); };
  const int w0 = 7, h0 = 5;
  for (auto size : {std::pair<int, int>{12, 5}, {3, 5}, {7, 9}, {7, 2}, {12, 9}, {3, 2}, {2, 8}, {1, 1}}) {
    TBitmap b;
    b.SetSize(w0, h0);
    for (int y = 0; y < h0; ++y)
      for (int x = 0; x < w0; ++x) b.SetPixel(x, y, colour(x, y));
    b.SetSize(size.first, size.second);
    ASSERT_EQ(b.Width(), size.first);
    ASSERT_EQ(b.Height(), size.second);
    for (int y = 0; y < size.second; ++y)
      for (int x = 0; x < size.first; ++x)
        ASSERT_EQ(b.Pixel(x, y), x < w0 && y < h0 ? colour(x, y) : TColor(clBlack))
            << size.first << "x" << size.second << " at " << x << "," << y;
    // Back to the first size: only what both sizes held survives.
    b.SetSize(w0, h0);
    for (int y = 0; y < h0; ++y)
      for (int x = 0; x < w0; ++x)
        ASSERT_EQ(b.Pixel(x, y), x < size.first && y < size.second ? colour(x, y) : TColor(clBlack))
            << "back from " << size.first << "x" << size.second << " at " << x << "," << y;
  }
}

TEST(BmpReader, RefusesTruncatedAndLyingHeaders) {
  const std::vector<uint8_t> good = Pal8File();
  {
    TBitmap b;
    Load(good, b);
    ASSERT_EQ(b.Width(), 5);
    ASSERT_EQ(b.Height(), 3);
    EXPECT_EQ(b.Pixel(0, 2), 0u);           // bottom row first in the file: (0 + 0) % 4
    EXPECT_EQ(b.Pixel(1, 2), TColor(clRed));
    EXPECT_EQ(b.Pixel(0, 0), TColor(clLime));  // top row is the last in the file: index 2
  }

  // Every truncation is refused (the file-size field then exceeds the data).
  for (size_t n = 0; n < good.size(); ++n) {
    TBitmap b;
    std::vector<uint8_t> cut(good.begin(), good.begin() + n);
    EXPECT_THROW(Load(cut, b), EInvalidGraphic) << "prefix " << n;
  }

  struct Lie { const char* what; size_t at; int width; uint32_t value; };
  const Lie lies[] = {
      {"signature", 0, 2, 0x4D42 + 1},
      {"file size beyond the data", 2, 4, 1000},
      {"file size below the headers", 2, 4, 20},
      {"pixel offset beyond the file", 10, 4, 5000},
      {"pixel offset inside the palette", 10, 4, 60},
      {"header size", 14, 4, 41},
      {"header size huge", 14, 4, 0xFFFFFFF0u},
      {"zero width", 18, 4, 0},
      {"negative width", 18, 4, uint32_t(-5)},
      {"zero height", 22, 4, 0},
      {"most negative height", 22, 4, 0x80000000u},
      {"tall image needing more rows", 22, 4, 4},
      {"planes", 26, 2, 2},
      {"bit count", 28, 2, 7},
      {"compression", 30, 4, 9},
      {"4-bit run-length on 8 bits", 30, 4, 2},
      {"bit fields on 8 bits", 30, 4, 3},
      {"image size beyond the file", 34, 4, 0x7FFFFFFF},
      {"density", 38, 4, 30000000},
      {"palette count above 256", 46, 4, 257},
      {"palette count past the offset", 46, 4, 200},
      {"important colours", 50, 4, 300},
      {"index outside the palette", 54 + 16, 1, 9},
  };
  for (const Lie& l : lies) {
    std::vector<uint8_t> bad = good;
    if (std::strcmp(l.what, "index outside the palette") == 0) {
      bad[l.at] = uint8_t(l.value);
    } else if (l.width == 2) {
      Put16(bad, l.at, uint16_t(l.value));
    } else {
      Put32(bad, l.at, l.value);
    }
    TBitmap b;
    EXPECT_THROW(Load(bad, b), EInvalidGraphic) << l.what;
  }

  // Dimensions whose product overflows 32 bits, and rows whose byte width overflows.
  for (auto wh : {std::pair<uint32_t, uint32_t>{0x10000, 0x10000}, {0x7FFFFFFF, 1}, {1, 0x7FFFFFFF},
                  {0x40000000, 4}}) {
    std::vector<uint8_t> bad = good;
    Put32(bad, 18, wh.first);
    Put32(bad, 22, wh.second);
    TBitmap b;
    EXPECT_THROW(Load(bad, b), EInvalidGraphic);
  }

  // A refused load leaves the bitmap as it was.
  TBitmap kept;
  kept.SetSize(2, 2);
  kept.SetPixel(1, 1, 0xABCDEF);
  std::vector<uint8_t> bad = good;
  Put16(bad, 28, 3);
  EXPECT_THROW(Load(bad, kept), EInvalidGraphic);
  EXPECT_EQ(kept.Width(), 2);
  EXPECT_EQ(kept.Pixel(1, 1), 0xABCDEFu);
}

// An 8-bit run-length file of the given size with a two-colour table and the given data.
std::vector<uint8_t> Rle8File(uint32_t w, uint32_t h, const std::vector<uint8_t>& data) {
  const uint32_t off = 14 + 40 + 2 * 4;
  std::vector<uint8_t> v(off + data.size(), 0);
  std::copy(data.begin(), data.end(), v.begin() + off);
  v[0] = 'B';
  v[1] = 'M';
  Put32(v, 2, uint32_t(v.size()));
  Put32(v, 10, off);
  Put32(v, 14, 40);
  Put32(v, 18, w);
  Put32(v, 22, h);
  Put16(v, 26, 1);
  Put16(v, 28, 8);
  Put32(v, 30, 1);  // RLE8
  Put32(v, 46, 2);
  v[54 + 4 + 2] = 255;  // colour 1 is red
  return v;
}

TEST(BmpReader, RunLengthImagesAreBoundedByWhatTheirDataCanDraw) {
  // A few bytes claiming a quarter of a gigapixel, or a row of that length, are refused at once.
  const std::vector<uint8_t> runs = {255, 1, 255, 1, 0, 0, 255, 1, 0, 1};
  for (auto [w, h] : {std::pair<uint32_t, uint32_t>{16384, 16384}, {268435456, 1}, {4096, 4096}}) {
    TBitmap b;
    EXPECT_THROW(Load(Rle8File(w, h, runs), b), EInvalidGraphic) << w << " x " << h;
  }
  // Data that can draw the image loads, runs and all.
  std::vector<uint8_t> rows;
  for (int y = 0; y < 1000; ++y) {
    for (int i = 0; i < 4; ++i) rows.insert(rows.end(), {250, uint8_t(y == 0 ? 1 : 0)});
    rows.insert(rows.end(), {0, 0});
  }
  rows.insert(rows.end(), {0, 1});
  TBitmap big;
  Load(Rle8File(1000, 1000, rows), big);
  ASSERT_EQ(big.Width(), 1000);
  EXPECT_EQ(big.Pixel(999, 999), TColor(clRed));  // the first row of the file is the bottom one
  EXPECT_EQ(big.Pixel(0, 0), 0u);
  // A small image may be left blank by an early end.
  TBitmap blank;
  Load(Rle8File(200, 300, {0, 1}), blank);
  EXPECT_EQ(blank.Height(), 300);
  EXPECT_EQ(blank.Pixel(100, 100), 0u);
}

TEST(BmpReader, BitFieldMasksAreChecked) {
  // 2 x 1, 16 bits, 565 masks after a 40-byte header.
  std::vector<uint8_t> v(14 + 40 + 12 + 4, 0);
  v[0] = 'B';
  v[1] = 'M';
  Put32(v, 2, uint32_t(v.size()));
  Put32(v, 10, 66);
  Put32(v, 14, 40);
  Put32(v, 18, 2);
  Put32(v, 22, 1);
  Put16(v, 26, 1);
  Put16(v, 28, 16);
  Put32(v, 30, 3);
  Put32(v, 54, 0xF800);
  Put32(v, 58, 0x07E0);
  Put32(v, 62, 0x001F);
  Put16(v, 66, 0xF800);  // pure red
  Put16(v, 68, 0x07E0);  // pure green
  TBitmap b;
  Load(v, b);
  EXPECT_EQ(b.Pixel(0, 0), TColor(clRed));
  EXPECT_EQ(b.Pixel(1, 0), TColor(clLime));

  for (auto masks : {std::vector<uint32_t>{0xF800, 0x07E0, 0}, {0xF800, 0xFFE0, 0x1F}, {0x1F0000, 0x7E0, 0x1F},
                     {0xF00F, 0x07E0, 0x0010}}) {
    std::vector<uint8_t> bad = v;
    for (int i = 0; i < 3; ++i) Put32(bad, 54 + 4 * i, masks[i]);
    TBitmap r;
    EXPECT_THROW(Load(bad, r), EInvalidGraphic) << std::hex << masks[0] << " " << masks[1] << " " << masks[2];
  }
}

// A 64 x 1, 16-bit file: 565 bit fields, or the default 555 layout when masked is false.
static std::vector<uint8_t> Bmp16(bool masked, const std::vector<uint16_t>& pixels) {
  const uint32_t off = masked ? 66 : 54;
  std::vector<uint8_t> v(off + 2 * pixels.size(), 0);
  v[0] = 'B';
  v[1] = 'M';
  Put32(v, 2, uint32_t(v.size()));
  Put32(v, 10, off);
  Put32(v, 14, 40);
  Put32(v, 18, uint32_t(pixels.size()));
  Put32(v, 22, 1);
  Put16(v, 26, 1);
  Put16(v, 28, 16);
  if (masked) {
    Put32(v, 30, 3);
    Put32(v, 54, 0xF800);
    Put32(v, 58, 0x07E0);
    Put32(v, 62, 0x001F);
  }
  for (size_t i = 0; i < pixels.size(); ++i) Put16(v, off + 2 * i, pixels[i]);
  return v;
}

// 5- and 6-bit channels widen to the nearest 8-bit value: both ends exact, every step 255/31 or
// 255/63 wide within rounding, so no value is lost or doubled on the way.
TEST(BmpReader, NarrowChannelsWidenToTheNearestEightBitValue) {
  std::vector<uint16_t> p565(64), p555(64);
  for (int v = 0; v < 64; ++v) {
    p565[v] = uint16_t(((v / 2) << 11) | (v << 5) | (31 - v / 2));
    p555[v] = uint16_t(((v % 32) << 10) | ((31 - v % 32) << 5) | (v % 32));
  }
  TBitmap b565, b555;
  Load(Bmp16(true, p565), b565);
  Load(Bmp16(false, p555), b555);
  ASSERT_EQ(b565.Width(), 64);
  ASSERT_EQ(b555.Width(), 64);
  auto r = [](TColor c) { return int(c & 0xFF); };
  auto g = [](TColor c) { return int((c >> 8) & 0xFF); };
  auto b = [](TColor c) { return int((c >> 16) & 0xFF); };

  std::vector<int> six, fiveRed, fiveBlue, fiveRed555, fiveGreen555;
  for (int v = 0; v < 64; ++v) {
    six.push_back(g(b565.Pixel(v, 0)));
    if (v % 2 == 0) fiveRed.push_back(r(b565.Pixel(v, 0)));
    if (v % 2 == 0) fiveBlue.insert(fiveBlue.begin(), b(b565.Pixel(v, 0)));
    if (v < 32) fiveRed555.push_back(r(b555.Pixel(v, 0)));
    if (v < 32) fiveGreen555.insert(fiveGreen555.begin(), g(b555.Pixel(v, 0)));
  }
  for (const auto* five : {&fiveRed, &fiveBlue, &fiveRed555, &fiveGreen555}) {
    ASSERT_EQ(five->size(), 32u);
    EXPECT_EQ((*five)[0], 0);
    EXPECT_EQ((*five)[1], 8);
    EXPECT_EQ((*five)[3], 25);  // rounded: repeating the top bits would give 24
    EXPECT_EQ((*five)[15], 123);
    EXPECT_EQ((*five)[16], 132);
    EXPECT_EQ((*five)[30], 247);
    EXPECT_EQ((*five)[31], 255);
    for (int v = 0; v < 32; ++v) EXPECT_LE(std::abs((*five)[v] * 31 - v * 255), 31 / 2) << v;
  }
  EXPECT_EQ(six[0], 0);
  EXPECT_EQ(six[1], 4);
  EXPECT_EQ(six[31], 125);
  EXPECT_EQ(six[32], 130);
  EXPECT_EQ(six[62], 251);
  EXPECT_EQ(six[63], 255);
  for (int v = 0; v < 64; ++v) EXPECT_LE(std::abs(six[v] * 63 - v * 255), 63 / 2) << v;
  for (int v = 1; v < 64; ++v) EXPECT_GT(six[v], six[v - 1]) << v;
  for (int v = 1; v < 32; ++v) EXPECT_GT(fiveRed[v], fiveRed[v - 1]) << v;
  EXPECT_EQ(fiveBlue, fiveRed) << "blue counts down what red counts up";
  EXPECT_EQ(fiveRed555, fiveRed);
  EXPECT_EQ(fiveGreen555, fiveRed);
}

// Largest and mean per-channel difference between two same-sized bitmaps.
struct Difference { int worst = 0; double mean = 0; };
static Difference Compare(const TBitmap& a, const TBitmap& b) {
  Difference d;
  long total = 0;
  for (int y = 0; y < a.Height(); ++y)
    for (int x = 0; x < a.Width(); ++x)
      for (int s = 0; s < 24; s += 8) {
        int e = std::abs(int((a.Pixel(x, y) >> s) & 0xFF) - int((b.Pixel(x, y) >> s) & 0xFF));
        d.worst = std::max(d.worst, e);
        total += e;
      }
  d.mean = double(total) / (3.0 * a.Width() * a.Height());
  return d;
}

TEST(BmpSuite, GoodFilesDecodeWithTheRightPixels) {
  auto load = [](const char* name, TBitmap& b) {
    b.LoadFromFile((kSuite + "g/" + name).c_str());
    ASSERT_EQ(b.Width(), 127) << name;
    ASSERT_EQ(b.Height(), 64) << name;
  };
  TBitmap rgb24, pal8, pal4;
  load("rgb24.bmp", rgb24);
  load("pal8.bmp", pal8);
  load("pal4.bmp", pal4);

  // The same picture in true colour: identical to rgb24; with 5 or 6 bits a channel: within rounding.
  for (const char* name : {"rgb32.bmp", "rgb24pal.bmp", "rgb32bf.bmp", "rgb32bfdef.bmp"}) {
    TBitmap b;
    load(name, b);
    EXPECT_EQ(Compare(b, rgb24).worst, 0) << name;
  }
  for (const char* name : {"rgb16.bmp", "rgb16bfdef.bmp", "rgb16-565.bmp", "rgb16-565pal.bmp"}) {
    TBitmap b;
    load(name, b);
    EXPECT_LE(Compare(b, rgb24).worst, 8) << name;
  }
  // The same 252-colour image in every header, order and palette layout.
  for (const char* name : {"pal8topdown.bmp", "pal8-0.bmp", "pal8os2.bmp", "pal8v4.bmp", "pal8v5.bmp", "pal8rle.bmp"}) {
    TBitmap b;
    load(name, b);
    EXPECT_EQ(Compare(b, pal8).worst, 0) << name;
  }
  TBitmap pal4rle;
  load("pal4rle.bmp", pal4rle);
  EXPECT_EQ(Compare(pal4rle, pal4).worst, 0);
  // The paletted versions are quantised (252 and 12 colours against 6835), so they only come close.
  // (An independent decoding gives mean differences of 13.2 and 63.6.)
  EXPECT_LT(Compare(pal8, rgb24).mean, 14.0);
  EXPECT_LT(Compare(pal4, rgb24).mean, 64.0);
  EXPECT_EQ(pal4.Pixel(0, 0), rgb24.Pixel(0, 0));
  EXPECT_EQ(pal8.Pixel(0, 0), rgb24.Pixel(0, 0));

  // Every good file reads.
  std::vector<std::string> good = Files(kSuite + "g");
  ASSERT_GE(good.size(), 27u);
  for (const std::string& name : good) {
    TBitmap b;
    EXPECT_NO_THROW(b.LoadFromFile((kSuite + "g/" + name).c_str())) << name;
    EXPECT_FALSE(b.Empty()) << name;
  }
}

TEST(BmpSuite, BadFilesAreRefusedAndQuestionableOnesNeverCrash) {
  std::vector<std::string> bad = Files(kSuite + "b");
  ASSERT_GE(bad.size(), 20u);
  for (const std::string& name : bad) {
    TBitmap b;
    EXPECT_THROW(b.LoadFromFile((kSuite + "b/" + name).c_str()), EInvalidGraphic) << name;
  }
  std::vector<std::string> questionable = Files(kSuite + "q");
  ASSERT_GE(questionable.size(), 40u);
  int decoded = 0;
  for (const std::string& name : questionable) {
    TBitmap b;
    try {
      b.LoadFromFile((kSuite + "q/" + name).c_str());
      EXPECT_FALSE(b.Empty()) << name;
      ++decoded;
    } catch (const EInvalidGraphic&) {
    }
  }
  EXPECT_GT(decoded, 0);
}

// Prefixes of good files are refused, also when the file-size field is made to agree with the cut.
TEST(BmpSuite, TruncatedGoodFilesAreRefused) {
  for (const char* name : {"pal4.bmp", "rgb16-565.bmp", "pal8os2.bmp", "pal8rle.bmp", "pal4rle.bmp"}) {
    TMemoryStream whole;
    TFileStream f((kSuite + "g/" + name).c_str(), fmOpenRead);
    whole.CopyFrom(&f, 0);
    std::vector<uint8_t> bytes(whole.Memory(), whole.Memory() + whole.Size());
    for (size_t n = 0; n < bytes.size(); n += 5) {
      std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + n);
      BmpImage img;
      EXPECT_THROW(DecodeBmp(cut.data(), cut.size(), img), EInvalidGraphic) << name << " " << n;
      if (n >= 6) {
        Put32(cut, 2, uint32_t(n));
        if (n >= 38) Put32(cut, 34, 0);  // no image size either
        EXPECT_THROW(DecodeBmp(cut.data(), cut.size(), img), EInvalidGraphic) << name << " " << n;
      }
    }
  }
}
