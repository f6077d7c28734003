// A program under test as a child process: its output read line by line, its exit awaited.
#pragma once

#include <sys/types.h>

#include <functional>
#include <string>
#include <vector>

class ChildProcess {
public:
  ChildProcess() = default;
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;
  // Kills a child that is still running.
  ~ChildProcess();

  struct Options {
    bool captureStderr = false;  // standard error joins standard output
    bool headless = false;       // DISPLAY is dropped
    std::string folder;          // working folder; empty keeps ours
  };
  // Runs argv[0] with argv; standard output comes back through the Wait calls.
  bool Start(const std::vector<std::string>& argv, const Options& options);
  bool Start(const std::vector<std::string>& argv) { return Start(argv, Options()); }

  // The next line that holds what (or starts with it), "" after the time; every line read goes to Log.
  std::string WaitLine(const std::string& what, int ms = 8000);
  std::string WaitPrefix(const std::string& prefix, int ms = 8000);
  // Whether exactly this line comes within the time (other lines are passed over).
  bool Saw(const std::string& line, int ms = 5000);
  // Everything it still writes, up to the end of its output.
  std::string ReadAll();
  // The exit status once it ends (128 + signal for a signal), -1 if it does not within the time.
  int WaitExit(int ms);

  std::string Log;

private:
  std::string Next(const std::function<bool(const std::string&)>& wanted, int ms);
  pid_t FPid = -1;
  int FOut = -1;
  std::string FBuffer;
};
