// The drawing target handed to non-GL controls: a cairo context with the few primitives controls use.
#pragma once

#include <cairo.h>

#include <string>

#include "framework/graphics/graphics.h"

// The length of the well-formed UTF-8 sequence that starts at s[i] (0 when the byte starts none).
int Utf8SequenceLength(const std::string& s, size_t i);
// A copy of s with every byte outside a well-formed UTF-8 sequence replaced by '?', so byte offsets
// stay the same. NOTE: cairo's text calls put their context into a lasting error state on bad UTF-8.
std::string SanitizeUtf8(const std::string& s);
// Pixel width of a caption in the label font.
int LabelTextWidth(const std::string& text);

class DrawSurface {
public:
  // Draws through cr, which the caller keeps owning.
  explicit DrawSurface(cairo_t* cr) : FCairo(cr) {}
  DrawSurface(const DrawSurface&) = delete;
  DrawSurface& operator=(const DrawSurface&) = delete;

  cairo_t* Cairo() const { return FCairo; }
  void FillRect(int x, int y, int w, int h, TColor c);
  // A one-pixel frame: light top and left, dark bottom and right (swapped when lowered).
  void Bevel(int x, int y, int w, int h, bool raised);
  void FrameRect(int x, int y, int w, int h, TColor c);
  // A dotted one-pixel frame: the mark of the control that has the keyboard.
  void FocusRect(int x, int y, int w, int h);
  // A filled triangle pointing left, right, up or down, centred in the box.
  enum Direction { Left, Right, Up, Down };
  void Arrow(int x, int y, int w, int h, Direction d, TColor c);
  // Text with its top-left corner at (x, y) in the label font.
  void Text(int x, int y, const char* text, TColor c);

  // Moves the origin and clips to a child's rectangle until the matching Restore.
  void Enter(int x, int y, int w, int h);
  void Restore();

private:
  void Source(TColor c);
  cairo_t* FCairo;
};
