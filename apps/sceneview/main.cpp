// sceneview: shows a scene file in a window, renders it to a PNG, dumps it as JSON, or saves it again.
#include <cstdio>
#include <string>

#include "framework/controls/application.h"
#include "framework/controls/controls.h"
#include "opengl/opengl.h"
#include "opengl/orbit_camera.h"
#include "options.h"
#include "scene_dump.h"
#include "model_files.h"
#include "scene_files.h"
#include "tool_main.h"
#include "viewer.h"

namespace {

int Fail(const Options& opt, const std::string& message) {
  std::fprintf(stderr, "sceneview: %s: %s\n", opt.file.c_str(), message.c_str());
  return 1;
}

// --png (with --pick), --dump and --save: no window on a display.
int RunHeadless(const Options& opt) {
  Application->Initialize(BackendKind::Headless);
  TForm form(nullptr);
  TOpenGl* gl = MakeHeadlessView(form, opt.width, opt.height);
  std::string error;
  if (!LoadSceneOrModel(gl, opt.file, error)) return Fail(opt, error);
  if (opt.dump) DumpScene(stdout, gl);
  if (!opt.save.empty() && !gl->SaveTo(opt.save.c_str())) {
    std::fprintf(stderr, "sceneview: could not save %s: %s\n", opt.save.c_str(), gl->SaveError().c_str());
    return 1;
  }
  if (!opt.png.empty()) {
    // Framed as the window frames it on load: the picture matches what the window shows.
    if (opt.fit) {
      TOrbitCamera camera(&form);
      camera.SetViewport(gl);
      camera.Fit();
    }
    if (!WriteHeadlessPng("sceneview", form, gl, opt.png)) return 1;
    if (opt.pick) {
      TPart* part = gl->PartAt(opt.pickX, opt.pickY);
      if (part) std::printf("%s\n", TOpenGl::PartPath(part).c_str());
    }
  }
  return 0;
}

int RunWindow(const Options& opt) {
  Application->Initialize(BackendKind::Auto);
  TSceneViewer viewer(opt.file, opt.width, opt.height);
  std::string error;
  if (!viewer.Open(error)) return Fail(opt, error);
  if (!Application->OnDisplay()) {
    std::fprintf(stderr, "sceneview: no display to show %s on; use --png, --dump or --save\n", opt.file.c_str());
    return 2;
  }
  viewer.Run();
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  Options opt;
  std::string error;
  bool parsed = ParseOptions(argc, argv, opt, error);
  return ToolMain("sceneview", kSceneviewUsage, parsed, error, opt.help, opt.file, [&opt] {
    bool window = opt.png.empty() && opt.save.empty() && !opt.dump;
    return window ? RunWindow(opt) : RunHeadless(opt);
  });
}
