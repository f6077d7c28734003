// A part's placement as a matrix, computed as GL composes it, for code that must know a frame without GL.
#pragma once

class TPart;
struct TBounds;

// Column-major, as GL keeps its matrices; the identity when made.
struct TPartMatrix {
  double m[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
  TPartMatrix operator*(const TPartMatrix& b) const;
};

// What a part's Paint multiplies onto the model-view matrix: translate, rotate about its axis, scale.
TPartMatrix PartPlacement(const TPart& part);

// The eight corners of a non-empty box carried through m (x, y and z of each).
void TransformCorners(const TBounds& box, const TPartMatrix& m, float out[8][3]);
