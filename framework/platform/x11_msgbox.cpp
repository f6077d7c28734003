// Message boxes on a display: a small modal window with the text and an OK button.
#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <cairo-xlib.h>

#include <algorithm>
#include <climits>
#include <sstream>
#include <vector>

#include "framework/controls/application.h"
#include "framework/graphics/draw_surface.h"
#include "framework/platform/x11_backend.h"

struct X11MessageBox {
  Window id = 0;
  std::vector<std::string> lines;
  int width = 0, height = 0;
  int buttonX = 0, buttonY = 0;
  bool done = false;
  static const int kButtonW = 80, kButtonH = 26, kLine = 18, kMargin = 20;
};

bool X11Backend::ShowMessageBox(HWND owner, const std::string& text, const std::string& caption, UINT) {
  if (!FDisplay || FModal) return false;
  X11MessageBox box;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) box.lines.push_back(line);
  if (box.lines.empty()) box.lines.push_back("");
  int textWidth = 0;
  for (const std::string& line : box.lines) textWidth = std::max(textWidth, TLabel::TextWidth(line.c_str()));
  box.width = std::min(std::max(textWidth + 2 * X11MessageBox::kMargin, 220), 1200);
  int textHeight = std::min(static_cast<int>(box.lines.size()), 40) * X11MessageBox::kLine;
  box.height = textHeight + 3 * X11MessageBox::kMargin + X11MessageBox::kButtonH;
  box.buttonX = (box.width - X11MessageBox::kButtonW) / 2;
  box.buttonY = box.height - X11MessageBox::kMargin - X11MessageBox::kButtonH;

  int screen = DefaultScreen(FDisplay);
  int x = (DisplayWidth(FDisplay, screen) - box.width) / 2, y = (DisplayHeight(FDisplay, screen) - box.height) / 2;
  XSetWindowAttributes attrs{};
  attrs.background_pixel = 0xF0F0F0;
  attrs.event_mask = ExposureMask | ButtonPressMask | ButtonReleaseMask | KeyPressMask | StructureNotifyMask;
  box.id = XCreateWindow(FDisplay, DefaultRootWindow(FDisplay), x, y, box.width, box.height, 0, CopyFromParent,
                         InputOutput, CopyFromParent, CWBackPixel | CWEventMask, &attrs);
  if (!box.id) return false;
  XStoreName(FDisplay, box.id, caption.c_str());
  XClassHint hint;
  hint.res_name = const_cast<char*>("messagebox");
  hint.res_class = const_cast<char*>("TMessageForm");
  XSetClassHint(FDisplay, box.id, &hint);
  XSetWMProtocols(FDisplay, box.id, &FDeleteWindow, 1);
  // The box belongs to the owner's top-level window, as a dialog.
  NativeWindow* top = owner;
  while (top && top->parent) top = top->parent;
  if (X11Window* impl = Impl(top)) XSetTransientForHint(FDisplay, box.id, impl->id);
  XSizeHints* size = XAllocSizeHints();
  if (size) {
    size->flags = PPosition | PMinSize | PMaxSize;
    size->x = x;
    size->y = y;
    size->min_width = size->max_width = box.width;
    size->min_height = size->max_height = box.height;
    XSetWMNormalHints(FDisplay, box.id, size);
    XFree(size);
  }
  XMapRaised(FDisplay, box.id);
  XFlush(FDisplay);

  // The nested loop keeps timers and paints of the other windows running; their input waits.
  FModal = &box;
  while (!box.done) {
    Application->ProcessMessages();
    if (box.done) break;
    int64_t next = Application->NextTimerDue();
    int64_t wait = next == INT64_MAX ? 100 : std::max<int64_t>(0, next - Application->NowMs());
    if (wait > 0) WaitEvents(static_cast<int>(std::min<int64_t>(wait, 100)));
  }
  FModal = nullptr;
  XDestroyWindow(FDisplay, box.id);
  XFlush(FDisplay);
  return true;
}

bool X11Backend::HandleModal(XEvent& e) {
  X11MessageBox& box = *FModal;
  if (e.xany.window != box.id) {
    switch (e.type) {
      case ButtonPress:
      case ButtonRelease:
      case MotionNotify:
      case KeyPress:
      case KeyRelease:
        return true;
      case ClientMessage:
        return e.xclient.message_type == FProtocols;
      default:
        return false;
    }
  }
  switch (e.type) {
    case Expose:
      if (e.xexpose.count == 0) PaintMessageBox();
      break;
    case ButtonRelease: {
      int bx = e.xbutton.x - box.buttonX, by = e.xbutton.y - box.buttonY;
      if (e.xbutton.button == Button1 && bx >= 0 && by >= 0 && bx < X11MessageBox::kButtonW &&
          by < X11MessageBox::kButtonH)
        box.done = true;
      break;
    }
    case KeyPress: {
      KeySym key = XLookupKeysym(&e.xkey, 0);
      if (key == XK_Return || key == XK_KP_Enter || key == XK_Escape || key == XK_space) box.done = true;
      break;
    }
    case ClientMessage:
      if (e.xclient.message_type == FProtocols && static_cast<Atom>(e.xclient.data.l[0]) == FDeleteWindow)
        box.done = true;
      break;
    default:
      break;
  }
  return true;
}

void X11Backend::PaintMessageBox() {
  X11MessageBox& box = *FModal;
  cairo_surface_t* target = cairo_xlib_surface_create(FDisplay, box.id, DefaultVisual(FDisplay, DefaultScreen(FDisplay)),
                                                      box.width, box.height);
  cairo_t* cr = cairo_create(target);
  cairo_surface_destroy(target);
  {
    DrawSurface s(cr);
    s.FillRect(0, 0, box.width, box.height, clBtnFace);
    int y = X11MessageBox::kMargin;
    for (size_t i = 0; i < box.lines.size() && i < 40; ++i, y += X11MessageBox::kLine)
      s.Text(X11MessageBox::kMargin, y, box.lines[i].c_str(), clBlack);
    s.FillRect(box.buttonX, box.buttonY, X11MessageBox::kButtonW, X11MessageBox::kButtonH, clBtnFace);
    s.Bevel(box.buttonX, box.buttonY, X11MessageBox::kButtonW, X11MessageBox::kButtonH, true);
    int w = TLabel::TextWidth("OK");
    s.Text(box.buttonX + (X11MessageBox::kButtonW - w) / 2, box.buttonY + 5, "OK", clBlack);
  }
  cairo_surface_flush(cairo_get_target(cr));
  cairo_destroy(cr);
  XFlush(FDisplay);
}
