// TEdit: typing and deleting, selection by keys and mouse, Return and Escape, scrolling to the caret.
#include <gtest/gtest.h>

#include "framework/controls/application.h"
#include "framework/controls/button.h"
#include "framework/controls/edit.h"

namespace {

class Events : public TObject {
public:
  int changes = 0, accepts = 0, cancels = 0, clicks = 0;
  void Changed(TObject*) { ++changes; }
  void Accepted(TObject*) { ++accepts; }
  void Cancelled(TObject*) { ++cancels; }
  void Clicked(TObject*) { ++clicks; }
};

struct EditForm {
  EditForm() {
    Application->Initialize(BackendKind::Headless);
    edit = new TEdit(&form);
    edit->SetParent(&form);
    edit->SetBounds(10, 10, 120, 21);
    edit->OnChange = MakeEvent(&events, &Events::Changed);
    form.SetActiveControl(edit);
  }
  void Key(WORD key, TShiftState shift = 0) { form.Perform(WM_KEYDOWN, key, MakeKeyData(shift)); }
  void Type(const char* text) {
    for (const char* c = text; *c; ++c) form.Perform(WM_CHAR, static_cast<unsigned char>(*c), MakeKeyData(0));
  }
  TForm form{nullptr};
  TEdit* edit;
  Events events;
};

TEST(Edit, TypingAndDeletingAtTheCaretWithOnChangeForEachEdit) {
  EditForm f;
  f.Type("helo");
  EXPECT_EQ(f.edit->Text(), "helo");
  EXPECT_EQ(f.events.changes, 4);
  f.Key(VK_LEFT);
  f.Type("l");
  EXPECT_EQ(f.edit->Text(), "hello");
  EXPECT_EQ(f.edit->CaretPos(), 4);
  f.Key(VK_HOME);
  f.Key(VK_DELETE);
  EXPECT_EQ(f.edit->Text(), "ello");
  f.Key(VK_END);
  f.Key(VK_BACK);
  EXPECT_EQ(f.edit->Text(), "ell");
  EXPECT_EQ(f.events.changes, 7);
  // At the ends, Backspace and Delete change nothing and fire nothing.
  f.Key(VK_DELETE);
  f.Key(VK_HOME);
  f.Key(VK_BACK);
  EXPECT_EQ(f.edit->Text(), "ell");
  EXPECT_EQ(f.events.changes, 7);
  // Control characters that arrive as WM_CHAR (Backspace, Return, Escape, Tab, Ctrl+A) are not text.
  f.Type("\b\r\x1b\t\x01\x7f");
  EXPECT_EQ(f.edit->Text(), "ell");
  // A Latin-1 character is one character: stored as UTF-8, stepped over and deleted whole.
  f.Key(VK_END);
  f.Type("\xe9");
  EXPECT_EQ(f.edit->Text(), "ell\xc3\xa9");
  f.Key(VK_LEFT);
  EXPECT_EQ(f.edit->CaretPos(), 3);
  f.Key(VK_RIGHT);
  f.Key(VK_BACK);
  EXPECT_EQ(f.edit->Text(), "ell");
  // SetText fires OnChange for a new text only and puts the caret at the end.
  int before = f.events.changes;
  f.edit->SetText("ell");
  EXPECT_EQ(f.events.changes, before);
  f.edit->SetText("value");
  EXPECT_EQ(f.events.changes, before + 1);
  EXPECT_EQ(f.edit->CaretPos(), 5);
  // Keys reach an edit only while it is the active control.
  f.form.SetActiveControl(nullptr);
  f.Type("x");
  EXPECT_EQ(f.edit->Text(), "value");
}

// A space comes as the key (VK_SPACE) and then its character: it is text like any other, takes room
// for the caret even at the end, and is not a button's key while the edit has the focus.
TEST(Edit, TheSpaceKeyTypesASpace) {
  EditForm f;
  auto* ok = new TButton(&f.form);
  ok->SetParent(&f.form);
  ok->SetDefault(true);
  ok->OnClick = MakeEvent(&f.events, &Events::Clicked);
  auto space = [&](TShiftState shift = 0) {
    f.Key(VK_SPACE, shift);
    f.form.Perform(WM_CHAR, ' ', MakeKeyData(shift));
    f.form.Perform(WM_KEYUP, VK_SPACE, MakeKeyData(shift));
  };
  space();
  EXPECT_EQ(f.edit->Text(), " ");
  EXPECT_GT(f.edit->CaretX(), TEdit::Margin) << "a lone space has a width";
  f.Type("a");
  int afterA = f.edit->CaretX();
  space();
  EXPECT_EQ(f.edit->Text(), " a ");
  EXPECT_GT(f.edit->CaretX(), afterA) << "a trailing space moves the caret";
  space(ssShift);
  f.Type("b");
  EXPECT_EQ(f.edit->Text(), " a  b");
  EXPECT_EQ(f.edit->CaretPos(), 5);
  EXPECT_EQ(f.events.changes, 5);
  // Over a selection, a space replaces it.
  f.Key(VK_LEFT, ssShift);
  f.Key(VK_LEFT, ssShift);
  space();
  EXPECT_EQ(f.edit->Text(), " a  ");
  EXPECT_EQ(f.events.clicks, 0);
}

TEST(Edit, ShiftArrowsSelectAndTypingReplacesTheSelection) {
  EditForm f;
  f.edit->SetText("abcdef");
  f.Key(VK_LEFT, ssShift);
  f.Key(VK_LEFT, ssShift);
  EXPECT_EQ(f.edit->SelStart(), 4);
  EXPECT_EQ(f.edit->SelLength(), 2);
  EXPECT_EQ(f.edit->SelText(), "ef");
  f.Type("X");
  EXPECT_EQ(f.edit->Text(), "abcdX");
  EXPECT_EQ(f.edit->SelLength(), 0);
  // Shift+Home selects back to the start; a plain Right collapses to the selection's far end.
  f.Key(VK_LEFT);
  f.Key(VK_HOME, ssShift);
  EXPECT_EQ(f.edit->SelText(), "abcd");
  f.Key(VK_RIGHT);
  EXPECT_EQ(f.edit->CaretPos(), 4);
  EXPECT_EQ(f.edit->SelLength(), 0);
  // Ctrl+A selects everything; Delete removes the selection in one change.
  int before = f.events.changes;
  f.Key('A', ssCtrl);
  EXPECT_EQ(f.edit->SelText(), "abcdX");
  f.Key(VK_DELETE);
  EXPECT_EQ(f.edit->Text(), "");
  EXPECT_EQ(f.events.changes, before + 1);
  // Selections set by code are clamped to the text and never split a character.
  f.edit->SetText("a\xc3\xa9z");
  f.edit->SetSelStart(2);
  EXPECT_EQ(f.edit->SelStart(), 1);
  f.edit->SetSelLength(1);
  EXPECT_EQ(f.edit->SelText(), "\xc3\xa9");
  f.edit->SetSelStart(-5);
  f.edit->SetSelLength(100);
  EXPECT_EQ(f.edit->SelLength(), 4);
  // MaxLength stops typing, not replacing within it.
  f.edit->SetText("ab");
  f.edit->MaxLength = 3;
  f.Type("cde");
  EXPECT_EQ(f.edit->Text(), "abc");
}

TEST(Edit, ReturnAndEscapeGoToTheHandlersOrElseToTheFormsButtons) {
  EditForm f;
  auto* ok = new TButton(&f.form);
  ok->SetParent(&f.form);
  ok->SetDefault(true);
  ok->OnClick = MakeEvent(&f.events, &Events::Clicked);
  f.Key(VK_RETURN);
  EXPECT_EQ(f.events.clicks, 1) << "no OnAccept: the default button has Return";
  f.edit->OnAccept = MakeEvent(&f.events, &Events::Accepted);
  f.edit->OnCancel = MakeEvent(&f.events, &Events::Cancelled);
  f.Key(VK_RETURN);
  f.Key(VK_ESCAPE);
  EXPECT_EQ(f.events.accepts, 1);
  EXPECT_EQ(f.events.cancels, 1);
  EXPECT_EQ(f.events.clicks, 1) << "a key the edit used goes no further";
}

TEST(Edit, MouseFocusesAndSelectsAndTheCaretStaysInView) {
  EditForm f;
  f.form.SetActiveControl(nullptr);
  f.form.Handle();
  f.edit->SetText("0123456789");
  // A click in the text focuses the edit and puts the caret at the nearest character boundary.
  f.edit->SetSelStart(5);
  int x5 = f.edit->CaretX();
  f.edit->SetSelStart(0);
  f.edit->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MakeLParam(x5 + 1, 10));
  EXPECT_EQ(f.form.ActiveControl(), f.edit);
  EXPECT_EQ(f.edit->CaretPos(), 5);
  // Dragging left selects; the release ends the drag.
  f.edit->Perform(WM_MOUSEMOVE, MK_LBUTTON, MakeLParam(0, 10));
  f.edit->Perform(WM_LBUTTONUP, 0, MakeLParam(0, 10));
  EXPECT_EQ(f.edit->SelText(), "01234");
  f.edit->Perform(WM_MOUSEMOVE, 0, MakeLParam(x5, 10));
  EXPECT_EQ(f.edit->SelLength(), 5);

  // A text wider than the edit scrolls so the caret stays inside, and back at Home.
  f.edit->SetText("The quick brown fox jumps over the lazy dog, twice over and more");
  EXPECT_GT(f.edit->ScrollX(), 0);
  EXPECT_GE(f.edit->CaretX(), TEdit::Margin);
  EXPECT_LT(f.edit->CaretX(), f.edit->Width() - TEdit::Margin + 1);
  f.Key(VK_HOME);
  EXPECT_EQ(f.edit->ScrollX(), 0);
  EXPECT_EQ(f.edit->CaretX(), TEdit::Margin);
  // Dragging past the right edge selects (and scrolls) to the end.
  f.edit->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MakeLParam(TEdit::Margin, 10));
  f.edit->Perform(WM_MOUSEMOVE, MK_LBUTTON, MakeLParam(f.edit->Width() + 2000, 10));
  EXPECT_EQ(f.edit->CaretPos(), f.edit->Text().Length());
  EXPECT_GT(f.edit->ScrollX(), 0);
  // Widening the edit until the whole text fits scrolls it back.
  f.edit->SetWidth(2000);
  EXPECT_EQ(f.edit->ScrollX(), 0);
}

}  // namespace
