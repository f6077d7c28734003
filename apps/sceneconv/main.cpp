// sceneconv: converts a scene file or any model file into a scene file, glTF, or a model format assimp writes.
#include <sys/stat.h>

#include <cctype>
#include <chrono>
#include <cstdio>
#include <string>

#include "framework/controls/application.h"
#include "framework/controls/controls.h"
#include "mesh_export.h"
#include "model_files.h"
#include "opengl/luce.h"
#include "opengl/opengl.h"
#include "tool_main.h"

namespace {

// A scene file keeps no headlight: a model shown by one gets, in its place, a white light from the eye's side
// (a directional one, so the model reads the same from wherever the file is opened).
void LightFromTheEye(TOpenGl* gl) {
  TLuce* light = gl->GetLight(0);
  if (!light) return;
  const float dx = gl->EyePosition()->GetX() - gl->EyeTarget()->GetX(), dy = gl->EyePosition()->GetY() - gl->EyeTarget()->GetY(),
              dz = gl->EyePosition()->GetZ() - gl->EyeTarget()->GetZ();
  light->SetPositionX(dx);
  light->SetPositionY(dy);
  light->SetPositionZ(dz);
  light->SetPositionW(0);
  light->SetDiffuseR(1);
  light->SetDiffuseG(1);
  light->SetDiffuseB(1);
  light->SetSpecularR(1);
  light->SetSpecularG(1);
  light->SetSpecularB(1);
  light->SetEnabled(true);
}


const char* const kUsage =
    "usage: sceneconv [--verbose] INPUT OUTPUT\n"
    "  INPUT    a scene file (.scene) or a model file in any format the Open Asset Import Library reads\n"
    "           (.obj, .stl, .ply, .gltf, .glb, .fbx, .dae, .3ds, ...)\n"
    "  OUTPUT   by its extension: .scene (a scene file), .gltf (with a .bin beside it) or .glb (glTF 2.0),\n"
    "           .obj (with a .mtl beside it), .stl or .ply (binary), the triangles in world coordinates\n"
    "  --verbose  progress on standard error (given anyway for inputs over 16 MB)\n"
    "  --help, -h this text\n";

const long long kLargeInput = 16LL << 20;

std::string Extension(const std::string& file) {
  const size_t dot = file.find_last_of('.');
  const size_t slash = file.find_last_of('/');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
  std::string ext = file.substr(dot);
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return ext;
}

struct Options {
  std::string input, output;
  bool verbose = false, help = false;
};

bool Parse(int argc, char** argv, Options& opt, std::string& error) {
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--help" || a == "-h") {
      opt.help = true;
      return true;
    }
    if (a == "--verbose") {
      opt.verbose = true;
    } else if (!a.empty() && a[0] == '-' && a != "-") {
      error = "unknown option " + a;
      return false;
    } else if (opt.input.empty()) {
      opt.input = a;
    } else if (opt.output.empty()) {
      opt.output = a;
    } else {
      error = "unexpected argument " + a;
      return false;
    }
  }
  if (!opt.help && opt.output.empty()) {
    error = opt.input.empty() ? "needs an input and an output file" : "needs an output file";
    return false;
  }
  return true;
}

class Progress {
public:
  explicit Progress(bool on) : FOn(on), FStart(std::chrono::steady_clock::now()) {}
  void Say(const std::string& what) const {
    if (!FOn) return;
    const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - FStart).count();
    std::fprintf(stderr, "sceneconv: [%.1f s] %s\n", s, what.c_str());
  }

private:
  bool FOn;
  std::chrono::steady_clock::time_point FStart;
};

int Fail(const std::string& file, const std::string& why) {
  std::fprintf(stderr, "sceneconv: %s: %s\n", file.c_str(), why.c_str());
  return 1;
}

int Convert(const Options& opt) {
  const std::string ext = Extension(opt.output);
  const std::string assimpFormat = AssimpFormatFor(ext);
  if (ext != ".scene" && ext != ".gltf" && ext != ".glb" && assimpFormat.empty())
    return Fail(opt.output, "cannot write this format (" + (ext.empty() ? std::string("no extension") : ext) +
                                "): use .scene, .gltf, .glb, .obj, .stl or .ply");
  struct stat st;
  if (::stat(opt.input.c_str(), &st) != 0) return Fail(opt.input, "no such file");
  if (S_ISDIR(st.st_mode)) return Fail(opt.input, "is a folder");
  const Progress progress(opt.verbose || static_cast<long long>(st.st_size) > kLargeInput);

  Application->Initialize(BackendKind::Headless);
  TForm form(nullptr);
  TOpenGl* gl = MakeHeadlessView(form, 64, 64);
  progress.Say("reading " + opt.input + " (" + std::to_string(static_cast<long long>(st.st_size) >> 10) + " KB)");
  std::string error;
  if (!LoadSceneOrModel(gl, opt.input, error)) return Fail(opt.input, error);
  progress.Say("read");

  progress.Say("writing " + opt.output);
  if (ext == ".scene") {
    if (gl->Headlight()) LightFromTheEye(gl);
    if (!gl->SaveTo(opt.output.c_str())) return Fail(opt.output, gl->SaveError().c_str());
  } else if (ext == ".gltf" || ext == ".glb") {
    if (!gl->ExportGltf(opt.output.c_str())) return Fail(opt.output, gl->SaveError().c_str());
  } else {
    std::vector<TWorldMesh> meshes;
    if (!WorldMeshes(gl, meshes, error)) return Fail(opt.input, error);
    size_t triangles = 0;
    for (const TWorldMesh& m : meshes) triangles += m.data.TriangleCount();
    progress.Say(std::to_string(triangles) + " triangles in " + std::to_string(meshes.size()) + " meshes");
    if (!ExportWithAssimp(meshes, opt.output, assimpFormat, error)) return Fail(opt.output, error);
  }
  progress.Say("done");
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  Options opt;
  std::string error;
  const bool parsed = Parse(argc, argv, opt, error);
  return ToolMain("sceneconv", kUsage, parsed, error, opt.help, opt.input, [&opt] { return Convert(opt); });
}
