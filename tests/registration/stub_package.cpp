// Libraries that look like packages but misbehave; which way is chosen when building each one.
#include <stdexcept>

#define STUB_EXPORT __attribute__((visibility("default")))

extern "C" {
#if defined(STUB_DATA_INITIALIZE)
STUB_EXPORT int Initialize[4] = {1, 2, 3, 4};
#else
STUB_EXPORT void Initialize() {
#if defined(STUB_THROWING_INITIALIZE)
  throw std::runtime_error("stub refuses to start");
#endif
}
#endif

#if defined(STUB_DATA_FINALIZE)
STUB_EXPORT int Finalize[4] = {1, 2, 3, 4};
#elif defined(STUB_THROWING_FINALIZE)
STUB_EXPORT void Finalize() { throw std::runtime_error("stub refuses to stop"); }
#endif
}
