// The mesh part: input checks, computed normals (crease angle over joined positions), vertex-array
// drawing, bounds and its scene-file record.
#include "parts/mesh.h"

#include <GL/gl.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <utility>

#include "files/files.h"

namespace {

const float kPi = 3.14159265358979f;
// Fans larger than this compare each face with a few groups instead of with every other face, so a
// vertex shared by a million triangles costs linear time.
const size_t kPairwiseFan = 128;
const int kFanGroups = 16;
// The most vertices and index entries GL's counts (and the file's ints) hold.
const size_t kMaxVertices = static_cast<size_t>(INT_MAX) / 4;
const size_t kMaxIndices = static_cast<size_t>(INT_MAX) / 3 * 3;

inline uint32_t Bits(float f) {
  f += 0.0f;  // -0 joins +0
  uint32_t u;
  std::memcpy(&u, &f, 4);
  return u;
}

inline uint32_t Mix(uint32_t h, uint32_t v) {
  h ^= v * 0x9E3779B1u;
  h = (h << 13) | (h >> 19);
  return h * 5u + 0xE6546B64u;
}

inline uint32_t Finish(uint32_t h) {
  h ^= h >> 16;
  h *= 0x85EBCA6Bu;
  h ^= h >> 13;
  h *= 0xC2B2AE35u;
  return h ^ (h >> 16);
}

// Joins equal keys of `words` 32-bit words per item: out[i] = the first item with item i's key.
// Open addressing over a power-of-two table; no allocation per item.
void JoinEqual(const std::vector<uint32_t>& keys, size_t words, size_t n, std::vector<uint32_t>& out) {
  out.resize(n);
  size_t size = 16;
  while (size < n * 2) size <<= 1;
  const uint32_t empty = UINT32_MAX;
  std::vector<uint32_t> table(size, empty);
  const size_t mask = size - 1;
  for (size_t i = 0; i < n; ++i) {
    const uint32_t* k = &keys[i * words];
    uint32_t h = 0;
    for (size_t w = 0; w < words; ++w) h = Mix(h, k[w]);
    size_t slot = Finish(h) & mask;
    for (;;) {
      const uint32_t at = table[slot];
      if (at == empty) {
        table[slot] = static_cast<uint32_t>(i);
        out[i] = static_cast<uint32_t>(i);
        break;
      }
      if (std::memcmp(&keys[at * words], k, words * 4) == 0) {
        out[i] = at;
        break;
      }
      slot = (slot + 1) & mask;
    }
  }
}

// acos within about 1e-4 radians: enough for weighting normals, several times cheaper than libm's.
inline float FastAcos(float x) {
  if (!(x > -1)) return kPi;  // NaN too: a degenerate corner weighs what a straight one does
  if (x >= 1) return 0;
  const float a = std::fabs(x);
  const float r = std::sqrt(1 - a) * (1.5707288f + a * (-0.2121144f + a * (0.0742610f - 0.0187293f * a)));
  return x >= 0 ? r : kPi - r;
}

inline bool Finite3(const float* p) { return std::isfinite(p[0]) && std::isfinite(p[1]) && std::isfinite(p[2]); }

// Makes the arrays consistent: whole vertices only, optional arrays dropped unless one entry per vertex,
// triangles that name a missing vertex or a non-finite position dropped, other non-finite values zeroed.
void Sanitise(TMeshData& d) {
  size_t n = std::min(d.Positions.size() / 3, kMaxVertices);
  d.Positions.resize(n * 3);
  if (d.Normals.size() != n * 3) d.Normals.clear();
  if (d.TexCoords.size() != n * 2) d.TexCoords.clear();
  if (d.Colors.size() != n * 4) d.Colors.clear();
  for (float& v : d.TexCoords)
    if (!std::isfinite(v)) v = 0;
  for (float& v : d.Colors)
    if (!std::isfinite(v)) v = 0;
  // Normals that cannot light anything are as good as none: they are computed instead.
  for (size_t i = 0; i < d.Normals.size(); i += 3) {
    const float* m = &d.Normals[i];
    if (!Finite3(m) || (m[0] == 0 && m[1] == 0 && m[2] == 0)) {
      d.Normals.clear();
      break;
    }
  }
  std::vector<uint32_t>& idx = d.Indices;
  size_t count = std::min(idx.size() - idx.size() % 3, kMaxIndices);
  size_t kept = 0;
  for (size_t t = 0; t < count; t += 3) {
    const uint32_t a = idx[t], b = idx[t + 1], c = idx[t + 2];
    if (a >= n || b >= n || c >= n) continue;
    if (!Finite3(&d.Positions[a * 3]) || !Finite3(&d.Positions[b * 3]) || !Finite3(&d.Positions[c * 3])) continue;
    idx[kept] = a;
    idx[kept + 1] = b;
    idx[kept + 2] = c;
    kept += 3;
  }
  idx.resize(kept);
}

}  // namespace

void ComputeMeshNormals(TMeshData& d, float creaseDegrees) {
  const size_t n = d.VertexCount();
  const size_t corners = d.Indices.size();
  const size_t faces = corners / 3;
  const bool tex = !d.TexCoords.empty(), col = !d.Colors.empty();
  const uint32_t* idx = d.Indices.data();

  // Equal positions smooth together; equal whole vertices (position, texture coordinate, colour) may
  // also share an output vertex.
  std::vector<uint32_t> keys(n * 3);
  for (size_t i = 0; i < n * 3; ++i) keys[i] = Bits(d.Positions[i]);
  std::vector<uint32_t> canon;
  JoinEqual(keys, 3, n, canon);
  std::vector<uint32_t> whole;
  if (tex || col) {
    const size_t words = 3 + (tex ? 2 : 0) + (col ? 4 : 0);
    std::vector<uint32_t> wide(n * words);
    for (size_t i = 0; i < n; ++i) {
      uint32_t* w = &wide[i * words];
      for (int k = 0; k < 3; ++k) *w++ = keys[i * 3 + k];
      if (tex)
        for (int k = 0; k < 2; ++k) *w++ = Bits(d.TexCoords[i * 2 + k]);
      if (col)
        for (int k = 0; k < 4; ++k) *w++ = Bits(d.Colors[i * 4 + k]);
    }
    JoinEqual(wide, words, n, whole);
  }
  std::vector<uint32_t>().swap(keys);
  const std::vector<uint32_t>& vertexOf = (tex || col) ? whole : canon;

  // Unit face normals, and each corner's share: its face's normal weighted by the corner's angle, so
  // that how a face is cut into triangles does not tilt the normals.
  std::vector<float> unit(faces * 3), weighted(corners * 3);
  for (size_t f = 0; f < faces; ++f) {
    const float* p[3] = {&d.Positions[idx[f * 3] * 3], &d.Positions[idx[f * 3 + 1] * 3],
                         &d.Positions[idx[f * 3 + 2] * 3]};
    float edge[3][3], len[3];  // edge k runs from corner k to corner k + 1
    for (int k = 0; k < 3; ++k) {
      for (int j = 0; j < 3; ++j) edge[k][j] = p[(k + 1) % 3][j] - p[k][j];
      len[k] = std::sqrt(edge[k][0] * edge[k][0] + edge[k][1] * edge[k][1] + edge[k][2] * edge[k][2]);
    }
    const float* u = edge[0];
    const float v[3] = {-edge[2][0], -edge[2][1], -edge[2][2]};
    const float w[3] = {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0]};
    const float wl = std::sqrt(w[0] * w[0] + w[1] * w[1] + w[2] * w[2]);
    float* e = &unit[f * 3];
    const bool flat = wl > 0 && std::isfinite(wl);
    for (int k = 0; k < 3; ++k) e[k] = flat ? w[k] / wl : 0;
    for (int k = 0; k < 3; ++k) {
      // The angle between the edge leaving the corner and the reversed edge arriving at it.
      const float* a = edge[k];
      const float* b = edge[(k + 2) % 3];
      const float l = len[k] * len[(k + 2) % 3];
      const float angle = l > 0 ? FastAcos(-(a[0] * b[0] + a[1] * b[1] + a[2] * b[2]) / l) : 0;
      float* out = &weighted[(f * 3 + k) * 3];
      for (int j = 0; j < 3; ++j) out[j] = e[j] * angle;
    }
  }

  // The corners at each joined position, in corner order.
  std::vector<uint32_t> start(n + 1, 0);
  for (size_t i = 0; i < corners; ++i) ++start[canon[idx[i]] + 1];
  for (size_t i = 0; i < n; ++i) start[i + 1] += start[i];
  std::vector<uint32_t> fan(corners);
  {
    std::vector<uint32_t> fill(start.begin(), start.end() - 1);
    for (size_t i = 0; i < corners; ++i) fan[fill[canon[idx[i]]]++] = static_cast<uint32_t>(i);
  }

  if (!std::isfinite(creaseDegrees)) creaseDegrees = 60;
  creaseDegrees = std::min(std::max(creaseDegrees, 0.0f), 180.0f);
  const float limit = std::cos(creaseDegrees * kPi / 180.0f) - 1e-6f;
  const float halfLimit = std::cos(creaseDegrees * kPi / 360.0f) + 1e-5f;

  // Unit length; a degenerate sum takes its face's direction, else the fan's, else +z.
  auto finish = [&](float* out, const float* all, uint32_t face) {
    for (const float* m : {static_cast<const float*>(out), static_cast<const float*>(&unit[face * 3]), all}) {
      if (!m) continue;
      const float len = std::sqrt(m[0] * m[0] + m[1] * m[1] + m[2] * m[2]);
      if (len > 0 && std::isfinite(len)) {
        const float x = m[0] / len, y = m[1] / len, z = m[2] / len;
        out[0] = x, out[1] = y, out[2] = z;
        return;
      }
    }
    out[0] = out[1] = 0;
    out[2] = 1;
  };

  // One output vertex per (vertex, normal), made fan by fan; the outputs of each vertex are chained for
  // the look-up.
  const uint32_t none = UINT32_MAX;
  std::vector<uint32_t> head(n, none), next;
  next.reserve(n + n / 4);
  TMeshData out;
  out.Positions.reserve(n * 3);
  out.Normals.reserve(n * 3);
  if (tex) out.TexCoords.reserve(n * 2);
  if (col) out.Colors.reserve(n * 4);
  out.Indices.resize(corners);
  auto emit = [&](uint32_t corner, const float* m) {
    const uint32_t v = idx[corner];
    const uint32_t key = vertexOf[v];
    for (uint32_t o = head[key]; o != none; o = next[o]) {
      const float* q = &out.Normals[o * 3];
      if (q[0] == m[0] && q[1] == m[1] && q[2] == m[2]) {
        out.Indices[corner] = o;
        return;
      }
    }
    const uint32_t made = static_cast<uint32_t>(next.size());
    next.push_back(head[key]);
    head[key] = made;
    out.Positions.insert(out.Positions.end(), &d.Positions[v * 3], &d.Positions[v * 3] + 3);
    out.Normals.insert(out.Normals.end(), m, m + 3);
    if (tex) out.TexCoords.insert(out.TexCoords.end(), &d.TexCoords[v * 2], &d.TexCoords[v * 2] + 2);
    if (col) out.Colors.insert(out.Colors.end(), &d.Colors[v * 4], &d.Colors[v * 4] + 4);
    out.Indices[corner] = made;
  };

  std::vector<uint8_t> group;
  for (size_t c = 0; c < n; ++c) {
    const size_t size = start[c + 1] - start[c];
    if (size == 0) continue;
    const uint32_t* begin = fan.data() + start[c];
    float all[3] = {0, 0, 0};
    for (size_t i = 0; i < size; ++i)
      for (int k = 0; k < 3; ++k) all[k] += weighted[begin[i] * 3 + k];
    // Every face within half the crease angle of the fan's mean is within the crease angle of every
    // other: the whole fan is smooth and each corner's sum is the fan's (the same additions, in order).
    bool smooth = true;
    {
      const float len = std::sqrt(all[0] * all[0] + all[1] * all[1] + all[2] * all[2]);
      smooth = len > 0 && std::isfinite(len);
      for (size_t i = 0; smooth && i < size; ++i) {
        const float* e = &unit[begin[i] / 3 * 3];
        smooth = (e[0] * all[0] + e[1] * all[1] + e[2] * all[2]) >= halfLimit * len;
      }
    }
    if (smooth) {
      float m[3] = {all[0], all[1], all[2]};
      finish(m, all, begin[0] / 3);
      for (size_t i = 0; i < size; ++i) emit(begin[i], m);
    } else if (size <= kPairwiseFan) {
      for (size_t i = 0; i < size; ++i) {
        const uint32_t face = begin[i] / 3;
        const float* e = &unit[face * 3];
        float sum[3] = {0, 0, 0};
        for (size_t j = 0; j < size; ++j) {
          const uint32_t other = begin[j] / 3;
          const float* o = &unit[other * 3];
          if (other == face || e[0] * o[0] + e[1] * o[1] + e[2] * o[2] >= limit)
            for (int k = 0; k < 3; ++k) sum[k] += weighted[begin[j] * 3 + k];
        }
        finish(sum, all, face);
        emit(begin[i], sum);
      }
    } else {
      // Group the fan's faces by direction: each joins the first group whose first face it is near.
      int groups = 0;
      float seed[kFanGroups][3], sum[kFanGroups][3];
      group.resize(size);
      for (size_t i = 0; i < size; ++i) {
        const float* e = &unit[begin[i] / 3 * 3];
        int chosen = -1, nearest = 0;
        float best = -2;
        for (int g = 0; g < groups; ++g) {
          const float dot = e[0] * seed[g][0] + e[1] * seed[g][1] + e[2] * seed[g][2];
          if (dot >= limit) {
            chosen = g;
            break;
          }
          if (dot > best) best = dot, nearest = g;
        }
        if (chosen < 0 && groups < kFanGroups) {
          chosen = groups++;
          std::copy(e, e + 3, seed[chosen]);
          sum[chosen][0] = sum[chosen][1] = sum[chosen][2] = 0;
        } else if (chosen < 0) {
          chosen = nearest;
        }
        group[i] = static_cast<uint8_t>(chosen);
        for (int k = 0; k < 3; ++k) sum[chosen][k] += weighted[begin[i] * 3 + k];
      }
      for (size_t i = 0; i < size; ++i) {
        float m[3] = {sum[group[i]][0], sum[group[i]][1], sum[group[i]][2]};
        finish(m, all, begin[i] / 3);
        emit(begin[i], m);
      }
    }
  }
  d = std::move(out);
}

TPartMesh::TPartMesh() = default;
TPartMesh::~TPartMesh() = default;

void TPartMesh::SetData(const TMeshData& data) {
  TMeshData copy(data);
  SetData(std::move(copy));
}

void TPartMesh::SetData(TMeshData&& data) {
  Sanitise(data);
  Assign(std::move(data), false);
  Changed(this);
}

void TPartMesh::Assign(TMeshData&& d, bool computedFlag) {
  computedNormals = d.Normals.empty() || computedFlag;
  if (d.Normals.empty()) ComputeMeshNormals(d, CreaseAngle);
  positions = std::move(d.Positions);
  normals = std::move(d.Normals);
  texCoords = std::move(d.TexCoords);
  colors.resize(d.Colors.size());
  for (size_t i = 0; i < colors.size(); ++i)
    colors[i] = static_cast<uint8_t>(std::lround(std::min(std::max(d.Colors[i], 0.0f), 1.0f) * 255.0f));
  indices16.clear();
  indices32.clear();
  if (positions.size() / 3 <= 65536) {
    indices16.assign(d.Indices.begin(), d.Indices.end());
    indices16.shrink_to_fit();
  } else {
    indices32 = std::move(d.Indices);
  }
  positions.shrink_to_fit();
  normals.shrink_to_fit();
  texCoords.shrink_to_fit();
  indices32.shrink_to_fit();
  UpdateBox();
}

void TPartMesh::UpdateBox() {
  box = TBounds();
  const size_t count = IndexCount();
  // Only what is drawn counts; a vertex seen once is enough.
  std::vector<bool> seen(positions.size() / 3, false);
  for (size_t i = 0; i < count; ++i) {
    const uint32_t v = Index(i);
    if (seen[v]) continue;
    seen[v] = true;
    box.Include(positions[v * 3], positions[v * 3 + 1], positions[v * 3 + 2]);
  }
}

bool TPartMesh::Tessellate(TMeshData& out) {
  out.Clear();
  const size_t count = IndexCount();
  if (count == 0) return false;
  out.Positions = positions;
  out.Normals = normals;
  out.TexCoords = texCoords;
  out.Colors.resize(colors.size());
  for (size_t i = 0; i < colors.size(); ++i) out.Colors[i] = colors[i] / 255.0f;
  out.Indices.resize(count);
  for (size_t i = 0; i < count; ++i) out.Indices[i] = Index(i);
  return true;
}

void TPartMesh::SetCreaseAngle(float v) {
  if (std::isnan(v)) return;
  CreaseAngle = std::min(std::max(v, 0.0f), 180.0f);
  if (computedNormals && IndexCount() > 0) {
    // The split vertices differ only in their normals: joining them again gives back the source.
    TMeshData d;
    Tessellate(d);
    d.Normals.clear();
    Assign(std::move(d), true);
  }
  Changed(this);
}

size_t TPartMesh::GeometryBytes() const {
  return (positions.capacity() + normals.capacity() + texCoords.capacity()) * sizeof(float) + colors.capacity() +
         indices16.capacity() * 2 + indices32.capacity() * 4;
}

void TPartMesh::AddGeometry(TBoundsWalk& walk) {
  if (!box.Empty) walk.Box(box.Min[0], box.Min[1], box.Min[2], box.Max[0], box.Max[1], box.Max[2]);
}

void TPartMesh::Paint() {
  TPart::Paint();
  const size_t count = IndexCount();
  if (count == 0) return;
  // NOTE: texture coordinates must win over the generated ones a polygon leaves on, and vertex colours
  // drive the material only while this mesh draws; one attribute level brings both back.
  const bool extra = HasTexCoords() || HasColors();
  if (extra) glPushAttrib(GL_ENABLE_BIT | GL_LIGHTING_BIT | GL_CURRENT_BIT);
  // Client state is not compiled into lists; it is set and put back around the draw in every mode.
  glPushClientAttrib(GL_CLIENT_VERTEX_ARRAY_BIT);
  glEnableClientState(GL_VERTEX_ARRAY);
  glVertexPointer(3, GL_FLOAT, 0, positions.data());
  glEnableClientState(GL_NORMAL_ARRAY);
  glNormalPointer(GL_FLOAT, 0, normals.data());
  if (HasTexCoords()) {
    glDisable(GL_TEXTURE_GEN_S);
    glDisable(GL_TEXTURE_GEN_T);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glTexCoordPointer(2, GL_FLOAT, 0, texCoords.data());
  } else {
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
  }
  if (HasColors()) {
    glColorMaterial(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE);
    glEnable(GL_COLOR_MATERIAL);
    glEnableClientState(GL_COLOR_ARRAY);
    glColorPointer(4, GL_UNSIGNED_BYTE, 0, colors.data());
  } else {
    glDisableClientState(GL_COLOR_ARRAY);
  }
  glDisableClientState(GL_EDGE_FLAG_ARRAY);
  glDisableClientState(GL_INDEX_ARRAY);
  if (indices16.empty())
    glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(count), GL_UNSIGNED_INT, indices32.data());
  else
    glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(count), GL_UNSIGNED_SHORT, indices16.data());
  glPopClientAttrib();
  if (extra) glPopAttrib();
}

// The record: vertex and triangle counts, what the vertices carry, then the arrays.
class TMeshField : public TPartField {
public:
  enum { kComputed = 1, kTexCoords = 2, kColors = 4, kKnown = 7 };
  TMeshField() : TPartField("Mesh", PART_MESH_FILE_VERSION) {}

  bool Save(TPart& part, TSceneFile& f) const override {
    TPartMesh& m = Of(part);
    const int n = m.VertexCount();
    const int flags = (m.computedNormals ? kComputed : 0) | (m.HasTexCoords() ? kTexCoords : 0) |
                      (m.HasColors() ? kColors : 0);
    bool ok = f.WriteInt(n) && f.WriteInt(m.TriangleCount()) && f.WriteInt(flags);
    for (float v : m.positions) ok = ok && f.WriteFloat(v);
    for (float v : m.normals) ok = ok && f.WriteFloat(v);
    for (float v : m.texCoords) ok = ok && f.WriteFloat(v);
    for (size_t i = 0; i < m.colors.size(); i += 4) {
      uint32_t rgba = 0;
      for (int k = 0; k < 4; ++k) rgba |= static_cast<uint32_t>(m.colors[i + k]) << (8 * k);
      ok = ok && f.WriteInt(static_cast<int>(rgba));
    }
    const size_t count = m.IndexCount();
    for (size_t i = 0; i < count; ++i) ok = ok && f.WriteInt(static_cast<int>(m.Index(i)));
    return ok;
  }

  bool Load(TPart& part, TSceneFile& f, bool ok) const override {
    if (!ok || f.GetVersion() < Version()) return ok;
    int n = 0, triangles = 0, flags = 0;
    if (!(f.ReadInt(Version(), &n, 0) && f.ReadInt(Version(), &triangles, 0) && f.ReadInt(Version(), &flags, 0)))
      return false;
    if (n < 0 || triangles < 0 || (flags & ~kKnown) != 0) {
      f.Fail(sfNotScene);
      return false;
    }
    const bool tex = flags & kTexCoords, col = flags & kColors;
    // Every count is checked against the bytes left before anything is allocated for it.
    const int64_t perVertex = 24 + (tex ? 8 : 0) + (col ? 4 : 0);
    const int64_t need = static_cast<int64_t>(n) * perVertex + static_cast<int64_t>(triangles) * 12;
    if (need > f.Remaining()) {
      f.Fail(sfCutShort);
      return false;
    }
    TMeshData d;
    d.Positions.resize(static_cast<size_t>(n) * 3);
    d.Normals.resize(static_cast<size_t>(n) * 3);
    if (tex) d.TexCoords.resize(static_cast<size_t>(n) * 2);
    if (col) d.Colors.resize(static_cast<size_t>(n) * 4);
    d.Indices.resize(static_cast<size_t>(triangles) * 3);
    for (float& v : d.Positions) ok = ok && f.ReadFloat(Version(), &v, 0.0f);
    for (float& v : d.Normals) ok = ok && f.ReadFloat(Version(), &v, 0.0f);
    for (float& v : d.TexCoords) ok = ok && f.ReadFloat(Version(), &v, 0.0f);
    for (size_t i = 0; ok && i < d.Colors.size(); i += 4) {
      int rgba = 0;
      ok = f.ReadInt(Version(), &rgba, 0);
      for (int k = 0; k < 4; ++k) d.Colors[i + k] = ((static_cast<uint32_t>(rgba) >> (8 * k)) & 0xFF) / 255.0f;
    }
    for (uint32_t& v : d.Indices) {
      int index = 0;
      ok = ok && f.ReadInt(Version(), &index, 0);
      if (!ok) break;
      if (index < 0 || index >= n) {
        f.Fail(sfBadMesh);
        return false;
      }
      v = static_cast<uint32_t>(index);
    }
    if (!ok) return false;
    Sanitise(d);
    // Normals made here are computed again with the crease angle read just before.
    TPartMesh& m = Of(part);
    m.Assign(std::move(d), (flags & kComputed) != 0);
    return true;
  }

  void Copy(const TPart& from, TPart& to) const override {
    const TPartMesh& s = static_cast<const TPartMesh&>(from);
    TPartMesh& m = Of(to);
    m.positions = s.positions;
    m.normals = s.normals;
    m.texCoords = s.texCoords;
    m.colors = s.colors;
    m.indices16 = s.indices16;
    m.indices32 = s.indices32;
    m.computedNormals = s.computedNormals;
    m.box = s.box;
  }

  void Show(const TPart& part, TPartFieldVisitor& v) const override {
    const TPartMesh& m = static_cast<const TPartMesh&>(part);
    v.Int("VertexCount", m.VertexCount());
    v.Int("TriangleCount", m.TriangleCount());
    v.Flag("TexCoords", m.HasTexCoords());
    v.Flag("Colors", m.HasColors());
    v.Flag("NormalsComputed", m.computedNormals);
  }

private:
  static TPartMesh& Of(TPart& part) { return static_cast<TPartMesh&>(part); }
};

const TPartClass& TPartMesh::Class() {
  static const TPartClass kind = TPartClassBuilder<TPartMesh>("TPartMesh", "Mesh", PART_TAG_MESH)
                                     .Version(PART_MESH_FILE_VERSION)
                                     .Fields([](auto& f) {
                                       f.Float("CreaseAngle", &TPartMesh::CreaseAngle, 60, PART_MESH_FILE_VERSION,
                                               &TPartMesh::SetCreaseAngle)
                                           .Edit("SizeEdit", "crease", 0, 180);
                                       f.Custom(std::make_unique<TMeshField>());
                                     });
  return kind;
}
