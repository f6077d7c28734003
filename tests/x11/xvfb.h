// A private Xvfb for the display tests, and screenshots and synthetic input through the X server.
#pragma once

#include <X11/Xlib.h>
#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

// The return code that makes CTest report the suite as skipped.
const int kSkipReturnCode = 77;

class Xvfb {
public:
  ~Xvfb() { Stop(); }
  static bool Installed();
  // Starts a server on a display number it picks itself; sets DISPLAY.
  bool Start();
  void Stop();
  const std::string& Name() const { return FName; }

private:
  pid_t FPid = -1;
  std::string FName;
};

struct Shot {
  int width = 0, height = 0;
  std::vector<uint32_t> rgb;  // 0xRRGGBB, top row first
  uint32_t At(int x, int y) const { return rgb[static_cast<size_t>(y) * width + x]; }
  // Pixels (within the rectangle) that differ from c by more than tolerance in any channel.
  int CountOther(int x, int y, int w, int h, uint32_t c, int tolerance = 8) const;
  int CountNear(int x, int y, int w, int h, uint32_t c, int tolerance = 8) const;
  int CountDifferent(const Shot& other) const;
};

// Reads a window's pixels (with its child windows) from the server.
bool Grab(Display* d, Window w, Shot& shot);
// Finds a window below root by WM_CLASS name (res_name) or by WM_NAME; 0 when there is none.
Window FindByName(Display* d, Window root, const std::string& name);
Window FindByClass(Display* d, Window root, const std::string& resClass);
// Moves the pointer to (x, y) of the window and presses and releases button 1 (or only one of them).
void Click(Display* d, Window w, int x, int y, int button = 1);
void Press(Display* d, Window w, int x, int y);
void MoveTo(Display* d, Window w, int x, int y);
void Release(Display* d);
void WindowSize(Display* d, Window w, int& width, int& height);
// Asks a top-level window to close, as a window manager's close button does (WM_DELETE_WINDOW).
void SendClose(Display* d, Window w);
// Presses and releases the key of a keysym (with shift held when asked) through XTest.
void TypeKey(Display* d, unsigned long keysym, bool shift = false);
// Presses and releases a mouse button (2 middle, 4 and 5 the wheel) where the pointer is.
void Button(Display* d, int button);
