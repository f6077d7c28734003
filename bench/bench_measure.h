// What every benchmark section measures with: the wall clock, the median of repeats, the heap in use.
#pragma once

#include <malloc.h>

#include <algorithm>
#include <chrono>
#include <vector>

namespace bench {

inline double Now() {
  using namespace std::chrono;
  return duration<double>(steady_clock::now().time_since_epoch()).count();
}

inline double Median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  const size_t n = v.size();
  return n % 2 ? v[n / 2] : 0.5 * (v[n / 2 - 1] + v[n / 2]);
}

// Bytes the allocator has handed out, over all arenas and mmapped blocks.
inline size_t Heap() {
  struct mallinfo2 m = mallinfo2();
  return m.uordblks + m.hblkhd;
}

}  // namespace bench
