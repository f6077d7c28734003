// Feeds arbitrary bytes to a viewport's scene loader.
#include <cstddef>
#include <cstdint>

#include "framework/controls/application.h"
#include "opengl/opengl.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // One viewport for the whole run: each load replaces its scene.
  static TOpenGl* gl = [] {
    Application->UseManualClock(true);
    auto* v = new TOpenGl(nullptr);
    v->SetBounds(0, 0, 16, 16);
    v->Loaded();
    return v;
  }();
  TMemoryStream s;
  if (size) s.Write(data, static_cast<int32_t>(size));
  s.SetPosition(0);
  try {
    gl->LoadFromStream(&s);
  } catch (const Exception&) {
    // the platform's decoder refuses a bad image by raising
  }
  Application->RunFor(20);  // compile and paint what was loaded
  return 0;
}
