// Runs a test body in a forked child: for what must not touch the test process (mounts, full disks).
#pragma once

#include <sys/wait.h>
#include <unistd.h>

// Gives body's exit status, or 128 plus the signal that ended it; the child never returns into the test.
template <class Body>
int InChild(Body body) {
  pid_t pid = fork();
  if (pid == 0) _exit(body());
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}
