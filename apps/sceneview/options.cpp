// sceneview's command line: the file, the headless modes and their values, checked before anything runs.
#include "options.h"

#include <cstdio>

#include "tool_main.h"

const char* const kSceneviewUsage =
    "usage: sceneview FILE                      show the scene in a window\n"
    "       sceneview FILE --png OUT [--size WxH] [--fit] [--pick X,Y]\n"
    "                                           render it headless to a PNG; --fit frames the scene as the\n"
    "                                           window does (else the camera stored in the file); --pick\n"
    "                                           prints the path of the part at that pixel (nothing for the\n"
    "                                           background)\n"
    "       sceneview FILE --dump                print it as JSON\n"
    "       sceneview FILE --save OUT            load it and save it again as the current version\n"
    "       sceneview --help                     this text\n"
    "FILE is a scene file (.scene) or a model in any format the Open Asset Import Library reads (.obj, .stl,\n"
    ".ply, .gltf, .glb, .fbx, ...), which is imported and framed.\n"
    "\n"
    "In the window:\n"
    "  left drag       orbit            middle or shift+left drag   pan\n"
    "  wheel           zoom             right drag                  zoom\n"
    "  click           pick a part: its path, class, position and material in the status line\n"
    "  Esc, q          quit             f, space    fit the scene in the window\n"
    "  r               the camera stored in the file\n"
    "  w               wireframe on/off l           headlight on/off\n"
    "  s               frame rate and part count on/off\n"
    "  c               snapshot to FILE-N.png beside the scene file\n"
    "  1, 3, 7         view from the front, right, top; with Shift from the back, left, bottom\n"
    "  5               orthographic on/off\n"
    "  h               these keys in the status line\n"
    "The file is watched: when it changes on disk the scene reloads and the camera stays.\n";

namespace {

bool ParsePick(const std::string& text, Options& o, std::string& error) {
  char tail = 0;
  if (std::sscanf(text.c_str(), "%d,%d%c", &o.pickX, &o.pickY, &tail) != 2) {
    error = "--pick " + text + ": expected X,Y, such as 320,240";
    return false;
  }
  o.pick = true;
  return true;
}

}  // namespace

bool ParseOptions(int argc, char** argv, Options& o, std::string& error) {
  std::vector<TToolOption> options = {
      TextOption("--png", o.png), TextOption("--save", o.save), SwitchOption("--dump", o.dump),
      SwitchOption("--fit", o.fit),
      SizeOption(o.width, o.height),
      {"--pick", true, [&o](const std::string& value, std::string& e) { return ParsePick(value, o, e); }}};
  if (!ParseToolOptions(argc, argv, options, o.file, o.help, error)) return false;
  if (o.help) return true;
  if (o.file.empty()) {
    error = "no scene file given";
    return false;
  }
  if (o.fit && o.png.empty()) {
    error = "--fit goes with --png";
    return false;
  }
  if (o.pick && o.png.empty()) {
    error = "--pick goes with --png";
    return false;
  }
  if (o.pick && (o.pickX < 0 || o.pickY < 0 || o.pickX >= o.width || o.pickY >= o.height)) {
    error = "--pick " + std::to_string(o.pickX) + "," + std::to_string(o.pickY) + ": outside the " +
            std::to_string(o.width) + "x" + std::to_string(o.height) + " picture (0,0 to " +
            std::to_string(o.width - 1) + "," + std::to_string(o.height - 1) + ")";
    return false;
  }
  return true;
}
