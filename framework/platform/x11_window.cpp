// The display backend: Xlib windows, their events as window messages, and the event wait.
#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <poll.h>

#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <string>

#include "framework/platform/x11_backend.h"

namespace {
XErrorHandler gPreviousHandler = nullptr;

// NOTE: Xlib's default handler exits the process; a stale window id must only be reported.
int ReportXError(Display* display, XErrorEvent* e) {
  char text[256] = {};
  XGetErrorText(display, e->error_code, text, sizeof text - 1);
  char message[400];
  std::snprintf(message, sizeof message, "request %d failed: %s", e->request_code, text);
  ReportFrameworkError("X11", message);
  return 0;
}

const long kEventMask = ExposureMask | StructureNotifyMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask;
const int kWheelDelta = 120;

// X's button and modifier state as a mouse message's key bits.
uintptr_t MouseKeys(unsigned state) {
  uintptr_t keys = 0;
  if (state & Button1Mask) keys |= MK_LBUTTON;
  if (state & Button2Mask) keys |= MK_MBUTTON;
  if (state & Button3Mask) keys |= MK_RBUTTON;
  if (state & ShiftMask) keys |= MK_SHIFT;
  if (state & ControlMask) keys |= MK_CONTROL;
  return keys;
}

// The modifier keys of an X event state, as a key message carries them.
TShiftState KeyShift(unsigned state) {
  TShiftState s = 0;
  if (state & ShiftMask) s |= ssShift;
  if (state & ControlMask) s |= ssCtrl;
  if (state & Mod1Mask) s |= ssAlt;
  return s;
}

// A key's unshifted keysym as a virtual-key code; 0 for keys that have none here.
WORD VirtualKey(KeySym sym) {
  if (sym >= XK_a && sym <= XK_z) return static_cast<WORD>('A' + (sym - XK_a));
  if (sym >= XK_A && sym <= XK_Z) return static_cast<WORD>(sym);
  if (sym >= XK_0 && sym <= XK_9) return static_cast<WORD>(sym);
  if (sym >= XK_F1 && sym <= XK_F12) return static_cast<WORD>(VK_F1 + (sym - XK_F1));
  switch (sym) {
    case XK_BackSpace: return VK_BACK;
    case XK_Tab: case XK_ISO_Left_Tab: return VK_TAB;
    case XK_Return: case XK_KP_Enter: return VK_RETURN;
    case XK_Shift_L: case XK_Shift_R: return VK_SHIFT;
    case XK_Control_L: case XK_Control_R: return VK_CONTROL;
    case XK_Alt_L: case XK_Alt_R: return VK_MENU;
    case XK_Escape: return VK_ESCAPE;
    case XK_space: return VK_SPACE;
    case XK_Prior: case XK_KP_Prior: return VK_PRIOR;
    case XK_Next: case XK_KP_Next: return VK_NEXT;
    case XK_End: case XK_KP_End: return VK_END;
    case XK_Home: case XK_KP_Home: return VK_HOME;
    case XK_Left: case XK_KP_Left: return VK_LEFT;
    case XK_Up: case XK_KP_Up: return VK_UP;
    case XK_Right: case XK_KP_Right: return VK_RIGHT;
    case XK_Down: case XK_KP_Down: return VK_DOWN;
    case XK_Insert: case XK_KP_Insert: return VK_INSERT;
    case XK_Delete: case XK_KP_Delete: return VK_DELETE;
    default: return 0;
  }
}

// Top-level windows are named after the program, the way window managers group and match them.
std::string ProgramName() {
  const char* name = program_invocation_short_name;
  return (name && *name) ? name : "viewport3d";
}

std::string ProgramClass() {
  std::string c = ProgramName();
  c[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(c[0])));
  return c;
}
}  // namespace

X11Backend::~X11Backend() {
  if (!FDisplay) return;
  for (auto& entry : FByWindow) {
    XDestroyWindow(FDisplay, entry.first);
    delete Impl(entry.second);
    entry.second->impl = nullptr;
  }
  XCloseDisplay(FDisplay);
  XSetErrorHandler(gPreviousHandler);
}

bool X11Backend::Open() {
  FDisplay = XOpenDisplay(nullptr);
  if (!FDisplay) return false;
  gPreviousHandler = XSetErrorHandler(ReportXError);
  FProtocols = XInternAtom(FDisplay, "WM_PROTOCOLS", False);
  FDeleteWindow = XInternAtom(FDisplay, "WM_DELETE_WINDOW", False);
  FNetWmName = XInternAtom(FDisplay, "_NET_WM_NAME", False);
  FUtf8String = XInternAtom(FDisplay, "UTF8_STRING", False);
  return true;
}

NativeWindow* X11Backend::Find(Window id) const {
  auto it = FByWindow.find(id);
  return it == FByWindow.end() ? nullptr : it->second;
}

void X11Backend::CreateNative(NativeWindow* w, const TCreateParams& params) {
  X11Window* parentImpl = Impl(w->parent);
  Window parent = parentImpl ? parentImpl->id : DefaultRootWindow(FDisplay);
  XSetWindowAttributes attrs{};
  // No background: GL windows are never cleared by the server, the others paint every pixel.
  attrs.background_pixmap = None;
  attrs.bit_gravity = NorthWestGravity;
  // Keys go to the top-level window: child windows pass them up to it.
  attrs.event_mask = kEventMask | (parentImpl ? 0 : KeyPressMask | KeyReleaseMask);
  int width = w->width > 0 ? w->width : 1, height = w->height > 0 ? w->height : 1;
  Window id = XCreateWindow(FDisplay, parent, w->x, w->y, width, height, 0, CopyFromParent, InputOutput,
                            CopyFromParent, CWBackPixmap | CWBitGravity | CWEventMask, &attrs);
  if (!id) {
    ReportFrameworkError("X11", "XCreateWindow failed");
    return;
  }
  auto* impl = new X11Window;
  impl->id = id;
  impl->knownWidth = width;
  impl->knownHeight = height;
  impl->requestedX = w->x;
  impl->requestedY = w->y;
  w->impl = impl;
  FByWindow[id] = w;

  XClassHint hint;
  std::string name = parentImpl ? w->name : ProgramName();
  hint.res_name = const_cast<char*>(name.c_str());
  std::string windowClass = parentImpl ? w->className : ProgramClass();
  hint.res_class = const_cast<char*>(windowClass.c_str());
  XSetClassHint(FDisplay, id, &hint);
  if (!parentImpl) {
    SetTitle(w, params.Caption);
    XSetWMProtocols(FDisplay, id, &FDeleteWindow, 1);
    XSizeHints* size = XAllocSizeHints();
    if (size) {
      size->flags = PPosition | PSize;
      size->x = w->x;
      size->y = w->y;
      size->width = width;
      size->height = height;
      XSetWMNormalHints(FDisplay, id, size);
      XFree(size);
    }
  }
  Shown(w);
}

// WM_NAME for every window manager, _NET_WM_NAME for the ones that read UTF-8.
void X11Backend::SetTitle(NativeWindow* w, const std::string& title) {
  X11Window* impl = Impl(w);
  if (!impl || w->parent) return;
  XStoreName(FDisplay, impl->id, title.c_str());
  XChangeProperty(FDisplay, impl->id, FNetWmName, FUtf8String, 8, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(title.data()), static_cast<int>(title.size()));
}

void X11Backend::SetOwner(NativeWindow* w, NativeWindow* owner) {
  X11Window* impl = Impl(w);
  while (owner && owner->parent) owner = owner->parent;
  X11Window* ownerImpl = Impl(owner);
  if (impl && ownerImpl && !w->parent) XSetTransientForHint(FDisplay, impl->id, ownerImpl->id);
}

// NOTE: focus may only go to a viewable window, and a window manager maps a new window late; so the
// focus waits for MapNotify unless the window is already viewable. It reverts to the pointer when the
// window goes, as before.
void X11Backend::Activate(NativeWindow* w) {
  X11Window* impl = Impl(w);
  if (!impl || w->parent) return;
  XWindowAttributes a{};
  if (XGetWindowAttributes(FDisplay, impl->id, &a) && a.map_state == IsViewable)
    XSetInputFocus(FDisplay, impl->id, RevertToPointerRoot, CurrentTime);
  else
    impl->wantsFocus = true;
  XRaiseWindow(FDisplay, impl->id);
  XFlush(FDisplay);
}

void X11Backend::DestroyNative(NativeWindow* w) {
  X11Window* impl = Impl(w);
  if (!impl) return;
  FByWindow.erase(impl->id);
  XDestroyWindow(FDisplay, impl->id);
  XFlush(FDisplay);
  delete impl;
  w->impl = nullptr;
}

void X11Backend::Moved(NativeWindow* w) {
  X11Window* impl = Impl(w);
  if (!impl) return;
  int width = w->width > 0 ? w->width : 1, height = w->height > 0 ? w->height : 1;
  // A top-level window stays where the window manager put it unless the program moves it.
  if (w->x != impl->requestedX || w->y != impl->requestedY) {
    impl->requestedX = w->x;
    impl->requestedY = w->y;
    XMoveWindow(FDisplay, impl->id, w->x, w->y);
  }
  if (width != impl->knownWidth || height != impl->knownHeight) {
    impl->knownWidth = width;
    impl->knownHeight = height;
    XResizeWindow(FDisplay, impl->id, width, height);
  }
  Shown(w);
}

void X11Backend::Shown(NativeWindow* w) {
  X11Window* impl = Impl(w);
  if (!impl) return;
  // An X window cannot be empty: a control of no size is unmapped instead.
  if (w->visible && w->width > 0 && w->height > 0)
    XMapWindow(FDisplay, impl->id);
  else
    XUnmapWindow(FDisplay, impl->id);
}

unsigned X11Backend::EglPlatform() const { return EGL_PLATFORM_X11_KHR; }

// EGL's X11 platform takes a pointer to the Window id.
void* X11Backend::EglNativeWindow(NativeWindow* w) {
  X11Window* impl = Impl(w);
  return impl ? &impl->id : nullptr;
}

void X11Backend::PumpEvents() {
  if (!FDisplay) return;
  while (XPending(FDisplay) > 0) {
    XEvent e;
    XNextEvent(FDisplay, &e);
    if (FMessageBox && HandleMessageBox(e)) continue;
    Translate(e);
  }
  XFlush(FDisplay);
}

void X11Backend::Translate(XEvent& e) {
  NativeWindow* w = Find(e.xany.window);
  if (!w) return;
  switch (e.type) {
    case MapNotify: {
      X11Window* impl = Impl(w);
      if (impl->wantsFocus) {
        impl->wantsFocus = false;
        XSetInputFocus(FDisplay, impl->id, RevertToPointerRoot, CurrentTime);
      }
      break;
    }
    case Expose:
      if (e.xexpose.count == 0) InvalidateRect(w, nullptr, FALSE);
      break;
    case ConfigureNotify: {
      // A child window changes size only when the program asks: its notices echo the program's own sizes,
      // and on a loaded server they come after later ones have been asked for.
      if (w->parent) {
        InvalidateRect(w, nullptr, FALSE);
        break;
      }
      X11Window* impl = Impl(w);
      int width = e.xconfigure.width, height = e.xconfigure.height;
      if (width == impl->knownWidth && height == impl->knownHeight) break;
      impl->knownWidth = width;
      impl->knownHeight = height;
      // The size the control has once the WM_SIZE messages still queued for it are taken.
      int haveWidth = w->width, haveHeight = w->height;
      MSG queued;
      if (LastQueued(w, WM_SIZE, queued)) {
        haveWidth = static_cast<int>(queued.lParam & 0xFFFF);
        haveHeight = static_cast<int>((queued.lParam >> 16) & 0xFFFF);
      }
      if (width != haveWidth || height != haveHeight) PostInput(w, WM_SIZE, 0, MakeLParam(width, height));
      InvalidateRect(w, nullptr, FALSE);
      break;
    }
    case ButtonPress: {
      uintptr_t keys = MouseKeys(e.xbutton.state);
      intptr_t at = MakeLParam(e.xbutton.x, e.xbutton.y);
      if (e.xbutton.button == Button1) {
        PostInput(w, WM_LBUTTONDOWN, keys | MK_LBUTTON, at);
      } else if (e.xbutton.button == Button2) {
        PostInput(w, WM_MBUTTONDOWN, keys | MK_MBUTTON, at);
      } else if (e.xbutton.button == Button3) {
        PostInput(w, WM_RBUTTONDOWN, keys | MK_RBUTTON, at);
      } else if (e.xbutton.button == Button4 || e.xbutton.button == Button5) {
        int delta = e.xbutton.button == Button4 ? kWheelDelta : -kWheelDelta;
        PostInput(w, WM_MOUSEWHEEL, (static_cast<uintptr_t>(static_cast<uint16_t>(delta)) << 16) | keys, at);
      }
      break;
    }
    case ButtonRelease: {
      // The state is from before the release: the released button is still in it.
      uintptr_t keys = MouseKeys(e.xbutton.state);
      intptr_t at = MakeLParam(e.xbutton.x, e.xbutton.y);
      if (e.xbutton.button == Button1) PostInput(w, WM_LBUTTONUP, keys & ~uintptr_t(MK_LBUTTON), at);
      if (e.xbutton.button == Button2) PostInput(w, WM_MBUTTONUP, keys & ~uintptr_t(MK_MBUTTON), at);
      if (e.xbutton.button == Button3) PostInput(w, WM_RBUTTONUP, keys & ~uintptr_t(MK_RBUTTON), at);
      break;
    }
    case MotionNotify: {
      // Only the latest position of a burst matters. The burst ends at any other event: a motion taken
      // from beyond a press or release would arrive before it, and a quick drag would look like a click.
      XEvent next;
      while (XEventsQueued(FDisplay, QueuedAlready) > 0) {
        XPeekEvent(FDisplay, &next);
        if (next.type != MotionNotify || next.xany.window != e.xany.window) break;
        XNextEvent(FDisplay, &e);
      }
      PostInput(w, WM_MOUSEMOVE, MouseKeys(e.xmotion.state), MakeLParam(e.xmotion.x, e.xmotion.y));
      break;
    }
    case KeyPress:
    case KeyRelease:
      TranslateKey(w, e.xkey);
      break;
    case ClientMessage:
      if (e.xclient.message_type == FProtocols && static_cast<Atom>(e.xclient.data.l[0]) == FDeleteWindow)
        PostInput(w, WM_CLOSE, 0, 0);
      break;
    default:
      break;
  }
}

// A key as WM_KEYDOWN (then WM_CHAR for each character it types) or WM_KEYUP, to the top-level window.
void X11Backend::TranslateKey(NativeWindow* w, XKeyEvent& key) {
  char text[16] = {};
  KeySym typed = NoSymbol;
  int length = key.type == KeyPress ? XLookupString(&key, text, sizeof text, &typed, nullptr) : 0;
  WORD vk = VirtualKey(XLookupKeysym(&key, 0));
  intptr_t data = MakeKeyData(KeyShift(key.state));
  if (key.type == KeyRelease) {
    if (vk) PostInput(w, WM_KEYUP, vk, data);
    return;
  }
  if (vk) PostInput(w, WM_KEYDOWN, vk, data);
  for (int i = 0; i < length && i < static_cast<int>(sizeof text); ++i)
    PostInput(w, WM_CHAR, static_cast<unsigned char>(text[i]), data);
}

// Modelled on GLFW's waitForEvent: poll the connection with the time left, again after a signal.
void X11Backend::WaitEvents(int timeoutMs) {
  if (!FDisplay) return;
  XFlush(FDisplay);
  if (XPending(FDisplay) > 0) return;
  using Clock = std::chrono::steady_clock;
  auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs < 0 ? 0 : timeoutMs);
  for (;;) {
    int left = static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count());
    if (left < 0) left = 0;
    pollfd fd{ConnectionNumber(FDisplay), POLLIN, 0};
    int r = poll(&fd, 1, left);
    if (r < 0 && errno == EINTR && left > 0) continue;
    return;
  }
}

WindowBackend* CreateX11Backend() { return new X11Backend; }
