// Whether a left press and release in a view is a click (pick) or a drag (camera), for both scene tools.
#pragma once

#include "framework/controls/controls.h"

class TClickTest {
public:
  // Press and release closer than this many pixels, with no motion beyond it in between, is a click.
  static const int kSlop = 3;

  // The left button without Shift may start a click (Shift+left pans).
  void Press(TMouseButton Button, TShiftState Shift, int X, int Y);
  void Move(int X, int Y);
  // True when this release ends a click.
  bool Release(TMouseButton Button, int X, int Y);

private:
  bool Far(int X, int Y) const;

  bool FPressed = false, FDragged = false;
  int FPressX = 0, FPressY = 0;
};
