// The display backend under Xvfb: painting, resizing, mouse input, closing and message boxes.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "framework/controls/application.h"
#include "framework/platform/backend.h"
#include "framework/controls/controls.h"
#include "framework/controls/dialogs.h"
#include "xvfb.h"

#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace {

// Runs the real loop for a while, so server round trips complete.
void Pump(int ms) {
  auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (std::chrono::steady_clock::now() < end) {
    Application->ProcessMessages();
    Application->Backend()->WaitEvents(5);
  }
}

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

class Recorder : public TObject {
public:
  int clicks = 0, changes = 0, closes = 0;
  void Clicked(TObject*) { ++clicks; }
  void Changed(TObject*) { ++changes; }
  void Closed(TObject*) { ++closes; }
};

// A form that keeps the wheel messages it gets.
class WheelForm : public TForm {
public:
  using TForm::TForm;
  std::vector<int> deltas;
  void Dispatch(void* Message) override {
    auto* m = static_cast<TMessage*>(Message);
    if (m->Msg == WM_MOUSEWHEEL) deltas.push_back(static_cast<int16_t>((m->WParam >> 16) & 0xFFFF));
    TForm::Dispatch(Message);
  }
};

class X11Backend : public ::testing::Test {
protected:
  void SetUp() override {
    probe = XOpenDisplay(nullptr);
    ASSERT_NE(probe, nullptr);
    root = DefaultRootWindow(probe);
  }
  void TearDown() override {
    if (probe) XCloseDisplay(probe);
  }
  Window WaitFor(const std::string& name) {
    Window w = 0;
    PumpUntil([&] { return (w = FindByName(probe, root, name)) != 0; });
    return w;
  }
  Display* probe = nullptr;
  Window root = 0;
};

TEST_F(X11Backend, PaintsControlsInTheirColoursAndFollowsServerResizes) {
  auto* form = new TForm(nullptr);
  form->SetCaption("paint test");
  form->SetBounds(0, 0, 320, 200);
  auto* panel = new TPanel(form);
  panel->SetParent(form);
  panel->SetBevelOuter(bvNone);
  panel->SetColor(clRed);
  panel->SetHeight(40);
  panel->SetAlign(alTop);
  auto* label = new TLabel(form);
  label->SetParent(form);
  label->SetBounds(10, 80, 0, 16);
  label->SetColor(clYellow);
  label->SetCaption("Hello there");
  form->Show();
  Window w = WaitFor("paint test");
  ASSERT_NE(w, 0u);
  Pump(300);

  Shot shot;
  ASSERT_TRUE(Grab(probe, w, shot));
  EXPECT_EQ(shot.width, 320);
  EXPECT_EQ(shot.CountNear(0, 0, 320, 40, 0xFF0000), 320 * 40) << "panel in its colour";
  int lw = label->Width();
  ASSERT_GT(lw, 20);
  EXPECT_GT(shot.CountNear(10, 80, lw, 16, 0xFFFF00), lw * 16 / 2) << "label background";
  EXPECT_GT(shot.CountNear(10, 80, lw, 16, 0x000000, 60), 10) << "label text";
  EXPECT_GT(shot.CountNear(0, 120, 320, 80, 0xF0F0F0), 320 * 80 * 9 / 10) << "form face";

  // A resize by the server (as a window manager does) arrives as WM_SIZE and realigns the children.
  XResizeWindow(probe, w, 500, 260);
  XFlush(probe);
  ASSERT_TRUE(PumpUntil([&] { return form->Width() == 500; }));
  EXPECT_EQ(form->Height(), 260);
  EXPECT_EQ(panel->Width(), 500);
  Pump(200);
  ASSERT_TRUE(Grab(probe, w, shot));
  EXPECT_EQ(shot.CountNear(0, 0, 500, 40, 0xFF0000), 500 * 40);

  // Hiding a control unmaps its window; the form repaints where it was.
  panel->SetVisible(false);
  Pump(200);
  ASSERT_TRUE(Grab(probe, w, shot));
  EXPECT_EQ(shot.CountNear(0, 0, 500, 40, 0xFF0000), 0);
  delete form;
}

TEST_F(X11Backend, MouseReachesLabelsScrollBarsAndWheel) {
  Recorder rec;
  auto* form = new WheelForm(nullptr);
  form->SetCaption("mouse test");
  form->SetBounds(0, 0, 300, 120);
  auto* label = new TLabel(form);
  label->SetParent(form);
  label->SetBounds(10, 10, 0, 16);
  label->SetCaption("click me");
  label->OnClick = MakeEvent(&rec, &Recorder::Clicked);
  auto* bar = new TScrollBar(form);
  bar->SetParent(form);
  bar->SetBounds(10, 50, 200, 17);
  bar->SetParams(0, 0, 100);
  bar->SmallChange = 1;
  bar->LargeChange = 10;
  bar->OnChange = MakeEvent(&rec, &Recorder::Changed);
  form->Show();
  ASSERT_NE(WaitFor("mouse test"), 0u);
  Pump(200);
  Window barWindow = FindByClass(probe, root, "TScrollBar");
  ASSERT_NE(barWindow, 0u);
  Shot before;
  ASSERT_TRUE(Grab(probe, barWindow, before));
  EXPECT_GT(before.CountNear(0, 0, 200, 17, 0xD8D8D8), 100) << "trough drawn";

  Window formWindow = FindByName(probe, root, "mouse test");
  Click(probe, formWindow, 15, 15);
  ASSERT_TRUE(PumpUntil([&] { return rec.clicks == 1; }));
  Click(probe, formWindow, 200, 100);  // the form itself: no label click
  Pump(100);
  EXPECT_EQ(rec.clicks, 1);

  Click(probe, barWindow, 195, 8);  // right arrow
  ASSERT_TRUE(PumpUntil([&] { return bar->Position() == 1; }));
  Click(probe, barWindow, 150, 8);  // trough right of the thumb
  ASSERT_TRUE(PumpUntil([&] { return bar->Position() == 11; }));
  Click(probe, barWindow, 3, 8);  // left arrow
  ASSERT_TRUE(PumpUntil([&] { return bar->Position() == 10; }));
  Pump(100);
  Shot after;
  ASSERT_TRUE(Grab(probe, barWindow, after));
  EXPECT_GT(after.CountDifferent(before), 20) << "the thumb is drawn where it went";

  // Dragging the thumb to the far end gives the maximum.
  int thumbX = 17 + (200 - 34 - 17) * 10 / 100 + 8;
  Press(probe, barWindow, thumbX, 8);
  Pump(50);
  MoveTo(probe, barWindow, 400, 8);
  Pump(50);
  Release(probe);
  ASSERT_TRUE(PumpUntil([&] { return bar->Position() == 100; }));
  EXPECT_GE(rec.changes, 4);

  Click(probe, formWindow, 100, 100, 4);
  Click(probe, formWindow, 100, 100, 5);
  ASSERT_TRUE(PumpUntil([&] { return form->deltas.size() == 2; }));
  EXPECT_EQ(form->deltas[0], 120);
  EXPECT_EQ(form->deltas[1], -120);
  delete form;
}

// Child windows span Left..Left+Width-1 on the server too: the pixel past one's right edge is its
// neighbour's, whether the neighbour is a window of its own or a label drawn on the form.
TEST_F(X11Backend, APressOnePixelPastAChildsEdgeGoesToTheOneBeside) {
  struct Presses : TObject {
    std::vector<TObject*> senders;
    void Down(TObject* Sender, TMouseButton, TShiftState, int, int) { senders.push_back(Sender); }
  } presses;
  auto* form = new TForm(nullptr);
  form->SetCaption("edge test");
  form->SetBounds(0, 0, 200, 80);
  auto* left = new TPanel(form);
  auto* right = new TPanel(form);
  auto* label = new TLabel(form);
  for (TControl* c : std::initializer_list<TControl*>{left, right, label}) {
    c->SetParent(form);
    c->OnMouseDown = MakeEvent(&presses, &Presses::Down);
  }
  form->OnMouseDown = MakeEvent(&presses, &Presses::Down);
  left->SetBounds(10, 10, 50, 30);
  right->SetBounds(60, 10, 50, 30);
  label->AutoSize = false;
  label->SetBounds(110, 10, 30, 30);
  form->Show();
  Window formWindow = WaitFor("edge test");
  ASSERT_NE(formWindow, 0u);
  Pump(200);
  const std::vector<std::pair<int, TObject*>> cases = {{59, left}, {60, right}, {109, right}, {110, label},
                                                       {139, label}, {140, form}};
  for (const auto& c : cases) Click(probe, formWindow, c.first, 20);
  ASSERT_TRUE(PumpUntil([&] { return presses.senders.size() == cases.size(); }));
  for (size_t i = 0; i < cases.size(); ++i) EXPECT_EQ(presses.senders[i], cases[i].second) << "x " << cases[i].first;
  delete form;
}

// A held arrow repeats until the button comes up; a held trough pages towards the pointer and stops there.
// A form that keeps its mouse messages in order, with where they happened.
class MouseLogForm : public TForm {
public:
  using TForm::TForm;
  std::vector<std::string> log;
  void Dispatch(void* Message) override {
    auto* m = static_cast<TMessage*>(Message);
    const char* what = m->Msg == WM_MOUSEMOVE     ? "move"
                       : m->Msg == WM_LBUTTONDOWN ? "down"
                       : m->Msg == WM_LBUTTONUP   ? "up"
                                                  : nullptr;
    if (what) {
      TWMMouse mm(*m);
      log.push_back(std::string(what) + " " + std::to_string(mm.X()) + "," + std::to_string(mm.Y()));
    }
    TForm::Dispatch(Message);
  }
};

// Motion is merged only up to the next other event: a drag queued whole while the program was busy
// still arrives as press, motion, release, never with the motion moved ahead of the press.
TEST_F(X11Backend, MotionIsMergedOnlyUpToThePressOrRelease) {
  auto* form = new MouseLogForm(nullptr);
  form->SetCaption("motion test");
  form->SetBounds(0, 0, 200, 200);
  form->Show();
  Window w = WaitFor("motion test");
  ASSERT_NE(w, 0u);
  Pump(200);
  auto to = [&](int x, int y) {
    int rx = 0, ry = 0;
    Window child;
    XTranslateCoordinates(probe, w, root, x, y, &rx, &ry, &child);
    XTestFakeMotionEvent(probe, -1, rx, ry, CurrentTime);
  };
  to(10, 10);
  XSync(probe, False);
  Pump(100);
  form->log.clear();
  to(20, 20);
  to(30, 30);
  XTestFakeButtonEvent(probe, 1, True, CurrentTime);
  to(150, 150);
  to(160, 160);
  XTestFakeButtonEvent(probe, 1, False, CurrentTime);
  XSync(probe, False);
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  Pump(200);
  EXPECT_EQ(form->log, (std::vector<std::string>{"move 30,30", "down 30,30", "move 160,160", "up 160,160"}));
  delete form;
}

TEST_F(X11Backend, HeldScrollBarButtonsRepeat) {
  auto* form = new TForm(nullptr);
  form->SetCaption("repeat test");
  form->SetBounds(0, 0, 300, 80);
  auto* bar = new TScrollBar(form);
  bar->SetParent(form);
  bar->SetBounds(10, 30, 200, 17);
  bar->SetParams(0, 0, 100);
  bar->SmallChange = 1;
  bar->LargeChange = 10;
  form->Show();
  ASSERT_NE(WaitFor("repeat test"), 0u);
  Pump(200);
  Window barWindow = FindByClass(probe, root, "TScrollBar");
  ASSERT_NE(barWindow, 0u);

  Press(probe, barWindow, 195, 8);  // right arrow, held
  ASSERT_TRUE(PumpUntil([&] { return bar->Position() == 1; }));
  Pump(250);
  EXPECT_EQ(bar->Position(), 1) << "repeats before the delay";
  Pump(650);
  EXPECT_GE(bar->Position(), 5) << "holding the arrow does not repeat";
  Release(probe);
  Pump(100);
  int released = bar->Position();
  Pump(400);
  EXPECT_EQ(bar->Position(), released) << "repeats after the release";

  // Track 17..183, thumb 17 wide, travel 149: at 60 the thumb (106..123) reaches a pointer at 120.
  bar->SetPosition(0);
  Press(probe, barWindow, 120, 8);
  ASSERT_TRUE(PumpUntil([&] { return bar->Position() == 10; }));
  Pump(1200);
  Release(probe);
  Pump(100);
  EXPECT_EQ(bar->Position(), 60);
  delete form;
}

// Top-level windows carry the form's caption as their title and the program's name as their class.
TEST_F(X11Backend, TopLevelWindowsCarryTitleAndClass) {
  auto* form = new TForm(nullptr);
  form->SetCaption("title test");
  form->SetBounds(0, 0, 200, 100);
  auto* panel = new TPanel(form);
  panel->Name = "Inner";
  panel->SetParent(form);
  form->Show();
  Window w = WaitFor("title test");
  ASSERT_NE(w, 0u);
  XTextProperty title{};
  ASSERT_TRUE(XGetWMName(probe, w, &title));
  EXPECT_EQ(std::string(reinterpret_cast<char*>(title.value), title.nitems), "title test");
  XFree(title.value);
  XClassHint hint{};
  ASSERT_TRUE(XGetClassHint(probe, w, &hint));
  EXPECT_STREQ(hint.res_name, "x11_test");
  EXPECT_STREQ(hint.res_class, "X11_test");
  XFree(hint.res_name);
  XFree(hint.res_class);
  // Child windows keep the control's name and class, for tools that look at the tree.
  EXPECT_NE(FindByClass(probe, w, "TPanel"), 0u);
  EXPECT_NE(FindByName(probe, w, "Inner"), 0u);

  // A caption set later retitles the window.
  form->SetCaption("renamed");
  ASSERT_NE(WaitFor("renamed"), 0u);
  delete form;
}

TEST_F(X11Backend, CloseRequestAndModalMessageBox) {
  Recorder rec;
  auto* form = new TForm(nullptr);
  form->SetCaption("close test");
  form->SetBounds(0, 0, 200, 100);
  auto* label = new TLabel(form);
  label->SetParent(form);
  label->SetBounds(10, 10, 0, 16);
  label->SetCaption("behind the box");
  label->OnClick = MakeEvent(&rec, &Recorder::Clicked);
  form->OnClose = MakeEvent(&rec, &Recorder::Closed);
  form->Show();
  Window w = WaitFor("close test");
  ASSERT_NE(w, 0u);
  Pump(100);

  // A timer works the box from inside its nested loop: input to the form is held back, OK closes it.
  struct Driver : TObject {
    Display* probe;
    Window root, form;
    int ticks = 0;
    bool sawBox = false, boxHasText = false;
    void Tick(TObject*) {
      ++ticks;
      Window box = FindByName(probe, root, "Error");
      if (!box) return;
      sawBox = true;
      Shot shot;
      if (!Grab(probe, box, shot)) return;
      boxHasText = shot.CountNear(0, 0, shot.width, shot.height / 2, 0x000000, 60) > 20;
      Click(probe, form, 15, 15);
      int width = 0, height = 0;
      WindowSize(probe, box, width, height);
      Click(probe, box, width / 2, height - 20 - 13);
    }
  } driver;
  driver.probe = probe;
  driver.root = root;
  driver.form = w;
  TTimer timer(nullptr);
  timer.SetInterval(150);
  timer.SetOnTimer(MakeEvent(&driver, &Driver::Tick));
  int result = MessageBoxA(form->Handle(), "Something failed.", "Error", MB_OK | MB_ICONERROR);
  timer.SetEnabled(false);
  EXPECT_EQ(result, 1);
  EXPECT_TRUE(driver.sawBox);
  EXPECT_TRUE(driver.boxHasText);
  Pump(100);
  EXPECT_EQ(rec.clicks, 0) << "the form took input while the box was up";
  EXPECT_EQ(FindByName(probe, root, "Error"), 0u);

  // The window manager's close button arrives as WM_DELETE_WINDOW and becomes WM_CLOSE.
  XEvent e{};
  e.xclient.type = ClientMessage;
  e.xclient.window = w;
  e.xclient.message_type = XInternAtom(probe, "WM_PROTOCOLS", False);
  e.xclient.format = 32;
  e.xclient.data.l[0] = static_cast<long>(XInternAtom(probe, "WM_DELETE_WINDOW", False));
  XSendEvent(probe, w, False, NoEventMask, &e);
  XFlush(probe);
  ASSERT_TRUE(PumpUntil([&] { return rec.closes == 1; }));
  EXPECT_FALSE(form->Visible());
  Pump(100);
  XWindowAttributes attrs{};
  XGetWindowAttributes(probe, w, &attrs);
  EXPECT_EQ(attrs.map_state, IsUnmapped);
  delete form;
}

// Records what the keyboard events deliver.
class KeyRecorder : public TObject {
public:
  std::vector<std::pair<WORD, TShiftState>> downs, ups;
  std::string typed;
  void Down(TObject*, WORD& key, TShiftState shift) { downs.push_back({key, shift}); }
  void Up(TObject*, WORD& key, TShiftState shift) { ups.push_back({key, shift}); }
  void Press(TObject*, char& c) { typed += c; }
  bool SawDown(WORD key, TShiftState shift) const {
    for (const auto& d : downs)
      if (d.first == key && d.second == shift) return true;
    return false;
  }
};

TEST_F(X11Backend, KeysArriveAsVirtualKeysAndCharactersWithTheirModifiers) {
  KeyRecorder rec;
  auto* form = new TForm(nullptr);
  form->SetCaption("key test");
  form->SetBounds(0, 0, 200, 100);
  auto* panel = new TPanel(form);  // a child window under the pointer passes its keys up to the form
  panel->SetParent(form);
  panel->SetAlign(alClient);
  form->OnKeyDown = MakeEvent(&rec, &KeyRecorder::Down);
  form->OnKeyUp = MakeEvent(&rec, &KeyRecorder::Up);
  form->OnKeyPress = MakeEvent(&rec, &KeyRecorder::Press);
  form->Show();
  Window w = WaitFor("key test");
  ASSERT_NE(w, 0u);
  Pump(200);
  // Without a window manager the keyboard follows the pointer.
  MoveTo(probe, w, 100, 50);
  for (KeySym k : {XK_Escape, XK_space, XK_Return, XK_Left, XK_Down, XK_a, XK_q, XK_1, XK_F5}) TypeKey(probe, k);
  TypeKey(probe, XK_a, true);
  ASSERT_TRUE(PumpUntil([&] { return rec.ups.size() >= 11; }));
  EXPECT_TRUE(rec.SawDown(VK_ESCAPE, 0));
  EXPECT_TRUE(rec.SawDown(VK_SPACE, 0));
  EXPECT_TRUE(rec.SawDown(VK_RETURN, 0));
  EXPECT_TRUE(rec.SawDown(VK_LEFT, 0));
  EXPECT_TRUE(rec.SawDown(VK_DOWN, 0));
  EXPECT_TRUE(rec.SawDown('A', 0)) << "letters as their capitals";
  EXPECT_TRUE(rec.SawDown('Q', 0));
  EXPECT_TRUE(rec.SawDown('1', 0));
  EXPECT_TRUE(rec.SawDown(VK_F1 + 4, 0));
  EXPECT_TRUE(rec.SawDown('A', ssShift)) << "shift held";
  EXPECT_TRUE(rec.SawDown(VK_SHIFT, 0));
  EXPECT_EQ(rec.typed, std::string("\x1b \r") + "aq1A") << "characters, in order";
  bool escapeUp = false;
  for (const auto& u : rec.ups) escapeUp |= u.first == VK_ESCAPE;
  EXPECT_TRUE(escapeUp);
  delete form;
}

}  // namespace
