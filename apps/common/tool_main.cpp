#include "tool_main.h"

#include <cstdio>
#include <ctime>
#include <exception>

#include "framework/controls/application.h"
#include "framework/controls/controls.h"
#include "opengl/opengl.h"
#include "size_option.h"

TToolOption TextOption(const char* name, std::string& into) {
  return {name, true, [&into](const std::string& value, std::string&) {
            into = value;
            return true;
          }};
}

TToolOption SwitchOption(const char* name, bool& into) {
  return {name, false, [&into](const std::string&, std::string&) {
            into = true;
            return true;
          }};
}

TToolOption SizeOption(int& width, int& height) {
  return {"--size", true, [&width, &height](const std::string& value, std::string& error) {
            return ParseSizeOption(value, width, height, error);
          }};
}

bool ParseToolOptions(int argc, char** argv, const std::vector<TToolOption>& options, std::string& file, bool& help,
                      std::string& error) {
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "--help" || a == "-h") {
      help = true;
      return true;
    }
    const TToolOption* option = nullptr;
    for (const TToolOption& o : options)
      if (o.name == a) option = &o;
    if (option) {
      if (option->takesValue && i + 1 >= argc) {
        error = a + " needs a value";
        return false;
      }
      if (!option->apply(option->takesValue ? argv[++i] : "", error)) return false;
    } else if (!a.empty() && a[0] != '-' && file.empty()) {
      file = a;
    } else {
      error = "unexpected argument " + a;
      return false;
    }
  }
  return true;
}

int ToolMain(const char* tool, const char* usage, bool parsed, const std::string& error, bool help,
             const std::string& file, const std::function<int()>& run) {
  if (!parsed) {
    std::fprintf(stderr, "%s: %s\n%s", tool, error.c_str(), usage);
    return 2;
  }
  if (help) {
    std::fputs(usage, stdout);
    return 0;
  }
  std::string where = file.empty() ? "" : file + ": ";
  // The framework raises where the platform would (a bad image): report, never crash.
  try {
    return run();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s: %s%s\n", tool, where.c_str(), e.what());
  } catch (...) {
    std::fprintf(stderr, "%s: %scannot be loaded\n", tool, where.c_str());
  }
  return 1;
}

TOpenGl* AddViewport(TForm* form) {
  auto* gl = new TOpenGl(form);
  gl->SetParent(form);
  gl->SetAlign(alClient);
  gl->SetListMode(lmPerPart);
  // Edits and camera moves show at the end of the loop's pass that made them.
  gl->SetPromptRefresh(true);
  return gl;
}

TOpenGl* MakeHeadlessView(TForm& form, int width, int height) {
  form.SetBounds(0, 0, width, height);
  TOpenGl* gl = AddViewport(&form);
  gl->Loaded();
  return gl;
}

namespace {

// Lets the model and repaint timers run, then makes sure one last frame is drawn.
void Settle(TOpenGl* gl) {
  int64_t end = Application->NowMs() + 150;
  while (Application->NowMs() < end) {
    Application->ProcessMessages();
    timespec ts = {0, 5 * 1000 * 1000};
    nanosleep(&ts, nullptr);
  }
  InvalidateRect(gl->Handle(), nullptr, FALSE);
  Application->ProcessMessages();
}

}  // namespace

bool WriteHeadlessPng(const char* tool, TForm& form, TOpenGl* gl, const std::string& png) {
  form.Show();
  Settle(gl);
  if (gl->SaveSnapshot(png.c_str())) return true;
  std::fprintf(stderr, "%s: could not write %s\n", tool, png.c_str());
  return false;
}
