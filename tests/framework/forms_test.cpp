// Forms and controls as a host sees them: OnResize after size changes, and the main form ending Run.
#include <gtest/gtest.h>

#include "framework/controls/application.h"
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
