// Runs the display tests against a private Xvfb; skipped (code 77) where Xvfb is not installed.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

#include "framework/controls/application.h"
#include "xvfb.h"

// The tests run in a child, so the application's display connection closes before the server stops.
int main(int argc, char** argv) {
  if (!Xvfb::Installed()) {
    std::printf("Xvfb is not installed: display tests skipped\n");
    return kSkipReturnCode;
  }
  Xvfb server;
  if (!server.Start()) {
    std::fprintf(stderr, "Xvfb did not start\n");
    return 1;
  }
  std::fflush(stdout);
  pid_t pid = fork();
  if (pid < 0) return 1;
  if (pid == 0) {
    ::testing::InitGoogleTest(&argc, argv);
    if (!Application->Initialize(BackendKind::X11) || !Application->OnDisplay()) {
      std::fprintf(stderr, "cannot open %s\n", server.Name().c_str());
      _exit(1);
    }
    int rc = RUN_ALL_TESTS();
    std::exit(rc);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  server.Stop();
  return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}
