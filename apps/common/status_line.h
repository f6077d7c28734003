// The status line the scene tools share: a label along the window's bottom that wraps a long message
// and grows to show all of it, with errors drawn apart from ordinary messages.
#pragma once

#include <string>

#include "framework/controls/application.h"
#include "framework/controls/controls.h"

class TStatusLine : public TObject {
public:
  // Makes the label, owned by the form, along its bottom.
  explicit TStatusLine(TForm* form);
  ~TStatusLine() override;
  TLabel* Label() const { return FLabel; }
  // An ordinary message; while an error is held it waits (the host has printed it anyway).
  void Show(const std::string& text);
  // An error: dark red on pink, held until the next action begins.
  void ShowError(const std::string& text);
  // The user acts again (a key, a click, a command): the next message replaces a held error.
  void ActionStarted() { FHeld = false; }
  bool ErrorShown() const { return FError; }
  std::string Text() const { return FText; }
  // The most lines the label grows to; beyond them a message is cut.
  int MaxLines = 12;
  // The lines it always keeps room for, so that most messages leave the layout as it is.
  void SetMinLines(int lines);
  static constexpr TColor ErrorColor = 0xD8D8FF, ErrorTextColor = 0x000090;

private:
  void Set(const std::string& text, bool error);
  void Fit();
  void Resized(TObject* Sender);
  void FitTick(TObject* Sender);
  TLabel* FLabel;
  TLiveness FLabelAlive;
  TTimer FFitLater{nullptr};
  std::string FText;
  bool FError = false, FHeld = false;
  int FFittedWidth = -1;
  int FMinLines = 1;
};
