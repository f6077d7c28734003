#include "model_files.h"

#include <sys/stat.h>

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <exception>

#include "opengl/luce.h"
#include "opengl/opengl.h"
#include "parts/parts.h"
#include "pos3d/vectors.h"
#include "scene_files.h"

bool IsSceneFileName(const std::string& file) {
  const std::string ext = ".scene";
  if (file.size() < ext.size()) return false;
  for (size_t i = 0; i < ext.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(file[file.size() - ext.size() + i])) != ext[i]) return false;
  return true;
}

namespace {

// A model carries no camera: look at its box from -z, as the default camera looks, with near and far around it.
void FrameModel(TOpenGl* gl) {
  const TBounds box = gl->SceneBounds();
  if (box.Empty) return;
  const float radius = std::max(box.Radius(), 1e-3f);
  const float half = static_cast<float>(std::max(1.0, std::min(179.0, static_cast<double>(gl->ProjectionYAngle()))) *
                                        M_PI / 360.0);
  const float distance = radius / std::sin(half) * 1.05f;
  T3DVector target, eye, up;
  target.SetX(box.Center(0));
  target.SetY(box.Center(1));
  target.SetZ(box.Center(2));
  eye.SetX(box.Center(0));
  eye.SetY(box.Center(1));
  eye.SetZ(box.Center(2) - distance);
  up.SetY(1);
  gl->SetEyeTarget(&target);
  gl->SetEyePosition(&eye);
  gl->SetEyeUp(&up);
  gl->SetProjectionNear(std::max(distance - radius * 1.1f, distance * 1e-3f));
  gl->SetProjectionFar(distance + radius * 1.1f);
}

bool AnyLightOn(TOpenGl* gl) {
  for (int i = 0; i < LIGHT_SLOTS; ++i)
    if (gl->GetLight(i) && gl->GetLight(i)->Enabled) return true;
  return false;
}

}  // namespace

bool LoadSceneOrModel(TOpenGl* gl, const std::string& file, std::string& error) {
  if (IsSceneFileName(file)) return LoadSceneFile(gl, file, error);
  struct stat st;
  if (::stat(file.c_str(), &st) != 0) {
    error = std::strerror(errno);
    return false;
  }
  if (S_ISDIR(st.st_mode)) {
    error = "is a folder";
    return false;
  }
  try {
    TPart* model = gl->ImportModel(file.c_str(), nullptr);
    if (!model) {
      error = gl->LoadError().c_str();
      return false;
    }
    // The model takes the place of whatever the viewport showed.
    TPartGroup* root = gl->Root();
    for (int i = root->Count() - 1; i >= 0; --i) {
      TPart* old = root->Part(i);
      if (old == model) continue;
      gl->DeleteObject(old);
      delete old;
    }
    FrameModel(gl);
    // Models seldom bring lights the viewport can use; without one they would show black.
    if (!AnyLightOn(gl)) gl->SetHeadlight(true);
    return true;
  } catch (const std::exception& e) {
    error = e.what();
  }
  return false;
}
