// Questions asked in the editor's status line, answered from the keyboard.
#include "prompt.h"

#include <cstdio>
#include <ctime>

#include "framework/controls/application.h"

TStatusPrompt::TStatusPrompt(TForm* form, TLabel* line) : FForm(form), FLine(line) {}

void TStatusPrompt::Show() {
  std::string text = " " + FCaption;
  if (FMode == pmText) text += " " + FText + "_";
  FLine->SetColor(clYellow);
  FLine->SetCaption(text.c_str());
}

// The application's loop, nested: the window stays live while the question is open.
void TStatusPrompt::WaitForAnswer() {
  FDone = false;
  // On standard output too, for whoever drives the editor from outside.
  std::printf("%s\n", FCaption.c_str());
  std::fflush(stdout);
  Show();
  while (!FDone && !Application->Terminated()) {
    Application->ProcessMessages();
    timespec ts = {0, 5 * 1000 * 1000};
    nanosleep(&ts, nullptr);
  }
  FMode = pmNone;
  FLine->SetColor(clBtnFace);
}

bool TStatusPrompt::AskText(const std::string& caption, std::string& text) {
  if (Open()) return false;
  FMode = pmText;
  FCaption = caption;
  FText = text;
  FAccepted = false;
  WaitForAnswer();
  if (FAccepted) text = FText;
  return FAccepted;
}

TAnswer TStatusPrompt::AskYesNoCancel(const std::string& question) {
  if (Open()) return ansCancel;
  FMode = pmChoice;
  FCaption = question + "  (y)es  (n)o  (c)ancel";
  FChoice = ansCancel;
  WaitForAnswer();
  return FChoice;
}

bool TStatusPrompt::KeyDown(WORD Key) {
  if (!Open()) return false;
  if (Key == VK_ESCAPE) {
    FChoice = ansCancel;
    FAccepted = false;
    FDone = true;
  } else if (FMode == pmText && Key == VK_RETURN) {
    FAccepted = true;
    FDone = true;
  } else if (FMode == pmText && Key == VK_BACK) {
    if (!FText.empty()) FText.pop_back();
    Show();
  }
  return true;
}

bool TStatusPrompt::KeyPress(char Key) {
  if (!Open()) return false;
  unsigned char c = static_cast<unsigned char>(Key);
  if (FMode == pmText) {
    if (c >= 32 && c != 127) {
      FText += Key;
      Show();
    }
  } else if (Key == 'y' || Key == 'Y' || Key == 'n' || Key == 'N' || Key == 'c' || Key == 'C') {
    FChoice = (Key == 'y' || Key == 'Y') ? ansYes : (Key == 'n' || Key == 'N') ? ansNo : ansCancel;
    FDone = true;
  }
  return true;
}
