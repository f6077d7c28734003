// The model section: a smooth sphere of 10^4 to 10^6 triangles written as binary STL, binary PLY and OBJ,
// imported, shown and measured side by side with its bare baselines: assimp's own read (triangulate
// only), and a bare glDrawElements list of the very arrays the mesh part draws.
#include "bench/bench_models.h"

#include <GL/gl.h>
#include <malloc.h>
#include <unistd.h>

#include <algorithm>
#include <assimp/Importer.hpp>
#include <assimp/postprocess.h>
#include <assimp/scene.h>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <memory>

#include "framework/controls/application.h"
#include "framework/platform/winapi.h"
#include "opengl/opengl.h"
#include "parts/mesh.h"
#include "bench_measure.h"
#include "bench_viewport.h"
#include "parts/parts.h"

namespace {

using bench::Heap;
using bench::Median;
using bench::Now;

// A sphere of radius 2 with shared vertices and no normals: about `triangles` triangles.
TMeshData Sphere(long triangles) {
  const int stacks = std::max(3, static_cast<int>(std::sqrt(triangles / 4.0)));
  const int slices = stacks * 2;
  TMeshData d;
  d.Positions.insert(d.Positions.end(), {0, 2, 0});
  for (int j = 1; j < stacks; ++j)
    for (int i = 0; i < slices; ++i) {
      const double th = M_PI * j / stacks, ph = 2 * M_PI * i / slices;
      d.Positions.insert(d.Positions.end(), {float(2 * std::sin(th) * std::cos(ph)), float(2 * std::cos(th)),
                                             float(2 * std::sin(th) * std::sin(ph))});
    }
  d.Positions.insert(d.Positions.end(), {0, -2, 0});
  const uint32_t last = static_cast<uint32_t>(d.VertexCount() - 1);
  auto ring = [slices](int j, int i) { return static_cast<uint32_t>(1 + (j - 1) * slices + (i % slices)); };
  for (int i = 0; i < slices; ++i) d.Indices.insert(d.Indices.end(), {0, ring(1, i + 1), ring(1, i)});
  for (int j = 1; j < stacks - 1; ++j)
    for (int i = 0; i < slices; ++i) {
      d.Indices.insert(d.Indices.end(), {ring(j, i), ring(j, i + 1), ring(j + 1, i + 1)});
      d.Indices.insert(d.Indices.end(), {ring(j, i), ring(j + 1, i + 1), ring(j + 1, i)});
    }
  for (int i = 0; i < slices; ++i) d.Indices.insert(d.Indices.end(), {last, ring(stacks - 1, i), ring(stacks - 1, i + 1)});
  return d;
}

bool WriteObj(const std::string& path, const TMeshData& d) {
  FILE* f = std::fopen(path.c_str(), "w");
  if (!f) return false;
  for (size_t i = 0; i < d.Positions.size(); i += 3)
    std::fprintf(f, "v %.6f %.6f %.6f\n", d.Positions[i], d.Positions[i + 1], d.Positions[i + 2]);
  for (size_t i = 0; i < d.Indices.size(); i += 3)
    std::fprintf(f, "f %u %u %u\n", d.Indices[i] + 1, d.Indices[i + 1] + 1, d.Indices[i + 2] + 1);
  return std::fclose(f) == 0;
}

bool WritePly(const std::string& path, const TMeshData& d) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  std::fprintf(f,
               "ply\nformat binary_little_endian 1.0\nelement vertex %zu\nproperty float x\nproperty float y\n"
               "property float z\nelement face %zu\nproperty list uchar int vertex_indices\nend_header\n",
               d.VertexCount(), d.TriangleCount());
  std::fwrite(d.Positions.data(), 4, d.Positions.size(), f);
  std::vector<uint8_t> faces(d.TriangleCount() * 13);
  for (size_t t = 0; t < d.TriangleCount(); ++t) {
    faces[t * 13] = 3;
    std::memcpy(&faces[t * 13 + 1], &d.Indices[t * 3], 12);
  }
  std::fwrite(faces.data(), 1, faces.size(), f);
  return std::fclose(f) == 0;
}

// As STL files come: every triangle with its own corners and its facet normal.
bool WriteStl(const std::string& path, const TMeshData& d) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  char header[80] = "binary sphere";
  std::fwrite(header, 1, 80, f);
  const uint32_t n = static_cast<uint32_t>(d.TriangleCount());
  std::fwrite(&n, 4, 1, f);
  std::vector<uint8_t> rec(50 * static_cast<size_t>(n), 0);
  for (size_t t = 0; t < n; ++t) {
    const float* p[3];
    for (int k = 0; k < 3; ++k) p[k] = &d.Positions[d.Indices[t * 3 + k] * 3];
    const float u[3] = {p[1][0] - p[0][0], p[1][1] - p[0][1], p[1][2] - p[0][2]};
    const float v[3] = {p[2][0] - p[0][0], p[2][1] - p[0][1], p[2][2] - p[0][2]};
    float m[3] = {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0]};
    const float len = std::sqrt(m[0] * m[0] + m[1] * m[1] + m[2] * m[2]);
    for (float& x : m) x = len > 0 ? x / len : 0;
    if (len == 0) m[2] = 1;
    uint8_t* r = &rec[t * 50];
    std::memcpy(r, m, 12);
    for (int k = 0; k < 3; ++k) std::memcpy(r + 12 + k * 12, p[k], 12);
  }
  std::fwrite(rec.data(), 1, rec.size(), f);
  return std::fclose(f) == 0;
}

using ModelViewport = bench::TFrameViewport;

// One frame through the message loop, finished.
double Frame(ModelViewport* gl) {
  const double t0 = Now();
  InvalidateRect(gl->Handle(), nullptr, FALSE);
  Application->ProcessMessages();
  glFinish();
  return Now() - t0;
}

// The viewport's frame with the scene replaced by a bare list: the same clear, camera, lights and swap.
struct BareScene : TObject {
  GLuint list = 0;
  void Draw(TObject*) { glCallList(list); }
};

double BareFrame(ModelViewport* gl, BareScene& scene) {
  gl->OnPaint = MakeEvent(&scene, &BareScene::Draw);
  const double t = Frame(gl);
  gl->OnPaint = TNotifyEvent();
  return t;
}

// The mesh's own arrays, held as plainly as possible.
struct BareArrays {
  std::vector<float> positions, normals;
  std::vector<uint16_t> i16;
  std::vector<uint32_t> i32;
  explicit BareArrays(const TMeshData& d) : positions(d.Positions), normals(d.Normals) {
    if (d.VertexCount() <= 65536)
      i16.assign(d.Indices.begin(), d.Indices.end());
    else
      i32 = d.Indices;
  }
  GLuint Compile() const {
    const GLuint list = glGenLists(1);
    glNewList(list, GL_COMPILE);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_NORMAL_ARRAY);
    glVertexPointer(3, GL_FLOAT, 0, positions.data());
    glNormalPointer(GL_FLOAT, 0, normals.data());
    if (i16.empty())
      glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(i32.size()), GL_UNSIGNED_INT, i32.data());
    else
      glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(i16.size()), GL_UNSIGNED_SHORT, i16.data());
    glEndList();
    glDisableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_NORMAL_ARRAY);
    return list;
  }
};

double AssimpRead(const std::string& path) {
  const double t0 = Now();
  {
    Assimp::Importer importer;
    if (!importer.ReadFile(path, aiProcess_Triangulate)) std::printf("  assimp could not read %s\n", path.c_str());
  }
  return Now() - t0;
}

}  // namespace

std::vector<TModelBenchRow> RunModelBench(const TModelBenchOptions& o) {
  std::vector<TModelBenchRow> rows;
  auto add = [&rows](const std::string& id, const std::string& what, const std::string& unit, double system,
                     double baseline, bool hasGoal, double goal) {
    TModelBenchRow r;
    r.id = id;
    r.what = what;
    r.unit = unit;
    r.system = system;
    r.baseline = baseline;
    r.ratio = baseline > 0 ? system / baseline : 0;
    r.hasGoal = hasGoal;
    r.goal = goal;
    rows.push_back(r);
    std::printf("  %-58s %12.3f %12.3f %7.3f%s\n", what.c_str(), system, baseline, r.ratio,
                hasGoal ? (r.ratio <= goal ? "" : "  (over goal)") : "");
    std::fflush(stdout);
  };
  auto* gl = new ModelViewport(nullptr);
  gl->SetBounds(0, 0, o.width, o.height);
  gl->Loaded();
  gl->SetHeadlight(true);
  gl->SetImportTriangleBudget(1LL << 40);
  BareScene bareScene;
  {
    // The first list with vertex arrays in a context sets up the driver's stores: neither side pays it.
    gl->MakeCurrent();
    TMeshData tiny = Sphere(100);
    ComputeMeshNormals(tiny, 60);
    BareArrays arrays(tiny);
    bareScene.list = arrays.Compile();
    BareFrame(gl, bareScene);
    glDeleteLists(bareScene.list, 1);
    auto* mesh = new TPartMesh;
    mesh->SetData(tiny);
    gl->Paste(nullptr, mesh);
    gl->OnModelRefreshTimer(nullptr);
    Frame(gl);
    gl->DeleteObject(mesh);
    delete mesh;
    gl->OnModelRefreshTimer(nullptr);
    Frame(gl);
  }
  const std::string stem = o.dir + "/v3d_bench_model_" + std::to_string(getpid());
  for (long n = 10000; n <= o.maxTriangles; n *= 10) {
    const TMeshData sphere = Sphere(n);
    const long tris = static_cast<long>(sphere.TriangleCount());
    std::printf("[models] sphere of %ld triangles\n", tris);
    const std::string label = std::to_string(n);
    const std::string stl = stem + ".stl", ply = stem + ".ply", obj = stem + ".obj";
    if (!WriteStl(stl, sphere) || !WritePly(ply, sphere) || !WriteObj(obj, sphere)) {
      std::printf("  cannot write the model files under %s\n", o.dir.c_str());
      break;
    }
    const int rounds = n >= 1000000 ? std::max(1, o.rounds / 3) : o.rounds;

    // Import time against assimp's own read, rounds alternating.
    const std::pair<const char*, std::string> formats[] = {{"binary STL", stl}, {"binary PLY", ply}, {"OBJ", obj}};
    for (const auto& [name, path] : formats) {
      std::vector<double> ours, theirs;
      for (int r = 0; r < rounds; ++r) {
        theirs.push_back(AssimpRead(path));
        const double t0 = Now();
        TPart* part = gl->ImportModel(path.c_str(), nullptr);
        ours.push_back(Now() - t0);
        if (!part) {
          std::printf("  import failed: %s\n", gl->LoadError().c_str());
          break;
        }
        gl->DeleteObject(part);
        delete part;
      }
      add(std::string("model_import_") + name + "_" + label, std::string("import ") + name + ", " + label + " triangles (ms)",
          "ms", Median(ours) * 1e3, Median(theirs) * 1e3, true, 2.0);
    }

    // Memory once shown: the imported part with its list against the arrays it draws and a bare list,
    // each in a fresh viewport (the driver keeps a vertex store per context for the next list).
    TMeshData drawn;
    double shownBytes = 0, bareBytes = 0;
    for (int side = 0; side < 2; ++side) {
      auto* fresh = new ModelViewport(nullptr);
      fresh->SetBounds(0, 0, o.width, o.height);
      fresh->Loaded();
      fresh->MakeCurrent();
      fresh->OnModelRefreshTimer(nullptr);
      Frame(fresh);
      const size_t before = Heap();
      if (side == 0) {
        TPart* shown = fresh->ImportModel(ply.c_str(), nullptr);
        fresh->OnModelRefreshTimer(nullptr);
        glFinish();
        shownBytes = static_cast<double>(Heap()) - static_cast<double>(before);
        if (auto* g = dynamic_cast<TPartGroup*>(shown))
          if (auto* m = dynamic_cast<TPartMesh*>(g->Part(0))) m->Tessellate(drawn);
      } else {
        BareArrays arrays(drawn);
        const GLuint list = arrays.Compile();
        glFinish();
        bareBytes = static_cast<double>(Heap()) - static_cast<double>(before);
        glDeleteLists(list, 1);
      }
      delete fresh;
    }
    gl->MakeCurrent();
    TPart* model = gl->ImportModel(ply.c_str(), nullptr);
    if (!model) {
      std::printf("  import failed: %s\n", gl->LoadError().c_str());
      break;
    }
    gl->OnModelRefreshTimer(nullptr);
    std::unique_ptr<BareArrays> bare(new BareArrays(drawn));
    bareScene.list = bare->Compile();
    add("model_bytes_" + label, "bytes per triangle shown, " + label + " triangles", "bytes", shownBytes / tris,
        bareBytes / tris, true, 1.10);

    // A static frame of the model against the bare list, alternating.
    std::vector<double> frames, bareFrames;
    Frame(gl);
    for (int r = 0; r < rounds * 2; ++r) {
      frames.push_back(Frame(gl));
      bareFrames.push_back(BareFrame(gl, bareScene));
    }
    add("model_frame_" + label, "frame of the model, " + label + " triangles (ms)", "ms", Median(frames) * 1e3,
        Median(bareFrames) * 1e3, true, 1.10);

    // First frame after an import: the rebuild that compiles it and its paint, against compiling the
    // bare list and drawing it once.
    std::vector<double> firsts, bareFirsts;
    for (int r = 0; r < rounds; ++r) {
      gl->DeleteObject(model);
      delete model;
      gl->OnModelRefreshTimer(nullptr);
      Frame(gl);
      model = gl->ImportModel(ply.c_str(), nullptr);
      double t0 = Now();
      gl->OnModelRefreshTimer(nullptr);
      Frame(gl);
      firsts.push_back(Now() - t0);
      t0 = Now();
      glDeleteLists(bareScene.list, 1);
      bareScene.list = bare->Compile();
      BareFrame(gl, bareScene);
      bareFirsts.push_back(Now() - t0);
    }
    add("model_first_frame_" + label, "first frame after import, " + label + " triangles (ms)", "ms",
        Median(firsts) * 1e3, Median(bareFirsts) * 1e3, true, 1.2);
    glDeleteLists(bareScene.list, 1);
    bare.reset();
    gl->DeleteObject(model);
    delete model;
    gl->OnModelRefreshTimer(nullptr);
    std::remove(stl.c_str());
    std::remove(ply.c_str());
    std::remove(obj.c_str());
  }
  gl->MakeCurrent();
  delete gl;
  return rows;
}
