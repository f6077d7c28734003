// Writing GL pixels to a PNG file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Writes RGBA pixels (bottom row first, as GL reads them) as a PNG; false when the file cannot be written.
bool WritePng(const char* path, int width, int height, const std::vector<uint8_t>& rgbaBottomUp);
