// Graphics: colours, canvases, bitmaps (BMP files) and pictures (BMP or PNG files).
#pragma once

#include <cstdint>
#include <vector>

#include "framework/core/core.h"
#include "framework/core/streams.h"
#include "framework/core/wintypes.h"

// A colour value: red in the low byte, green next, blue third.
typedef uint32_t TColor;
const TColor clBlack = 0x000000;
const TColor clWhite = 0xFFFFFF;
const TColor clRed = 0x0000FF;
const TColor clLime = 0x00FF00;
const TColor clBlue = 0xFF0000;
const TColor clYellow = 0x00FFFF;
const TColor clBtnFace = 0x8000000F;
// System colours of text boxes, lists and disabled captions.
const TColor clWindow = 0x80000005;
const TColor clWindowText = 0x80000008;
const TColor clHighlight = 0x8000000D;
const TColor clHighlightText = 0x8000000E;
const TColor clBtnShadow = 0x80000010;
const TColor clGrayText = 0x80000011;
// Resolves system colours (clBtnFace) to plain RGB.
TColor ColorToRGB(TColor c);

// The font of captions, labels and message boxes.
constexpr const char* kLabelFontFamily = "sans-serif";
constexpr double kLabelFontSize = 12.0;

class TBitmap;

class TCanvas : public TPersistent {
public:
  // The device context the canvas draws on.
  virtual HDC GetHandle();
  virtual void SetHandle(HDC h);
  HDC Handle() { return GetHandle(); }
  void Lock();
  void Unlock();
  int LockCount() const { return FLockCount; }
  // Pixel access; reads outside the surface give clBlack... for bitmaps, writes outside are ignored.
  virtual TColor GetPixel(int x, int y);
  virtual void SetPixel(int x, int y, TColor c);

protected:
  HDC FHandle = nullptr;
  int FLockCount = 0;
};

class TGraphic : public TPersistent {
public:
  virtual int Width() const = 0;
  virtual int Height() const = 0;
  virtual bool Empty() const = 0;
  virtual void SaveToStream(TStream* Stream) = 0;
  // Raises EInvalidGraphic for data it cannot read.
  virtual void LoadFromStream(TStream* Stream) = 0;
};

class TBitmapCanvas;

// A 24-bit RGB image with a canvas; reads and writes Windows bitmap files.
class TBitmap : public TGraphic {
public:
  TBitmap();
  ~TBitmap() override;
  int Width() const override { return FWidth; }
  int Height() const override { return FHeight; }
  bool Empty() const override { return FWidth == 0 || FHeight == 0; }
  void SetSize(int w, int h);
  TCanvas* Canvas();
  TColor Pixel(int x, int y) const;
  void SetPixel(int x, int y, TColor c);
  // Writes a 24-bit uncompressed bottom-up BMP file image.
  void SaveToStream(TStream* Stream) override;
  // Reads 1, 4, 8, 16, 24 and 32 bits per pixel, bottom-up or top-down; raises EInvalidGraphic.
  void LoadFromStream(TStream* Stream) override;
  void SaveToFile(const AnsiString& FileName);
  void LoadFromFile(const AnsiString& FileName);
  void Assign(TPersistent* Source) override;

private:
  int FWidth = 0, FHeight = 0;
  std::vector<TColor> FPixels;  // row-major, top row first
  TBitmapCanvas* FCanvas = nullptr;
};

class TPicture : public TPersistent {
public:
  ~TPicture() override;
  // The held graphic, or null.
  TGraphic* Graphic() const { return FGraphic; }
  // Makes the picture hold a bitmap (replacing any other graphic) and returns it.
  TBitmap* Bitmap();
  void Assign(TPersistent* Source) override;
  // Loads a BMP or PNG file into a bitmap; raises EInvalidGraphic or EFOpenError.
  void LoadFromFile(const AnsiString& FileName);
  // The same from bytes in memory (an image embedded in another file); raises EInvalidGraphic.
  void LoadFromBytes(const uint8_t* Data, size_t Size);
  // Saves the graphic (a BMP file for a bitmap).
  void SaveToFile(const AnsiString& FileName);

private:
  TGraphic* FGraphic = nullptr;
};
