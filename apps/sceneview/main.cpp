// sceneview: shows a scene file in a window, renders it to a PNG, dumps it as JSON, or saves it again.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <algorithm>
#include <exception>
#include <string>

#include "framework/controls/application.h"
#include "framework/controls/controls.h"
#include "framework/graphics/screenshot.h"
#include "files/files.h"
#include "opengl/opengl.h"
#include "scene_dump.h"

namespace {

const char* const kUsage =
    "usage: sceneview FILE                      show the scene (drag to orbit, wheel to zoom)\n"
    "       sceneview FILE --png OUT [--size WxH] render it headless to a PNG\n"
    "       sceneview FILE --dump                print it as JSON\n"
    "       sceneview FILE --save OUT            load it and save it again as the current version\n";

struct Options {
  std::string file, png, save;
  bool dump = false;
  int width = 640, height = 480;
};

bool Parse(int argc, char** argv, Options& o) {
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "--png" && i + 1 < argc) o.png = argv[++i];
    else if (a == "--save" && i + 1 < argc) o.save = argv[++i];
    else if (a == "--dump") o.dump = true;
    else if (a == "--size" && i + 1 < argc) {
      char tail = 0;
      if (std::sscanf(argv[++i], "%dx%d%c", &o.width, &o.height, &tail) != 2 || o.width < 1 || o.height < 1 ||
          o.width > 8192 || o.height > 8192)
        return false;
    } else if (!a.empty() && a[0] != '-' && o.file.empty()) o.file = a;
    else return false;
  }
  return !o.file.empty();
}

const int kNewestVersion = SCENE_FILE_VERSION;

// The header's version; false when the file has no four bytes to read (the load reports that).
bool ReadVersion(const std::string& path, int& version) {
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  unsigned char b[4];
  bool ok = std::fread(b, 1, 4, f) == 4;
  std::fclose(f);
  if (ok) version = static_cast<int>(static_cast<uint32_t>(b[0]) | (static_cast<uint32_t>(b[1]) << 8) |
                                     (static_cast<uint32_t>(b[2]) << 16) | (static_cast<uint32_t>(b[3]) << 24));
  return ok;
}

// A viewport the mouse moves around: dragging orbits the eye about the target, the wheel zooms.
class OrbitView : public TOpenGl {
public:
  using TOpenGl::TOpenGl;
  void MouseDown(int x, int y) override {
    FLastX = x;
    FLastY = y;
  }
  void MouseMove(int x, int y, bool buttonDown) override {
    if (!buttonDown) return;
    Orbit((x - FLastX) * 0.01, (y - FLastY) * 0.01, 1.0);
    FLastX = x;
    FLastY = y;
  }
  void Dispatch(void* Message) override {
    auto* m = static_cast<TMessage*>(Message);
    if (m->Msg == WM_MOUSEWHEEL) {
      int delta = static_cast<int16_t>((m->WParam >> 16) & 0xFFFF);
      Orbit(0, 0, delta > 0 ? 0.9 : 1.0 / 0.9);
      return;
    }
    TOpenGl::Dispatch(Message);
  }

private:
  void Orbit(double yaw, double pitch, double zoom) {
    T3DVector* eye = EyePosition();
    T3DVector* target = EyeTarget();
    double dx = eye->GetX() - target->GetX(), dy = eye->GetY() - target->GetY(), dz = eye->GetZ() - target->GetZ();
    double r = std::sqrt(dx * dx + dy * dy + dz * dz);
    if (!(r > 1e-6) || !std::isfinite(r)) return;
    double theta = std::atan2(dx, dz) - yaw;
    double phi = std::asin(std::max(-1.0, std::min(1.0, dy / r))) + pitch;
    phi = std::max(-1.5, std::min(1.5, phi));
    r *= zoom;
    T3DVector next;
    next.SetX(static_cast<float>(target->GetX() + r * std::cos(phi) * std::sin(theta)));
    next.SetY(static_cast<float>(target->GetY() + r * std::sin(phi)));
    next.SetZ(static_cast<float>(target->GetZ() + r * std::cos(phi) * std::cos(theta)));
    next.SetW(eye->GetW());
    SetEyePosition(&next);
  }
  int FLastX = 0, FLastY = 0;
};

// What a load leaves unapplied (camera, clear colour, texture parameters) goes to GL now.
void Apply(TOpenGl* gl) {
  gl->SetProjection();
  gl->SetClearColor(gl->ClearColor());
  for (int i = 0; i < TEXTURE_SLOTS; ++i) gl->UpdateTextureParams(i);
}

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

class Closer : public TObject {
public:
  void Closed(TObject*) { Application->Terminate(); }
};

int Run(const Options& opt) {
  bool window = opt.png.empty() && opt.save.empty() && !opt.dump;
  Application->Initialize(window ? BackendKind::Auto : BackendKind::Headless);
  // The stream takes any version and reads defaults for what a version lacks, so a foreign file
  // would load as an empty scene: refuse it here.
  int version = 0;
  if (ReadVersion(opt.file, version) && (version < 0 || version > kNewestVersion)) {
    std::fprintf(stderr, "sceneview: %s: not a scene file (version %d; versions 0 to %d are known)\n",
                 opt.file.c_str(), version, kNewestVersion);
    return 1;
  }
  auto* form = new TForm(nullptr);
  form->SetCaption(("sceneview - " + opt.file).c_str());
  form->SetBounds(0, 0, opt.width, opt.height);
  auto* gl = new OrbitView(form);
  gl->SetParent(form);
  gl->SetAlign(alClient);
  gl->Loaded();
  int status = 0;
  try {
    if (!gl->LoadFrom(opt.file.c_str())) {
      std::fprintf(stderr, "sceneview: %s: not a complete scene file (a read failed)\n", opt.file.c_str());
      status = 1;
    }
  } catch (...) {
    delete form;
    throw;
  }
  if (status == 0 && window && !Application->OnDisplay()) {
    std::fprintf(stderr, "sceneview: no display to show %s on; use --png, --dump or --save\n", opt.file.c_str());
    status = 2;
  }
  if (status == 0) {
    Apply(gl);
    if (opt.dump) DumpScene(stdout, gl);
    if (!opt.save.empty() && !gl->SaveTo(opt.save.c_str())) {
      std::fprintf(stderr, "sceneview: could not save %s\n", opt.save.c_str());
      status = 1;
    }
    if (!opt.png.empty()) {
      form->Show();
      Settle(gl);
      if (!SaveWindowPng(gl->Handle(), opt.png.c_str())) {
        std::fprintf(stderr, "sceneview: could not write %s\n", opt.png.c_str());
        status = 1;
      }
    }
    if (window) {
      Closer closer;
      form->OnClose = MakeEvent(&closer, &Closer::Closed);
      form->Show();
      Application->Run();
    }
  }
  delete form;
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  Options opt;
  if (!Parse(argc, argv, opt)) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  // The framework raises where the platform would (a missing file, a bad image): report, never crash.
  try {
    return Run(opt);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "sceneview: %s: %s\n", opt.file.c_str(), e.what());
  } catch (...) {
    std::fprintf(stderr, "sceneview: %s: cannot be loaded\n", opt.file.c_str());
  }
  return 1;
}
