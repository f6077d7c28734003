// Deletes a form, or releases it and goes on using it, from whichever of its events it is hooked to.
#pragma once

#include "framework/controls/controls.h"

class FormKiller : public TObject {
public:
  TForm* form = nullptr;
  int runs = 0;
  void Kill(TObject*) {
    ++runs;
    delete form;
  }
  void KillOnKey(TObject* Sender, WORD&, TShiftState) { Kill(Sender); }
  void ReleaseAndGoOn(TObject*) {
    ++runs;
    form->Release();
    form->SetCaption("released");
  }
  void ReleaseOnPress(TObject* Sender, TMouseButton, TShiftState, int, int) { ReleaseAndGoOn(Sender); }
};
