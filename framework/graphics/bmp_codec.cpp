// The BMP decoder and encoder. Every header field is checked against the buffer before any pixel is read.
#include "framework/graphics/bmp_codec.h"

#include <cstring>
#include <string>

#include "framework/core/core.h"

namespace {

const uint32_t BI_RGB = 0, BI_RLE8 = 1, BI_RLE4 = 2, BI_BITFIELDS = 3;
const uint32_t kProfileEmbedded = 0x4D424544;  // 'MBED'
const uint32_t kProfileLinked = 0x4C494E4B;    // 'LINK'
// Densities above this (about 25,000 dpi) are taken for corruption.
const int32_t kMaxDensity = 1000000;

[[noreturn]] void Fail(const char* why) {
  throw EInvalidGraphic(std::string("Bitmap image is not valid: ") + why);
}

class Reader {
public:
  Reader(const uint8_t* d, size_t n) : data(d), size(n) {}
  uint16_t U16(uint64_t off) const {
    Need(off, 2);
    return static_cast<uint16_t>(data[off] | (data[off + 1] << 8));
  }
  uint32_t U32(uint64_t off) const {
    Need(off, 4);
    return uint32_t(data[off]) | (uint32_t(data[off + 1]) << 8) | (uint32_t(data[off + 2]) << 16) |
           (uint32_t(data[off + 3]) << 24);
  }
  int32_t I32(uint64_t off) const { return static_cast<int32_t>(U32(off)); }
  void Need(uint64_t off, uint64_t n) const {
    if (off > size || n > size - off) Fail("data ends early");
  }
  const uint8_t* data;
  size_t size;
};

struct Channel {
  uint32_t mask = 0;
  int shift = 0;
  int bits = 0;
  uint8_t Extract(uint32_t v) const {
    uint32_t c = (v & mask) >> shift;
    if (bits >= 8) return static_cast<uint8_t>(c >> (bits - 8));
    uint32_t max = (1u << bits) - 1;
    return static_cast<uint8_t>((c * 255 + max / 2) / max);
  }
};

// A usable mask is non-empty, one run of bits, and fits the pixel.
Channel MakeChannel(uint32_t mask, int bitCount) {
  if (mask == 0) Fail("empty colour mask");
  if (bitCount < 32 && (mask >> bitCount) != 0) Fail("colour mask wider than the pixel");
  Channel c;
  c.mask = mask;
  while (((mask >> c.shift) & 1) == 0) ++c.shift;
  uint32_t run = mask >> c.shift;
  while (c.bits < 32 && ((run >> c.bits) & 1)) ++c.bits;
  if (c.bits < 32 && (run >> c.bits) != 0) Fail("colour mask not contiguous");
  return c;
}

uint32_t Rgb(uint8_t r, uint8_t g, uint8_t b) { return uint32_t(r) | (uint32_t(g) << 8) | (uint32_t(b) << 16); }

// Run-length data (RLE8, RLE4), bottom-up. Runs or moves that leave the image, indices outside the palette
// and data that stops before the end-of-bitmap code are refused; pixels never reached keep colour 0.
void DecodeRle(const Reader& rd, uint64_t pos, uint64_t limit, int bitCount, const std::vector<uint32_t>& palette,
               int w, int h, std::vector<uint32_t>& pixels) {
  const bool four = bitCount == 4;
  int x = 0, row = 0;
  auto put = [&](unsigned index) {
    if (index >= palette.size()) Fail("colour index outside the palette");
    if (row >= h || x >= w) Fail("run-length data outside the image");
    pixels[static_cast<size_t>(h - 1 - row) * w + x] = palette[index];
    ++x;
  };
  auto byte = [&](uint64_t at) -> uint8_t {
    if (at >= limit) Fail("run-length data ends early");
    rd.Need(at, 1);
    return rd.data[at];
  };
  for (;;) {
    uint8_t count = byte(pos), value = byte(pos + 1);
    pos += 2;
    if (count > 0) {
      if (uint64_t(x) + count > uint64_t(w)) Fail("run longer than the row");
      for (unsigned i = 0; i < count; ++i) put(four ? ((i & 1) ? value & 0x0F : value >> 4) : value);
      continue;
    }
    if (value == 0) {  // end of line
      x = 0;
      if (++row > h) Fail("run-length data outside the image");
    } else if (value == 1) {  // end of bitmap
      return;
    } else if (value == 2) {  // move
      uint8_t dx = byte(pos), dy = byte(pos + 1);
      pos += 2;
      x += dx;
      row += dy;
      if (x > w || row > h) Fail("run-length move outside the image");
    } else {  // literal pixels, padded to 16 bits
      unsigned n = value;
      if (uint64_t(x) + n > uint64_t(w)) Fail("run longer than the row");
      uint64_t bytes = four ? (n + 1) / 2 : n;
      for (unsigned i = 0; i < n; ++i) {
        uint8_t b = byte(pos + (four ? i / 2 : i));
        put(four ? ((i & 1) ? b & 0x0F : b >> 4) : b);
      }
      pos += (bytes + 1) & ~uint64_t(1);
    }
  }
}

// Where the run-length data ends: the image size when the header gives one, else the file's end.
uint64_t RleLimit(uint64_t end, uint64_t offBits, uint32_t sizeImage) {
  return sizeImage != 0 ? offBits + uint64_t(sizeImage) : end;
}

// Whether `bytes` of run-length data can plausibly encode `pixels`: a two-byte run draws at most 255
// pixels. Skips and early ends can reach further, so small images are let through whatever their data;
// the bound keeps a few bytes from claiming gigabytes of pixels (and the time to clear them).
bool RleCanCover(uint64_t pixels, uint64_t bytes) {
  const uint64_t kAlwaysAllowed = uint64_t(1) << 16;
  return pixels <= kAlwaysAllowed || pixels <= 255 * (bytes / 2 + 1);
}

}  // namespace

void DecodeBmp(const uint8_t* data, size_t size, BmpImage& out) {
  Reader rd(data, size);
  if (data == nullptr || size < 14 + 12 || data[0] != 'B' || data[1] != 'M') Fail("not a bitmap file");
  const uint32_t fileSize = rd.U32(2);
  const uint32_t offBits = rd.U32(10);
  const uint32_t headerSize = rd.U32(14);
  if (fileSize != 0 && fileSize > size) Fail("file size larger than the data");
  const uint64_t end = fileSize != 0 ? fileSize : size;  // bytes belonging to this image

  int64_t width, height;
  int bitCount;
  uint32_t compression = BI_RGB;
  uint32_t colorsUsed = 0;
  uint32_t sizeImage = 0;
  bool core = headerSize == 12;
  if (core) {
    rd.Need(14, 12);
    width = rd.U16(18);
    height = rd.U16(20);
    if (rd.U16(22) != 1) Fail("planes must be 1");
    bitCount = rd.U16(24);
    if (bitCount != 1 && bitCount != 2 && bitCount != 4 && bitCount != 8 && bitCount != 24)
      Fail("unsupported bit count");
  } else if (headerSize == 40 || headerSize == 52 || headerSize == 56 || headerSize == 108 ||
             headerSize == 124) {
    rd.Need(14, headerSize);
    width = rd.I32(18);
    height = rd.I32(22);
    if (rd.U16(26) != 1) Fail("planes must be 1");
    bitCount = rd.U16(28);
    compression = rd.U32(30);
    sizeImage = rd.U32(34);
    int32_t xppm = rd.I32(38), yppm = rd.I32(42);
    if (xppm < -kMaxDensity || xppm > kMaxDensity || yppm < -kMaxDensity || yppm > kMaxDensity)
      Fail("absurd pixel density");
    colorsUsed = rd.U32(46);
    uint32_t colorsImportant = rd.U32(50);
    if (bitCount != 1 && bitCount != 2 && bitCount != 4 && bitCount != 8 && bitCount != 16 && bitCount != 24 &&
        bitCount != 32)
      Fail("unsupported bit count");
    if (compression == BI_RLE8 && bitCount != 8) Fail("RLE8 needs 8 bits");
    if (compression == BI_RLE4 && bitCount != 4) Fail("RLE4 needs 4 bits");
    if (compression != BI_RGB && compression != BI_BITFIELDS && compression != BI_RLE8 && compression != BI_RLE4)
      Fail("unsupported compression");
    if (compression == BI_BITFIELDS && bitCount != 16 && bitCount != 32) Fail("bit fields need 16 or 32 bits");
    if (bitCount <= 8) {
      if (colorsUsed > (1u << bitCount)) Fail("palette larger than the bit count allows");
      if (colorsImportant > (1u << bitCount)) Fail("important colours exceed the palette");
    }
    if (headerSize == 124) {
      uint32_t csType = rd.U32(14 + 56);
      if (csType == kProfileEmbedded || csType == kProfileLinked) {
        uint64_t profOff = uint64_t(14) + rd.U32(14 + 112);
        uint64_t profSize = rd.U32(14 + 116);
        if (profOff + profSize > end) Fail("colour profile outside the file");
      }
    }
  } else {
    Fail("unsupported header size");
  }

  if (width <= 0) Fail("width must be positive");
  bool topDown = false;
  if (height < 0) {
    topDown = true;
    height = -height;
  }
  if (height == 0) Fail("height must not be 0");
  const bool rle = compression == BI_RLE8 || compression == BI_RLE4;
  if (rle && topDown) Fail("run-length images cannot be top-down");
  if (uint64_t(width) * uint64_t(height) > BMP_MAX_PIXELS) Fail("image too large");

  // Bit fields follow a 40-byte header; larger headers carry them inside.
  uint64_t pos = 14 + uint64_t(headerSize);
  Channel red, green, blue;
  if (bitCount == 16 || bitCount == 32) {
    uint32_t m[3];
    if (compression == BI_BITFIELDS) {
      uint64_t maskAt = 14 + 40;
      for (int i = 0; i < 3; ++i) m[i] = rd.U32(maskAt + 4 * i);
      if (headerSize == 40) pos += 12;
    } else if (bitCount == 16) {
      m[0] = 0x7C00; m[1] = 0x03E0; m[2] = 0x001F;
    } else {
      m[0] = 0xFF0000; m[1] = 0xFF00; m[2] = 0xFF;
    }
    if ((m[0] & m[1]) || (m[0] & m[2]) || (m[1] & m[2])) Fail("colour masks overlap");
    red = MakeChannel(m[0], bitCount);
    green = MakeChannel(m[1], bitCount);
    blue = MakeChannel(m[2], bitCount);
  }

  // Colour table: required for paletted images, optional (and unused) otherwise.
  const unsigned entrySize = core ? 3 : 4;
  uint64_t paletteCount;
  if (bitCount <= 8) {
    if (core) {
      if (offBits < pos) Fail("pixel data overlaps the header");
      paletteCount = (offBits - pos) / entrySize;
      if (paletteCount > (1u << bitCount)) paletteCount = 1u << bitCount;
    } else {
      paletteCount = colorsUsed != 0 ? colorsUsed : (1u << bitCount);
    }
    if (paletteCount == 0) Fail("empty palette");
  } else {
    paletteCount = colorsUsed;
  }
  const uint64_t paletteAt = pos;
  const uint64_t paletteEnd = paletteAt + paletteCount * entrySize;
  if (paletteEnd > offBits) Fail("palette overlaps the pixel data");
  if (offBits > end) Fail("pixel data offset beyond the file");

  const uint64_t stride = ((uint64_t(width) * uint64_t(bitCount) + 31) / 32) * 4;
  const uint64_t needed = rle ? 0 : stride * uint64_t(height);
  if (needed > end - offBits) Fail("pixel data shorter than the image");
  if (rle && !RleCanCover(uint64_t(width) * uint64_t(height), RleLimit(end, offBits, sizeImage) - offBits))
    Fail("run-length data too short for the image");
  if (sizeImage != 0 && sizeImage > end - offBits) Fail("image size larger than the file");

  std::vector<uint32_t> palette;
  if (bitCount <= 8) {
    palette.resize(static_cast<size_t>(paletteCount));
    for (uint64_t i = 0; i < paletteCount; ++i) {
      uint64_t at = paletteAt + i * entrySize;
      rd.Need(at, 3);
      palette[i] = Rgb(data[at + 2], data[at + 1], data[at]);
    }
  }

  const int w = static_cast<int>(width), h = static_cast<int>(height);
  std::vector<uint32_t> pixels(static_cast<size_t>(w) * static_cast<size_t>(h));
  if (rle) {
    DecodeRle(rd, offBits, RleLimit(end, offBits, sizeImage), bitCount, palette, w, h, pixels);
  }
  for (int row = 0; row < h && !rle; ++row) {
    const uint64_t rowAt = offBits + stride * uint64_t(row);
    rd.Need(rowAt, stride);
    const uint8_t* src = data + rowAt;
    const int y = topDown ? row : h - 1 - row;
    uint32_t* dst = pixels.data() + static_cast<size_t>(y) * static_cast<size_t>(w);
    switch (bitCount) {
      case 1: case 2: case 4: case 8: {
        const unsigned valueMask = (1u << bitCount) - 1;
        for (int x = 0; x < w; ++x) {
          uint64_t bit = uint64_t(x) * bitCount;
          unsigned index = (src[bit >> 3] >> (8 - bitCount - (bit & 7))) & valueMask;
          if (index >= paletteCount) Fail("colour index outside the palette");
          dst[x] = palette[index];
        }
        break;
      }
      case 16:
        for (int x = 0; x < w; ++x) {
          uint32_t v = uint32_t(src[2 * x]) | (uint32_t(src[2 * x + 1]) << 8);
          dst[x] = Rgb(red.Extract(v), green.Extract(v), blue.Extract(v));
        }
        break;
      case 24:
        for (int x = 0; x < w; ++x) dst[x] = Rgb(src[3 * x + 2], src[3 * x + 1], src[3 * x]);
        break;
      case 32:
        for (int x = 0; x < w; ++x) {
          const uint8_t* p = src + 4 * x;
          uint32_t v = uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
          dst[x] = Rgb(red.Extract(v), green.Extract(v), blue.Extract(v));
        }
        break;
    }
  }
  out.Width = w;
  out.Height = h;
  out.Pixels.swap(pixels);
}

std::vector<uint8_t> EncodeBmp24(int width, int height, const uint32_t* pixels) {
  if (width < 0 || height < 0) width = height = 0;
  const uint64_t stride = ((uint64_t(width) * 24 + 31) / 32) * 4;
  const uint64_t imageSize = stride * uint64_t(height);
  const uint64_t total = 54 + imageSize;
  if (total > 0xFFFFFFFFu) throw EInvalidGraphic("Bitmap image is too large to save");
  std::vector<uint8_t> out(static_cast<size_t>(total), 0);
  auto put16 = [&](size_t at, uint32_t v) {
    out[at] = uint8_t(v);
    out[at + 1] = uint8_t(v >> 8);
  };
  auto put32 = [&](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) out[at + i] = uint8_t(v >> (8 * i));
  };
  out[0] = 'B';
  out[1] = 'M';
  put32(2, uint32_t(total));
  put32(10, 54);
  put32(14, 40);
  put32(18, uint32_t(width));
  put32(22, uint32_t(height));
  put16(26, 1);
  put16(28, 24);
  put32(30, BI_RGB);
  put32(34, uint32_t(imageSize));
  put32(38, 2835);  // 72 dpi
  put32(42, 2835);
  for (int row = 0; row < height; ++row) {
    const uint32_t* src = pixels + static_cast<size_t>(height - 1 - row) * static_cast<size_t>(width);
    uint8_t* dst = out.data() + 54 + stride * uint64_t(row);
    for (int x = 0; x < width; ++x) {
      dst[3 * x] = uint8_t(src[x] >> 16);
      dst[3 * x + 1] = uint8_t(src[x] >> 8);
      dst[3 * x + 2] = uint8_t(src[x]);
    }
  }
  return out;
}
