// TButton: press-and-release clicks, keyboard clicks, default and cancel buttons, raised and sunk drawing.
#include "framework/controls/button.h"

#include <algorithm>

#include "framework/graphics/draw_surface.h"

TButton::TButton(TComponent* AOwner) : TWinControl(AOwner) {
  FWidth = 75;
  FHeight = 25;
  TabStop = true;
}

bool TButton::ReturnTarget() const {
  if (Focused()) return true;
  if (!FDefault) return false;
  TForm* form = GetParentForm(const_cast<TButton*>(this));
  return !form || !dynamic_cast<TButton*>(form->ActiveControl());
}

void TButton::FocusChanged() {
  if (FDefault) Invalidate();
}

void TButton::SetDefault(bool v) {
  if (v == FDefault) return;
  FDefault = v;
  Invalidate();
}

void TButton::Click() {
  if (!FEnabled) return;
  if (ModalResult != mrNone)
    if (TForm* form = GetParentForm(this)) form->SetModalResult(ModalResult);
  TWinControl::Click();
}

void TButton::MouseDown(int x, int y) {
  if (!FEnabled) return;
  FPressed = true;
  FInside = Inside(x, y);
  SetFocus();
  Invalidate();
}

// Sliding off a held button raises it again; sliding back sinks it.
void TButton::MouseMove(int x, int y, bool buttonDown) {
  if (!FPressed) return;
  if (!buttonDown) {
    FPressed = false;
    Invalidate();
    return;
  }
  bool inside = Inside(x, y);
  if (inside == FInside) return;
  FInside = inside;
  Invalidate();
}

void TButton::MouseUp(int x, int y) {
  if (!FPressed) return;
  FPressed = false;
  FInside = false;
  Invalidate();
  if (FEnabled && Inside(x, y)) Click();
}

void TButton::DoKeyDown(WORD& Key, TShiftState Shift) {
  TLiveness alive = Liveness();
  TWinControl::DoKeyDown(Key, Shift);
  if (!alive || !FEnabled || (Key != VK_SPACE && Key != VK_RETURN)) return;
  Key = 0;
  Click();
}

bool TButton::DialogKey(WORD Key) {
  if (!FEnabled || !FVisible) return false;
  if (!((Key == VK_RETURN && FDefault) || (Key == VK_ESCAPE && Cancel))) return false;
  Click();
  return true;
}

void TButton::SetEnabled(bool e) {
  if (!e) FPressed = false;
  TWinControl::SetEnabled(e);
}

void TButton::Draw(DrawSurface* surface) {
  if (!surface) return;
  bool sunk = Pressed();
  surface->FillRect(0, 0, FWidth, FHeight, FColor);
  int inset = 0;
  // The button Return presses carries a dark outer frame; the focused one a dotted mark inside.
  if (ReturnTarget()) {
    surface->FrameRect(0, 0, FWidth, FHeight, clBlack);
    inset = 1;
  }
  surface->Bevel(inset, inset, FWidth - 2 * inset, FHeight - 2 * inset, !sunk);
  if (Focused()) surface->FocusRect(inset + 3, inset + 3, FWidth - 2 * inset - 6, FHeight - 2 * inset - 6);
  if (FCaption.IsEmpty()) return;
  int shift = sunk ? 1 : 0;
  // A caption wider than the button starts at its left edge, so its beginning shows.
  int w = TLabel::TextWidth(FCaption);
  surface->Text(std::max(4, (FWidth - w) / 2) + shift, (FHeight - 15) / 2 + shift, FCaption.c_str(), FEnabled ? clBlack : clGrayText);
}
