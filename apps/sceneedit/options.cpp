// sceneedit's command line: an optional scene file, a headless picture, the window size.
#include "options.h"

#include "tool_main.h"

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
