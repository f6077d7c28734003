// Canvases, bitmaps and pictures; BMP through bmp_codec, PNG through cairo.
#include "framework/graphics/graphics.h"

#include <cairo.h>

#include <algorithm>
#include <cstring>

#include "framework/graphics/bmp_codec.h"

TColor ColorToRGB(TColor c) {
  if ((c & 0xFF000000u) != 0x80000000u) return c;
  switch (c & 0xFF) {
    case 5: return 0xFFFFFF;   // window background
    case 8: return 0x000000;   // window text
    case 13: return 0xD77800;  // selection background
    case 14: return 0xFFFFFF;  // selected text
    case 15: return 0xF0F0F0;  // button face
    case 16: return 0xA0A0A0;  // button shadow
    case 17: return 0x6D6D6D;  // disabled text
    case 18: return 0x000000;  // button text
    case 20: return 0xFFFFFF;  // button highlight
    default: return 0x000000;
  }
}

// ---- TCanvas ----

HDC TCanvas::GetHandle() { return FHandle; }
void TCanvas::SetHandle(HDC h) { FHandle = h; }
void TCanvas::Lock() { ++FLockCount; }
void TCanvas::Unlock() {
  if (FLockCount > 0) --FLockCount;
}
TColor TCanvas::GetPixel(int, int) { return clBlack; }
void TCanvas::SetPixel(int, int, TColor) {}

// The canvas of a bitmap: pixel access goes straight to the bitmap's pixels.
class TBitmapCanvas : public TCanvas {
public:
  explicit TBitmapCanvas(TBitmap* b) : FBitmap(b) {}
  TColor GetPixel(int x, int y) override { return FBitmap->Pixel(x, y); }
  void SetPixel(int x, int y, TColor c) override { FBitmap->SetPixel(x, y, c); }

private:
  TBitmap* FBitmap;
};

// ---- TBitmap ----

TBitmap::TBitmap() = default;

TBitmap::~TBitmap() { delete FCanvas; }

void TBitmap::SetSize(int w, int h) {
  if (w <= 0 || h <= 0) w = h = 0;
  if (uint64_t(w) * uint64_t(h) > BMP_MAX_PIXELS) throw EInvalidGraphic("Bitmap image is too large");
  if (w == FWidth && h == FHeight) return;
  std::vector<TColor> next(static_cast<size_t>(w) * static_cast<size_t>(h), clBlack);
  // Keep the overlapping part, as a resize does.
  for (int y = 0; y < std::min(h, FHeight); ++y)
    for (int x = 0; x < std::min(w, FWidth); ++x)
      next[static_cast<size_t>(y) * w + x] = FPixels[static_cast<size_t>(y) * FWidth + x];
  FPixels.swap(next);
  FWidth = w;
  FHeight = h;
}

TCanvas* TBitmap::Canvas() {
  if (FCanvas == nullptr) FCanvas = new TBitmapCanvas(this);
  return FCanvas;
}

TColor TBitmap::Pixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= FWidth || y >= FHeight) return clBlack;
  return FPixels[static_cast<size_t>(y) * FWidth + x];
}

void TBitmap::SetPixel(int x, int y, TColor c) {
  if (x < 0 || y < 0 || x >= FWidth || y >= FHeight) return;
  FPixels[static_cast<size_t>(y) * FWidth + x] = ColorToRGB(c) & 0xFFFFFF;
}

void TBitmap::SaveToStream(TStream* Stream) {
  std::vector<uint8_t> bytes = EncodeBmp24(FWidth, FHeight, FPixels.data());
  Stream->WriteBuffer(bytes.data(), static_cast<int32_t>(bytes.size()));
}

// Reads exactly the bytes the file header claims (never more than the stream holds) and decodes them;
// the bitmap is unchanged when the data is refused.
void TBitmap::LoadFromStream(TStream* Stream) {
  int64_t avail = Stream->Size() - Stream->Position();
  uint8_t head[14];
  if (avail < 14 || Stream->Read(head, 14) != 14) throw EInvalidGraphic("Bitmap image is not valid: too short");
  if (head[0] != 'B' || head[1] != 'M') throw EInvalidGraphic("Bitmap image is not valid: not a bitmap file");
  uint32_t fileSize = uint32_t(head[2]) | (uint32_t(head[3]) << 8) | (uint32_t(head[4]) << 16) |
                      (uint32_t(head[5]) << 24);
  int64_t total = fileSize != 0 ? int64_t(fileSize) : avail;
  if (total > avail) throw EInvalidGraphic("Bitmap image is not valid: file size larger than the data");
  if (total < 14 + 12 || total > INT32_MAX) throw EInvalidGraphic("Bitmap image is not valid: bad file size");
  std::vector<uint8_t> bytes(static_cast<size_t>(total));
  std::memcpy(bytes.data(), head, 14);
  int32_t rest = static_cast<int32_t>(total - 14);
  if (Stream->Read(bytes.data() + 14, rest) != rest)
    throw EInvalidGraphic("Bitmap image is not valid: data ends early");
  BmpImage image;
  DecodeBmp(bytes.data(), bytes.size(), image);
  FWidth = image.Width;
  FHeight = image.Height;
  FPixels.swap(image.Pixels);
}

void TBitmap::SaveToFile(const AnsiString& FileName) {
  TFileStream f(FileName, fmCreate);
  SaveToStream(&f);
  if (!f.Flush()) throw EWriteError("Stream write error");
}

void TBitmap::LoadFromFile(const AnsiString& FileName) {
  TFileStream f(FileName, fmOpenRead);
  LoadFromStream(&f);
}

void TBitmap::Assign(TPersistent* Source) {
  if (auto* b = dynamic_cast<TBitmap*>(Source)) {
    if (b == this) return;
    FWidth = b->FWidth;
    FHeight = b->FHeight;
    FPixels = b->FPixels;
    return;
  }
  if (auto* p = dynamic_cast<TPicture*>(Source)) {
    if (p->Graphic() == nullptr) {
      SetSize(0, 0);
      return;
    }
    Assign(p->Graphic());
    return;
  }
  TPersistent::Assign(Source);
}

// ---- TPicture ----

TPicture::~TPicture() { delete FGraphic; }

TBitmap* TPicture::Bitmap() {
  if (auto* b = dynamic_cast<TBitmap*>(FGraphic)) return b;
  delete FGraphic;
  FGraphic = nullptr;
  FGraphic = new TBitmap;
  return static_cast<TBitmap*>(FGraphic);
}

void TPicture::Assign(TPersistent* Source) {
  if (Source == this) return;
  if (Source == nullptr) {
    delete FGraphic;
    FGraphic = nullptr;
    return;
  }
  TGraphic* graphic = nullptr;
  if (auto* p = dynamic_cast<TPicture*>(Source)) {
    graphic = p->FGraphic;
    if (graphic == nullptr) {
      delete FGraphic;
      FGraphic = nullptr;
      return;
    }
  } else {
    graphic = dynamic_cast<TGraphic*>(Source);
  }
  if (auto* b = dynamic_cast<TBitmap*>(graphic)) {
    TBitmap* copy = new TBitmap;
    copy->Assign(b);
    delete FGraphic;
    FGraphic = copy;
    return;
  }
  TPersistent::Assign(Source);
}

namespace {
struct PngSource {
  const uint8_t* data;
  size_t size;
  size_t pos;
};

cairo_status_t ReadPng(void* closure, unsigned char* out, unsigned int length) {
  auto* src = static_cast<PngSource*>(closure);
  if (length > src->size - src->pos) return CAIRO_STATUS_READ_ERROR;
  std::memcpy(out, src->data + src->pos, length);
  src->pos += length;
  return CAIRO_STATUS_SUCCESS;
}

// Decodes PNG bytes into the bitmap; the colours are un-premultiplied and the alpha dropped.
void LoadPng(const uint8_t* data, size_t size, TBitmap* bitmap) {
  PngSource src{data, size, 0};
  cairo_surface_t* png = cairo_image_surface_create_from_png_stream(ReadPng, &src);
  if (cairo_surface_status(png) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(png);
    throw EInvalidGraphic("PNG image is not valid");
  }
  int w = cairo_image_surface_get_width(png), h = cairo_image_surface_get_height(png);
  if (w <= 0 || h <= 0 || uint64_t(w) * uint64_t(h) > BMP_MAX_PIXELS) {
    cairo_surface_destroy(png);
    throw EInvalidGraphic("PNG image is not valid: bad size");
  }
  // Normalise any PNG format (grey, alpha-only, RGB) to one 32-bit layout.
  cairo_surface_t* argb = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
  cairo_t* cr = cairo_create(argb);
  cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
  cairo_set_source_surface(cr, png, 0, 0);
  cairo_paint(cr);
  cairo_destroy(cr);
  cairo_surface_destroy(png);
  cairo_surface_flush(argb);
  if (cairo_surface_status(argb) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(argb);
    throw EOutOfResources("Out of memory decoding a PNG image");
  }
  const unsigned char* base = cairo_image_surface_get_data(argb);
  int stride = cairo_image_surface_get_stride(argb);
  TBitmap decoded;
  decoded.SetSize(w, h);
  for (int y = 0; y < h; ++y) {
    const uint32_t* row = reinterpret_cast<const uint32_t*>(base + static_cast<size_t>(y) * stride);
    for (int x = 0; x < w; ++x) {
      uint32_t p = row[x];
      uint32_t a = p >> 24, r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
      if (a != 0 && a != 255) {
        r = (r * 255 + a / 2) / a;
        g = (g * 255 + a / 2) / a;
        b = (b * 255 + a / 2) / a;
      }
      decoded.SetPixel(x, y, r | (g << 8) | (b << 16));
    }
  }
  cairo_surface_destroy(argb);
  bitmap->Assign(&decoded);
}
}  // namespace

void TPicture::LoadFromFile(const AnsiString& FileName) {
  TFileStream f(FileName, fmOpenRead);
  int64_t size = f.Size();
  if (size > INT32_MAX) throw EInvalidGraphic("Image file is too large");
  std::vector<uint8_t> bytes(static_cast<size_t>(size));
  if (size > 0 && f.Read(bytes.data(), static_cast<int32_t>(size)) != size)
    throw EReadError("Stream read error");
  LoadFromBytes(bytes.data(), bytes.size());
}

void TPicture::LoadFromBytes(const uint8_t* Data, size_t Size) {
  static const uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  if (Data == nullptr) Size = 0;
  TBitmap loaded;
  if (Size >= 2 && Data[0] == 'B' && Data[1] == 'M') {
    if (Size > INT32_MAX) throw EInvalidGraphic("Image file is too large");
    TMemoryStream m;
    m.WriteBuffer(Data, static_cast<int32_t>(Size));
    m.SetPosition(0);
    loaded.LoadFromStream(&m);
  } else if (Size >= 8 && std::memcmp(Data, kPngSignature, 8) == 0) {
    LoadPng(Data, Size, &loaded);
  } else {
    throw EInvalidGraphic("Unknown picture file format");
  }
  Bitmap()->Assign(&loaded);
}

void TPicture::SaveToFile(const AnsiString& FileName) {
  if (FGraphic == nullptr) return;
  TFileStream f(FileName, fmCreate);
  FGraphic->SaveToStream(&f);
  if (!f.Flush()) throw EWriteError("Stream write error");
}
