// A part's placement as a matrix, computed as GL composes it, for code that must know a frame without GL.
#pragma once

class TPart;

// Column-major, as GL keeps its matrices; the identity when made.
struct TPartMatrix {
  double m[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
  TPartMatrix operator*(const TPartMatrix& b) const;
};

// What a part's Paint multiplies onto the model-view matrix: translate, rotate about its axis, scale.
TPartMatrix PartPlacement(const TPart& part);
