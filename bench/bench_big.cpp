// Big scenes, per part: frames in a full and a narrow view, the first frame after a build or a load,
// a change's latency on the real loop, and memory per part, each against a bare baseline in the same run.
#include "bench/bench_big.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <malloc.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "framework/controls/application.h"
#include "framework/core/streams.h"
#include "framework/platform/winapi.h"
#include "opengl/opengl.h"
#include "bench_measure.h"
#include "bench_viewport.h"
#include "parts/parts.h"
#include "parts/placement.h"
#include "parts/primitives.h"

namespace {

using bench::Heap;
using bench::Median;
using bench::Now;

using BigViewport = bench::TFrameViewport;

// Groups of 100 (cubes, spheres, cylinders, disks) on a square grid in the plane z = 0, each group a
// 10 x 10 block; the full view frames the square, the narrow one its middle.
const float kCell = 1.0f;
const double kFullAngle = 60, kNarrowAngle = 6.5;

void BuildBig(TOpenGl* gl, long n, int& side) {
  const long groups = (n + 99) / 100;
  side = static_cast<int>(std::ceil(std::sqrt(static_cast<double>(groups))));
  TPart* group = nullptr;
  for (long i = 0; i < n; ++i) {
    if (i % 100 == 0) {
      const long g = i / 100;
      group = gl->AddGroup(nullptr, nullptr);
      group->SetPX((static_cast<float>(g % side) - side * 0.5f + 0.5f) * kCell);
      group->SetPY((static_cast<float>(g / side) - side * 0.5f + 0.5f) * kCell);
    }
    TPart* p = nullptr;
    switch (i % 4) {
      case 0: p = gl->AddCube(group, nullptr); break;
      case 1: {
        auto* s = static_cast<TPartSphere*>(gl->AddSphere(group, nullptr));
        s->SetSlices(12);
        s->SetStacks(8);
        p = s;
        break;
      }
      case 2: {
        auto* c = static_cast<TPartCylinder*>(gl->AddCylinder(group, nullptr));
        c->SetSlices(12);
        c->SetStacks(2);
        p = c;
        break;
      }
      default: {
        auto* d = static_cast<TPartDisk*>(gl->AddDisk(group, nullptr));
        d->SetSlices(12);
        d->SetLoops(1);
        p = d;
        break;
      }
    }
    const int k = static_cast<int>(i % 100);
    p->SetPX((static_cast<float>(k % 10) - 4.5f) * kCell * 0.1f);
    p->SetPY((static_cast<float>(k / 10) - 4.5f) * kCell * 0.1f);
    p->SetRX(1);
    p->SetRY(1);
    p->SetRotationAngle(static_cast<float>((i * 37) % 360));
    const float s = kCell * 0.03f;
    p->SetSX(s);
    p->SetSY(s);
    p->SetSZ(s);
    p->SetUseMaterial(true);
    p->SetDiffuseR(static_cast<float>(i % 7) / 7.0f);
  }
}

void Aim(TOpenGl* gl, int side, double angle) {
  const double distance = (side * kCell * 0.5) / std::tan(kFullAngle * 0.5 * M_PI / 180.0);
  T3DVector eye, target, up;
  eye.SetZ(static_cast<float>(-distance));
  up.SetY(1);
  gl->SetEyePosition(&eye);
  gl->SetEyeTarget(&target);
  gl->SetEyeUp(&up);
  gl->SetProjectionNear(static_cast<float>(distance * 0.5));
  gl->SetProjectionFar(static_cast<float>(distance * 1.5));
  gl->SetProjectionYAngle(static_cast<float>(angle));
}

// One frame through the loop, finished.
double Frame(BigViewport* gl) {
  const double t0 = Now();
  InvalidateRect(gl->Handle(), nullptr, FALSE);
  Application->ProcessMessages();
  glFinish();
  return Now() - t0;
}

double SteadyFrame(BigViewport* gl, int rounds) {
  std::vector<double> t;
  for (int r = 0; r < rounds; ++r) t.push_back(Frame(gl));
  return Median(t);
}

// Whether a world box can show in the view: not wholly beyond one side of the clip volume.
bool InView(const TBounds& b, const double* clip) {
  if (b.Empty) return false;
  for (int axis = 0; axis < 3; ++axis)
    for (int sign = -1; sign <= 1; sign += 2) {
      int out = 0;
      for (int c = 0; c < 8; ++c) {
        const double p[3] = {(c & 1) ? b.Max[0] : b.Min[0], (c & 2) ? b.Max[1] : b.Min[1], (c & 4) ? b.Max[2] : b.Min[2]};
        double v[4];
        for (int r = 0; r < 4; ++r) v[r] = clip[r] * p[0] + clip[4 + r] * p[1] + clip[8 + r] * p[2] + clip[12 + r];
        if (v[3] + sign * v[axis] < 0) ++out;
      }
      if (out == 8) return false;
    }
  return true;
}

// What a program that knew which parts show would compile: each visible part's frame, material and
// shared geometry, nothing else.
unsigned BareVisibleList(BigViewport* gl, long& visible) {
  gl->MakeCurrent();
  double projection[16];
  glGetDoublev(GL_PROJECTION_MATRIX, projection);
  const unsigned list = glGenLists(1);
  glNewList(list, GL_COMPILE);
  visible = 0;
  TPartGroup* root = gl->Root();
  for (int g = 0; g < root->Count(); ++g) {
    auto* group = static_cast<TPartGroup*>(root->Part(g));
    const TPartMatrix frame = PartPlacement(*group);
    for (int i = 0; i < group->Count(); ++i) {
      TPart* p = group->Part(i);
      if (!InView(gl->PartBounds(p), projection)) continue;
      ++visible;
      const TPartMatrix m = frame * PartPlacement(*p);
      glPushMatrix();
      glMultMatrixd(m.m);
      const GLfloat diffuse[4] = {p->DiffuseR, p->DiffuseG, p->DiffuseB, p->DiffuseA};
      glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, diffuse);
      if (p->SharedGeometry() != 0) glCallList(p->SharedGeometry());
      glPopMatrix();
    }
  }
  glEndList();
  return list;
}

double BareFrame(BigViewport* gl, unsigned list) {
  gl->MakeCurrent();
  const double t0 = Now();
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glCallList(list);
  glFinish();
  return Now() - t0;
}

// From a setter to the end of the frame that shows it, on the real clock and the real loop.
double Latency(BigViewport* gl, TPart* moving, int samples, double& baseline) {
  std::vector<double> took, base;
  Application->UseManualClock(false);
  for (int i = 0; i < samples; ++i) {
    // The stages on their own: the rebuild, then the frame.
    double t0 = Now();
    moving->SetPX(moving->PX + 0.0001f);
    gl->Rebuild();
    const double rebuild = Now() - t0;
    base.push_back(rebuild + Frame(gl));
    // Whatever the timers still had for that change runs out before the sample.
    for (const double quiet = Now() + 0.03; Now() < quiet;) Application->ProcessMessages();
    // The same change through the loop.
    gl->stopOnPaint = true;
    const long before = gl->paints;
    t0 = Now();
    moving->SetPX(moving->PX + 0.0001f);
    Application->Run();
    gl->stopOnPaint = false;
    if (gl->paints == before) break;
    took.push_back(gl->frameEnd - t0);
  }
  Application->UseManualClock(true);
  baseline = Median(base);
  return Median(took);
}

struct BigRow {
  std::string what;
  double value, baseline, ratio, goal;
};

}  // namespace

void RunBigScenes(const TBigOptions& o) {
  std::vector<BigRow> rows;
  std::vector<std::string> notes;
  auto row = [&](const std::string& what, double v, double b, double goal) {
    rows.push_back(BigRow{what, v, b, b > 0 ? v / b : 0, goal});
  };
  for (long n = 10000; n <= o.maxParts; n *= 10) {
    std::printf("[big] %ld parts\n", n);
    std::fflush(stdout);
    const int rounds = n >= 1000000 ? 2 : n >= 100000 ? 3 : o.rounds;
    auto* gl = new BigViewport(nullptr);
    gl->SetBounds(0, 0, o.width, o.height);
    gl->Loaded();
    gl->SetListMode(lmPerPart);
    gl->SetCulling(!o.noCulling);
    int side = 1;
    Aim(gl, static_cast<int>(std::ceil(std::sqrt((n + 99) / 100.0))), kFullAngle);
    // The rasteriser's own buffers grow with the first things it draws: a small scene drawn and
    // deleted first keeps them out of the figure.
    int warm = 1;
    BuildBig(gl, 400, warm);
    gl->Rebuild();
    Frame(gl);
    TPart* old = gl->Root();
    gl->DeleteObject(old);
    delete old;
    gl->Rebuild();
    Frame(gl);
    Frame(gl);
    const size_t heap0 = Heap();
    double t0 = Now();
    BuildBig(gl, n, side);
    const double build = Now() - t0;
    Aim(gl, side, kFullAngle);
    // The first frame after the build: the rebuild the change scheduled, then the frame.
    t0 = Now();
    gl->Rebuild();
    const double rebuildBuild = Now() - t0;
    // What showing the scene keeps, read before llvmpipe bins the frame's triangles (the rasteriser's
    // buffers, whatever draws through it): parts, lists and the boxes a frame caches.
    for (int g = 0; g < gl->Root()->Count(); ++g) {
      auto* group = static_cast<TPartGroup*>(gl->Root()->Part(g));
      for (int i = 0; i < group->Count(); ++i) group->Part(i)->CachedBounds();
      group->CachedBounds();
    }
    const double bytes = (static_cast<double>(Heap()) - static_cast<double>(heap0)) / static_cast<double>(n);
    const double t1 = Now();
    Frame(gl);
    const double firstBuild = rebuildBuild + (Now() - t1);
    const double afterBuild = Frame(gl);
    const double full = SteadyFrame(gl, rounds);
    // A load of the same scene, and its first frame.
    TMemoryStream doc;
    gl->SaveToStream(&doc);
    std::vector<double> loads, loadRebuilds, loadSteady, loadRatios;
    for (int r = 0; r < std::max(1, rounds - 1); ++r) {
      doc.SetPosition(0);
      gl->LoadFromStream(&doc);
      Aim(gl, side, kFullAngle);
      t0 = Now();
      gl->Rebuild();
      loadRebuilds.push_back(Now() - t0);
      Frame(gl);
      loads.push_back(Now() - t0);
      // The steady frame right after it: on a shared machine only neighbours compare.
      const double steady = Frame(gl);
      loadSteady.push_back(steady);
      loadRatios.push_back(loads.back() / steady);
    }
    const double fullAfter = SteadyFrame(gl, rounds);
    const long drawnFull = gl->PartsDrawn();
    Aim(gl, side, kNarrowAngle);
    gl->Rebuild();
    Frame(gl);
    const double narrow = SteadyFrame(gl, std::max(rounds, 5));
    long visible = 0;
    const unsigned bare = BareVisibleList(gl, visible);
    BareFrame(gl, bare);
    std::vector<double> ours, theirs, bareRatios;
    for (int r = 0; r < std::max(rounds, 5); ++r) {
      ours.push_back(Frame(gl));
      theirs.push_back(BareFrame(gl, bare));
      bareRatios.push_back(ours.back() / theirs.back());
    }
    gl->MakeCurrent();
    glDeleteLists(bare, 1);
    const long drawnNarrow = gl->PartsDrawn(), culledNarrow = gl->PartsCulled();
    // A pick in the middle of the narrow view against one frame of it.
    std::vector<double> picks;
    for (int r = 0; r < 3; ++r) {
      t0 = Now();
      gl->PartAt(o.width / 2 + r, o.height / 2);
      picks.push_back(Now() - t0);
    }
    const std::string at = std::to_string(n) + " parts";
    row("full view frame, " + at + " (ms; baseline: same, before a load)", full * 1e3, fullAfter * 1e3, 0);
    row("narrow view frame, " + at + " (ms; baseline: full view)", narrow * 1e3, full * 1e3, 0);
    row("narrow view vs bare list of the visible parts, " + at, Median(ours) * 1e3, Median(theirs) * 1e3, 1.3);
    rows.back().ratio = Median(bareRatios);
    row("first frame after the build vs the next frame, " + at, firstBuild * 1e3, afterBuild * 1e3, 1.2);
    row("first frame after a load vs the next frame, " + at, Median(loads) * 1e3, Median(loadSteady) * 1e3, 1.2);
    rows.back().ratio = Median(loadRatios);
    // What the first frame adds, apart from the frame: less at the mercy of other load than the above.
    row("rebuild after a load vs the next frame, " + at, Median(loadRebuilds) * 1e3, Median(loadSteady) * 1e3, 0.2);
    row("pick (narrow view) vs a full view frame, " + at, Median(picks) * 1e3, full * 1e3, 0.1);
    row("bytes per part, shown, " + at, bytes, 0, 0);
    char note[240];
    std::snprintf(note, sizeof note,
                  "%s: build %.2f s; rebuild after the build %.1f ms, after a load %.1f ms; full view draws %ld "
                  "parts; narrow view draws %ld, culls %ld boxes, the bare list holds %ld visible parts",
                  at.c_str(), build, rebuildBuild * 1e3, Median(loadRebuilds) * 1e3, drawnFull, drawnNarrow,
                  culledNarrow, visible);
    notes.push_back(note);
    gl->MakeCurrent();
    delete gl;
  }
  // Latency at the scene sizes a person edits: the loop's own cost over the rebuild and the frame.
  for (long n : {1000L, 10000L}) {
    auto* gl = new BigViewport(nullptr);
    gl->SetBounds(0, 0, o.width, o.height);
    gl->Loaded();
    gl->SetListMode(lmPerPart);
    gl->SetPromptRefresh(!o.noPrompt);
    int side = 1;
    BuildBig(gl, n, side);
    Aim(gl, side, n > 1000 ? kNarrowAngle : kFullAngle);
    gl->Rebuild();
    Frame(gl);
    TPart* moving = static_cast<TPartGroup*>(gl->Root()->Part(gl->Root()->Count() / 2))->Part(55);
    double baseline = 0;
    const double took = Latency(gl, moving, o.latencySamples, baseline);
    row("change to end of frame on the loop, " + std::to_string(n) + " parts" + (n > 1000 ? ", narrow" : ""),
        took * 1e3, baseline * 1e3, 1.1);
    gl->MakeCurrent();
    delete gl;
  }

  std::printf("\nbig scenes, per part%s%s (ms unless said; ratios side by side in this run)\n",
              o.noCulling ? ", culling off" : "", o.noPrompt ? ", timers" : "");
  std::printf("%-66s %11s %11s %8s %6s\n", "figure", "viewport", "baseline", "ratio", "goal");
  for (const BigRow& r : rows) {
    char goal[16] = "-";
    if (r.goal > 0) std::snprintf(goal, sizeof goal, "<= %.2g", r.goal);
    std::printf("%-66s %11.2f %11.2f %8.3f %6s\n", r.what.c_str(), r.value, r.baseline, r.ratio, goal);
  }
  for (const std::string& n : notes) std::printf("note: %s\n", n.c_str());
}
