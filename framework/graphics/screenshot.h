// Writing a window's GL pixels to a PNG file.
#pragma once

#include <cstdint>
#include <vector>

#include "framework/platform/winapi.h"

// Writes RGBA pixels (bottom row first, as GL reads them) as a PNG; false when the file cannot be written.
bool WritePng(const char* path, int width, int height, const std::vector<uint8_t>& rgbaBottomUp);
// Reads the window's pixels back and writes them as a PNG.
bool SaveWindowPng(HWND hwnd, const char* path);
