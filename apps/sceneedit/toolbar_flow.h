// A toolbar whose buttons wrap onto further rows when they do not fit the window's width.
#pragma once

#include "framework/controls/application.h"
#include "framework/controls/controls.h"

class TToolbarFlow : public TObject {
public:
  // Lays out bar's visible children left to right in their order, rowHeight high, wrapping at its width;
  // the bar (top-aligned) becomes as tall as its rows, and follows later width changes.
  TToolbarFlow(TWinControl* bar, int rowHeight);
  ~TToolbarFlow() override;
  void Flow();
  int Rows() const { return FRows; }

private:
  void Resized(TObject* Sender);
  void FlowTick(TObject* Sender);
  TWinControl* FBar;
  TLiveness FBarAlive;
  int FRowHeight;
  int FRows = 1;
  int FFlowedWidth = -1;
  TTimer FFlowLater{nullptr};
};
