// Questions asked in the editor's status line, answered from the keyboard: a line of text, or yes/no/cancel.
#pragma once

#include <string>

#include "framework/controls/controls.h"

enum TAnswer { ansYes, ansNo, ansCancel };

// While a question is open the form's keys come here first (the form has KeyPreview set); the
// asking call runs the application loop until it is answered.
class TStatusPrompt : public TObject {
public:
  TStatusPrompt(TForm* form, TLabel* line);
  // Shows caption and text with a caret; Enter answers true with the text, Escape false.
  bool AskText(const std::string& caption, std::string& text);
  // y, n, Escape or c.
  TAnswer AskYesNoCancel(const std::string& question);
  bool Open() const { return FMode != pmNone; }
  // The form's key handlers call these first; true when the prompt took the key.
  bool KeyDown(WORD Key);
  bool KeyPress(char Key);

private:
  enum TMode { pmNone, pmText, pmChoice };
  void Show();
  void WaitForAnswer();
  TForm* FForm;
  TLabel* FLine;
  TMode FMode = pmNone;
  std::string FCaption, FText;
  bool FDone = false, FAccepted = false;
  TAnswer FChoice = ansCancel;
};
