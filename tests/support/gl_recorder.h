// Records the GL calls a test cares about. Link recorder/gl_recorder.cpp into the test executable itself:
// its definitions of the GL entry points then take the place of the library's and forward to it.
#pragma once

#include <string>
#include <vector>

struct GlCall {
  std::string name;
  std::vector<double> args;
};

namespace GlRecorder {
// Starts recording with an empty log.
void Start();
void Stop();
const std::vector<GlCall>& Calls();
// The names of the recorded calls, in order.
std::vector<std::string> Names();
// The recorded calls named `name`, in order.
std::vector<GlCall> Only(const std::string& name);
}  // namespace GlRecorder
