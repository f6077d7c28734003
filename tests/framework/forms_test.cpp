// Forms and controls as a host sees them: OnResize after size changes, and the main form ending Run.
#include <gtest/gtest.h>

#include "framework/controls/application.h"
#include "support/form_killer.h"
#include "framework/controls/controls.h"
#include "support/test_support.h"

TEST(Controls, OnResizeFollowsEverySizeChangeAndOnlyThose) {
  TLabel label(nullptr);
  EventCounter labelResized;
  label.OnResize = labelResized.Event();
  label.SetBounds(0, 0, 50, 13);
  EXPECT_EQ(labelResized.Count, 1);
  label.SetLeft(20);  // a move is not a resize
  EXPECT_EQ(labelResized.Count, 1);
  label.SetHeight(20);
  EXPECT_EQ(labelResized.Count, 2);
  EXPECT_EQ(labelResized.LastSender, &label);

  // A windowed control, with and without its window; its aligned children resize with it.
  Application->Initialize(BackendKind::Headless);
  EventCounter formResized, panelResized;
  TForm form(nullptr);
  auto* panel = new TPanel(&form);
  panel->SetParent(&form);
  panel->SetAlign(alClient);
  form.OnResize = formResized.Event();
  panel->OnResize = panelResized.Event();
  form.SetBounds(0, 0, 300, 200);  // no window yet
  EXPECT_EQ(formResized.Count, 1);
  EXPECT_GE(panelResized.Count, 1);
  EXPECT_EQ(panel->Width(), 300);
  form.Show();
  formResized.Count = panelResized.Count = 0;
  form.SetBounds(10, 10, 300, 200);
  EXPECT_EQ(formResized.Count, 0);
  form.SetWidth(400);
  EXPECT_EQ(formResized.Count, 1);
  EXPECT_EQ(panelResized.Count, 1);
  EXPECT_EQ(panel->Width(), 400) << "OnResize comes after the children were laid out";
  // A size the window manager gives arrives as WM_SIZE.
  form.Perform(WM_SIZE, 0, MakeLParam(500, 250));
  EXPECT_EQ(formResized.Count, 2);
  EXPECT_EQ(form.Width(), 500);
  EXPECT_EQ(panel->Height(), 250);

  // A child taken off its parent keeps no window until it is used again.
  auto* loose = new TPanel(&form);
  loose->SetParent(&form);
  ASSERT_TRUE(loose->HandleAllocated());
  loose->SetParent(nullptr);
  EXPECT_FALSE(loose->HandleAllocated());
}

// Notes which control a press went to, and where in it.
class PressSink : public TObject {
public:
  TObject* last = nullptr;
  int x = -1, y = -1;
  void Down(TObject* Sender, TMouseButton, TShiftState, int X, int Y) {
    last = Sender;
    x = X;
    y = Y;
  }
};

// A child spans Left..Left+Width-1 and Top..Top+Height-1: the pixel just past an edge belongs to the
// control beside it, or to the parent where there is none.
TEST(Controls, APressOnePixelPastAnEdgeGoesToTheControlBeside) {
  Application->Initialize(BackendKind::Headless);
  TForm form(nullptr);
  form.SetBounds(0, 0, 200, 100);
  PressSink sink;
  auto label = [&](int left, int top) {
    auto* l = new TLabel(&form);
    l->SetParent(&form);
    l->AutoSize = false;
    l->SetBounds(left, top, 30, 16);
    l->OnMouseDown = MakeEvent(&sink, &PressSink::Down);
    return l;
  };
  TLabel* left = label(10, 10);
  TLabel* right = label(40, 10);
  TLabel* below = label(10, 26);
  form.OnMouseDown = MakeEvent(&sink, &PressSink::Down);
  struct Case { int x, y; TObject* target; int cx, cy; };
  for (const Case& c : {Case{39, 10, left, 29, 0}, Case{40, 10, right, 0, 0}, Case{69, 25, right, 29, 15},
                        Case{70, 10, &form, 70, 10}, Case{10, 25, left, 0, 15}, Case{10, 26, below, 0, 0},
                        Case{9, 10, &form, 9, 10}, Case{40, 26, &form, 40, 26}, Case{10, 42, &form, 10, 42}}) {
    sink.last = nullptr;
    form.Perform(WM_LBUTTONDOWN, MK_LBUTTON, MakeLParam(c.x, c.y));
    form.Perform(WM_LBUTTONUP, 0, MakeLParam(c.x, c.y));
    EXPECT_EQ(sink.last, c.target) << c.x << "," << c.y;
    EXPECT_EQ(sink.x, c.cx) << c.x << "," << c.y;
    EXPECT_EQ(sink.y, c.cy) << c.x << "," << c.y;
  }
}

// Ends a loop that would otherwise run for ever, and notes that it had to.
class Watchdog : public TObject {
public:
  bool fired = false;
  void Tick(TObject*) {
    fired = true;
    Application->Terminate();
  }
};

TEST(Forms, ClosingTheFirstFormEndsRun) {
  Application->Initialize(BackendKind::Headless);
  Watchdog dog;
  TTimer timer(nullptr);
  timer.SetInterval(3000);
  timer.SetOnTimer(MakeEvent(&dog, &Watchdog::Tick));
  {
    auto* main = new TForm(nullptr);
    auto* other = new TForm(nullptr);
    EXPECT_EQ(Application->MainForm(), main);
    main->Show();
    other->Show();
    // Closing another form hides it and leaves the loop running.
    other->Close();
    EXPECT_FALSE(other->Visible());
    EXPECT_FALSE(Application->Terminated());
    Application->PostMessage(main->Handle(), WM_CLOSE, 0, 0);
    Application->Run();
    EXPECT_FALSE(dog.fired) << "Run went on after the main form was closed";
    EXPECT_FALSE(main->Visible());
    delete other;
    delete main;
  }
  // Once the main form is gone, the next form made takes its place.
  EXPECT_EQ(Application->MainForm(), nullptr);
  TForm next(nullptr);
  EXPECT_EQ(Application->MainForm(), &next);
}

// Counts key events and, when asked, uses the key up.
class KeySink : public TObject {
public:
  int downs = 0, presses = 0;
  WORD lastKey = 0;
  TShiftState lastShift = 0;
  bool swallow = false;
  void Down(TObject*, WORD& key, TShiftState shift) {
    ++downs;
    lastKey = key;
    lastShift = shift;
    if (swallow) key = 0;
  }
  void Press(TObject*, char& c) {
    ++presses;
    if (swallow) c = 0;
  }
};

TEST(Controls, KeysGoToTheActiveControlWithTheFormFirstUnderKeyPreview) {
  Application->Initialize(BackendKind::Headless);
  TForm form(nullptr);
  KeySink formSink, panelSink;
  form.OnKeyDown = MakeEvent(&formSink, &KeySink::Down);
  form.OnKeyPress = MakeEvent(&formSink, &KeySink::Press);
  auto* panel = new TPanel(&form);
  panel->SetParent(&form);
  panel->OnKeyDown = MakeEvent(&panelSink, &KeySink::Down);
  panel->OnKeyPress = MakeEvent(&panelSink, &KeySink::Press);

  // Nothing active: the form has the keys, with the modifiers the message carries.
  form.Perform(WM_KEYDOWN, 'W', MakeKeyData(ssShift | ssCtrl));
  form.Perform(WM_CHAR, 'w', MakeKeyData(0));
  EXPECT_EQ(formSink.downs, 1);
  EXPECT_EQ(formSink.presses, 1);
  EXPECT_EQ(formSink.lastKey, 'W');
  EXPECT_EQ(formSink.lastShift, ssShift | ssCtrl);

  // An active control takes them; the form sees them first only with KeyPreview, and may keep them.
  form.SetActiveControl(panel);
  form.Perform(WM_KEYDOWN, VK_ESCAPE, MakeKeyData(0));
  EXPECT_EQ(formSink.downs, 1);
  EXPECT_EQ(panelSink.downs, 1);
  form.KeyPreview = true;
  form.Perform(WM_KEYDOWN, VK_SPACE, MakeKeyData(0));
  EXPECT_EQ(formSink.downs, 2);
  EXPECT_EQ(panelSink.downs, 2);
  formSink.swallow = true;
  form.Perform(WM_KEYDOWN, VK_SPACE, MakeKeyData(0));
  form.Perform(WM_CHAR, ' ', MakeKeyData(0));
  EXPECT_EQ(formSink.downs, 3);
  EXPECT_EQ(panelSink.downs, 2) << "a key the form used up goes no further";
  EXPECT_EQ(panelSink.presses, 0);

  // A destroyed active control is forgotten: keys reach the form alone again.
  delete panel;
  EXPECT_EQ(form.ActiveControl(), nullptr);
  formSink.swallow = false;
  form.Perform(WM_KEYDOWN, VK_RETURN, MakeKeyData(0));
  EXPECT_EQ(formSink.downs, 4);
}

// A form deleted by its own handler is not touched again, and a main form that deletes itself ends Run.
TEST(Forms, AFormDeletedByItsOwnHandlerIsLeftAloneAndAMainFormEndsRun) {
  Application->Initialize(BackendKind::Headless);
  Application->UseManualClock(true);
  Watchdog dog;
  TTimer timer(nullptr);
  timer.SetInterval(10000);
  timer.SetOnTimer(MakeEvent(&dog, &Watchdog::Tick));
  ASSERT_EQ(Application->MainForm(), nullptr);

  enum Way { OnClose, PreviewedKey, LabelClick };
  for (Way way : {OnClose, PreviewedKey, LabelClick}) {
    SCOPED_TRACE(way);
    auto* main = new TForm(nullptr);
    ASSERT_EQ(Application->MainForm(), main);
    main->Show();
    FormKiller killer;
    killer.form = main;
    TLiveness alive = main->Liveness();
    if (way == OnClose) {
      // Another form deleted in its OnClose first: Close goes no further, and the loop is untouched.
      auto* other = new TForm(nullptr);
      FormKiller otherKiller;
      otherKiller.form = other;
      TLiveness otherAlive = other->Liveness();
      other->OnClose = MakeEvent(&otherKiller, &FormKiller::Kill);
      other->Close();
      EXPECT_FALSE(otherAlive);
      EXPECT_EQ(Application->MainForm(), main);
      main->OnClose = MakeEvent(&killer, &FormKiller::Kill);
      Application->PostMessage(main->Handle(), WM_CLOSE, 0, 0);
    } else if (way == PreviewedKey) {
      auto* panel = new TPanel(main);
      panel->SetParent(main);
      main->SetActiveControl(panel);
      main->KeyPreview = true;
      main->OnKeyDown = MakeEvent(&killer, &FormKiller::KillOnKey);
      Application->PostMessage(main->Handle(), WM_KEYDOWN, 'A', MakeKeyData(0));
    } else {
      auto* label = new TLabel(main);
      label->SetParent(main);
      label->SetBounds(10, 10, 40, 16);
      label->OnClick = MakeEvent(&killer, &FormKiller::Kill);
      Application->PostMessage(main->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MakeLParam(12, 12));
      Application->PostMessage(main->Handle(), WM_LBUTTONUP, 0, MakeLParam(12, 12));
    }
    dog.fired = false;
    Application->Run();
    EXPECT_EQ(killer.runs, 1);
    EXPECT_FALSE(alive);
    EXPECT_FALSE(dog.fired) << "Run went on after the main form deleted itself";
    EXPECT_EQ(Application->MainForm(), nullptr);
  }
  Application->UseManualClock(false);
}

TEST(Forms, ReleaseDeletesTheFormOnceTheMessageIsDone) {
  Application->Initialize(BackendKind::Headless);
  Application->UseManualClock(true);
  Watchdog dog;
  TTimer timer(nullptr);
  timer.SetInterval(10000);
  timer.SetOnTimer(MakeEvent(&dog, &Watchdog::Tick));
  ASSERT_EQ(Application->MainForm(), nullptr);
  auto* main = new TForm(nullptr);
  TLiveness mainAlive = main->Liveness();
  main->Show();

  // Released from a control's handler, which goes on using the form: it lives until the loop runs.
  auto* form = new TForm(nullptr);
  auto* label = new TLabel(form);
  label->SetParent(form);
  label->SetBounds(0, 0, 40, 16);
  FormKiller killer;
  killer.form = form;
  label->OnClick = MakeEvent(&killer, &FormKiller::ReleaseAndGoOn);
  TLiveness alive = form->Liveness();
  form->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MakeLParam(2, 2));
  form->Perform(WM_LBUTTONUP, 0, MakeLParam(2, 2));
  ASSERT_TRUE(alive);
  EXPECT_EQ(form->Caption(), "released");
  Application->ProcessMessages();
  EXPECT_FALSE(alive);
  EXPECT_TRUE(mainAlive);

  // A released form that the host deletes itself takes its pending release along: a form made after it
  // (whose window may take the same address) stays.
  auto* deleted = new TForm(nullptr);
  deleted->Release();
  delete deleted;
  std::vector<TForm*> later;
  std::vector<TLiveness> laterAlive;
  for (int i = 0; i < 4; ++i) {
    later.push_back(new TForm(nullptr));
    later.back()->Handle();
    laterAlive.push_back(later.back()->Liveness());
  }
  Application->ProcessMessages();
  for (size_t i = 0; i < later.size(); ++i) {
    EXPECT_TRUE(laterAlive[i]) << i;
    if (laterAlive[i]) delete later[i];
  }

  // The main form released by a click on it ends Run.
  FormKiller mainKiller;
  mainKiller.form = main;
  main->OnMouseDown = MakeEvent(&mainKiller, &FormKiller::ReleaseOnPress);
  Application->PostMessage(main->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MakeLParam(100, 100));
  dog.fired = false;
  Application->Run();
  EXPECT_FALSE(mainAlive);
  EXPECT_FALSE(dog.fired) << "Run went on after the main form was released";
  Application->UseManualClock(false);
}
