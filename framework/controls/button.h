// A push button: a caption, OnClick on press and release inside, keyboard use when focused.
#pragma once

#include "framework/controls/controls.h"

// Clicks on a press and a release of the left button inside it, on Space or Return while it is its form's
// ActiveControl, and, as the form's Default (Return) or Cancel (Escape) button, on those keys when the
// focused control leaves them unused. A click sets the form's ModalResult to the button's, when that is
// not mrNone, before OnClick.
class TButton : public TWinControl {
public:
  explicit TButton(TComponent* AOwner);
  bool Default() const { return FDefault; }
  void SetDefault(bool v);
  bool Cancel = false;
  TModalResult ModalResult = mrNone;
  // Held down by the mouse, with the pointer inside: drawn sunk.
  bool Pressed() const { return FPressed && FInside; }
  // Return presses it now: it has the focus, or it is the default button and no other button has the
  // focus. Drawn with a dark frame; the focused button also carries a dotted focus mark.
  bool ReturnTarget() const;

  void Click() override;
  void MouseDown(int x, int y) override;
  void MouseMove(int x, int y, bool buttonDown) override;
  void MouseUp(int x, int y) override;
  void DoKeyDown(WORD& Key, TShiftState Shift) override;
  bool DialogKey(WORD Key) override;
  void SetEnabled(bool e) override;
  void Draw(DrawSurface* surface) override;

protected:
  void FocusChanged() override;

private:
  bool Inside(int x, int y) const { return x >= 0 && y >= 0 && x < FWidth && y < FHeight; }
  bool FDefault = false;
  bool FPressed = false, FInside = false;
};
