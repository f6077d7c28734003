// The one way input comes up from the platform: window messages the backend queues and the application
// takes, dropping what a modal form or message box holds back, and what is left for a window that went.
#include <gtest/gtest.h>

#include "framework/controls/application.h"
#include "framework/controls/controls.h"
#include "framework/platform/backend.h"
#include "support/test_support.h"

namespace {

// What reached a form: presses with their positions, keys, and close requests.
class Sink : public TObject {
public:
  int presses = 0, keys = 0, x = 0, y = 0;
  void Down(TObject*, TMouseButton, TShiftState, int X, int Y) {
    ++presses;
    x = X;
    y = Y;
  }
  void Key(TObject*, WORD&, TShiftState) { ++keys; }
  void Watch(TForm& form) {
    form.OnMouseDown = MakeEvent(this, &Sink::Down);
    form.OnKeyDown = MakeEvent(this, &Sink::Key);
  }
};

// Drives a modal dialog from its timer: the first tick posts input to both forms, the second ends it.
class Script : public TObject {
public:
  TForm *below = nullptr, *dialog = nullptr;
  int ticks = 0;
  void Tick(TObject*) {
    WindowBackend* b = Application->Backend();
    if (++ticks == 1) {
      b->PostInput(below->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MakeLParam(5, 5));
      b->PostInput(below->Handle(), WM_SIZE, 0, MakeLParam(320, 240));
      b->PostInput(dialog->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MakeLParam(6, 7));
      b->PostInput(below->Handle(), WM_CLOSE, 0, 0);
    } else {
      dialog->SetModalResult(mrOk);
    }
  }
};

}  // namespace

TEST(InputChannel, QueuedInputReachesItsWindowUnlessAModalFormOrBoxHoldsItBack) {
  Application->Initialize(BackendKind::Headless);
  WindowBackend* b = Application->Backend();
  TForm below(nullptr);
  below.SetBounds(0, 0, 200, 100);
  below.Show();
  Sink belowSink;
  belowSink.Watch(below);

  // In order, with signed positions, once the loop runs and not before.
  b->PostInput(below.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MakeLParam(-3, 12));
  b->PostInput(below.Handle(), WM_KEYDOWN, VK_F1, MakeKeyData(0));
  EXPECT_EQ(belowSink.presses, 0);
  Application->ProcessMessages();
  EXPECT_EQ(belowSink.presses, 1);
  EXPECT_EQ(belowSink.x, -3);
  EXPECT_EQ(belowSink.y, 12);
  EXPECT_EQ(belowSink.keys, 1);

  // A modal dialog: the form below gets its size but not its clicks or close request; the dialog gets its own.
  TForm dialog(nullptr);
  dialog.SetBounds(0, 0, 100, 50);
  Sink dialogSink;
  dialogSink.Watch(dialog);
  Script script;
  script.below = &below;
  script.dialog = &dialog;
  TTimer timer(nullptr);
  timer.SetInterval(10);
  timer.SetOnTimer(MakeEvent(&script, &Script::Tick));
  Application->UseManualClock(true);
  EXPECT_EQ(dialog.ShowModal(), mrOk);
  timer.SetEnabled(false);
  Application->UseManualClock(false);
  EXPECT_EQ(script.ticks, 2);
  EXPECT_EQ(belowSink.presses, 1);
  EXPECT_EQ(below.Width(), 320);
  EXPECT_TRUE(below.Visible()) << "the close request waited with the clicks";
  EXPECT_EQ(dialogSink.presses, 1);
  EXPECT_EQ(dialogSink.x, 6);

  // While a message box is up, every window's input waits; afterwards it flows again.
  Application->SetMessageBoxShown(true);
  b->PostInput(below.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MakeLParam(1, 1));
  b->PostInput(below.Handle(), WM_CHAR, 'a', MakeKeyData(0));
  Application->ProcessMessages();
  Application->SetMessageBoxShown(false);
  EXPECT_EQ(belowSink.presses, 1);
  b->PostInput(below.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MakeLParam(1, 1));
  Application->ProcessMessages();
  EXPECT_EQ(belowSink.presses, 2);

  // Input still queued for a window that goes is dropped with it, not handed to a window made after it.
  int before = belowSink.presses;
  {
    TForm gone(nullptr);
    gone.SetBounds(0, 0, 50, 50);
    gone.Show();
    b->PostInput(gone.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MakeLParam(1, 1));
  }
  TForm next(nullptr);
  next.SetBounds(0, 0, 50, 50);
  next.Show();
  Sink nextSink;
  nextSink.Watch(next);
  Application->ProcessMessages();
  EXPECT_EQ(nextSink.presses, 0);
  EXPECT_EQ(belowSink.presses, before);
}

// The typed records are read from a message's fields, and a handler's Result goes back.
TEST(InputChannel, TypedRecordsAreBuiltFromTheMessageFields) {
  TMessage m;
  m.Msg = WM_MOUSEMOVE;
  m.WParam = MK_LBUTTON | MK_SHIFT;
  m.LParam = MakeLParam(-40, 30000);
  TWMMouse mouse(m);
  EXPECT_EQ(mouse.X(), -40);
  EXPECT_EQ(mouse.Y(), 30000);
  EXPECT_EQ(KeysToShiftState(mouse.Keys), ssLeft | ssShift);
  TWMSize size(m);
  size.Result = 7;
  TMessage back = size.ToMessage();
  EXPECT_EQ(back.WParam, m.WParam);
  EXPECT_EQ(back.LParam, m.LParam);
  EXPECT_EQ(back.Result, 7);
  int dc = 0;
  m.WParam = reinterpret_cast<uintptr_t>(&dc);
  EXPECT_EQ(TWMPaint(m).DC, reinterpret_cast<HDC>(&dc));
}
