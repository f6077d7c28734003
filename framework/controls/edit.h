// A single-line text edit: typing, deleting, a caret, selection by keys and by mouse drag.
#pragma once

#include <vector>

#include "framework/controls/controls.h"

// Positions (SelStart, CaretPos) are byte offsets into Text, always at the start of a character
// (UTF-8; typed Latin-1 characters are stored as UTF-8). The text scrolls sideways so the caret
// stays in view. Keys reach it while it is its form's ActiveControl; a click makes it so.
class TEdit : public TWinControl {
public:
  explicit TEdit(TComponent* AOwner);

  AnsiString Text() const { return FText; }
  // Replaces the text, puts the caret at its end and fires OnChange when the text differs.
  void SetText(const AnsiString& s);
  // The selection runs from SelStart for SelLength bytes; the caret sits at one of its ends.
  int SelStart() const;
  int SelLength() const;
  // Collapses the selection at v (clamped to the text) and puts the caret there.
  void SetSelStart(int v);
  // Selects from SelStart for v bytes (clamped); the caret goes to the far end.
  void SetSelLength(int v);
  AnsiString SelText() const;
  void SelectAll();
  // Deletes the selected text (fires OnChange when there was some).
  void ClearSelection();
  int CaretPos() const { return FCaret; }
  // Typing stops at this many bytes (0: no limit).
  int MaxLength = 0;

  // Fired after every change of Text, by the user or by SetText.
  TNotifyEvent OnChange;
  // Return and Escape: a host applies or drops the value. An assigned handler uses the key up; an
  // unassigned one leaves it to the form's default or cancel button.
  TNotifyEvent OnAccept;
  TNotifyEvent OnCancel;

  // Where the text starts, in pixels left of the edit's text area (0 unless scrolled).
  int ScrollX() const { return FScrollX; }
  // The caret's x in client coordinates.
  int CaretX();
  // The position nearest to client x.
  int PosAt(int x);
  static constexpr int Margin = 3;

  void DoKeyDown(WORD& Key, TShiftState Shift) override;
  void DoKeyPress(char& Key) override;
  void MouseDown(int x, int y) override;
  void MouseMove(int x, int y, bool buttonDown) override;
  void MouseUp(int x, int y) override;
  void Draw(DrawSurface* surface) override;
  void Resize() override;

private:
  int NextPos(int p) const;
  int PrevPos(int p) const;
  // Replaces the selection with s (typing, deleting); the caret ends after the insert.
  void ReplaceSelection(const std::string& s);
  void MoveCaret(int p, bool extend);
  // Pixel x of each byte offset in the text (offsets inside a character share its start).
  const std::vector<int>& Offsets();
  void ScrollToCaret();
  int TextAreaWidth() const { return FWidth - 2 * Margin > 1 ? FWidth - 2 * Margin : 1; }
  void Changed();

  std::string FText;
  int FCaret = 0, FAnchor = 0;
  int FScrollX = 0;
  bool FSelecting = false;
  std::vector<int> FOffsets;
  bool FOffsetsValid = false;
};
