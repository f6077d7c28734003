// MessageDlg and InputQuery: the handlers, the headless answers, and the keys of the dialog form.
#include <gtest/gtest.h>

#include "framework/controls/application.h"
#include "framework/controls/button.h"
#include "framework/controls/dialogs.h"
#include "framework/platform/backend.h"

namespace {

TEST(Dialogs, HandlersAnswerAndHeadlessDefaultsCancel) {
  Application->Initialize(BackendKind::Headless);
  // Headless, nothing installed: Cancel, and the value stays.
  EXPECT_EQ(MessageDlg("Save changes?", mtConfirmation, mbYesNoCancel), mrCancel);
  AnsiString value = "scene.v3d";
  EXPECT_FALSE(InputQuery("Save as", "File name:", value));
  EXPECT_EQ(value, "scene.v3d");

  // A handler sees the question and answers it.
  AnsiString seen;
  TMsgDlgButtons seenButtons;
  SetMessageDlgHandler([&](const AnsiString& msg, TMsgDlgType type, TMsgDlgButtons buttons) {
    seen = msg;
    seenButtons = buttons;
    return type == mtConfirmation ? mrNo : mrOk;
  });
  EXPECT_EQ(MessageDlg("Discard?", mtConfirmation, mbYesNo), mrNo);
  EXPECT_EQ(seen, "Discard?");
  EXPECT_TRUE(seenButtons.Contains(mbYes));
  EXPECT_FALSE(seenButtons.Contains(mbCancel));
  SetInputQueryHandler([](const AnsiString& caption, const AnsiString& prompt, AnsiString& v) {
    if (caption != "Save as" || prompt != "File name:" || v != "scene.v3d") return false;
    v = "other.v3d";
    return true;
  });
  EXPECT_TRUE(InputQuery("Save as", "File name:", value));
  EXPECT_EQ(value, "other.v3d");
  // Removed again: back to the defaults.
  EXPECT_FALSE(SetMessageDlgHandler(nullptr) == nullptr);
  SetInputQueryHandler(nullptr);
  EXPECT_EQ(MessageDlg("Again?", mtConfirmation, mbYesNo), mrCancel);
  EXPECT_FALSE(InputQuery("Save as", "File name:", value));
}

// The answer a key gives on a fresh dialog with those buttons.
TModalResult Answer(TMsgDlgButtons buttons, WORD key) {
  TForm* form = CreateMessageDialog("Question", mtConfirmation, buttons);
  form->Perform(WM_KEYDOWN, key, MakeKeyData(0));
  TModalResult r = form->ModalResult();
  delete form;
  return r;
}

TEST(Dialogs, MessageDialogButtonsAndTheirKeys) {
  Application->Initialize(BackendKind::Headless);
  EXPECT_EQ(Answer(mbYesNoCancel, VK_RETURN), mrYes);
  EXPECT_EQ(Answer(mbYesNoCancel, VK_ESCAPE), mrCancel);
  EXPECT_EQ(Answer(mbYesNo, VK_ESCAPE), mrNo) << "no Cancel button: Escape says No";
  EXPECT_EQ(Answer(mbOKCancel, VK_RETURN), mrOk);
  EXPECT_EQ(Answer(TMsgDlgButtons(), VK_ESCAPE), mrOk) << "an empty set is an OK button";
  EXPECT_EQ(Answer(mbYesNo, 'Q'), mrNone);

  // One button per member of the set, in Yes, No, OK, Cancel order, side by side inside the form.
  TForm* form = CreateMessageDialog("First line\nA second, longer line", mtWarning, mbYesNoCancel);
  std::vector<TButton*> buttons;
  for (int i = 0; i < form->ControlCount(); ++i)
    if (auto* b = dynamic_cast<TButton*>(form->Controls(i))) buttons.push_back(b);
  ASSERT_EQ(buttons.size(), 3u);
  EXPECT_EQ(buttons[0]->ModalResult, mrYes);
  EXPECT_EQ(buttons[1]->ModalResult, mrNo);
  EXPECT_EQ(buttons[2]->ModalResult, mrCancel);
  EXPECT_LT(buttons[0]->Left() + buttons[0]->Width(), buttons[1]->Left());
  EXPECT_LE(buttons[2]->Left() + buttons[2]->Width(), form->Width());
  EXPECT_EQ(form->Caption(), "Warning");
  // A click answers as well.
  buttons[1]->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MakeLParam(3, 3));
  buttons[1]->Perform(WM_LBUTTONUP, 0, MakeLParam(3, 3));
  EXPECT_EQ(form->ModalResult(), mrNo);
  delete form;
}

class Clicks : public TObject {
public:
  int n = 0;
  void Clicked(TObject*) { ++n; }
};

void Press(TWinControl* c) {
  c->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MakeLParam(3, 3));
  c->Perform(WM_LBUTTONUP, 0, MakeLParam(3, 3));
}

// On its second tick deletes a form, clicks a button or answers a form, as a host's handler would; then
// stops, so a loop that should have ended finds nothing left to wait for.
class ModalDriver : public TObject {
public:
  TForm* victim = nullptr;
  TButton* press = nullptr;
  TForm* answer = nullptr;
  int ticks = 0;
  TTimer timer{nullptr};
  ModalDriver() {
    timer.SetInterval(50);
    timer.SetOnTimer(MakeEvent(this, &ModalDriver::Tick));
  }
  void Tick(TObject*) {
    if (++ticks == 2) {
      if (victim) delete victim;
      if (press) Press(press);
      if (answer) answer->SetModalResult(mrYes);
    }
    if (ticks >= 5) timer.SetEnabled(false);
  }
  void ReleaseForm(TObject*) { GetParentForm(press)->Release(); }
};

// A modal form deleted while shown ends its loop and leaves the modal list: input reaches the other
// windows again and the next dialog runs as usual.
TEST(Dialogs, AModalFormDeletedWhileShownEndsItsLoop) {
  Application->Initialize(BackendKind::Headless);
  Application->UseManualClock(true);
  TForm main(nullptr);
  main.SetBounds(0, 0, 200, 100);
  auto* button = new TButton(&main);
  button->SetParent(&main);
  Clicks clicks;
  button->OnClick = MakeEvent(&clicks, &Clicks::Clicked);
  main.Show();

  {
    auto* dialog = new TForm(nullptr);
    TLiveness alive = dialog->Liveness();
    ModalDriver driver;
    driver.victim = dialog;
    EXPECT_EQ(dialog->ShowModal(), mrCancel);
    EXPECT_FALSE(alive);
    EXPECT_EQ(driver.ticks, 2) << "the loop ended with its form";
    EXPECT_EQ(Application->ModalForm(), nullptr);
  }
  WindowBackend* backend = Application->Backend();
  backend->PostInput(button->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MakeLParam(3, 3));
  backend->PostInput(button->Handle(), WM_LBUTTONUP, 0, MakeLParam(3, 3));
  Application->ProcessMessages();
  EXPECT_EQ(clicks.n, 1) << "input to the other windows flows again";

  // Released by its own OK button: the answer stands, and the form goes with the loop.
  {
    auto* dialog = new TForm(nullptr);
    auto* ok = new TButton(dialog);
    ok->SetParent(dialog);
    ok->ModalResult = mrOk;
    TLiveness alive = dialog->Liveness();
    ModalDriver driver;
    driver.press = ok;
    ok->OnClick = MakeEvent(&driver, &ModalDriver::ReleaseForm);
    EXPECT_EQ(dialog->ShowModal(), mrOk);
    EXPECT_FALSE(alive);
    EXPECT_EQ(driver.ticks, 2);
  }

  TForm later(nullptr);
  ModalDriver driver;
  driver.answer = &later;
  EXPECT_EQ(later.ShowModal(), mrYes);
  EXPECT_FALSE(later.Visible());
  EXPECT_EQ(Application->ModalForm(), nullptr);
  Application->UseManualClock(false);
}

}  // namespace
