// The editor controls on a display: typing into an edit, clicking a button, list rows by click and
// wheel, and the modal dialogs answered from the keyboard while the form below them waits.
#include <gtest/gtest.h>

#include <chrono>
#include <vector>

#include "framework/controls/application.h"
#include "framework/controls/button.h"
#include "framework/controls/dialogs.h"
#include "framework/controls/edit.h"
#include "framework/controls/listbox.h"
#include "framework/platform/backend.h"
#include "xvfb.h"

#include <X11/Xutil.h>
#include <X11/keysym.h>

namespace {

template <class Done>
bool PumpUntil(Done done, int ms = 5000) {
  auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (!done()) {
    if (std::chrono::steady_clock::now() >= end) return false;
    Application->ProcessMessages();
    Application->Backend()->WaitEvents(5);
  }
  return true;
}

void Pump(int ms) {
  auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  PumpUntil([&] { return std::chrono::steady_clock::now() >= end; }, ms + 100);
}

class Events : public TObject {
public:
  int clicks = 0, changes = 0, doubles = 0;
  void Clicked(TObject*) { ++clicks; }
  void Changed(TObject*) { ++changes; }
  void Doubled(TObject*) { ++doubles; }
};

// Answers the dialog with this title from a timer inside its modal loop: first a click on a window of the
// form below (which must not arrive), then the keys. Gives up after five seconds.
class Answerer : public TObject {
public:
  Answerer(Display* d, const char* title, std::vector<KeySym> keys, Window below)
      : probe(d), title(title), keys(std::move(keys)), below(below) {
    timer.SetInterval(50);
    timer.SetOnTimer(MakeEvent(this, &Answerer::Tick));
  }
  void Tick(TObject*) {
    if (++ticks > 100) {
      if (TForm* f = Application->ModalForm()) f->SetModalResult(mrNone - 1);
      return;
    }
    if (sent) return;
    Window dialog = FindByName(probe, DefaultRootWindow(probe), title);
    if (!dialog) return;
    if (below) Click(probe, below, 20, 10);
    for (KeySym k : keys) TypeKey(probe, k);
    sent = true;
  }
  Display* probe;
  const char* title;
  std::vector<KeySym> keys;
  Window below;
  TTimer timer{nullptr};
  int ticks = 0;
  bool sent = false;
};

class Controls : public ::testing::Test {
protected:
  void SetUp() override {
    probe = XOpenDisplay(nullptr);
    ASSERT_NE(probe, nullptr);
    form = new TForm(nullptr);
    form->SetCaption("controls test");
    form->SetBounds(0, 0, 300, 260);
    edit = new TEdit(form);
    edit->SetParent(form);
    edit->SetBounds(10, 10, 150, 21);
    edit->OnChange = MakeEvent(&events, &Events::Changed);
    button = new TButton(form);
    button->SetParent(form);
    button->SetCaption("Apply");
    button->SetBounds(10, 40, 80, 25);
    button->OnClick = MakeEvent(&events, &Events::Clicked);
    list = new TListBox(form);
    list->SetParent(form);
    list->SetBounds(10, 80, 200, 8 * TListBox::ItemHeight() + 2);
    for (int i = 0; i < 30; ++i) list->AddItem(Format("part %d", i), i % 2);
    list->OnDblClick = MakeEvent(&events, &Events::Doubled);
    form->Show();
    ASSERT_TRUE(PumpUntil([&] { return (window = FindByName(probe, DefaultRootWindow(probe), "controls test")) != 0; }));
    Pump(200);
  }
  void TearDown() override {
    delete form;
    if (probe) XCloseDisplay(probe);
  }
  Display* probe = nullptr;
  Window window = 0;
  TForm* form = nullptr;
  TEdit* edit = nullptr;
  TButton* button = nullptr;
  TListBox* list = nullptr;
  Events events;
};

TEST_F(Controls, TypingIntoAnEditAndClickingAButton) {
  Click(probe, window, 20, 20);
  ASSERT_TRUE(PumpUntil([&] { return form->ActiveControl() == edit; }));
  for (KeySym k : {XK_a, XK_space, XK_b, XK_c}) TypeKey(probe, k);
  ASSERT_TRUE(PumpUntil([&] { return edit->Text() == "a bc"; })) << edit->Text().c_str();
  TypeKey(probe, XK_Left, true);
  TypeKey(probe, XK_X, true);
  ASSERT_TRUE(PumpUntil([&] { return edit->Text() == "a bX"; })) << edit->Text().c_str();
  TypeKey(probe, XK_BackSpace);
  ASSERT_TRUE(PumpUntil([&] { return edit->Text() == "a b"; }));
  EXPECT_EQ(events.changes, 6);
  Pump(100);
  Shot shot;
  ASSERT_TRUE(Grab(probe, window, shot));
  int caret = 10 + edit->CaretX();
  EXPECT_GE(shot.CountNear(caret, 10 + 4, 1, 12, 0x000000, 30), 10) << "the caret is drawn after the text";

  // The button sinks while held, clicks on release, and takes the keyboard from the edit.
  Press(probe, window, 40, 50);
  ASSERT_TRUE(PumpUntil([&] { return button->Pressed(); }));
  Pump(100);
  ASSERT_TRUE(Grab(probe, window, shot));
  EXPECT_EQ(shot.At(11, 41), 0xA0A0A0u) << "sunk";
  EXPECT_EQ(events.clicks, 0);
  Release(probe);
  ASSERT_TRUE(PumpUntil([&] { return events.clicks == 1; }));
  Pump(100);
  ASSERT_TRUE(Grab(probe, window, shot));
  EXPECT_EQ(shot.At(11, 41), 0xFFFFFFu) << "raised again";
  TypeKey(probe, XK_space);
  ASSERT_TRUE(PumpUntil([&] { return events.clicks == 2; }));
  EXPECT_EQ(edit->Text(), "a b") << "the space went to the focused button";
}

TEST_F(Controls, ListRowsByClickAndWheel) {
  int h = TListBox::ItemHeight();
  Click(probe, window, 30, 80 + 1 + 2 * h + h / 2);
  ASSERT_TRUE(PumpUntil([&] { return list->ItemIndex() == 2; }));
  Click(probe, window, 30, 80 + 1 + 2 * h + h / 2);
  ASSERT_TRUE(PumpUntil([&] { return events.doubles == 1; })) << "two quick clicks on one row";
  EXPECT_TRUE(list->ScrollBar()->Visible());
  MoveTo(probe, window, 60, 120);
  Button(probe, 5);
  ASSERT_TRUE(PumpUntil([&] { return list->TopIndex() == 3; }));
  EXPECT_EQ(list->ScrollBar()->Position(), 3);
  Click(probe, window, 30, 80 + 1 + h / 2);
  ASSERT_TRUE(PumpUntil([&] { return list->ItemIndex() == 3; })) << "the top row shown is row 3";
  TypeKey(probe, XK_Down);
  ASSERT_TRUE(PumpUntil([&] { return list->ItemIndex() == 4; }));
  Pump(100);
  Shot shot;
  ASSERT_TRUE(Grab(probe, window, shot));
  EXPECT_GT(shot.CountNear(12, 80 + 1 + h, 150, h, 0x0078D7, 8), 150 * h / 2) << "row 4 highlighted";
}

TEST_F(Controls, DialogsAnsweredByKeyboardWhileTheFormBelowWaits) {
  Window buttonWindow = 0;
  // The button's own window: a click there during a dialog must not reach it.
  Window r, p, *children = nullptr;
  unsigned n = 0;
  XQueryTree(probe, window, &r, &p, &children, &n);
  for (unsigned i = 0; i < n; ++i) {
    XWindowAttributes a{};
    XGetWindowAttributes(probe, children[i], &a);
    if (a.x == 10 && a.y == 40) buttonWindow = children[i];
  }
  if (children) XFree(children);
  ASSERT_NE(buttonWindow, 0u);

  AnsiString value = "old name";
  {
    Answerer answer(probe, "Rename part", {XK_n, XK_e, XK_w, XK_Return}, buttonWindow);
    EXPECT_TRUE(InputQuery("Rename part", "Name:", value));
    EXPECT_TRUE(answer.sent);
  }
  EXPECT_EQ(value, "new") << "typing replaced the selected old value";
  EXPECT_EQ(events.clicks, 0) << "the click on the form below was dropped";
  {
    Answerer answer(probe, "Rename part", {XK_x, XK_Escape}, 0);
    EXPECT_FALSE(InputQuery("Rename part", "Name:", value));
  }
  EXPECT_EQ(value, "new");
  {
    Answerer answer(probe, "Confirm", {XK_Return}, 0);
    EXPECT_EQ(MessageDlg("Save changes?", mtConfirmation, mbYesNoCancel), mrYes);
  }
  {
    Answerer answer(probe, "Confirm", {XK_Escape}, 0);
    EXPECT_EQ(MessageDlg("Save changes?", mtConfirmation, mbYesNoCancel), mrCancel);
  }
  EXPECT_EQ(Application->ModalForm(), nullptr);
  // The form below takes input again.
  Click(probe, window, 40, 50);
  ASSERT_TRUE(PumpUntil([&] { return events.clicks == 1; }));
}

}  // namespace
