// Xvfb start-up, screenshots with XGetImage and input with XTest.
#include "xvfb.h"

#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <X11/extensions/XTest.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

bool Xvfb::Installed() {
  const char* path = std::getenv("PATH");
  std::string dirs = path ? path : "/usr/bin:/bin";
  size_t start = 0;
  while (start <= dirs.size()) {
    size_t end = dirs.find(':', start);
    if (end == std::string::npos) end = dirs.size();
    std::string candidate = dirs.substr(start, end - start) + "/Xvfb";
    if (access(candidate.c_str(), X_OK) == 0) return true;
    start = end + 1;
  }
  return false;
}

// -displayfd lets the server pick a free display number and tell us, so parallel runs never collide.
bool Xvfb::Start() {
  int fds[2];
  if (pipe(fds) != 0) return false;
  pid_t pid = fork();
  if (pid < 0) return false;
  if (pid == 0) {
    close(fds[0]);
    int null = open("/dev/null", O_WRONLY);
    if (null >= 0) {
      dup2(null, 1);
      dup2(null, 2);
    }
    std::string fd = std::to_string(fds[1]);
    execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-nolisten", "tcp", "-screen", "0", "1024x768x24", "-noreset",
           static_cast<char*>(nullptr));
    _exit(127);
  }
  close(fds[1]);
  FPid = pid;
  std::string number;
  pollfd p{fds[0], POLLIN, 0};
  char c;
  while (poll(&p, 1, 20000) > 0 && read(fds[0], &c, 1) == 1 && c != '\n') number += c;
  close(fds[0]);
  if (number.empty()) {
    Stop();
    return false;
  }
  FName = ":" + number;
  setenv("DISPLAY", FName.c_str(), 1);
  return true;
}

void Xvfb::Stop() {
  if (FPid <= 0) return;
  kill(FPid, SIGTERM);
  waitpid(FPid, nullptr, 0);
  FPid = -1;
}

int Shot::CountOther(int x, int y, int w, int h, uint32_t c, int tolerance) const {
  return w * h - CountNear(x, y, w, h, c, tolerance);
}

int Shot::CountNear(int x, int y, int w, int h, uint32_t c, int tolerance) const {
  int n = 0;
  for (int j = y; j < y + h && j < height; ++j)
    for (int i = x; i < x + w && i < width; ++i) {
      if (i < 0 || j < 0) continue;
      uint32_t p = At(i, j);
      bool near = true;
      for (int s = 0; s < 24; s += 8)
        if (std::abs(static_cast<int>((p >> s) & 0xFF) - static_cast<int>((c >> s) & 0xFF)) > tolerance) near = false;
      n += near;
    }
  return n;
}

int Shot::CountDifferent(const Shot& other) const {
  if (other.width != width || other.height != height) return width * height;
  int n = 0;
  for (size_t i = 0; i < rgb.size(); ++i) n += rgb[i] != other.rgb[i];
  return n;
}

bool Grab(Display* d, Window w, Shot& shot) {
  int width = 0, height = 0;
  WindowSize(d, w, width, height);
  if (width <= 0 || height <= 0) return false;
  XImage* image = XGetImage(d, w, 0, 0, width, height, AllPlanes, ZPixmap);
  if (!image) return false;
  shot.width = width;
  shot.height = height;
  shot.rgb.resize(static_cast<size_t>(width) * height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) shot.rgb[static_cast<size_t>(y) * width + x] = XGetPixel(image, x, y) & 0xFFFFFF;
  XDestroyImage(image);
  return true;
}

namespace {
template <class Match>
Window Search(Display* d, Window w, const Match& match) {
  if (match(w)) return w;
  Window root = 0, parent = 0, *children = nullptr;
  unsigned n = 0;
  if (!XQueryTree(d, w, &root, &parent, &children, &n)) return 0;
  Window found = 0;
  for (unsigned i = 0; i < n && !found; ++i) found = Search(d, children[i], match);
  if (children) XFree(children);
  return found;
}
}  // namespace

Window FindByName(Display* d, Window root, const std::string& name) {
  return Search(d, root, [&](Window w) {
    bool hit = false;
    XClassHint hint{};
    if (XGetClassHint(d, w, &hint)) {
      hit = hint.res_name && name == hint.res_name;
      XFree(hint.res_name);
      XFree(hint.res_class);
    }
    char* title = nullptr;
    if (!hit && XFetchName(d, w, &title) && title) hit = name == title;
    if (title) XFree(title);
    return hit;
  });
}

Window FindByClass(Display* d, Window root, const std::string& resClass) {
  return Search(d, root, [&](Window w) {
    bool hit = false;
    XClassHint hint{};
    if (XGetClassHint(d, w, &hint)) {
      hit = hint.res_class && resClass == hint.res_class;
      XFree(hint.res_name);
      XFree(hint.res_class);
    }
    return hit;
  });
}

void WindowSize(Display* d, Window w, int& width, int& height) {
  XWindowAttributes a{};
  width = height = 0;
  if (XGetWindowAttributes(d, w, &a)) {
    width = a.width;
    height = a.height;
  }
}

void MoveTo(Display* d, Window w, int x, int y) {
  int rx = 0, ry = 0;
  Window child;
  XTranslateCoordinates(d, w, DefaultRootWindow(d), x, y, &rx, &ry, &child);
  XTestFakeMotionEvent(d, -1, rx, ry, CurrentTime);
  XFlush(d);
}

void Press(Display* d, Window w, int x, int y) {
  MoveTo(d, w, x, y);
  XTestFakeButtonEvent(d, 1, True, CurrentTime);
  XFlush(d);
}

void Release(Display* d) {
  XTestFakeButtonEvent(d, 1, False, CurrentTime);
  XFlush(d);
}

void Click(Display* d, Window w, int x, int y, int button) {
  MoveTo(d, w, x, y);
  XTestFakeButtonEvent(d, button, True, CurrentTime);
  XTestFakeButtonEvent(d, button, False, CurrentTime);
  XFlush(d);
}

void TypeKey(Display* d, unsigned long keysym, bool shift) {
  KeyCode code = XKeysymToKeycode(d, keysym);
  KeyCode shiftCode = XKeysymToKeycode(d, XK_Shift_L);
  if (shift) XTestFakeKeyEvent(d, shiftCode, True, CurrentTime);
  XTestFakeKeyEvent(d, code, True, CurrentTime);
  XTestFakeKeyEvent(d, code, False, CurrentTime);
  if (shift) XTestFakeKeyEvent(d, shiftCode, False, CurrentTime);
  XFlush(d);
}

void Button(Display* d, int button) {
  XTestFakeButtonEvent(d, button, True, CurrentTime);
  XTestFakeButtonEvent(d, button, False, CurrentTime);
  XFlush(d);
}

void SendClose(Display* d, Window w) {
  XEvent e{};
  e.xclient.type = ClientMessage;
  e.xclient.window = w;
  e.xclient.message_type = XInternAtom(d, "WM_PROTOCOLS", False);
  e.xclient.format = 32;
  e.xclient.data.l[0] = static_cast<long>(XInternAtom(d, "WM_DELETE_WINDOW", False));
  XSendEvent(d, w, False, NoEventMask, &e);
  XFlush(d);
}
