// Feeds arbitrary bytes to the model import: assimp's readers (OBJ, STL, PLY, glTF, glb) and the
// conversion into mesh parts. The first byte picks the format (o, s, p, g, b); the rest is the file.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "framework/controls/application.h"
#include "opengl/opengl.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static TOpenGl* gl = [] {
    Application->UseManualClock(true);
    auto* v = new TOpenGl(nullptr);
    v->SetBounds(0, 0, 16, 16);
    v->Loaded();
    // A hostile count must be refused, not allocated.
    v->SetImportTriangleBudget(1000000);
    return v;
  }();
  if (size < 1) return 0;
  const char* ext = ".obj";
  switch (data[0]) {
    case 's': ext = ".stl"; break;
    case 'p': ext = ".ply"; break;
    case 'g': ext = ".gltf"; break;
    case 'b': ext = ".glb"; break;
    default: break;
  }
  // The readers take files by name (the format from the extension, and OBJ's materials beside it).
  static const std::string stem = "/tmp/v3d_model_fuzz_" + std::to_string(getpid());
  const std::string path = stem + ext;
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return 0;
  std::fwrite(data + 1, 1, size - 1, f);
  std::fclose(f);
  if (TPart* part = gl->ImportModel(path.c_str(), nullptr)) {
    Application->RunFor(20);  // compile and paint what was imported
    gl->DeleteObject(part);
    delete part;
    for (int i = 0; i < TEXTURE_SLOTS; ++i) gl->SetPicture(i, nullptr);
  }
  std::remove(path.c_str());
  return 0;
}
