#include "size_option.h"

#include <cstdio>

bool ParseSizeOption(const std::string& text, int& width, int& height, std::string& error) {
  char tail = 0;
  int w = 0, h = 0;
  if (std::sscanf(text.c_str(), "%dx%d%c", &w, &h, &tail) != 2) {
    error = "--size " + text + ": expected WIDTHxHEIGHT, such as 640x480";
    return false;
  }
  if (w < 1 || h < 1 || w > kMaxWindowSide || h > kMaxWindowSide) {
    error = "--size " + text + ": width and height must be 1 to " + std::to_string(kMaxWindowSide);
    return false;
  }
  width = w;
  height = h;
  return true;
}
