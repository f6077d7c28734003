// Display lists of quadric geometry shared by every part that draws the same shape in one context.
#pragma once

#include <cstdint>
#include <functional>
#include <map>

#include "parts/part_effect.h"

// What makes two quadrics draw the same triangles: the kind, its radii and height, its subdivisions.
// The draw style, normals, texture coordinates and orientation are the same for every part.
struct TQuadricKey {
  TQuadricKey() = default;
  TQuadricKey(int kind, float a, float b, float c, int d1, int d2);
  int Kind = 0;
  // The floats' bits: a NaN radius must still order and compare like any other value.
  uint32_t A = 0, B = 0, C = 0;
  int Divisions1 = 0, Divisions2 = 0;
  bool operator<(const TQuadricKey& o) const;
  bool operator==(const TQuadricKey& o) const;
};

// Counted lists: the first user compiles one, the last release deletes it. The context must be
// current for Acquire, and for Release when Deleting is true.
class TQuadricCache {
public:
  // The list for key, compiled with draw when no part uses one yet; 0 when GL gives no list.
  unsigned Acquire(const TQuadricKey& key, const std::function<void()>& draw);
  // Drops one use of list; deletes it in GL (when deleting) once nobody uses it.
  void Release(unsigned list, bool deleting);
  // Lists alive, and the uses of them.
  int Count() const { return static_cast<int>(FByKey.size()); }
  int Uses() const;
  // The context went away with its lists: forget them.
  void Clear();
  // What drawing a list leaves set (its last normal and texture coordinates); null until set.
  const TPartEffect* Tail(unsigned list) const;
  void SetTail(unsigned list, const TPartEffect& tail);

private:
  struct Entry {
    TQuadricKey Key;
    int Uses = 0;
    bool HasTail = false;
    TPartEffect Tail;
  };
  std::map<TQuadricKey, unsigned> FByKey;
  std::map<unsigned, Entry> FByList;
};
