// Loads the installed component package into a host made with v3d_package_host and lists its palette.
#include <cstdio>

#include "framework/controls/application.h"
#include "framework/graphics/registry.h"

int main() {
  Application->Initialize(BackendKind::Headless);
  // The package takes the framework from this program: it registers on this program's palette.
  HMODULE package = LoadPackage(V3D_PACKAGE_PATH);
  size_t classes = PaletteClasses("3D").size();
  UnloadPackage(package);
  std::printf("package host: the package put %zu classes on the palette\n", classes);
  return classes == 5 ? 0 : 1;
}
