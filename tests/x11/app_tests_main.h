// The main of a display test that drives a program in a child process: the test itself stays headless
// (it only makes scene files), the program talks to a private Xvfb.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>

#include "framework/controls/application.h"
#include "xvfb.h"

// NOTE: Xlib's default handler exits; a grab that races the program's own changes must only fail.
inline int IgnoreXError(Display*, XErrorEvent*) { return 0; }

// Runs the tests under a private Xvfb (skipped, code 77, where none is installed); cleanup runs after them.
inline int RunAppTestsOnXvfb(int argc, char** argv, const std::function<void()>& cleanup) {
  ::testing::InitGoogleTest(&argc, argv);
  if (!Xvfb::Installed()) {
    std::printf("Xvfb is not installed: display tests skipped\n");
    return kSkipReturnCode;
  }
  Application->Initialize(BackendKind::Headless);
  XSetErrorHandler(IgnoreXError);
  Xvfb server;
  if (!server.Start()) {
    std::fprintf(stderr, "Xvfb did not start\n");
    return 1;
  }
  int rc = RUN_ALL_TESTS();
  cleanup();
  server.Stop();
  return rc;
}
