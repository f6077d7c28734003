// Cairo drawing onto X windows for panels, labels, scroll bars and forms.
#include <cairo-xlib.h>

#include "framework/graphics/draw_surface.h"
#include "framework/platform/x11_backend.h"

// Drawn into a group first and shown in one paint, so a repaint does not flicker.
DrawSurface* X11Backend::BeginDraw(NativeWindow* w) {
  X11Window* impl = Impl(w);
  if (!impl || !FDisplay) return nullptr;
  int width = w->width > 0 ? w->width : 1, height = w->height > 0 ? w->height : 1;
  int screen = DefaultScreen(FDisplay);
  cairo_surface_t* target =
      cairo_xlib_surface_create(FDisplay, impl->id, DefaultVisual(FDisplay, screen), width, height);
  cairo_t* cr = cairo_create(target);
  cairo_surface_destroy(target);  // cr keeps its own reference
  if (cairo_status(cr) != CAIRO_STATUS_SUCCESS) {
    ReportFrameworkError("X11", "cannot draw on the window");
    cairo_destroy(cr);
    return nullptr;
  }
  cairo_push_group(cr);
  return new DrawSurface(cr);
}

void X11Backend::EndDraw(NativeWindow*, DrawSurface* surface) {
  if (!surface) return;
  cairo_t* cr = surface->Cairo();
  cairo_pop_group_to_source(cr);
  cairo_paint(cr);
  cairo_surface_flush(cairo_get_target(cr));
  cairo_destroy(cr);
  delete surface;
  XFlush(FDisplay);
}
