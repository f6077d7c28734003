// The demo's command line, run as a user would: bad arguments get the usage, failed saves an error.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace fs = std::filesystem;

namespace {

struct Result {
  int status = -1;  // exit code; -1 when it did not exit normally (a crash)
  std::string err;
};

fs::path Temp(const std::string& name) {
  fs::path dir = fs::temp_directory_path() / ("demo_test_" + std::to_string(getpid()));
  fs::create_directories(dir);
  return dir / name;
}

// Runs the demo headless; one that does not end within the limit reports 124.
Result Demo(const std::string& args) {
  fs::path err = Temp("stderr");
  std::string cmd = std::string("env -u DISPLAY timeout 30 ") + V3D_DEMO_PATH + " --headless --png " +
                    Temp("demo.png").string() + " " + args + " >/dev/null 2>" + err.string();
  int raw = std::system(cmd.c_str());
  Result r;
  r.status = (raw != -1 && WIFEXITED(raw)) ? WEXITSTATUS(raw) : -1;
  std::ifstream in(err);
  std::stringstream s;
  s << in.rdbuf();
  r.err = s.str();
  return r;
}

}  // namespace

TEST(Demo, BadNumbersGetTheUsage) {
  for (const char* args : {"--frames abc", "--frames 0", "--frames -5", "--frames 3x", "--frames 99999999999",
                           "--size abc", "--size 0x0", "--size 32x", "--size x32", "--size 32x-4", "--size 32x32y",
                           "--size 100000x10"}) {
    Result r = Demo(args);
    EXPECT_EQ(r.status, 2) << args;
    EXPECT_NE(r.err.find("usage: demo"), std::string::npos) << args;
  }
}

// Asked for, the usage goes to standard output and is no failure; -h is the same.
TEST(Demo, HelpPrintsTheUsage) {
  for (const char* flag : {"--help", "-h"}) {
    fs::path out = Temp("help.txt");
    std::string cmd = std::string("env -u DISPLAY timeout 30 ") + V3D_DEMO_PATH + " " + flag + " >" + out.string() +
                      " 2>" + Temp("help.err").string();
    int raw = std::system(cmd.c_str());
    EXPECT_TRUE(raw != -1 && WIFEXITED(raw) && WEXITSTATUS(raw) == 0) << flag;
    std::ifstream in(out);
    std::stringstream s;
    s << in.rdbuf();
    EXPECT_EQ(s.str().rfind("usage: demo", 0), 0u) << flag << ": " << s.str();
    EXPECT_EQ(fs::file_size(Temp("help.err")), 0u) << flag;
  }
}

TEST(Demo, RendersAndSavesOrSaysWhyNot) {
  Result ok = Demo("--frames 2 --size 48x32 --save " + Temp("x.scene").string());
  EXPECT_EQ(ok.status, 0) << ok.err;
  EXPECT_TRUE(fs::exists(Temp("x.scene")));
  EXPECT_TRUE(fs::exists(Temp("demo.png")));

  Result bad = Demo("--frames 2 --size 48x32 --save /nonexistent/x.scene");
  EXPECT_EQ(bad.status, 1);
  EXPECT_NE(bad.err.find("/nonexistent/x.scene"), std::string::npos) << bad.err;
  fs::remove_all(Temp("").parent_path());
}
