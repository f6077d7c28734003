// sceneview's command line.
#pragma once

#include <string>

extern const char* const kSceneviewUsage;

struct Options {
  std::string file, png, save;
  bool dump = false, help = false, fit = false;
  int width = 640, height = 480;
  bool pick = false;
  int pickX = 0, pickY = 0;
};

// False with a message for a command line that cannot be run (the caller adds the usage).
bool ParseOptions(int argc, char** argv, Options& o, std::string& error);
