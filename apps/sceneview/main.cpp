// sceneview: shows a scene file in a window, renders it to a PNG, dumps it as JSON, or saves it again.
#include <cstdio>
#include <ctime>
#include <exception>
#include <string>

#include "framework/controls/application.h"
#include "framework/controls/controls.h"
#include "opengl/opengl.h"
#include "options.h"
#include "scene_dump.h"
#include "scene_files.h"
#include "viewer.h"

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

int Fail(const Options& opt, const std::string& message) {
  std::fprintf(stderr, "sceneview: %s: %s\n", opt.file.c_str(), message.c_str());
  return 1;
}

// --png (with --pick), --dump and --save: no window on a display.
int RunHeadless(const Options& opt) {
  Application->Initialize(BackendKind::Headless);
  TForm form(nullptr);
  form.SetBounds(0, 0, opt.width, opt.height);
  auto* gl = new TOpenGl(&form);
  gl->SetParent(&form);
  gl->SetAlign(alClient);
  gl->SetListMode(lmPerPart);
  gl->Loaded();
  std::string error;
  if (!LoadSceneFile(gl, opt.file, error)) return Fail(opt, error);
  if (opt.dump) DumpScene(stdout, gl);
  if (!opt.save.empty() && !gl->SaveTo(opt.save.c_str())) {
    std::fprintf(stderr, "sceneview: could not save %s\n", opt.save.c_str());
    return 1;
  }
  if (!opt.png.empty()) {
    form.Show();
    Settle(gl);
    if (!gl->SaveSnapshot(opt.png.c_str())) {
      std::fprintf(stderr, "sceneview: could not write %s\n", opt.png.c_str());
      return 1;
    }
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
  if (!ParseOptions(argc, argv, opt, error)) {
    std::fprintf(stderr, "sceneview: %s\n%s", error.c_str(), kSceneviewUsage);
    return 2;
  }
  if (opt.help) {
    std::fputs(kSceneviewUsage, stdout);
    return 0;
  }
  // The framework raises where the platform would (a bad image): report, never crash.
  try {
    bool window = opt.png.empty() && opt.save.empty() && !opt.dump;
    return window ? RunWindow(opt) : RunHeadless(opt);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "sceneview: %s: %s\n", opt.file.c_str(), e.what());
  } catch (...) {
    std::fprintf(stderr, "sceneview: %s: cannot be loaded\n", opt.file.c_str());
  }
  return 1;
}
