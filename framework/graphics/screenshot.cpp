#include "framework/graphics/screenshot.h"

#include <cairo.h>

bool WritePng(const char* path, int width, int height, const std::vector<uint8_t>& rgba) {
  if (width <= 0 || height <= 0 || rgba.size() < static_cast<size_t>(width) * height * 4) return false;
  cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
  if (cairo_surface_status(s) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(s);
    return false;
  }
  cairo_surface_flush(s);
  unsigned char* data = cairo_image_surface_get_data(s);
  int stride = cairo_image_surface_get_stride(s);
  for (int y = 0; y < height; ++y) {
    const uint8_t* src = &rgba[static_cast<size_t>(height - 1 - y) * width * 4];
    auto* dst = reinterpret_cast<uint32_t*>(data + static_cast<size_t>(y) * stride);
    // Frames are opaque: the alpha a GL buffer holds is not a picture's transparency.
    for (int x = 0; x < width; ++x)
      dst[x] = 0xFF000000u | (uint32_t(src[x * 4]) << 16) | (uint32_t(src[x * 4 + 1]) << 8) | src[x * 4 + 2];
  }
  cairo_surface_mark_dirty(s);
  bool ok = cairo_surface_write_to_png(s, path) == CAIRO_STATUS_SUCCESS;
  cairo_surface_destroy(s);
  return ok;
}
