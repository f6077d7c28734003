// What the scene tools share around their work: the command-line loop, main's frame, and a headless view.
#pragma once

#include <functional>
#include <string>
#include <vector>

class TForm;
class TOpenGl;

// One option that takes a value ("--size 640x480"), or a switch ("--dump") that takes none.
struct TToolOption {
  std::string name;
  bool takesValue;
  // Reads the value (empty for a switch); false with a message that names the option and the value.
  std::function<bool(const std::string& value, std::string& error)> apply;
};

// An option whose value is kept as it is, a switch that sets a flag, and --size WxH.
TToolOption TextOption(const char* name, std::string& into);
TToolOption SwitchOption(const char* name, bool& into);
TToolOption SizeOption(int& width, int& height);

// --help or -h sets help and ends the walk; the first bare argument is the file; an option without its
// value, a second file or anything unknown is an error that names it.
bool ParseToolOptions(int argc, char** argv, const std::vector<TToolOption>& options, std::string& file, bool& help,
                      std::string& error);

// main around a tool's work: a bad command line gives the message and the usage on standard error (2),
// help the usage on standard output (0); what the framework raises while run works is reported (1).
int ToolMain(const char* tool, const char* usage, bool parsed, const std::string& error, bool help,
             const std::string& file, const std::function<int()>& run);

// A viewport filling the form, in per-part mode: edits and reloads recompile only what changed.
TOpenGl* AddViewport(TForm* form);
// A form filled by one viewport in per-part mode, made and loaded without a display.
TOpenGl* MakeHeadlessView(TForm& form, int width, int height);
// Shows the form, lets the model and repaint timers run, and writes the viewport's last frame as a PNG;
// false with the reason printed as "tool: could not write PNG".
bool WriteHeadlessPng(const char* tool, TForm& form, TOpenGl* gl, const std::string& png);
