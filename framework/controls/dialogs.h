// Modal dialogs for questions and short answers: MessageBoxA, MessageDlg and InputQuery.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "framework/controls/controls.h"

// Shows text with an OK button and returns IDOK (1) once it is answered. The installed handler answers
// where there is one; on a display a modal box waits while timers and paints of the other windows go on
// and their input waits; otherwise the text goes to standard error.
int MessageBoxA(HWND owner, const char* text, const char* caption, UINT type);
// Where message boxes go instead; returns the handler it replaces.
using MessageBoxHandler = std::function<int(HWND owner, const std::string& text, const std::string& caption, UINT type)>;
MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler);

enum TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };
enum TMsgDlgBtn { mbYes, mbNo, mbOK, mbCancel };

// A set of dialog buttons: TMsgDlgButtons() << mbYes << mbNo.
class TMsgDlgButtons {
public:
  constexpr TMsgDlgButtons() = default;
  constexpr TMsgDlgButtons operator<<(TMsgDlgBtn b) const { return TMsgDlgButtons(FBits | (1u << b)); }
  constexpr bool Contains(TMsgDlgBtn b) const { return (FBits & (1u << b)) != 0; }
  constexpr bool Empty() const { return FBits == 0; }

private:
  constexpr explicit TMsgDlgButtons(unsigned bits) : FBits(bits) {}
  unsigned FBits = 0;
};
constexpr TMsgDlgButtons mbYesNo = TMsgDlgButtons() << mbYes << mbNo;
constexpr TMsgDlgButtons mbYesNoCancel = TMsgDlgButtons() << mbYes << mbNo << mbCancel;
constexpr TMsgDlgButtons mbOKCancel = TMsgDlgButtons() << mbOK << mbCancel;

// Asks a question and returns the button chosen: mrYes, mrNo, mrOk or mrCancel (an empty set means OK).
// On a display: a modal form above the active one, the focus on Yes (else OK); Tab and Shift+Tab move it
// between the buttons, Return or Space picks the focused one, Escape picks Cancel (else No, else OK), and
// closing the window answers mrCancel. With a handler installed, the handler answers
// instead; headless without one, the message goes to standard error and the answer is mrCancel.
int MessageDlg(const AnsiString& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons, int HelpCtx = 0);

// Asks for a line of text, starting from Value. True (and Value set) on OK or Return; false, Value
// unchanged, on Cancel, Escape or closing. Answered by the handler where one is installed; headless
// without one: false.
bool InputQuery(const AnsiString& ACaption, const AnsiString& APrompt, AnsiString& Value);

// Asks to choose one of Items, starting at Index. True (and Index set) on OK, Return or a double click
// on a row; false, Index unchanged, on Cancel, Escape or closing, and for an empty list. Answered by the
// handler where one is installed; headless without one: false.
bool ListQuery(const AnsiString& ACaption, const AnsiString& APrompt, const std::vector<AnsiString>& Items, int& Index);

// The form MessageDlg shows; the caller deletes it. Its buttons carry their modal results.
TForm* CreateMessageDialog(const AnsiString& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons);

// Where dialogs go instead of the screen (tests, headless hosts); each returns the handler it replaces.
using MessageDlgHandler = std::function<int(const AnsiString& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons)>;
using InputQueryHandler = std::function<bool(const AnsiString& Caption, const AnsiString& Prompt, AnsiString& Value)>;
using ListQueryHandler =
    std::function<bool(const AnsiString& Caption, const AnsiString& Prompt, const std::vector<AnsiString>& Items, int& Index)>;
MessageDlgHandler SetMessageDlgHandler(MessageDlgHandler handler);
ListQueryHandler SetListQueryHandler(ListQueryHandler handler);
InputQueryHandler SetInputQueryHandler(InputQueryHandler handler);
