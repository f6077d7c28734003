// Helpers of the model import that tests and tools use on their own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "parts/parts.h"

// A part's placement read from a column-major 4 x 4 matrix (GL's order): position, rotation axis and angle
// (degrees), scale. False when the matrix is no translate * rotate * scale within tolerance (shear, a
// non-uniform scale under a rotation, a zero scale, non-finite values, a projective row).
struct TPlacementParts {
  float P[3] = {0, 0, 0};
  float Axis[3] = {0, 0, 1};
  float Angle = 0;
  float S[3] = {1, 1, 1};
};
bool DecomposePlacement(const double m[16], TPlacementParts& out);

// What the file says about its size before a model reader sees it: the triangle count stated by a binary
// STL header or a PLY header's face element (-1 when the format states none or the file cannot be read).
long long StatedTriangleCount(const std::string& path);

// Why a file that begins as a PLY file cannot be one (an unknown or malformed header line, no end of
// the header, a binary body shorter than its elements need); empty when it may be, or is no PLY file.
std::string PlyHeaderProblem(const std::string& path);

// The default of TOpenGl::ImportTriangleBudget.
const long long IMPORT_TRIANGLE_BUDGET = 50000000LL;
