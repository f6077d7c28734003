// sceneedit: edits a scene file in a window, or renders one headless to a PNG.
#include <cstdio>
#include <ctime>
#include <exception>
#include <string>

#include "editor.h"
#include "framework/controls/application.h"
#include "framework/controls/controls.h"
#include "opengl/opengl.h"
#include "opengl/orbit_camera.h"
#include "options.h"
#include "scene_files.h"

namespace {

// Lets the model and repaint timers run, then makes sure one last frame is drawn.
void Settle(TOpenGl* gl) {
  int64_t end = Application->NowMs() + 150;
  while (Application->NowMs() < end) {
    Application->ProcessMessages();
    timespec ts = {0, 5 * 1000 * 1000};
    nanosleep(&ts, nullptr);
  }
  InvalidateRect(gl->Handle(), nullptr, FALSE);
  Application->ProcessMessages();
}

int RenderPng(const EditOptions& opt) {
  Application->Initialize(BackendKind::Headless);
  TForm form(nullptr);
  form.SetBounds(0, 0, opt.width, opt.height);
  auto* gl = new TOpenGl(&form);
  gl->SetParent(&form);
  gl->SetAlign(alClient);
  gl->SetListMode(lmPerPart);
  gl->Loaded();
  std::string error;
  if (!LoadSceneFile(gl, opt.file, error)) {
    std::fprintf(stderr, "sceneedit: %s: %s\n", opt.file.c_str(), error.c_str());
    return 1;
  }
  form.Show();
  Settle(gl);
  if (!gl->SaveSnapshot(opt.png.c_str())) {
    std::fprintf(stderr, "sceneedit: could not write %s\n", opt.png.c_str());
    return 1;
  }
  return 0;
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
  if (!ParseEditOptions(argc, argv, opt, error)) {
    std::fprintf(stderr, "sceneedit: %s\n%s", error.c_str(), kSceneeditUsage);
    return 2;
  }
  if (opt.help) {
    std::fputs(kSceneeditUsage, stdout);
    return 0;
  }
  // The framework raises where the platform would (a bad image): report, never crash.
  try {
    return opt.png.empty() ? RunWindow(opt) : RenderPng(opt);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "sceneedit: %s\n", e.what());
  }
  return 1;
}
