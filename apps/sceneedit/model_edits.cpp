#include "model_edits.h"

#include <exception>

#include "opengl/opengl.h"
#include "parts/parts.h"

TPart* ImportModelInto(TOpenGl* gl, const std::string& file, TPart* selected, std::string& error,
                       std::string& warnings) {
  TPart* where = nullptr;
  if (selected && selected != gl->Root())
    where = dynamic_cast<TPartGroup*>(selected) ? selected : selected->Parent();
  try {
    TPart* model = gl->ImportModel(file.c_str(), where);
    if (!model) {
      error = gl->LoadError().str();
      if (error.empty()) error = "the model could not be read";
      return nullptr;
    }
    warnings = gl->ImportWarnings().str();
    return model;
  } catch (const std::exception& e) {
    error = e.what();
  }
  return nullptr;
}

std::string GltfNameFor(const std::string& sceneFile) {
  if (sceneFile.empty()) return "untitled.glb";
  std::string base = sceneFile;
  const size_t slash = base.find_last_of('/');
  const size_t dot = base.find_last_of('.');
  if (dot != std::string::npos && (slash == std::string::npos || dot > slash + 1)) base.erase(dot);
  return base + ".glb";
}
