// The package's entry points: its unit table, description and palette images for the loader.
#include "framework/graphics/registry.h"
#include "opengl/register.h"
#include "package/palette.h"

namespace {

// Of the package's units only Opengl registers anything; none has start-up or shut-down work.
const TPackageUnit kUnits[] = {
    {"Files", nullptr}, {"Pos3d", nullptr}, {"Parts", nullptr}, {"Opengl", &Opengl::Register}, {"Viewport3d", nullptr},
};

TPackageInfo gInfo;

const TPackageInfo* Info() {
  int count = 0;
  gInfo.Description = "OpenGl component";
  gInfo.Units = kUnits;
  gInfo.UnitCount = sizeof(kUnits) / sizeof(kUnits[0]);
  gInfo.Images = PaletteImages(&count);
  gInfo.ImageCount = count;
  return &gInfo;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) void Initialize() { InitializePackage(Info()); }

extern "C" __attribute__((visibility("default"))) void Finalize() { FinalizePackage(Info()); }
