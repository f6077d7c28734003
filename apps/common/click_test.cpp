#include "click_test.h"

#include <cstdlib>

void TClickTest::Press(TMouseButton Button, TShiftState Shift, int X, int Y) {
  FPressed = Button == mbLeft && !(Shift & ssShift);
  FDragged = false;
  FPressX = X;
  FPressY = Y;
}

void TClickTest::Move(int X, int Y) {
  if (FPressed && Far(X, Y)) FDragged = true;
}

// A busy view may deliver no motion between the press and the release: the release is compared too.
bool TClickTest::Release(TMouseButton Button, int X, int Y) {
  bool click = FPressed && !FDragged && Button == mbLeft && !Far(X, Y);
  FPressed = false;
  return click;
}

bool TClickTest::Far(int X, int Y) const { return std::abs(X - FPressX) + std::abs(Y - FPressY) > kSlop; }
