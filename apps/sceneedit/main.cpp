// sceneedit: edits a scene file in a window, or renders one headless to a PNG.
#include <cstdio>
#include <string>

#include "commands.h"
#include "editor.h"
#include "framework/controls/application.h"
#include "framework/controls/controls.h"
#include "opengl/opengl.h"
#include "opengl/orbit_camera.h"
#include "options.h"
#include "scene_files.h"
#include "tool_main.h"

namespace {

int RenderPng(const EditOptions& opt) {
  Application->Initialize(BackendKind::Headless);
  TForm form(nullptr);
  TOpenGl* gl = MakeHeadlessView(form, opt.width, opt.height);
  std::string error;
  if (!LoadSceneFile(gl, opt.file, error)) {
    std::fprintf(stderr, "sceneedit: %s: %s\n", opt.file.c_str(), error.c_str());
    return 1;
  }
  return WriteHeadlessPng("sceneedit", form, gl, opt.png) ? 0 : 1;
}

int RunWindow(const EditOptions& opt) {
  Application->Initialize(BackendKind::Auto);
  if (!Application->OnDisplay()) {
    std::fprintf(stderr, "sceneedit: no display to edit on (is DISPLAY set?); use --png OUT to render a file\n");
    return 2;
  }
  TSceneEditor editor(opt.width, opt.height);
  std::string error;
  if (!editor.Open(opt.file, error)) {
    std::fprintf(stderr, "sceneedit: %s: %s\n", opt.file.c_str(), error.c_str());
    return 1;
  }
  editor.Run();
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  EditOptions opt;
  std::string error;
  bool parsed = ParseEditOptions(argc, argv, opt, error);
  std::string usage = SceneeditUsage();
  return ToolMain("sceneedit", usage.c_str(), parsed, error, opt.help, opt.file,
                  [&opt] { return opt.png.empty() ? RunWindow(opt) : RenderPng(opt); });
}
