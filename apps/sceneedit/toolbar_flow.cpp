// TToolbarFlow: rows of buttons, refitted after the layout that changed the bar's width.
#include "toolbar_flow.h"

#include <algorithm>

TToolbarFlow::TToolbarFlow(TWinControl* bar, int rowHeight) : FBar(bar), FRowHeight(rowHeight) {
  FBarAlive = bar->Liveness();
  for (int i = 0; i < bar->ControlCount(); ++i) bar->Controls(i)->SetAlign(alNone);
  bar->OnResize = MakeEvent(this, &TToolbarFlow::Resized);
  // The bar cannot change its height inside the layout that gave it a new width.
  FFlowLater.SetEnabled(false);
  FFlowLater.SetInterval(1);
  FFlowLater.SetOnTimer(MakeEvent(this, &TToolbarFlow::FlowTick));
  Flow();
}

TToolbarFlow::~TToolbarFlow() {
  if (FBarAlive) FBar->OnResize = TNotifyEvent();
}

void TToolbarFlow::Flow() {
  if (!FBarAlive) return;
  FFlowedWidth = FBar->Width();
  int x = 0, row = 0;
  for (int i = 0; i < FBar->ControlCount(); ++i) {
    TControl* c = FBar->Controls(i);
    if (!c->Visible()) continue;
    // A button wider than the whole bar still gets a row of its own.
    if (x > 0 && x + c->Width() > FFlowedWidth) {
      x = 0;
      ++row;
    }
    c->SetBounds(x, row * FRowHeight, c->Width(), FRowHeight);
    x += c->Width();
  }
  FRows = row + 1;
  if (FBar->Height() != FRows * FRowHeight) FBar->SetHeight(FRows * FRowHeight);
}

void TToolbarFlow::Resized(TObject*) {
  if (FBar->Width() != FFlowedWidth) FFlowLater.SetEnabled(true);
}

void TToolbarFlow::FlowTick(TObject*) {
  FFlowLater.SetEnabled(false);
  Flow();
}
