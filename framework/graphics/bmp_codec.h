// Windows bitmap (BMP) file images: a strict decoder and a 24-bit encoder.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Decoded images never hold more pixels than this.
const uint64_t BMP_MAX_PIXELS = uint64_t(1) << 28;

struct BmpImage {
  int Width = 0;
  int Height = 0;
  // Colour values (red low byte, green next, blue third), row-major, top row first.
  std::vector<uint32_t> Pixels;
};

// Decodes the complete file image in [data, data + size). Raises EInvalidGraphic for anything it does not
// accept; never reads outside the buffer.
void DecodeBmp(const uint8_t* data, size_t size, BmpImage& out);

// Encodes a 24-bit uncompressed bottom-up file image; pixels as in BmpImage.
std::vector<uint8_t> EncodeBmp24(int width, int height, const uint32_t* pixels);
