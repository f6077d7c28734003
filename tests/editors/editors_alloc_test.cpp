// The typed editors when an allocation fails inside their constructors, and null arguments to their setters.
// This binary replaces the global allocator, so it stands alone.
#include <gtest/gtest.h>

#include <cstdlib>
#include <new>

#include "pos3d/editors.h"

namespace {
// Allocations of `armedSize` bytes are counted while armed; the `failAt`-th one throws (0: none).
size_t armedSize = 0;
int seen = 0;
int failAt = 0;
bool armed = false;
}  // namespace

void* operator new(size_t n) {
  if (armed && n == armedSize && ++seen == failAt) throw std::bad_alloc();
  if (void* p = std::malloc(n ? n : 1)) return p;
  throw std::bad_alloc();
}
void* operator new(size_t n, const std::nothrow_t&) noexcept {
  try {
    return operator new(n);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}
// NOTE: GCC takes the replaced pair for a mismatch, though both ends are malloc and free.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif

namespace {
template <class E>
int VectorAllocations() {
  armedSize = sizeof(TFloatVector);
  seen = 0;
  failAt = 0;
  armed = true;
  { E e(nullptr); }
  armed = false;
  return seen;
}

// Fails each vector allocation the typed constructor makes after its base's; each must end in a clean throw.
template <class E>
void EveryRetypeFailureThrowsCleanly() {
  const int base = VectorAllocations<TFloatEdit>();
  const int typed = VectorAllocations<E>();
  ASSERT_GT(typed, base);
  for (int k = base + 1; k <= typed; ++k) {
    armedSize = sizeof(TFloatVector);
    seen = 0;
    failAt = k;
    armed = true;
    bool threw = false;
    try {
      E e(nullptr);
    } catch (const std::bad_alloc&) {
      threw = true;
    }
    armed = false;
    EXPECT_TRUE(threw) << "allocation " << k;
  }
}

template <class E>
void NullSettersChangeNothing() {
  E e(nullptr);
  e.GetValue()->SetElement(0, 2.5f);
  e.SetValue(nullptr);
  e.SetMin(nullptr);
  e.SetMax(nullptr);
  EXPECT_EQ(e.GetValue()->GetElement(0), 2.5f);
}
}  // namespace

TEST(TypedEditorsUnderFailure, AFailedAllocationLeavesNothingFreedTwice) {
  static_assert(sizeof(T3DVector) == sizeof(TFloatVector) && sizeof(TColorVector) == sizeof(TFloatVector) &&
                    sizeof(TAngle) == sizeof(TFloatVector),
                "the typed vectors add no state");
  EveryRetypeFailureThrowsCleanly<TPos3D>();
  EveryRetypeFailureThrowsCleanly<TColorEdit>();
  EveryRetypeFailureThrowsCleanly<TAngleEdit>();
}

TEST(TypedEditors, NullPassedToTheSettersIsIgnored) {
  NullSettersChangeNothing<TPos3D>();
  NullSettersChangeNothing<TColorEdit>();
  NullSettersChangeNothing<TAngleEdit>();
}
