#include "child_process.h"

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <thread>

ChildProcess::~ChildProcess() {
  if (FPid > 0) {
    kill(FPid, SIGKILL);
    waitpid(FPid, nullptr, 0);
  }
  if (FOut >= 0) close(FOut);
}

bool ChildProcess::Start(const std::vector<std::string>& argv, const Options& options) {
  if (argv.empty()) return false;
  int fds[2];
  if (pipe(fds) != 0) return false;
  FPid = fork();
  if (FPid < 0) return false;
  if (FPid == 0) {
    dup2(fds[1], 1);
    if (options.captureStderr) dup2(fds[1], 2);
    close(fds[0]);
    close(fds[1]);
    if (!options.folder.empty() && chdir(options.folder.c_str()) != 0) _exit(126);
    if (options.headless) unsetenv("DISPLAY");
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    execv(args[0], args.data());
    _exit(127);
  }
  close(fds[1]);
  FOut = fds[0];
  return true;
}

std::string ChildProcess::Next(const std::function<bool(const std::string&)>& wanted, int ms) {
  auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  for (;;) {
    size_t nl;
    while ((nl = FBuffer.find('\n')) != std::string::npos) {
      std::string line = FBuffer.substr(0, nl);
      FBuffer.erase(0, nl + 1);
      Log += line + "\n";
      if (wanted(line)) return line;
    }
    int left = static_cast<int>(
        std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now()).count());
    if (left <= 0 || FOut < 0) return "";
    pollfd p{FOut, POLLIN, 0};
    if (poll(&p, 1, left) <= 0) return "";
    char chunk[512];
    ssize_t n = read(FOut, chunk, sizeof chunk);
    if (n <= 0) return "";
    FBuffer.append(chunk, static_cast<size_t>(n));
  }
}

std::string ChildProcess::WaitLine(const std::string& what, int ms) {
  return Next([&](const std::string& line) { return line.find(what) != std::string::npos; }, ms);
}

std::string ChildProcess::WaitPrefix(const std::string& prefix, int ms) {
  return Next([&](const std::string& line) { return line.compare(0, prefix.size(), prefix) == 0; }, ms);
}

bool ChildProcess::Saw(const std::string& line, int ms) {
  auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (std::chrono::steady_clock::now() < end)
    if (WaitPrefix("", 100) == line) return true;
  return false;
}

std::string ChildProcess::ReadAll() {
  std::string all = FBuffer;
  FBuffer.clear();
  char chunk[4096];
  ssize_t n;
  while (FOut >= 0 && (n = read(FOut, chunk, sizeof chunk)) > 0) all.append(chunk, static_cast<size_t>(n));
  Log += all;
  return all;
}

int ChildProcess::WaitExit(int ms) {
  for (int i = 0; i < ms / 20; ++i) {
    int status = 0;
    if (FPid > 0 && waitpid(FPid, &status, WNOHANG) == FPid) {
      FPid = -1;
      return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return -1;
}
