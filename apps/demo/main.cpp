// Demo host: a form with a viewport showing an animated, lit, textured scene.
// Headless it renders a number of frames, writes a PNG and reports; on a display it opens a window.
#include <GL/gl.h>

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "framework/controls/application.h"
#include "framework/controls/controls.h"
#include "framework/graphics/screenshot.h"
#include "opengl/luce.h"
#include "opengl/opengl.h"
#include "parts/parts.h"
#include "parts/primitives.h"
#include "parts/quad.h"
#include "pos3d/editors.h"

namespace {

struct Options {
  int frames = 60;
  std::string png = "demo.png";
  std::string save;
  int width = 640, height = 480;
  bool headless = false;
  bool still = false;
};

const int kMaxSide = 16384;

const char* const kUsage =
    "usage: demo [--headless] [--still] [--frames N] [--png FILE] [--save SCENE] [--size WxH]\n"
    "  --headless      no window, even on a display (without a display it is always so)\n"
    "  --still         the scene does not turn\n"
    "  --frames N      headless: frames to render before the picture is written (60)\n"
    "  --png FILE      headless: where the last frame goes (demo.png)\n"
    "  --save SCENE    save the scene to a scene file on the way out\n"
    "  --size WxH      the window or picture size (640x480)\n"
    "  --help, -h      this text\n";

// A bad command line: what was wrong, then the usage.
[[noreturn]] void Usage(const std::string& why) {
  std::fprintf(stderr, "demo: %s\n", why.c_str());
  std::fputs(kUsage, stderr);
  std::exit(2);
}

// Reads a whole decimal number from 1 to max at text, stopping at `end` (a character, or 0 for the
// string's end); null when there is none, else where it stopped.
const char* ParsePositive(const char* text, char end, long max, int& out) {
  if (!std::isdigit(static_cast<unsigned char>(*text))) return nullptr;
  errno = 0;
  char* stop = nullptr;
  const long v = std::strtol(text, &stop, 10);
  if (errno != 0 || *stop != end || v < 1 || v > max) return nullptr;
  out = static_cast<int>(v);
  return stop;
}

void ParseFrames(const char* text, Options& o) {
  if (!ParsePositive(text, 0, INT_MAX, o.frames)) Usage(std::string("--frames takes a whole number from 1, not ") + text);
}

void ParseSize(const char* text, Options& o) {
  const char* x = ParsePositive(text, 'x', kMaxSide, o.width);
  if (!x || !ParsePositive(x + 1, 0, kMaxSide, o.height)) Usage(std::string("--size takes WxH, not ") + text);
}

Options Parse(int argc, char** argv) {
  Options o;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "--help" || a == "-h") {
      std::fputs(kUsage, stdout);
      std::exit(0);
    } else if (a == "--frames" && i + 1 < argc) ParseFrames(argv[++i], o);
    else if (a == "--png" && i + 1 < argc) o.png = argv[++i];
    else if (a == "--save" && i + 1 < argc) o.save = argv[++i];
    else if (a == "--headless") o.headless = true;
    else if (a == "--still") o.still = true;
    else if (a == "--size" && i + 1 < argc) ParseSize(argv[++i], o);
    else if (a == "--frames" || a == "--png" || a == "--save" || a == "--size") Usage(a + " needs a value");
    else Usage("unexpected argument " + a);
  }
  return o;
}

// Saves the scene; a file that cannot be made is reported like any other failed save.
bool SaveScene(TOpenGl* gl, const std::string& path) {
  try {
    if (gl->SaveTo(path.c_str())) return true;
    std::fprintf(stderr, "demo: could not save %s: %s\n", path.c_str(), gl->SaveError().c_str());
  } catch (const Exception& e) {
    std::fprintf(stderr, "demo: could not save %s: %s\n", path.c_str(), e.what());
  }
  return false;
}

// A checkerboard for the cube's texture slot.
void MakeTexture(TOpenGl* gl) {
  TPicture pic;
  TBitmap* bmp = pic.Bitmap();
  bmp->SetSize(64, 64);
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x) bmp->SetPixel(x, y, ((x / 8 + y / 8) % 2) ? 0x2080F0 : 0xF0F0F0);
  gl->SetTextureMagFilter(0, GL_LINEAR);
  gl->SetPicture(0, &pic);
}

void Material(TPart* p, float r, float g, float b) {
  p->SetUseMaterial(true);
  p->SetDiffuseR(r);
  p->SetDiffuseG(g);
  p->SetDiffuseB(b);
  p->SetAmbientR(r * 0.3f);
  p->SetAmbientG(g * 0.3f);
  p->SetAmbientB(b * 0.3f);
}

void BuildScene(TOpenGl* gl) {
  // The floor comes first: a polygon switches on the generated texture coordinates that the cube, which has
  // none of its own, is textured with.
  TPart* floor = gl->AddQuad(nullptr, "Floor");
  floor->SetRX(1); floor->SetRotationAngle(-90);
  floor->SetPY(-1.6f);
  floor->SetSX(4); floor->SetSY(4);
  Material(floor, 0.5f, 0.5f, 0.6f);
  TPart* spinner = gl->AddGroup(nullptr, "Spinner");
  spinner->SetRY(1);
  TPart* box = gl->AddCube(spinner, "Box");
  box->SetSX(1.6f); box->SetSY(1.6f); box->SetSZ(1.6f);
  box->SetTexture(0);
  Material(box, 1, 1, 1);
  TPart* ball = gl->AddSphere(spinner, "Ball");
  ball->SetPX(2.6f);
  ball->SetSX(0.7f); ball->SetSY(0.7f); ball->SetSZ(0.7f);
  Material(ball, 0.9f, 0.2f, 0.2f);
  auto* cone = static_cast<TPartCylinder*>(gl->AddCylinder(spinner, "Cone"));
  cone->SetTopRadius(0);
  cone->SetPX(-2.6f);
  cone->SetRX(1); cone->SetRotationAngle(-90);
  cone->SetSX(0.7f); cone->SetSY(0.7f); cone->SetSZ(1.4f);
  Material(cone, 0.2f, 0.8f, 0.3f);
  auto* ring = static_cast<TPartDisk*>(gl->AddDisk(nullptr, "Ring"));
  ring->SetInnerRadius(0.5f);
  ring->SetOuterRadius(1.0f);
  ring->SetPY(2.2f);
  ring->SetRY(1); ring->SetRotationAngle(180);
  Material(ring, 0.9f, 0.8f, 0.2f);

  TLuce sun;
  sun.SetEnabled(true);
  sun.SetPositionX(-0.5f); sun.SetPositionY(1); sun.SetPositionZ(-1); sun.SetPositionW(0);
  sun.SetAmbientR(0.2f); sun.SetAmbientG(0.2f); sun.SetAmbientB(0.2f);
  gl->SetLight(0, &sun);
  TLuce lamp;
  lamp.SetEnabled(true);
  lamp.SetPositionX(3); lamp.SetPositionY(3); lamp.SetPositionZ(-3); lamp.SetPositionW(1);
  lamp.SetDiffuseR(1); lamp.SetDiffuseG(0.7f); lamp.SetDiffuseB(0.4f);
  gl->SetLight(1, &lamp);
}

class Demo : public TObject {
public:
  TOpenGl* gl = nullptr;
  int frames = 0, target = 0;
  bool still = false;
  TPos3D* eyeEdit = nullptr;
  TColorEdit* colorEdit = nullptr;
  TAngleEdit* angleEdit = nullptr;

  void Frame(TObject*) {
    ++frames;
    if (TPart* s = gl->FindPart("Spinner"); s && !still) s->SetRotationAngle(s->RotationAngle + 3);
    if (target > 0 && frames >= target) Application->Terminate();
  }
  // Each editor change goes straight to the viewport; the line lets a watcher follow the values.
  void EyeChanged(TObject*) {
    T3DVector* v = eyeEdit->GetValue();
    gl->SetEyePosition(v);
    std::printf("EyePosition %.3f %.3f %.3f\n", v->GetX(), v->GetY(), v->GetZ());
    std::fflush(stdout);
  }
  void ColorChanged(TObject*) {
    TColorVector* c = colorEdit->GetValue();
    gl->SetClearColor(c);
    std::printf("ClearColor %.3f %.3f %.3f\n", c->GetR(), c->GetG(), c->GetB());
    std::fflush(stdout);
  }
  void AngleChanged(TObject*) {
    float degrees = angleEdit->GetValue()->GetDegrees();
    if (TPart* ring = gl->FindPart("Ring")) ring->SetRotationAngle(degrees);
    std::printf("RotationAngle %.3f\n", degrees);
    std::fflush(stdout);
  }
  void Closed(TObject*) { Application->Terminate(); }
};

// The editor strip below the viewport: camera position, clear colour, the ring's rotation.
void BuildEditors(TForm* form, Demo& demo) {
  auto* strip = new TPanel(form);
  strip->Name = "EditorStrip";
  strip->SetParent(form);
  strip->SetHeight(3 * 41 + 2);
  strip->SetAlign(alBottom);

  auto* angle = new TAngleEdit(form);
  angle->Name = "AngleEdit";
  angle->SetParent(strip);
  angle->SetAlign(alTop);
  TAngle a;
  a.SetDegrees(demo.gl->FindPart("Ring")->RotationAngle);
  angle->SetValue(&a);
  // Arrows step, trough clicks page: 5 and 45 degrees, 0.1 and 0.25 of a colour, 0.5 and 2 units of the camera.
  angle->ScrollBar()->SmallChange = 5000;
  angle->ScrollBar()->LargeChange = 45000;
  angle->OnChange = MakeEvent(&demo, &Demo::AngleChanged);
  demo.angleEdit = angle;

  auto* color = new TColorEdit(form);
  color->Name = "ColorEdit";
  color->SetParent(strip);
  color->SetAlign(alTop);
  TColorVector one;
  one.SetR(1); one.SetG(1); one.SetB(1); one.SetA(1);
  color->SetMax(&one);
  color->SetValue(demo.gl->ClearColor());
  color->ScrollBar()->SmallChange = 100;
  color->ScrollBar()->LargeChange = 250;
  color->OnChange = MakeEvent(&demo, &Demo::ColorChanged);
  demo.colorEdit = color;

  auto* eye = new TPos3D(form);
  eye->Name = "EyeEdit";
  eye->SetParent(strip);
  eye->SetAlign(alTop);
  eye->SetValue(demo.gl->EyePosition());
  eye->ScrollBar()->SmallChange = 500;
  eye->ScrollBar()->LargeChange = 2000;
  eye->OnChange = MakeEvent(&demo, &Demo::EyeChanged);
  demo.eyeEdit = eye;
}

}  // namespace

int main(int argc, char** argv) {
  Options opt = Parse(argc, argv);
  Application->Initialize(opt.headless ? BackendKind::Headless : BackendKind::Auto);
  bool display = Application->OnDisplay();

  auto* form = new TForm(nullptr);
  form->SetCaption("viewport3d demo");
  form->SetBounds(0, 0, opt.width, opt.height);
  auto* gl = new TOpenGl(form);
  gl->SetParent(form);
  gl->SetAlign(alClient);
  // The ring turns every frame: per part, the frame draws its group from the new values, nothing is compiled.
  gl->SetListMode(lmPerPart);
  gl->SetPromptRefresh(true);
  // Made in code rather than read from a form: the host calls Loaded itself.
  gl->Loaded();
  T3DVector eye;
  eye.SetY(3);
  eye.SetZ(-8);
  gl->SetEyePosition(&eye);
  gl->SetProjectionFar(30);
  TColorVector sky;
  sky.SetR(0.1f); sky.SetG(0.12f); sky.SetB(0.2f);
  gl->SetClearColor(&sky);
  MakeTexture(gl);
  BuildScene(gl);

  Demo demo;
  demo.gl = gl;
  demo.target = display ? 0 : opt.frames;
  demo.still = opt.still;
  if (display) {
    BuildEditors(form, demo);
    form->OnClose = MakeEvent(&demo, &Demo::Closed);
  }
  gl->OnFrame = MakeEvent(&demo, &Demo::Frame);
  gl->SetAnimation(true);
  form->Show();
  Application->Run();

  int status = 0;
  if (!display) {
    if (SaveWindowPng(gl->Handle(), opt.png.c_str()))
      std::printf("rendered %d frames of %dx%d headless, %.1f fps; wrote %s\n", demo.frames, gl->Width(), gl->Height(),
                  gl->Fps(), opt.png.c_str());
    else {
      std::fprintf(stderr, "could not write %s\n", opt.png.c_str());
      status = 1;
    }
  }
  if (!opt.save.empty()) {
    if (SaveScene(gl, opt.save)) std::printf("saved the scene to %s\n", opt.save.c_str());
    else status = 1;
  }
  delete form;
  return status;
}
