// sceneedit's command line: an optional scene file, a headless picture, the window size.
#include "options.h"

#include <cstdio>

#include "tool_main.h"

const char* const kSceneeditUsage =
    "usage: sceneedit [FILE] [--size WxH]      edit a scene (a new one when FILE is missing or absent)\n"
    "       sceneedit FILE --png OUT [--size WxH]\n"
    "                                          render it headless to a PNG and exit\n"
    "       sceneedit --help                   this text\n"
    "\n"
    "In the window (Ctrl with a letter; the buttons do the same):\n"
    "  Ctrl+N new   Ctrl+O open   Ctrl+S save   Ctrl+Shift+S save as   Ctrl+Q quit\n"
    "  Ctrl+Z undo  Ctrl+Y or Ctrl+Shift+Z redo\n"
    "  Ctrl+X cut   Ctrl+C copy   Ctrl+V paste  Ctrl+D duplicate   Delete delete the selected part\n"
    "  Ctrl+G group  Ctrl+1 cube  Ctrl+2 sphere  Ctrl+3 cylinder  Ctrl+4 disk  Ctrl+5 polygon\n"
    "  F2 rename the selected part   Up/Down the previous/next part   F fit the scene\n"
    "  M the material colour edited next (ambient, diffuse, specular, emission)\n"
    "  L the light editors (or back)   T load a BMP or PNG into a texture slot\n"
    "  closing with unsaved changes asks: Yes saves, No discards, Cancel stays\n"
    "  left drag orbit, middle or shift+left drag pan, wheel zoom, click a part to select it\n";

bool ParseEditOptions(int argc, char** argv, EditOptions& o, std::string& error) {
  std::vector<TToolOption> options = {TextOption("--png", o.png), SizeOption(o.width, o.height)};
  if (!ParseToolOptions(argc, argv, options, o.file, o.help, error)) return false;
  if (o.help) return true;
  if (!o.png.empty() && o.file.empty()) {
    error = "--png needs a scene file";
    return false;
  }
  return true;
}
