// GLU's filled quadrics rebuilt as triangles, value for value: the same float caches, vertex order and
// texture coordinates as the library computes them (smooth normals, outside orientation).
#include "parts/tessellate.h"

#include <GL/gl.h>

#include <cmath>

namespace {
// GLU keeps its angle tables in arrays of this many entries and caps slices (and a sphere's stacks) below it.
const int kGluCache = 240;
const double kPi = 3.14159265358979323846;

int GluCap(int n) { return n >= kGluCache ? kGluCache - 1 : n; }

}  // namespace

uint32_t TMeshBuilder::Vertex(const float pos[3], const float normal[3], const float* tex) {
  const uint32_t index = static_cast<uint32_t>(FOut.VertexCount());
  FOut.Positions.insert(FOut.Positions.end(), pos, pos + 3);
  FOut.Normals.insert(FOut.Normals.end(), normal, normal + 3);
  if (tex) FOut.TexCoords.insert(FOut.TexCoords.end(), tex, tex + 2);
  return index;
}

void TMeshBuilder::Triangle(uint32_t a, uint32_t b, uint32_t c) {
  FOut.Indices.push_back(a);
  FOut.Indices.push_back(b);
  FOut.Indices.push_back(c);
}

// Quads split along the diagonal from their first to their third vertex, strips of quads along the one
// joining each pair's first vertex to the next pair's second, keeping every triangle's winding. Each loop
// stops at the last whole primitive: GL draws no part of one.
void TMeshBuilder::Primitive(int mode, const std::vector<uint32_t>& v) {
  const size_t n = v.size();
  switch (mode) {
    case GL_TRIANGLES:
      for (size_t i = 0; i + 2 < n; i += 3) Triangle(v[i], v[i + 1], v[i + 2]);
      break;
    case GL_TRIANGLE_STRIP:
      for (size_t i = 0; i + 2 < n; ++i) {
        if (i % 2 == 0)
          Triangle(v[i], v[i + 1], v[i + 2]);
        else
          Triangle(v[i + 1], v[i], v[i + 2]);
      }
      break;
    case GL_TRIANGLE_FAN:
    case GL_POLYGON:
      for (size_t i = 1; i + 1 < n; ++i) Triangle(v[0], v[i], v[i + 1]);
      break;
    case GL_QUADS:
      for (size_t i = 0; i + 3 < n; i += 4) {
        Triangle(v[i], v[i + 1], v[i + 2]);
        Triangle(v[i], v[i + 2], v[i + 3]);
      }
      break;
    case GL_QUAD_STRIP:
      for (size_t i = 0; i + 3 < n; i += 2) {
        Triangle(v[i + 2], v[i], v[i + 3]);
        Triangle(v[i], v[i + 1], v[i + 3]);
      }
      break;
    default:
      break;
  }
}

void TessellateGluSphere(TMeshData& out, double radius, int slices, int stacks) {
  slices = GluCap(slices);
  stacks = GluCap(stacks);
  if (slices < 2 || stacks < 1 || radius < 0.0) return;
  std::vector<float> sinA(slices + 1), cosA(slices + 1), sinN(stacks + 1), cosN(stacks + 1), sinP(stacks + 1),
      cosP(stacks + 1);
  for (int i = 0; i < slices; ++i) {
    const float angle = static_cast<float>(2 * kPi * i / slices);
    sinA[i] = static_cast<float>(std::sin(angle));
    cosA[i] = static_cast<float>(std::cos(angle));
  }
  sinA[slices] = sinA[0];
  cosA[slices] = cosA[0];
  for (int j = 0; j <= stacks; ++j) {
    const float angle = static_cast<float>(kPi * j / stacks);
    sinN[j] = static_cast<float>(std::sin(angle));
    cosN[j] = static_cast<float>(std::cos(angle));
    sinP[j] = static_cast<float>(radius * std::sin(angle));
    cosP[j] = static_cast<float>(radius * std::cos(angle));
  }
  // The poles close exactly.
  sinP[0] = 0;
  sinP[stacks] = 0;
  TMeshBuilder b(out);
  std::vector<uint32_t> run;
  // Textured, GLU draws every stack as a strip, the poles included.
  for (int j = 0; j < stacks; ++j) {
    run.clear();
    for (int i = 0; i <= slices; ++i) {
      const float s = 1 - static_cast<float>(i) / slices;
      for (int k : {j + 1, j}) {
        const float n[3] = {sinA[i] * sinN[k], cosA[i] * sinN[k], cosN[k]};
        const float t[2] = {s, 1 - static_cast<float>(k) / stacks};
        const float p[3] = {sinP[k] * sinA[i], sinP[k] * cosA[i], cosP[k]};
        run.push_back(b.Vertex(p, n, t));
      }
    }
    b.Primitive(GL_QUAD_STRIP, run);
  }
}

void TessellateGluCylinder(TMeshData& out, double baseRadius, double topRadius, double height, int slices,
                           int stacks) {
  slices = GluCap(slices);
  if (slices < 2 || stacks < 1 || baseRadius < 0.0 || topRadius < 0.0 || height < 0.0) return;
  const float deltaRadius = static_cast<float>(baseRadius - topRadius);
  const float length = static_cast<float>(std::sqrt(deltaRadius * deltaRadius + height * height));
  if (length == 0.0f) return;
  const float zNormal = deltaRadius / length;
  const float xyRatio = static_cast<float>(height / length);
  std::vector<float> sinA(slices + 1), cosA(slices + 1), sinN(slices + 1), cosN(slices + 1);
  for (int i = 0; i < slices; ++i) {
    const float angle = static_cast<float>(2 * kPi * i / slices);
    sinN[i] = static_cast<float>(xyRatio * std::sin(angle));
    cosN[i] = static_cast<float>(xyRatio * std::cos(angle));
    sinA[i] = static_cast<float>(std::sin(angle));
    cosA[i] = static_cast<float>(std::cos(angle));
  }
  sinA[slices] = sinA[0];
  cosA[slices] = cosA[0];
  sinN[slices] = sinN[0];
  cosN[slices] = cosN[0];
  TMeshBuilder b(out);
  std::vector<uint32_t> run;
  for (int j = 0; j < stacks; ++j) {
    const float z[2] = {static_cast<float>(j * height / stacks), static_cast<float>((j + 1) * height / stacks)};
    const float r[2] = {static_cast<float>(baseRadius - deltaRadius * (static_cast<float>(j) / stacks)),
                        static_cast<float>(baseRadius - deltaRadius * (static_cast<float>(j + 1) / stacks))};
    run.clear();
    for (int i = 0; i <= slices; ++i) {
      const float n[3] = {sinN[i], cosN[i], zNormal};
      for (int k = 0; k < 2; ++k) {
        const float t[2] = {1 - static_cast<float>(i) / slices, static_cast<float>(j + k) / stacks};
        const float p[3] = {r[k] * sinA[i], r[k] * cosA[i], z[k]};
        run.push_back(b.Vertex(p, n, t));
      }
    }
    b.Primitive(GL_QUAD_STRIP, run);
  }
}

void TessellateGluDisk(TMeshData& out, double innerRadius, double outerRadius, int slices, int loops) {
  slices = GluCap(slices);
  if (slices < 2 || loops < 1 || outerRadius <= 0.0 || innerRadius < 0.0 || innerRadius > outerRadius) return;
  const float deltaRadius = static_cast<float>(outerRadius - innerRadius);
  std::vector<float> sinA(slices + 1), cosA(slices + 1);
  for (int i = 0; i <= slices; ++i) {
    const float angle = static_cast<float>(((kPi * 360.0) / 180.0) * i / slices);
    sinA[i] = static_cast<float>(std::sin(angle));
    cosA[i] = static_cast<float>(std::cos(angle));
  }
  sinA[slices] = sinA[0];
  cosA[slices] = cosA[0];
  const float up[3] = {0, 0, 1};
  TMeshBuilder b(out);
  std::vector<uint32_t> run;
  auto ring = [&](int j) { return static_cast<float>(outerRadius - deltaRadius * (static_cast<float>(j) / loops)); };
  auto vertex = [&](float radius, int i) {
    const float tr = static_cast<float>(radius / outerRadius / 2);
    const float t[2] = {tr * sinA[i] + 0.5f, tr * cosA[i] + 0.5f};
    const float p[3] = {radius * sinA[i], radius * cosA[i], 0};
    return b.Vertex(p, up, t);
  };
  int strips = loops;
  // A full disk's innermost loop is a fan around the centre, walked backwards.
  if (innerRadius == 0.0) {
    strips = loops - 1;
    const float centre[3] = {0, 0, 0}, middle[2] = {0.5f, 0.5f};
    run.assign(1, b.Vertex(centre, up, middle));
    const float radius = ring(loops - 1);
    for (int i = slices; i >= 0; --i) run.push_back(vertex(radius, i));
    b.Primitive(GL_TRIANGLE_FAN, run);
  }
  for (int j = 0; j < strips; ++j) {
    run.clear();
    const float low = ring(j), high = ring(j + 1);
    for (int i = 0; i <= slices; ++i) {
      run.push_back(vertex(low, i));
      run.push_back(vertex(high, i));
    }
    b.Primitive(GL_QUAD_STRIP, run);
  }
}
