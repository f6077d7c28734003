// sceneedit's command line.
#pragma once

#include <string>

struct EditOptions {
  std::string file, png;
  bool help = false;
  int width = 1000, height = 720;
};

// False with a message for a command line that cannot be run (the caller adds the usage).
bool ParseEditOptions(int argc, char** argv, EditOptions& o, std::string& error);
