// Opening any file the tools take: a scene file by its extension, everything else as a model to import.
#pragma once

#include <string>

class TOpenGl;

// Whether the name ends in .scene (any case): such files are loaded, all others imported as models.
bool IsSceneFileName(const std::string& file);

// Loads a scene file, or imports a model in place of the viewport's scene with the camera framing it and,
// when no light is on, the headlight.
// False with the reason (naming no file); the viewport is left as it was then.
bool LoadSceneOrModel(TOpenGl* gl, const std::string& file, std::string& error);
