// The benchmark program: the paint cycle, model rebuilds, scene files, scale and change latency, each
// measured side by side with a bare baseline in the same run, printed as a table and written as JSON.
#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/gl.h>
#include <GL/glu.h>
#include <malloc.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "bench/bench_big.h"
#include "bench/bench_models.h"
#include "framework/controls/application.h"
#include "framework/platform/winapi.h"
#include "opengl/opengl.h"
#include "parts/parts.h"
#include "parts/primitives.h"
#include "bench_measure.h"
#include "bench_viewport.h"

namespace {

using bench::Heap;
using bench::Median;
using bench::Now;

// CPU seconds of this thread, user and system: what a shared machine's other load does not inflate.
double CpuS() {
  timespec ts{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

// 10000 -> "10,000".
std::string Count(long n) {
  std::string digits = std::to_string(n), out;
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i && (digits.size() - i) % 3 == 0) out += ',';
    out += digits[i];
  }
  return out;
}

// Minor page faults of this process so far: first touches of fresh memory.
long MinorFaults() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return u.ru_minflt;
}

struct Options {
  std::string json = "bench-results.json";
  std::string dir;
  long maxParts = 1000000;
  int paintParts = 1000;
  int rebuildParts = 10000;
  int fileParts = 100000;
  int width = 320, height = 240;
  int rounds = 5;
  double blockSeconds = 0.15;
  int latencySamples = 30;
  int modeParts = 1000;
  TBigOptions big;
};

// ---- the scene both sides draw

enum Kind { kCube, kSphere, kCylinder, kDisk };

struct Item {
  Kind kind;
  float px, py, pz, angle, scale;
};

// Seven cubes in ten, the rest quadrics, on a lattice that fills the default view.
Item ItemAt(int i) {
  static const Kind kinds[10] = {kCube, kCube, kCube, kCube, kCube, kCube, kCube, kSphere, kCylinder, kDisk};
  Item it;
  it.kind = kinds[i % 10];
  it.px = static_cast<float>(i % 23) * 0.3f - 3.3f;
  it.py = static_cast<float>((i / 23) % 19) * 0.3f - 2.7f;
  it.pz = static_cast<float>((i / 437) % 17) * 0.3f - 2.4f;
  it.angle = static_cast<float>((i * 37) % 360);
  it.scale = 0.12f;
  return it;
}

const int kQuadricSlices = 12, kQuadricStacks = 8;

TPart* AddItem(TOpenGl* gl, int i, const Item& it) {
  char name[24];
  std::snprintf(name, sizeof name, "P%d", i);
  TPart* p = nullptr;
  switch (it.kind) {
    case kCube: p = gl->AddCube(nullptr, name); break;
    case kSphere: {
      p = gl->AddSphere(nullptr, name);
      auto* s = static_cast<TPartSphere*>(p);
      s->SetSlices(kQuadricSlices);
      s->SetStacks(kQuadricStacks);
      break;
    }
    case kCylinder: {
      p = gl->AddCylinder(nullptr, name);
      auto* c = static_cast<TPartCylinder*>(p);
      c->SetSlices(kQuadricSlices);
      c->SetStacks(kQuadricStacks);
      break;
    }
    case kDisk: {
      p = gl->AddDisk(nullptr, name);
      auto* d = static_cast<TPartDisk*>(p);
      d->SetSlices(kQuadricSlices);
      d->SetLoops(kQuadricStacks / 2);
      break;
    }
  }
  p->SetPX(it.px);
  p->SetPY(it.py);
  p->SetPZ(it.pz);
  p->SetRX(1);
  p->SetRY(1);
  p->SetRotationAngle(it.angle);
  p->SetSX(it.scale);
  p->SetSY(it.scale);
  p->SetSZ(it.scale);
  return p;
}

void BuildScene(TOpenGl* gl, int n) {
  for (int i = 0; i < n; ++i) AddItem(gl, i, ItemAt(i));
}

// Detaches the whole tree and deletes it; the viewport keeps a fresh, empty root.
void DestroyScene(TOpenGl* gl) {
  TPart* old = gl->Root();
  gl->DeleteObject(old);
  delete old;
}

// The cube of the part library, face for face.
struct Face {
  GLfloat n[3];
  GLfloat v[4][3];
};
const Face kCubeFaces[6] = {
    {{0, 0, 1}, {{0.5f, 0.5f, 0.5f}, {-0.5f, 0.5f, 0.5f}, {-0.5f, -0.5f, 0.5f}, {0.5f, -0.5f, 0.5f}}},
    {{0, 0, -1}, {{-0.5f, -0.5f, -0.5f}, {-0.5f, 0.5f, -0.5f}, {0.5f, 0.5f, -0.5f}, {0.5f, -0.5f, -0.5f}}},
    {{0, 1, 0}, {{0.5f, 0.5f, 0.5f}, {0.5f, 0.5f, -0.5f}, {-0.5f, 0.5f, -0.5f}, {-0.5f, 0.5f, 0.5f}}},
    {{0, -1, 0}, {{-0.5f, -0.5f, -0.5f}, {0.5f, -0.5f, -0.5f}, {0.5f, -0.5f, 0.5f}, {-0.5f, -0.5f, 0.5f}}},
    {{1, 0, 0}, {{0.5f, 0.5f, 0.5f}, {0.5f, -0.5f, 0.5f}, {0.5f, -0.5f, -0.5f}, {0.5f, 0.5f, -0.5f}}},
    {{-1, 0, 0}, {{-0.5f, -0.5f, -0.5f}, {-0.5f, -0.5f, 0.5f}, {-0.5f, 0.5f, 0.5f}, {-0.5f, 0.5f, -0.5f}}},
};

// What a hand-written program would emit for the same scene: one quadric, no objects, plain loops.
void EmitBare(const std::vector<Item>& items, GLUquadric* q) {
  glDisable(GL_TEXTURE_2D);
  glTranslatef(0, 0, 0);
  glRotatef(0, 0, 0, 0);
  glScalef(1, 1, 1);
  for (const Item& it : items) {
    glPushMatrix();
    glDisable(GL_TEXTURE_2D);
    glTranslatef(it.px, it.py, it.pz);
    glRotatef(it.angle, 1, 1, 0);
    glScalef(it.scale, it.scale, it.scale);
    switch (it.kind) {
      case kCube:
        glBegin(GL_QUADS);
        for (const Face& f : kCubeFaces) {
          glNormal3f(f.n[0], f.n[1], f.n[2]);
          for (const auto& v : f.v) glVertex3f(v[0], v[1], v[2]);
        }
        glEnd();
        break;
      case kSphere: gluSphere(q, 1.0, kQuadricSlices, kQuadricStacks); break;
      case kCylinder: gluCylinder(q, 1.0, 1.0, 1.0, kQuadricSlices, kQuadricStacks); break;
      case kDisk: gluDisk(q, 1.0, 2.0, kQuadricSlices, kQuadricStacks / 2); break;
    }
    glPopMatrix();
  }
}

GLUquadric* MakeQuadric() {
  GLUquadric* q = gluNewQuadric();
  gluQuadricNormals(q, GLU_SMOOTH);
  gluQuadricDrawStyle(q, GLU_FILL);
  gluQuadricTexture(q, GL_TRUE);
  return q;
}

// A viewport that notes when each frame ends, and can stop the loop there.
class BenchViewport : public bench::TFrameViewport {
public:
  using TFrameViewport::TFrameViewport;
  // Puts stamps around the two timer ticks, so a latency splits into its stages.
  void StampTimers() {
    FModelTimer->SetOnTimer(MakeEvent(this, &BenchViewport::ModelTick));
    FRefreshTimer->SetOnTimer(MakeEvent(this, &BenchViewport::RefreshTick));
  }
  void ModelTick(TObject* Sender) {
    modelTick = Now();
    OnModelRefreshTimer(Sender);
    modelDone = Now();
  }
  void RefreshTick(TObject* Sender) {
    refreshTick = Now();
    OnRefreshTimer(Sender);
  }
  void Dispatch(void* Message) override {
    if (static_cast<TMessage*>(Message)->Msg == WM_PAINT) paintStart = Now();
    TOpenGl::Dispatch(Message);
  }
  double modelTick = 0, modelDone = 0, refreshTick = 0, paintStart = 0;
};

BenchViewport* MakeViewport(const Options& o) {
  auto* gl = new BenchViewport(nullptr);
  gl->SetBounds(0, 0, o.width, o.height);
  gl->Loaded();
  return gl;
}

// ---- results

struct Row {
  std::string id, what, unit;
  double system = 0, baseline = 0, ratio = 0;
  std::string goalText;
  double goal = 0;
  bool atLeast = true;
  bool hasGoal = false;
  // The same ratio on thread CPU time (negative: not measured), a cross-check on a shared machine.
  double cpuRatio = -1;
  bool met() const { return !hasGoal || (atLeast ? ratio >= goal : ratio <= goal); }
};

struct ScaleRow {
  long parts = 0;
  double bytesPerPart = 0, retainedBytes = 0, fileBytes = 0;
  double build = 0, save = 0, destroy = 0, load = 0;
  double buildFaults = 0;  // minor page faults of the first build, per 1,000 parts
  double buildCold = 0;    // the first build, on fresh memory
};

struct Latency {
  double interval = 10;
  double median = 0, p90 = 0, min = 0, max = 0;
  // Medians of the stages: setter to model tick, the rebuild, to the repaint tick, to WM_PAINT, the paint.
  double toModelTick = 0, rebuildTick = 0, toRefreshTick = 0, toPaint = 0, paintTick = 0;
  double rebuild = 0, paint = 0, expected = 0;
  int samples = 0;
};

std::vector<Row> gRows;
std::vector<ScaleRow> gScale;
Latency gLatency;
std::vector<std::string> gNotes;

Row& AddRow(const std::string& id, const std::string& what, const std::string& unit, double system, double baseline,
            double ratio, bool hasGoal, bool atLeast, double goal) {
  Row r;
  r.id = id;
  r.what = what;
  r.unit = unit;
  r.system = system;
  r.baseline = baseline;
  r.ratio = ratio;
  r.hasGoal = hasGoal;
  r.atLeast = atLeast;
  r.goal = goal;
  if (hasGoal) {
    char g[32];
    std::snprintf(g, sizeof g, "%s %.2f", atLeast ? ">=" : "<=", goal);
    r.goalText = g;
  }
  gRows.push_back(r);
  return gRows.back();
}

// ---- 1. paint cycle

// Our own context on our own pbuffer, sharing the viewport's lists.
struct BareContext {
  EGLDisplay display = EGL_NO_DISPLAY;
  EGLSurface surface = EGL_NO_SURFACE;
  EGLContext context = EGL_NO_CONTEXT;

  bool Create(EGLContext share, int width, int height) {
    auto getPlatformDisplay =
        reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(eglGetProcAddress("eglGetPlatformDisplayEXT"));
    if (!getPlatformDisplay) return false;
    display = getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    if (display == EGL_NO_DISPLAY || !eglInitialize(display, nullptr, nullptr)) return false;
    // The viewport's own config: a different depth buffer alone would change the fill cost.
    EGLint id = 0;
    if (!eglQueryContext(display, share, EGL_CONFIG_ID, &id)) return false;
    const EGLint attribs[] = {EGL_CONFIG_ID, id, EGL_NONE};
    EGLConfig config = nullptr;
    EGLint count = 0;
    if (!eglChooseConfig(display, attribs, &config, 1, &count) || count < 1) return false;
    const EGLint size[] = {EGL_WIDTH, width, EGL_HEIGHT, height, EGL_NONE};
    surface = eglCreatePbufferSurface(display, config, size);
    if (surface == EGL_NO_SURFACE) return false;
    eglBindAPI(EGL_OPENGL_API);
    context = eglCreateContext(display, config, share, nullptr);
    return context != EGL_NO_CONTEXT;
  }
  void MakeCurrent() { eglMakeCurrent(display, surface, surface, context); }
  // The display is the framework's too: it is left initialised for the framework to terminate.
  void Destroy() {
    eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    if (context != EGL_NO_CONTEXT) eglDestroyContext(display, context);
    if (surface != EGL_NO_SURFACE) eglDestroySurface(display, surface);
    context = EGL_NO_CONTEXT;
    surface = EGL_NO_SURFACE;
  }
};

// The state the viewport sets up when it is loaded, for a context of our own.
void BareInitState(int width, int height) {
  glViewport(0, 0, width, height);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  gluPerspective(90, static_cast<double>(width) / height, 1, 10);
  gluLookAt(0, 0, -8, 0, 0, 0, 0, 1, 0);
  glMatrixMode(GL_MODELVIEW);
  glEnable(GL_NORMALIZE);
  glEnable(GL_DEPTH_TEST);
  glCullFace(GL_BACK);
  glEnable(GL_LIGHTING);
}

double ViewportFrames(BenchViewport* gl, int frames) {
  gl->MakeCurrent();
  long before = gl->paints;
  double t0 = Now();
  for (int f = 0; f < frames; ++f) {
    InvalidateRect(gl->Handle(), nullptr, FALSE);
    Application->ProcessMessages();
  }
  double t = Now() - t0;
  static bool told = false;
  if (gl->paints - before != frames && !told) {
    told = true;
    gNotes.push_back("paint: the loop delivered a different number of frames than were asked for");
  }
  return t;
}

double BareFrames(BareContext* bare, GLuint list, int frames) {
  if (bare) bare->MakeCurrent();
  double t0 = Now();
  for (int f = 0; f < frames; ++f) {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glCallList(list);
    glFinish();
  }
  return Now() - t0;
}

void BenchPaint(const Options& o) {
  std::printf("[1/5] paint cycle: %d parts, %dx%d\n", o.paintParts, o.width, o.height);
  std::fflush(stdout);
  BenchViewport* gl = MakeViewport(o);
  BuildScene(gl, o.paintParts);
  gl->OnModelRefreshTimer(nullptr);
  GLuint list = gl->Root()->DisplayList;
  EGLContext share = eglGetCurrentContext();
  BareContext bare;
  if (!bare.Create(share, o.width, o.height)) {
    gNotes.push_back("paint: no bare EGL context could be made; skipped");
    bare.Destroy();
    gl->MakeCurrent();
    delete gl;
    return;
  }
  bare.MakeCurrent();
  BareInitState(o.width, o.height);

  // Warm both paths, then size the blocks from the viewport's own pace.
  ViewportFrames(gl, 3);
  BareFrames(&bare, list, 3);
  std::vector<double> singles;
  for (int i = 0; i < 5; ++i) singles.push_back(ViewportFrames(gl, 1));
  int frames = std::max(3, static_cast<int>(o.blockSeconds / std::max(Median(singles), 1e-6)));
  // Many short blocks: a median over them shrugs off bursts of other work on a shared machine.
  const int rounds = 5 * o.rounds;
  std::vector<double> ratios, sys, base;
  for (int r = 0; r < rounds; ++r) {
    double a, b;
    if (r % 2 == 0) {
      a = ViewportFrames(gl, frames);
      b = BareFrames(&bare, list, frames);
    } else {
      b = BareFrames(&bare, list, frames);
      a = ViewportFrames(gl, frames);
    }
    sys.push_back(frames / a);
    base.push_back(frames / b);
    ratios.push_back(b / a);
  }

  // The same bare loop inside the viewport's context tells the context apart from the loop.
  std::vector<double> inside;
  for (int r = 0; r < 2 * o.rounds; ++r) {
    gl->MakeCurrent();
    double a = BareFrames(nullptr, list, frames);
    double b = BareFrames(&bare, list, frames);
    inside.push_back(b / a);
  }
  char diag[200];
  std::snprintf(diag, sizeof diag, "paint: control, the bare loop in the viewport's context vs in its own: %.3f (its distance from 1 is "
                "the noise floor of this figure)",
                Median(inside));
  gNotes.push_back(diag);

  // Both sides must have drawn the same picture, or the comparison means nothing.
  std::vector<uint8_t> mine(static_cast<size_t>(o.width) * o.height * 4), theirs;
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, o.width, o.height, GL_RGBA, GL_UNSIGNED_BYTE, mine.data());
  int w = 0, h = 0;
  gl->MakeCurrent();
  ReadWindowPixels(gl->Handle(), theirs, w, h);
  long differing = 0, lit = 0;
  for (size_t i = 0; i + 3 < mine.size() && i + 3 < theirs.size(); i += 4) {
    if (std::memcmp(&mine[i], &theirs[i], 3) != 0) ++differing;
    if (mine[i] | mine[i + 1] | mine[i + 2]) ++lit;
  }
  char note[160];
  std::snprintf(note, sizeof note, "paint: %d frames per block; %ld of %d pixels differ between the two sides, %ld drawn",
                frames, differing, o.width * o.height, lit);
  gNotes.push_back(note);

  AddRow("paint_fps", "paint cycle, " + Count(o.paintParts) + " parts (frames/s)", "fps", Median(sys), Median(base), Median(ratios), true,
         true, 0.95);

  // Picking: one PartAt at pixels across the picture against one frame, interleaved.
  std::vector<double> picks, frameTimes;
  long found = 0;
  for (int r = 0; r < 4 * o.rounds; ++r) {
    int x = (r * 37) % o.width, y = (r * 53) % o.height;
    double t0 = Now();
    if (gl->PartAt(x, y)) ++found;
    picks.push_back(Now() - t0);
    frameTimes.push_back(ViewportFrames(gl, 1));
  }
  AddRow("pick_cost", "one PartAt, " + Count(o.paintParts) + " parts (ms; baseline: one frame)", "ms",
         Median(picks) * 1e3, Median(frameTimes) * 1e3, Median(picks) / Median(frameTimes), false, false, 0);
  char pickNote[120];
  std::snprintf(pickNote, sizeof pickNote, "pick: %ld of %zu picked pixels hit a part", found, picks.size());
  gNotes.push_back(pickNote);
  bare.Destroy();
  gl->MakeCurrent();
  delete gl;
}

// ---- list modes: the same mixed scene in groups of 100, in each mode

// Cubes, 16 x 16 spheres, cylinders and annuli, each with its own placement and colour, 100 to a group.
void BuildGroupedScene(TOpenGl* gl, int n) {
  TPart* group = nullptr;
  for (int i = 0; i < n; ++i) {
    if (i % 100 == 0) group = gl->AddGroup(nullptr, nullptr);
    Item it = ItemAt(i);
    TPart* p = nullptr;
    switch (i % 4) {
      case 0: p = gl->AddCube(group, nullptr); break;
      case 1: p = gl->AddSphere(group, nullptr); static_cast<TPartSphere*>(p)->SetSlices(16); static_cast<TPartSphere*>(p)->SetStacks(16); break;
      case 2: p = gl->AddCylinder(group, nullptr); static_cast<TPartCylinder*>(p)->SetSlices(16); break;
      default: p = gl->AddDisk(group, nullptr); static_cast<TPartDisk*>(p)->SetSlices(16); static_cast<TPartDisk*>(p)->SetLoops(2); break;
    }
    p->SetPX(it.px);
    p->SetPY(it.py);
    p->SetPZ(it.pz);
    p->SetRX(1);
    p->SetRotationAngle(it.angle);
    p->SetSX(it.scale);
    p->SetSY(it.scale);
    p->SetSZ(it.scale);
    p->SetUseMaterial(true);
    p->SetDiffuseR(static_cast<float>(i % 7) / 7.0f);
  }
}

// One frame through the message loop, finished.
double OneFrame(BenchViewport* gl) {
  double t0 = Now();
  InvalidateRect(gl->Handle(), nullptr, FALSE);
  Application->ProcessMessages();
  glFinish();
  return Now() - t0;
}

void BenchModes(const Options& o) {
  std::printf("[modes] whole-scene list vs per-part lists\n");
  std::fflush(stdout);
  for (int n : {o.modeParts, o.modeParts * 10}) {
    double staticFrame[2] = {0, 0}, change[2] = {0, 0}, firstFrame[2] = {0, 0}, bytes[2] = {0, 0}, compile[2] = {0, 0};
    for (int m = 0; m < 2; ++m) {
      TListMode mode = m == 0 ? lmScene : lmPerPart;
      BenchViewport* gl = MakeViewport(o);
      gl->SetListMode(mode);
      // Memory per part with its lists compiled: what the scene holds for showing. The rasteriser's own
      // frame buffers (llvmpipe bins every frame's triangles) are the renderer's, the same for any
      // library on it, so the heap is read between the compile and the frame.
      gl->OnModelRefreshTimer(nullptr);
      OneFrame(gl);
      size_t heap0 = Heap();
      BuildGroupedScene(gl, n);
      gl->OnModelRefreshTimer(nullptr);
      glFinish();
      bytes[m] = (static_cast<double>(Heap()) - static_cast<double>(heap0)) / n;
      OneFrame(gl);
      double c0 = Now();
      gl->SetListMode(mode == lmScene ? lmPerPart : lmScene);
      gl->SetListMode(mode);
      gl->OnModelRefreshTimer(nullptr);
      glFinish();
      compile[m] = Now() - c0;
      std::vector<double> frames, changes, firsts;
      for (int r = 0; r < o.rounds; ++r) frames.push_back(OneFrame(gl));
      // One part's change to the end of the frame that shows it.
      for (int r = 0; r < o.rounds; ++r) {
        TPart* part = static_cast<TPartGroup*>(gl->Root()->Part((r * 7) % gl->Root()->Count()))->Part(r % 100);
        double t0 = Now();
        part->SetPY(part->PY + 0.01f);
        gl->OnModelRefreshTimer(nullptr);
        OneFrame(gl);
        changes.push_back(Now() - t0);
        frames.push_back(OneFrame(gl));
      }
      // A load, then its first frame: every list compiled anew.
      TMemoryStream doc;
      gl->SaveToStream(&doc);
      for (int r = 0; r < std::max(2, o.rounds / 2); ++r) {
        doc.SetPosition(0);
        gl->LoadFromStream(&doc);
        double t0 = Now();
        gl->OnModelRefreshTimer(nullptr);
        OneFrame(gl);
        firsts.push_back(Now() - t0);
        frames.push_back(OneFrame(gl));
      }
      staticFrame[m] = Median(frames);
      change[m] = Median(changes);
      firstFrame[m] = Median(firsts);
      gl->MakeCurrent();
      delete gl;
    }
    const char* names[2] = {"whole-scene", "per-part"};
    for (int m = 0; m < 2; ++m) {
      std::string what = std::string(names[m]) + ", " + Count(n) + " parts: ";
      std::string id = std::string(m == 0 ? "scene_" : "perpart_") + std::to_string(n);
      AddRow(id + "_change", what + "change to frame (ms)", "ms", change[m] * 1e3, staticFrame[m] * 1e3,
             change[m] / staticFrame[m], m == 1, false, 1.15);
      AddRow(id + "_load", what + "first frame after load (ms)", "ms", firstFrame[m] * 1e3, staticFrame[m] * 1e3,
             firstFrame[m] / staticFrame[m], m == 1, false, 1.2);
      AddRow(id + "_bytes", what + "bytes per part, shown", "bytes", bytes[m], 1500, bytes[m] / 1500, m == 1, false, 1.0);
      char note[160];
      std::snprintf(note, sizeof note, "modes: %s compiles every list in %.1f ms", what.c_str(), compile[m] * 1e3);
      gNotes.push_back(note);
    }
  }
}

// ---- 2. rebuild

void BenchRebuild(const Options& o) {
  std::printf("[2/5] model rebuild: %d parts\n", o.rebuildParts);
  std::fflush(stdout);
  BenchViewport* gl = MakeViewport(o);
  BuildScene(gl, o.rebuildParts);
  std::vector<Item> items;
  for (int i = 0; i < o.rebuildParts; ++i) items.push_back(ItemAt(i));
  GLUquadric* q = MakeQuadric();
  GLuint bareList = 0;

  double cpu = 0;
  auto viewportRebuild = [&] {
    double c0 = CpuS(), t0 = Now();
    gl->OnModelRefreshTimer(nullptr);
    glFinish();
    cpu = CpuS() - c0;
    return Now() - t0;
  };
  auto bareRebuild = [&] {
    double c0 = CpuS(), t0 = Now();
    if (bareList) glDeleteLists(bareList, 1);
    bareList = glGenLists(1);
    glNewList(bareList, GL_COMPILE);
    EmitBare(items, q);
    glEndList();
    glFinish();
    cpu = CpuS() - c0;
    return Now() - t0;
  };

  // The first rebuild also tells what the list itself costs in memory.
  size_t m0 = Heap();
  viewportRebuild();
  size_t m1 = Heap();
  bareRebuild();
  std::vector<double> ratios, sys, base, cpuRatios;
  for (int r = 0; r < o.rounds; ++r) {
    double a, b, ca, cb;
    if (r % 2 == 0) {
      a = viewportRebuild();
      ca = cpu;
      b = bareRebuild();
      cb = cpu;
    } else {
      b = bareRebuild();
      cb = cpu;
      a = viewportRebuild();
      ca = cpu;
    }
    sys.push_back(a * 1e3);
    base.push_back(b * 1e3);
    ratios.push_back(a / b);
    cpuRatios.push_back(ca / cb);
  }
  AddRow("rebuild_ms", "model rebuild, " + Count(o.rebuildParts) + " parts (ms)", "ms", Median(sys), Median(base),
         Median(ratios), true, false, 1.10)
      .cpuRatio = Median(cpuRatios);
  char note[160];
  std::snprintf(note, sizeof note, "rebuild: the compiled list holds about %.0f bytes per part on the heap",
                m1 > m0 ? static_cast<double>(m1 - m0) / o.rebuildParts : 0.0);
  gNotes.push_back(note);
  if (bareList) glDeleteLists(bareList, 1);
  gluDeleteQuadric(q);
  delete gl;
}

// ---- 3. scene files

long FileSize(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 ? static_cast<long>(st.st_size) : -1;
}

std::vector<char> Slurp(const std::string& path) {
  std::vector<char> data(static_cast<size_t>(std::max(0L, FileSize(path))));
  if (FILE* f = std::fopen(path.c_str(), "rb")) {
    if (std::fread(data.data(), 1, data.size(), f) != data.size()) data.clear();
    std::fclose(f);
  }
  return data;
}

// Wall and thread-CPU seconds of one call.
struct Took {
  double wall = 0, cpu = 0;
};
template <class F>
Took Time(F f) {
  double c0 = CpuS(), t0 = Now();
  f();
  return Took{Now() - t0, CpuS() - c0};
}

void PlainWrite(const std::string& path, const std::vector<char>& data) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return;
  if (std::fwrite(data.data(), 1, data.size(), f) != data.size()) gNotes.push_back("files: the plain write came short");
  std::fclose(f);
}

void PlainRead(const std::string& path, std::vector<char>& data) {
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return;
  if (std::fread(data.data(), 1, data.size(), f) != data.size()) gNotes.push_back("files: the plain read came back short");
  std::fclose(f);
}

void BenchFiles(const Options& o) {
  std::printf("[3/5] scene files: %d parts\n", o.fileParts);
  std::fflush(stdout);
  BenchViewport* gl = MakeViewport(o);
  BuildScene(gl, o.fileParts);
  const std::string scene = o.dir + "/files.scene", plain = o.dir + "/files.plain";
  gl->SaveTo(scene.c_str());
  std::vector<char> data = Slurp(scene);
  const double bytes = static_cast<double>(data.size());
  std::vector<char> readBack(data.size());
  PlainWrite(plain, data);

  auto save = [&] {
    if (!gl->SaveTo(scene.c_str())) gNotes.push_back("files: SaveTo failed");
  };
  auto load = [&] {
    if (!gl->LoadFrom(scene.c_str())) gNotes.push_back("files: LoadFrom failed");
  };
  std::vector<double> saveRatio, loadRatio, saveCpu, loadCpu, saveRate, loadRate, writeRate, readRate;
  for (int r = 0; r < o.rounds; ++r) {
    // Alternating the order cancels drift of the shared machine between the two sides.
    Took s, w, l, rd;
    if (r % 2 == 0) {
      s = Time(save);
      w = Time([&] { PlainWrite(plain, data); });
    } else {
      w = Time([&] { PlainWrite(plain, data); });
      s = Time(save);
    }
    // The load goes into an empty root, so it does not pay for destroying the previous scene.
    DestroyScene(gl);
    if (r % 2 == 0) {
      l = Time(load);
      rd = Time([&] { PlainRead(plain, readBack); });
    } else {
      rd = Time([&] { PlainRead(plain, readBack); });
      l = Time(load);
    }
    if (gl->Root()->Count() != o.fileParts) gNotes.push_back("files: the loaded scene has a different part count");
    saveRate.push_back(bytes / s.wall / 1e6);
    writeRate.push_back(bytes / w.wall / 1e6);
    loadRate.push_back(bytes / l.wall / 1e6);
    readRate.push_back(bytes / rd.wall / 1e6);
    saveRatio.push_back(w.wall / s.wall);
    loadRatio.push_back(rd.wall / l.wall);
    saveCpu.push_back(w.cpu / s.cpu);
    loadCpu.push_back(rd.cpu / l.cpu);
  }
  AddRow("save_rate", "SaveTo, " + Count(o.fileParts) + " parts (MB/s)", "MB/s", Median(saveRate), Median(writeRate),
         Median(saveRatio), true, true, 0.5)
      .cpuRatio = Median(saveCpu);
  AddRow("load_rate", "LoadFrom, " + Count(o.fileParts) + " parts (MB/s)", "MB/s", Median(loadRate), Median(readRate),
         Median(loadRatio), true, true, 0.5)
      .cpuRatio = Median(loadCpu);
  char note[160];
  std::snprintf(note, sizeof note, "files: the scene file holds %.0f bytes (%.1f per part)", bytes,
                bytes / o.fileParts);
  gNotes.push_back(note);
  std::remove(scene.c_str());
  std::remove(plain.c_str());
  delete gl;
}

// ---- 4. scale

void BenchScale(const Options& o) {
  std::printf("[4/5] scale: up to %ld parts\n", o.maxParts);
  std::fflush(stdout);
  BenchViewport* gl = MakeViewport(o);
  const std::string scene = o.dir + "/scale.scene";
  for (long n = 1000; n <= o.maxParts; n *= 10) {
    // Small scenes repeat, so that each figure is a median over at least a tenth of a second of work.
    // The first build takes fresh pages from the kernel; the later ones reuse the freed heap.
    const int reps = n <= 100000 ? static_cast<int>(std::max(3L, 100000 / n)) : 2;
    std::printf("      %ld parts, %d repetitions\n", n, reps);
    std::fflush(stdout);
    ScaleRow row;
    row.parts = n;
    std::vector<double> build, save, destroy, load, perPart, faults;
    malloc_trim(0);
    const size_t m0 = Heap();
    for (int r = 0; r < reps; ++r) {
      size_t before = Heap();
      long f0 = MinorFaults();
      double t0 = Now();
      BuildScene(gl, static_cast<int>(n));
      build.push_back(Now() - t0);
      faults.push_back(static_cast<double>(MinorFaults() - f0) * 1000.0 / static_cast<double>(n));
      perPart.push_back((static_cast<double>(Heap()) - static_cast<double>(before)) / static_cast<double>(n));
      t0 = Now();
      if (!gl->SaveTo(scene.c_str())) gNotes.push_back("scale: SaveTo failed");
      save.push_back(Now() - t0);
      row.fileBytes = static_cast<double>(FileSize(scene));
      t0 = Now();
      DestroyScene(gl);
      destroy.push_back(Now() - t0);
      t0 = Now();
      if (!gl->LoadFrom(scene.c_str())) gNotes.push_back("scale: LoadFrom failed");
      load.push_back(Now() - t0);
      if (gl->Root()->Count() != n) gNotes.push_back("scale: the loaded scene has a different part count");
      DestroyScene(gl);
    }
    malloc_trim(0);
    row.retainedBytes = static_cast<double>(Heap()) - static_cast<double>(m0);
    row.bytesPerPart = Median(perPart);
    row.buildCold = build.front();
    row.build = Median(std::vector<double>(build.begin() + 1, build.end()));
    row.buildFaults = faults.front();
    row.save = Median(save);
    row.destroy = Median(destroy);
    row.load = Median(load);
    std::remove(scene.c_str());
    gScale.push_back(row);
  }
  delete gl;
}

// ---- 5. latency

void BenchLatency(const Options& o) {
  std::printf("[5/5] latency: %d samples on the real clock\n", o.latencySamples);
  std::fflush(stdout);
  BenchViewport* gl = MakeViewport(o);
  BuildScene(gl, o.paintParts);
  TPart* moving = gl->Root()->Part(0);

  // What the two stages cost on their own, measured on this very scene.
  std::vector<double> rebuilds, paints;
  for (int i = 0; i < 5; ++i) {
    double t0 = Now();
    gl->OnModelRefreshTimer(nullptr);
    rebuilds.push_back(Now() - t0);
    t0 = Now();
    InvalidateRect(gl->Handle(), nullptr, FALSE);
    Application->ProcessMessages();
    paints.push_back(Now() - t0);
  }

  // A stuck loop ends the run instead of hanging it.
  TTimer watchdog(nullptr);
  struct Stop : TObject {
    void Fire(TObject*) { Application->Terminate(); }
  } stop;
  watchdog.SetInterval(2000);
  watchdog.SetEnabled(false);
  watchdog.SetOnTimer(MakeEvent(&stop, &Stop::Fire));

  Application->UseManualClock(false);
  // Let the ticks armed above run out.
  double quiet = Now() + 0.05;
  while (Now() < quiet) Application->ProcessMessages();

  gl->StampTimers();
  std::vector<double> samples, s1, s2, s3, s4, s5;
  for (int i = 0; i < o.latencySamples; ++i) {
    gl->stopOnPaint = true;
    watchdog.SetEnabled(true);
    long before = gl->paints;
    double t0 = Now();
    moving->SetPX(moving->PX + 0.001f);
    Application->Run();
    watchdog.SetEnabled(false);
    gl->stopOnPaint = false;
    if (gl->paints == before) {
      gNotes.push_back("latency: a change never reached the screen within 2 s");
      break;
    }
    samples.push_back((gl->frameEnd - t0) * 1e3);
    s1.push_back((gl->modelTick - t0) * 1e3);
    s2.push_back((gl->modelDone - gl->modelTick) * 1e3);
    s3.push_back((gl->refreshTick - gl->modelDone) * 1e3);
    s4.push_back((gl->paintStart - gl->refreshTick) * 1e3);
    s5.push_back((gl->frameEnd - gl->paintStart) * 1e3);
    // Start each sample at a different phase of the millisecond clock.
    usleep(static_cast<useconds_t>(1000 + (i * 370) % 1000));
  }
  Application->UseManualClock(true);

  gLatency.samples = static_cast<int>(samples.size());
  if (!samples.empty()) {
    std::vector<double> s = samples;
    std::sort(s.begin(), s.end());
    gLatency.median = Median(s);
    gLatency.p90 = s[std::min(s.size() - 1, static_cast<size_t>(0.9 * static_cast<double>(s.size())))];
    gLatency.min = s.front();
    gLatency.max = s.back();
  }
  gLatency.toModelTick = Median(s1);
  gLatency.rebuildTick = Median(s2);
  gLatency.toRefreshTick = Median(s3);
  gLatency.toPaint = Median(s4);
  gLatency.paintTick = Median(s5);
  gLatency.rebuild = Median(rebuilds) * 1e3;
  gLatency.paint = Median(paints) * 1e3;
  gLatency.expected = 2 * gLatency.interval + gLatency.rebuild + gLatency.paint;
  AddRow("latency_ms", "setter to end of frame, " + Count(o.paintParts) + " parts (ms)", "ms", gLatency.median, gLatency.expected,
         gLatency.expected > 0 ? gLatency.median / gLatency.expected : 0, false, false, 0);
  delete gl;
}

// ---- output

void PrintTable(const Options& o) {
  std::printf("\nviewport3d benchmarks (ratios are side by side in this run; the machine may be shared)\n\n");
  std::printf("%-44s %12s %12s %8s %9s %5s %10s\n", "figure", "viewport", "baseline", "ratio", "goal", "met",
              "cpu ratio");
  for (const Row& r : gRows) {
    char cpu[32] = "-";
    if (r.cpuRatio >= 0) std::snprintf(cpu, sizeof cpu, "%.3f", r.cpuRatio);
    std::printf("%-44s %12.2f %12.2f %8.3f %9s %5s %10s\n", r.what.c_str(), r.system, r.baseline, r.ratio,
                r.hasGoal ? r.goalText.c_str() : "-", r.hasGoal ? (r.met() ? "yes" : "NO") : "-", cpu);
  }
  std::printf("\nbaselines: bare EGL loop on the same list; bare GL list of the same geometry; one fwrite / fread of "
              "the same bytes; latency against 2 x %.0f ms timer + rebuild %.2f ms + paint %.2f ms\n",
              gLatency.interval, gLatency.rebuild, gLatency.paint);
  if (gLatency.samples)
  {
    std::printf("latency: median %.2f ms, p90 %.2f, min %.2f, max %.2f over %d samples\n", gLatency.median,
                gLatency.p90, gLatency.min, gLatency.max, gLatency.samples);
    std::printf("latency stages (medians, ms): setter->model tick %.2f, rebuild %.2f, ->repaint tick %.2f, "
                "->WM_PAINT %.2f, paint+swap %.2f\n",
                gLatency.toModelTick, gLatency.rebuildTick, gLatency.toRefreshTick, gLatency.toPaint,
                gLatency.paintTick);
  }

  std::printf("\nscale (seconds; memory per part before any display list, goal <= 512 bytes)\n");
  std::printf("%10s %11s %8s %10s %11s %10s %10s %10s %10s %10s\n", "parts", "bytes/part", "file MB", "build",
              "build cold", "faults/1k", "save", "load", "destroy", "heap left");
  for (const ScaleRow& s : gScale)
    std::printf("%10ld %11.1f %8.2f %10.4f %11.4f %10.1f %10.4f %10.4f %10.4f %10.0f\n", s.parts, s.bytesPerPart,
                s.fileBytes / 1e6, s.build, s.buildCold, s.buildFaults, s.save, s.load, s.destroy, s.retainedBytes);
  std::printf("(build: median of the repeated builds on reused heap; build cold: the first, on fresh pages, with its\n"
              " minor page faults per 1,000 parts; heap left: bytes still in use after the last destroy)\n");
  if (gScale.size() > 1) {
    std::printf("growth per 10x parts (linear = 10):\n");
    for (size_t i = 1; i < gScale.size(); ++i) {
      const ScaleRow &a = gScale[i - 1], &b = gScale[i];
      std::printf("%10ld -> %-8ld build %5.1f  build cold %5.1f  save %5.1f  load %5.1f  destroy %5.1f\n", a.parts,
                  b.parts, b.build / a.build, b.buildCold / a.buildCold, b.save / a.save, b.load / a.load,
                  b.destroy / a.destroy);
    }
  }
  for (const std::string& n : gNotes) std::printf("note: %s\n", n.c_str());
  (void)o;
}

std::string Escape(const std::string& s) {
  std::string out;
  for (char c : s) {
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  return out;
}

bool WriteJson(const Options& o) {
  FILE* f = std::fopen(o.json.c_str(), "w");
  if (!f) return false;
  char host[256] = "";
  gethostname(host, sizeof host - 1);
  std::fprintf(f, "{\n  \"host\": \"%s\",\n  \"time\": %ld,\n  \"cpus\": %ld,\n", Escape(host).c_str(),
               static_cast<long>(std::time(nullptr)), sysconf(_SC_NPROCESSORS_ONLN));
  std::fprintf(f,
               "  \"options\": {\"paint_parts\": %d, \"rebuild_parts\": %d, \"file_parts\": %d, \"max_parts\": %ld, "
               "\"width\": %d, \"height\": %d, \"rounds\": %d},\n",
               o.paintParts, o.rebuildParts, o.fileParts, o.maxParts, o.width, o.height, o.rounds);
  std::fprintf(f, "  \"figures\": [\n");
  for (size_t i = 0; i < gRows.size(); ++i) {
    const Row& r = gRows[i];
    std::fprintf(f,
                 "    {\"id\": \"%s\", \"what\": \"%s\", \"unit\": \"%s\", \"viewport\": %.6g, \"baseline\": %.6g, "
                 "\"ratio\": %.6g, \"cpu_ratio\": %s, \"goal\": %s, \"met\": %s}%s\n",
                 r.id.c_str(), Escape(r.what).c_str(), r.unit.c_str(), r.system, r.baseline, r.ratio,
                 r.cpuRatio >= 0 ? std::to_string(r.cpuRatio).c_str() : "null",
                 r.hasGoal ? ("\"" + r.goalText + "\"").c_str() : "null",
                 r.hasGoal ? (r.met() ? "true" : "false") : "null", i + 1 < gRows.size() ? "," : "");
  }
  std::fprintf(f, "  ],\n  \"latency_ms\": {\"samples\": %d, \"median\": %.4f, \"p90\": %.4f, \"min\": %.4f, "
                  "\"max\": %.4f, \"timer_interval\": %.0f, \"rebuild\": %.4f, \"paint\": %.4f, \"expected\": %.4f, "
                  "\"stages\": {\"to_model_tick\": %.4f, \"rebuild\": %.4f, \"to_repaint_tick\": %.4f, "
                  "\"to_wm_paint\": %.4f, \"paint\": %.4f}},\n",
               gLatency.samples, gLatency.median, gLatency.p90, gLatency.min, gLatency.max, gLatency.interval,
               gLatency.rebuild, gLatency.paint, gLatency.expected, gLatency.toModelTick, gLatency.rebuildTick,
               gLatency.toRefreshTick, gLatency.toPaint, gLatency.paintTick);
  std::fprintf(f, "  \"scale\": [\n");
  for (size_t i = 0; i < gScale.size(); ++i) {
    const ScaleRow& s = gScale[i];
    std::fprintf(f,
                 "    {\"parts\": %ld, \"bytes_per_part\": %.2f, \"bytes_per_part_goal\": 512, \"file_bytes\": %.0f, "
                 "\"build_s\": %.6f, \"save_s\": %.6f, \"load_s\": %.6f, \"destroy_s\": %.6f, "
                 "\"heap_left_bytes\": %.0f, \"build_cold_s\": %.6f, \"first_build_faults_per_1000\": %.1f",
                 s.parts, s.bytesPerPart, s.fileBytes, s.build, s.save, s.load, s.destroy, s.retainedBytes,
                 s.buildCold, s.buildFaults);
    if (i > 0) {
      const ScaleRow& a = gScale[i - 1];
      std::fprintf(f,
                   ", \"growth\": {\"build\": %.3f, \"build_cold\": %.3f, \"save\": %.3f, \"load\": %.3f, "
                   "\"destroy\": %.3f}",
                   s.build / a.build, s.buildCold / a.buildCold, s.save / a.save, s.load / a.load,
                   s.destroy / a.destroy);
    }
    std::fprintf(f, "}%s\n", i + 1 < gScale.size() ? "," : "");
  }
  std::fprintf(f, "  ],\n  \"notes\": [");
  for (size_t i = 0; i < gNotes.size(); ++i)
    std::fprintf(f, "%s\n    \"%s\"", i ? "," : "", Escape(gNotes[i]).c_str());
  std::fprintf(f, "\n  ]\n}\n");
  return std::fclose(f) == 0;
}

void Usage() {
  std::printf(
      "usage: v3d_bench [--json PATH] [--max-parts N] [--dir DIR] [--quick] [--only LIST]\n"
      "  --json PATH     where the results go (default bench-results.json)\n"
      "  --max-parts N   largest scene of the scale run, a power of ten from 1000 (default 1000000)\n"
      "  --dir DIR       where scene files are written (default: a fresh folder under $TMPDIR or /tmp)\n"
      "  --paint-parts N, --rebuild-parts N, --file-parts N   scene sizes of sections 1 to 3\n"
      "  --models-max N  largest model of the models run (default 1000000 triangles; 10000 with --quick)\n"
      "  --rounds N      side-by-side rounds per figure (default 5)\n"
      "  --quick         smaller scenes and fewer rounds, for a smoke run (figures not comparable)\n"
      "  --only LIST     comma-separated subset of paint,rebuild,files,scale,latency,modes,big,models\n"
      "  --big-max N     largest scene of the big-scene run (default 100000; 1000000 takes minutes)\n"
      "  --big-no-culling, --big-timers   the big-scene run without culling, or with the refresh timers\n");
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  long modelsMax = 1000000;
  std::string only = "paint,rebuild,files,scale,latency,modes,big,models";
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    auto value = [&]() -> std::string {
      if (i + 1 >= argc) {
        Usage();
        std::exit(2);
      }
      return argv[++i];
    };
    if (a == "--json") o.json = value();
    else if (a == "--max-parts") o.maxParts = std::atol(value().c_str());
    else if (a == "--dir") o.dir = value();
    else if (a == "--paint-parts") o.paintParts = std::atoi(value().c_str());
    else if (a == "--rebuild-parts") o.rebuildParts = std::atoi(value().c_str());
    else if (a == "--file-parts") o.fileParts = std::atoi(value().c_str());
    else if (a == "--rounds") o.rounds = std::max(1, std::atoi(value().c_str()));
    else if (a == "--only") only = value();
    else if (a == "--models-max") modelsMax = std::atol(value().c_str());
    else if (a == "--big-max") o.big.maxParts = std::atol(value().c_str());
    else if (a == "--big-no-culling") o.big.noCulling = true;
    else if (a == "--big-timers") o.big.noPrompt = true;
    else if (a == "--quick") {
      modelsMax = 10000;
      o.paintParts = 200;
      o.rebuildParts = 2000;
      o.fileParts = 10000;
      o.maxParts = 10000;
      o.rounds = 3;
      o.blockSeconds = 0.05;
      o.latencySamples = 10;
      o.modeParts = 100;
      o.big.maxParts = 10000;
    } else {
      Usage();
      return a == "--help" || a == "-h" ? 0 : 2;
    }
  }
  std::string made;
  if (o.dir.empty()) {
    const char* tmp = std::getenv("TMPDIR");
    std::string tmpl = std::string(tmp && *tmp ? tmp : "/tmp") + "/v3d-bench-XXXXXX";
    std::vector<char> buf(tmpl.begin(), tmpl.end());
    buf.push_back('\0');
    if (!mkdtemp(buf.data())) {
      std::perror("mkdtemp");
      return 1;
    }
    o.dir = made = buf.data();
  }

  Application->Initialize(BackendKind::Headless);
  Application->UseManualClock(true);
  auto wanted = [&](const char* name) { return ("," + only + ",").find(std::string(",") + name + ",") != std::string::npos; };
  if (wanted("paint")) BenchPaint(o);
  if (wanted("rebuild")) BenchRebuild(o);
  if (wanted("files")) BenchFiles(o);
  if (wanted("scale")) BenchScale(o);
  if (wanted("latency")) BenchLatency(o);
  if (wanted("modes")) BenchModes(o);
  if (wanted("models")) {
    TModelBenchOptions mo;
    mo.maxTriangles = modelsMax;
    mo.width = o.width;
    mo.height = o.height;
    mo.rounds = o.rounds;
    if (!o.dir.empty()) mo.dir = o.dir;
    for (const TModelBenchRow& r : RunModelBench(mo))
      AddRow(r.id, r.what, r.unit, r.system, r.baseline, r.ratio, r.hasGoal, false, r.goal);
  }
  if (wanted("big")) {
    o.big.width = o.width;
    o.big.height = o.height;
    RunBigScenes(o.big);
  }

  PrintTable(o);
  bool ok = WriteJson(o);
  std::printf("\nresults written to %s\n", o.json.c_str());
  if (!made.empty()) rmdir(made.c_str());
  return ok ? 0 : 1;
}
