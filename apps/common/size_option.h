// The window or picture size both scene tools take on their command line: WIDTHxHEIGHT.
#pragma once

#include <string>

const int kMaxWindowSide = 8192;

// Reads "WxH" into width and height; false with a message naming the value and the limit.
bool ParseSizeOption(const std::string& text, int& width, int& height, std::string& error);
