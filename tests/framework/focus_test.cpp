// Keyboard focus: the Tab order of a form, Tab and Shift+Tab, and what Return and Escape press, in a form
// and in the message dialog run modally with posted keys.
#include <gtest/gtest.h>

#include "framework/controls/application.h"
#include "framework/controls/button.h"
#include "framework/controls/dialogs.h"
#include "framework/controls/edit.h"
#include "framework/controls/listbox.h"
#include "framework/platform/backend.h"
#include "support/test_support.h"

namespace {

void Key(TWinControl* form, WORD key, TShiftState shift = 0) { form->Perform(WM_KEYDOWN, key, MakeKeyData(shift)); }

template <class T>
T* Make(TWinControl* parent, const char* name) {
  auto* c = new T(GetParentForm(parent) ? static_cast<TComponent*>(GetParentForm(parent)) : parent);
  c->Name = name;
  c->SetParent(parent);
  return c;
}

TEST(Focus, TabWalksTheFocusableControlsInOrderAndReturnAndEscapePressTheRightButton) {
  Application->Initialize(BackendKind::Headless);
  TForm form(nullptr);
  form.SetBounds(0, 0, 400, 300);
  auto* first = Make<TButton>(&form, "First");
  auto* panel = Make<TPanel>(&form, "Panel");  // not a stop itself; its children are
  auto* edit = Make<TEdit>(panel, "Edit");
  auto* hidden = Make<TButton>(panel, "Hidden");
  hidden->SetVisible(false);
  auto* disabled = Make<TButton>(panel, "Disabled");
  disabled->SetEnabled(false);
  auto* hiddenPanel = Make<TPanel>(&form, "HiddenPanel");
  Make<TEdit>(hiddenPanel, "Inside");
  hiddenPanel->SetVisible(false);
  auto* list = Make<TListBox>(&form, "List");
  auto* ok = Make<TButton>(&form, "Ok");
  ok->SetDefault(true);
  auto* cancel = Make<TButton>(&form, "Cancel");
  cancel->Cancel = true;
  EventCounter firstClicks, okClicks, cancelClicks;
  first->OnClick = firstClicks.Event();
  ok->OnClick = okClicks.Event();
  cancel->OnClick = cancelClicks.Event();

  std::vector<TWinControl*> order = form.TabOrderList();
  ASSERT_EQ(order, (std::vector<TWinControl*>{first, edit, list, ok, cancel}))
      << "hidden and disabled controls, and those on a hidden panel, are skipped";

  // Tab from nothing goes to the first, walks them all and wraps; Shift+Tab goes back.
  std::vector<TWinControl*> seen;
  for (int i = 0; i < 6; ++i) {
    Key(&form, VK_TAB);
    seen.push_back(form.ActiveControl());
  }
  EXPECT_EQ(seen, (std::vector<TWinControl*>{first, edit, list, ok, cancel, first}));
  Key(&form, VK_TAB, ssShift);
  EXPECT_EQ(form.ActiveControl(), cancel) << "Shift+Tab wraps backwards";
  Key(&form, VK_TAB, ssShift);
  EXPECT_EQ(form.ActiveControl(), ok);
  Key(&form, VK_TAB, ssCtrl);
  EXPECT_EQ(form.ActiveControl(), ok) << "Ctrl+Tab is left to the host";

  // A control that becomes hidden or disabled drops out of the order.
  list->SetEnabled(false);
  form.SetActiveControl(edit);
  Key(&form, VK_TAB);
  EXPECT_EQ(form.ActiveControl(), ok);
  list->SetEnabled(true);

  // Return presses the focused button, else the default one; the mark follows.
  form.SetActiveControl(first);
  EXPECT_TRUE(first->ReturnTarget());
  EXPECT_FALSE(ok->ReturnTarget()) << "the default gives up its mark while another button has the focus";
  Key(&form, VK_RETURN);
  EXPECT_EQ(firstClicks.Count, 1);
  EXPECT_EQ(okClicks.Count, 0);
  form.SetActiveControl(edit);
  EXPECT_TRUE(ok->ReturnTarget());
  EXPECT_FALSE(first->ReturnTarget());
  Key(&form, VK_RETURN);
  EXPECT_EQ(okClicks.Count, 1) << "the edit leaves Return to the default button";
  Key(&form, VK_TAB, ssShift);
  Key(&form, VK_SPACE);
  EXPECT_EQ(firstClicks.Count, 2) << "Space presses the focused button";
  // Escape presses the cancel button, wherever the focus is.
  form.SetActiveControl(list);
  Key(&form, VK_ESCAPE);
  EXPECT_EQ(cancelClicks.Count, 1);
  EXPECT_EQ(firstClicks.Count + okClicks.Count, 3);

  // A form with nothing to focus leaves Tab to its host.
  TForm empty(nullptr);
  Key(&empty, VK_TAB);
  EXPECT_EQ(empty.ActiveControl(), nullptr);
}

// Keys as the display hands them over: posted to the top-level window, taken by the modal loop.
void Post(TForm* form, WORD key, TShiftState shift = 0) {
  Application->Backend()->PostInput(form->Handle(), WM_KEYDOWN, key, MakeKeyData(shift));
}

TEST(Focus, TheMessageDialogAnswersWhatTheKeysChoose) {
  Application->Initialize(BackendKind::Headless);
  struct Case {
    std::vector<std::pair<WORD, TShiftState>> keys;
    TModalResult answer;
  };
  const Case cases[] = {
      {{{VK_RETURN, 0}}, mrYes},                                              // the default
      {{{VK_TAB, 0}, {VK_RETURN, 0}}, mrNo},                                  // focus moved: Return presses No
      {{{VK_TAB, 0}, {VK_SPACE, 0}}, mrNo},
      {{{VK_TAB, ssShift}, {VK_TAB, ssShift}, {VK_RETURN, 0}}, mrNo},         // back past Cancel to No
      {{{VK_TAB, 0}, {VK_TAB, 0}, {VK_TAB, 0}, {VK_RETURN, 0}}, mrYes},       // round to Yes again
      {{{VK_TAB, 0}, {VK_ESCAPE, 0}}, mrCancel},
  };
  for (const Case& c : cases) {
    TForm* dialog = CreateMessageDialog("Save the changes?", mtConfirmation, mbYesNoCancel);
    for (auto [key, shift] : c.keys) Post(dialog, key, shift);
    EXPECT_EQ(dialog->ShowModal(), c.answer) << c.keys.size() << " keys";
    delete dialog;
  }

  // A modal form without a cancel button: Escape closes it (its OnClose runs) with mrCancel.
  TForm plain(nullptr);
  auto* edit = new TEdit(&plain);
  edit->SetParent(&plain);
  plain.SetActiveControl(edit);
  EventCounter closed;
  plain.OnClose = closed.Event();
  Post(&plain, VK_ESCAPE);
  EXPECT_EQ(plain.ShowModal(), mrCancel);
  EXPECT_EQ(closed.Count, 1);
  // A form that is not modal stays open.
  plain.Show();
  Key(&plain, VK_ESCAPE);
  EXPECT_EQ(closed.Count, 1);
  EXPECT_TRUE(plain.Visible());
}

}  // namespace
