// TStatusLine: wrapping, growing to fit, and holding errors until the next action.
#include "status_line.h"

#include <algorithm>

TStatusLine::TStatusLine(TForm* form) {
  FLabel = new TLabel(form);
  FLabel->Name = "Status";
  FLabel->AutoSize = false;
  FLabel->WordWrap = true;
  FLabel->SetParent(form);
  FLabel->SetHeight(20);
  FLabel->SetAlign(alBottom);
  FLabel->OnResize = MakeEvent(this, &TStatusLine::Resized);
  FLabelAlive = FLabel->Liveness();
  // A new width is fitted after the layout that gave it: the label cannot change height inside it.
  FFitLater.SetEnabled(false);
  FFitLater.SetInterval(1);
  FFitLater.SetOnTimer(MakeEvent(this, &TStatusLine::FitTick));
}

TStatusLine::~TStatusLine() {
  // The form may have gone first (it owns the label).
  if (FLabelAlive) FLabel->OnResize = TNotifyEvent();
}

void TStatusLine::Show(const std::string& text) {
  if (FHeld) return;
  Set(text, false);
}

void TStatusLine::ShowError(const std::string& text) {
  Set(text, true);
  FHeld = true;
}

void TStatusLine::Set(const std::string& text, bool error) {
  FText = text;
  FError = error;
  FLabel->SetColor(error ? ErrorColor : clBtnFace);
  FLabel->TextColor = error ? ErrorTextColor : clBlack;
  FLabel->SetCaption((" " + text).c_str());
  FLabel->Invalidate();
  Fit();
}

void TStatusLine::Fit() {
  FFittedWidth = FLabel->Width();
  int lines = static_cast<int>(TLabel::WrapText(FLabel->Caption().str(), std::max(1, FLabel->Width())).size());
  lines = std::max(FMinLines, std::min(lines, MaxLines));
  int height = std::max(20, lines * TLabel::LineHeight + 4);
  if (height != FLabel->Height()) FLabel->SetHeight(height);
}

void TStatusLine::SetMinLines(int lines) {
  FMinLines = std::max(1, lines);
  Fit();
}

void TStatusLine::Resized(TObject*) {
  if (FLabel->Width() != FFittedWidth) FFitLater.SetEnabled(true);
}

void TStatusLine::FitTick(TObject*) {
  FFitLater.SetEnabled(false);
  Fit();
}
