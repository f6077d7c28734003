// The shared quadric lists: compiled on first use, counted, deleted with their last user.
#include "opengl/quadric_cache.h"

#include <GL/gl.h>

#include <cstring>
#include <tuple>

namespace {
uint32_t Bits(float f) {
  uint32_t b;
  std::memcpy(&b, &f, sizeof b);
  return b;
}
}  // namespace

TQuadricKey::TQuadricKey(int kind, float a, float b, float c, int d1, int d2)
    : Kind(kind), A(Bits(a)), B(Bits(b)), C(Bits(c)), Divisions1(d1), Divisions2(d2) {}

bool TQuadricKey::operator<(const TQuadricKey& o) const {
  return std::tie(Kind, A, B, C, Divisions1, Divisions2) < std::tie(o.Kind, o.A, o.B, o.C, o.Divisions1, o.Divisions2);
}

bool TQuadricKey::operator==(const TQuadricKey& o) const { return !(*this < o) && !(o < *this); }

unsigned TQuadricCache::Acquire(const TQuadricKey& key, const std::function<void()>& draw) {
  auto found = FByKey.find(key);
  if (found != FByKey.end()) {
    ++FByList[found->second].Uses;
    return found->second;
  }
  GLuint list = glGenLists(1);
  if (list == 0) return 0;
  glNewList(list, GL_COMPILE);
  draw();
  glEndList();
  FByKey[key] = list;
  Entry entry;
  entry.Key = key;
  entry.Uses = 1;
  FByList[list] = entry;
  return list;
}

void TQuadricCache::Release(unsigned list, bool deleting) {
  auto found = FByList.find(list);
  if (found == FByList.end() || --found->second.Uses > 0) return;
  FByKey.erase(found->second.Key);
  FByList.erase(found);
  if (deleting) glDeleteLists(list, 1);
}

int TQuadricCache::Uses() const {
  int n = 0;
  for (const auto& e : FByList) n += e.second.Uses;
  return n;
}

void TQuadricCache::Clear() {
  FByKey.clear();
  FByList.clear();
}

const TPartEffect* TQuadricCache::Tail(unsigned list) const {
  auto found = FByList.find(list);
  return found != FByList.end() && found->second.HasTail ? &found->second.Tail : nullptr;
}

void TQuadricCache::SetTail(unsigned list, const TPartEffect& tail) {
  auto found = FByList.find(list);
  if (found == FByList.end()) return;
  found->second.Tail = tail;
  found->second.HasTail = true;
}
