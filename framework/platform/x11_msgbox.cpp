// Message boxes on a display: a small window with the text and an OK button, drawn here and answered
// through its own events; the loop that waits for the answer belongs to the dialogs above.
#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <cairo-xlib.h>

#include <algorithm>
#include <sstream>
#include <vector>

#include "framework/graphics/draw_surface.h"
#include "framework/platform/x11_backend.h"

struct MessageBoxWindow {
  Window id = 0;
  std::vector<std::string> lines;
  int width = 0, height = 0;
  int buttonX = 0, buttonY = 0;
  bool done = false;
  static const int kButtonW = 80, kButtonH = 26, kLine = 18, kMargin = 20;
};

MessageBoxWindow* X11Backend::OpenMessageBox(HWND owner, const std::string& text, const std::string& caption) {
  if (!FDisplay || FMessageBox) return nullptr;
  auto* made = new MessageBoxWindow;
  MessageBoxWindow& box = *made;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) box.lines.push_back(line);
  if (box.lines.empty()) box.lines.push_back("");
  int textWidth = 0;
  for (const std::string& line : box.lines) textWidth = std::max(textWidth, LabelTextWidth(line));
  box.width = std::min(std::max(textWidth + 2 * MessageBoxWindow::kMargin, 220), 1200);
  int textHeight = std::min(static_cast<int>(box.lines.size()), 40) * MessageBoxWindow::kLine;
  box.height = textHeight + 3 * MessageBoxWindow::kMargin + MessageBoxWindow::kButtonH;
  box.buttonX = (box.width - MessageBoxWindow::kButtonW) / 2;
  box.buttonY = box.height - MessageBoxWindow::kMargin - MessageBoxWindow::kButtonH;

  int screen = DefaultScreen(FDisplay);
  int x = (DisplayWidth(FDisplay, screen) - box.width) / 2, y = (DisplayHeight(FDisplay, screen) - box.height) / 2;
  XSetWindowAttributes attrs{};
  attrs.background_pixel = 0xF0F0F0;
  attrs.event_mask = ExposureMask | ButtonPressMask | ButtonReleaseMask | KeyPressMask | StructureNotifyMask;
  box.id = XCreateWindow(FDisplay, DefaultRootWindow(FDisplay), x, y, box.width, box.height, 0, CopyFromParent,
                         InputOutput, CopyFromParent, CWBackPixel | CWEventMask, &attrs);
  if (!box.id) {
    delete made;
    return nullptr;
  }
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

  FMessageBox = made;
  return made;
}

bool X11Backend::MessageBoxAnswered(MessageBoxWindow* box) { return !box || box->done; }

void X11Backend::CloseMessageBox(MessageBoxWindow* box) {
  if (!box) return;
  if (FMessageBox == box) FMessageBox = nullptr;
  XDestroyWindow(FDisplay, box->id);
  XFlush(FDisplay);
  delete box;
}

bool X11Backend::HandleMessageBox(XEvent& e) {
  MessageBoxWindow& box = *FMessageBox;
  if (e.xany.window != box.id) return false;
  switch (e.type) {
    case Expose:
      if (e.xexpose.count == 0) PaintMessageBox();
      break;
    case ButtonRelease: {
      int bx = e.xbutton.x - box.buttonX, by = e.xbutton.y - box.buttonY;
      if (e.xbutton.button == Button1 && bx >= 0 && by >= 0 && bx < MessageBoxWindow::kButtonW &&
          by < MessageBoxWindow::kButtonH)
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
  MessageBoxWindow& box = *FMessageBox;
  cairo_surface_t* target = cairo_xlib_surface_create(FDisplay, box.id, DefaultVisual(FDisplay, DefaultScreen(FDisplay)),
                                                      box.width, box.height);
  cairo_t* cr = cairo_create(target);
  cairo_surface_destroy(target);
  {
    DrawSurface s(cr);
    s.FillRect(0, 0, box.width, box.height, clBtnFace);
    int y = MessageBoxWindow::kMargin;
    for (size_t i = 0; i < box.lines.size() && i < 40; ++i, y += MessageBoxWindow::kLine)
      s.Text(MessageBoxWindow::kMargin, y, box.lines[i].c_str(), clBlack);
    s.FillRect(box.buttonX, box.buttonY, MessageBoxWindow::kButtonW, MessageBoxWindow::kButtonH, clBtnFace);
    s.Bevel(box.buttonX, box.buttonY, MessageBoxWindow::kButtonW, MessageBoxWindow::kButtonH, true);
    int w = LabelTextWidth("OK");
    s.Text(box.buttonX + (MessageBoxWindow::kButtonW - w) / 2, box.buttonY + 5, "OK", clBlack);
  }
  cairo_surface_flush(cairo_get_target(cr));
  cairo_destroy(cr);
  XFlush(FDisplay);
}
