// TButton: which mouse and key sequences click it, default and cancel buttons, modal results.
#include <gtest/gtest.h>

#include "framework/controls/application.h"
#include "support/form_killer.h"
#include "framework/controls/button.h"

namespace {

class Clicks : public TObject {
public:
  int n = 0;
  void Clicked(TObject*) { ++n; }
};

void Down(TWinControl* c, int x, int y) { c->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MakeLParam(x, y)); }
void Move(TWinControl* c, int x, int y) { c->Perform(WM_MOUSEMOVE, MK_LBUTTON, MakeLParam(x, y)); }
void Up(TWinControl* c, int x, int y) { c->Perform(WM_LBUTTONUP, 0, MakeLParam(x, y)); }
void Key(TForm* f, WORD key) { f->Perform(WM_KEYDOWN, key, MakeKeyData(0)); }

TEST(Button, ClicksOnlyOnPressAndReleaseInsideWhileEnabled) {
  Application->Initialize(BackendKind::Headless);
  TForm form(nullptr);
  auto* button = new TButton(&form);
  button->SetParent(&form);
  button->SetBounds(10, 10, 80, 24);
  Clicks clicks;
  button->OnClick = MakeEvent(&clicks, &Clicks::Clicked);
  form.Handle();

  Down(button, 5, 5);
  EXPECT_TRUE(button->Pressed());
  EXPECT_EQ(clicks.n, 0) << "no click on the press alone";
  EXPECT_EQ(form.ActiveControl(), button) << "a press focuses the button";
  Up(button, 6, 6);
  EXPECT_EQ(clicks.n, 1);
  EXPECT_FALSE(button->Pressed());

  // Released outside: no click. Sliding off raises it, sliding back sinks it again.
  Down(button, 5, 5);
  Move(button, 200, 5);
  EXPECT_FALSE(button->Pressed());
  Move(button, 20, 5);
  EXPECT_TRUE(button->Pressed());
  Move(button, -3, 5);
  Up(button, -3, 5);
  EXPECT_EQ(clicks.n, 1);
  // A release without a press (the press went elsewhere) is no click either.
  Up(button, 5, 5);
  EXPECT_EQ(clicks.n, 1);

  button->SetEnabled(false);
  Down(button, 5, 5);
  EXPECT_FALSE(button->Pressed());
  Up(button, 5, 5);
  Key(&form, VK_SPACE);
  button->Click();
  EXPECT_EQ(clicks.n, 1) << "a disabled button never clicks";
}

TEST(Button, KeysClickTheFocusedButtonThenTheDefaultAndCancelButtons) {
  Application->Initialize(BackendKind::Headless);
  TForm form(nullptr);
  auto* ok = new TButton(&form);
  ok->SetParent(&form);
  ok->SetDefault(true);
  ok->ModalResult = mrOk;
  auto* cancel = new TButton(&form);
  cancel->SetParent(&form);
  cancel->Cancel = true;
  cancel->ModalResult = mrCancel;
  auto* other = new TButton(&form);
  other->SetParent(&form);
  Clicks okClicks, cancelClicks, otherClicks;
  ok->OnClick = MakeEvent(&okClicks, &Clicks::Clicked);
  cancel->OnClick = MakeEvent(&cancelClicks, &Clicks::Clicked);
  other->OnClick = MakeEvent(&otherClicks, &Clicks::Clicked);

  // Space and Return click the focused button only; Return is used up there.
  form.SetActiveControl(other);
  Key(&form, VK_SPACE);
  Key(&form, VK_RETURN);
  Key(&form, 'A');
  EXPECT_EQ(otherClicks.n, 2);
  EXPECT_EQ(okClicks.n, 0);
  EXPECT_EQ(form.ModalResult(), mrNone);

  // With nothing focused, Return goes to the default button and Escape to the cancel button,
  // each setting the form's modal result.
  form.SetActiveControl(nullptr);
  Key(&form, VK_RETURN);
  EXPECT_EQ(okClicks.n, 1);
  EXPECT_EQ(form.ModalResult(), mrOk);
  Key(&form, VK_ESCAPE);
  EXPECT_EQ(cancelClicks.n, 1);
  EXPECT_EQ(form.ModalResult(), mrCancel);
  Key(&form, VK_SPACE);
  EXPECT_EQ(okClicks.n + cancelClicks.n + otherClicks.n, 4) << "Space alone clicks no default button";

  // Hidden or disabled default buttons are skipped.
  ok->SetEnabled(false);
  Key(&form, VK_RETURN);
  EXPECT_EQ(okClicks.n, 1);
}

class ModalCloser : public TObject {
public:
  TForm* form = nullptr;
  TButton* button = nullptr;
  int ticks = 0;
  void Tick(TObject*) {
    if (++ticks != 3) return;
    Down(button, 2, 2);
    Up(button, 2, 2);
  }
};

TEST(Button, ShowModalRunsUntilAButtonAnswersAndCancelsWhenNothingCan) {
  Application->Initialize(BackendKind::Headless);
  Application->UseManualClock(true);
  TForm dialog(nullptr);
  auto* yes = new TButton(&dialog);
  yes->SetParent(&dialog);
  yes->ModalResult = mrYes;
  ModalCloser closer;
  closer.form = &dialog;
  closer.button = yes;
  TTimer timer(nullptr);
  timer.SetInterval(50);
  timer.SetOnTimer(MakeEvent(&closer, &ModalCloser::Tick));
  EXPECT_EQ(dialog.ShowModal(), mrYes);
  EXPECT_EQ(closer.ticks, 3) << "the nested loop ran the timers until the answer";
  EXPECT_FALSE(dialog.Visible());
  EXPECT_EQ(Application->ModalForm(), nullptr);

  // Headless with no timer left, nothing could ever answer: cancelled, not hung.
  timer.SetEnabled(false);
  EXPECT_EQ(dialog.ShowModal(), mrCancel);
  Application->UseManualClock(false);
}

// A button's handlers may delete its form, and the button with it: nothing touches either afterwards.
TEST(Button, ItsHandlersMayDeleteItsForm) {
  Application->Initialize(BackendKind::Headless);
  enum Way { Mouse, SpaceKey, DefaultKey, OwnKeyDown };
  for (Way way : {Mouse, SpaceKey, DefaultKey, OwnKeyDown}) {
    SCOPED_TRACE(way);
    auto* form = new TForm(nullptr);
    auto* button = new TButton(form);
    button->SetParent(form);
    button->SetBounds(10, 10, 80, 24);
    button->SetDefault(true);
    form->Handle();
    FormKiller killer;
    killer.form = form;
    TLiveness formAlive = form->Liveness(), buttonAlive = button->Liveness();
    if (way == OwnKeyDown)
      button->OnKeyDown = MakeEvent(&killer, &FormKiller::KillOnKey);
    else
      button->OnClick = MakeEvent(&killer, &FormKiller::Kill);
    if (way == SpaceKey || way == OwnKeyDown) form->SetActiveControl(button);
    switch (way) {
      case Mouse:
        Down(button, 5, 5);
        Up(button, 5, 5);
        break;
      case SpaceKey: Key(form, VK_SPACE); break;
      case DefaultKey: Key(form, VK_RETURN); break;
      case OwnKeyDown: Key(form, 'A'); break;
    }
    EXPECT_EQ(killer.runs, 1);
    EXPECT_FALSE(formAlive);
    EXPECT_FALSE(buttonAlive);
  }
}

}  // namespace
