// sceneedit on a display, driven through XTest only: a scene built with clicks, undo, a typed file name,
// the saved file read back through sceneview's JSON dump; and picking that selects the tree's row.
#include <gtest/gtest.h>

#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "framework/controls/application.h"
#include "framework/controls/listbox.h"
#include "opengl/opengl.h"
#include "parts/parts.h"
#include "parts/primitives.h"
#include "child_process.h"
#include "app_tests_main.h"
#include "xvfb.h"

namespace fs = std::filesystem;

namespace {

void Sleep(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

fs::path Temp(const std::string& name) {
  fs::path dir = fs::temp_directory_path() / ("sceneedit_x11_test_" + std::to_string(getpid()));
  fs::create_directories(dir);
  return dir / name;
}

// A program in the test's folder, its standard output and error read line by line.
bool StartIn(ChildProcess& child, const fs::path& dir, const std::vector<std::string>& args) {
  ChildProcess::Options both;
  both.captureStderr = true;
  both.folder = dir.string();
  return child.Start(args, both);
}

// The JSON object of the part named name, as the dump writes it (up to the next part's class).
std::string PartJson(const std::string& json, const std::string& name) {
  size_t at = json.find("\"Name\": \"" + name + "\"");
  if (at == std::string::npos) return "";
  size_t end = json.find("\"class\"", at);
  return json.substr(at, end == std::string::npos ? std::string::npos : end - at);
}

double Number(const std::string& part, const std::string& key) {
  size_t at = part.find("\"" + key + "\": ");
  if (at == std::string::npos) return -12345;
  return std::strtod(part.c_str() + at + key.size() + 4, nullptr);
}

class SceneeditOnDisplay : public ::testing::Test {
protected:
  void SetUp() override {
    d = XOpenDisplay(nullptr);
    ASSERT_NE(d, nullptr);
    root = DefaultRootWindow(d);
    // The recent files go to the test's folder, not the user's.
    setenv("XDG_CONFIG_HOME", Temp("config").c_str(), 1);
  }
  void TearDown() override {
    if (d) XCloseDisplay(d);
  }
  void Open(const std::vector<std::string>& args) {
    std::vector<std::string> all = {V3D_SCENEEDIT_PATH};
    all.insert(all.end(), args.begin(), args.end());
    ASSERT_TRUE(StartIn(editor, Temp(""), all));
    for (int i = 0; i < 200 && !form; ++i, Sleep(50)) form = FindByName(d, root, "sceneedit");
    ASSERT_NE(form, 0u) << "no window; output: " << editor.Log;
    for (int i = 0; i < 100 && !view; ++i, Sleep(50)) view = FindByName(d, form, "View");
    ASSERT_NE(view, 0u);
    XWindowAttributes a{};
    for (int i = 0; i < 200 && (!XGetWindowAttributes(d, view, &a) || a.map_state != IsViewable); ++i) Sleep(50);
    ASSERT_EQ(a.map_state, IsViewable);
    WindowSize(d, view, vw, vh);
    // Without a window manager the keyboard follows the pointer.
    MoveTo(d, view, vw / 2, 5);
  }
  Window Control(const std::string& name) {
    Window w = 0;
    for (int i = 0; i < 100 && !w; ++i, Sleep(50)) w = FindByName(d, form, name);
    return w;
  }
  // Clicks a button of the toolbar or the editors by its window's name.
  void Press(const std::string& name) {
    Window w = Control(name);
    ASSERT_NE(w, 0u) << name;
    int width = 0, height = 0;
    WindowSize(d, w, width, height);
    Click(d, w, width / 2, height / 2);
  }
  // One step of an editor's scroll bar: its right arrow.
  void StepRight(const std::string& edit) {
    Window bar = Control(edit + "Bar");
    ASSERT_NE(bar, 0u) << edit;
    int width = 0, height = 0;
    WindowSize(d, bar, width, height);
    Click(d, bar, width - 3, height / 2);
    Sleep(150);
  }
  void CtrlKey(KeySym k) {
    KeyCode ctrl = XKeysymToKeycode(d, XK_Control_L);
    XTestFakeKeyEvent(d, ctrl, True, CurrentTime);
    XSync(d, False);
    TypeKey(d, k);
    XTestFakeKeyEvent(d, ctrl, False, CurrentTime);
    XSync(d, False);
  }
  void Row(int i) {
    int h = TListBox::ItemHeight();
    Click(d, Control("Tree"), 60, i * h + h / 2 + 1);
  }
  // A dialog's window by its title, with the pointer (and so the keyboard) over it.
  Window Dialog(const std::string& title) {
    Window w = 0;
    for (int i = 0; i < 100 && !w; ++i, Sleep(50)) w = FindByName(d, root, title);
    if (w) {
      Sleep(200);
      MoveTo(d, w, 20, 20);
      Sleep(100);
    }
    return w;
  }
  void ClickValue(const std::string& edit, int element);
  void Type(const std::string& text) {
    for (char c : text) {
      KeySym k = c == '.' ? XK_period : static_cast<KeySym>(c);
      TypeKey(d, k);
    }
  }

  Display* d = nullptr;
  Window root = 0, form = 0, view = 0;
  int vw = 0, vh = 0;
  ChildProcess editor;
};

TEST_F(SceneeditOnDisplay, AScenebuiltWithClicksUndoAndATypedFileNameSavesWhatTheClicksMade) {
  fs::remove(Temp("built.scene"));
  ASSERT_NO_FATAL_FAILURE(Open({}));
  ASSERT_NE(editor.WaitLine("new scene"), "");

  // A group, and into it a cube; a sphere goes beside the selected cube, into the same group.
  Press("AddGroup");
  EXPECT_NE(editor.WaitLine("selected Group __ROOT__/Group Group1"), "") << editor.Log;
  Press("AddCube");
  EXPECT_NE(editor.WaitLine("selected Group __ROOT__/Group Group1/Cube Cube1"), "") << editor.Log;
  Press("AddSphere");
  EXPECT_NE(editor.WaitLine("selected Group __ROOT__/Group Group1/Sphere Sphere1"), "") << editor.Log;

  // The tree: Group1, Cube1, Sphere1 (added after the selected cube). Two steps right for the cube's x.
  Row(1);
  EXPECT_NE(editor.WaitLine("selected Group __ROOT__/Group Group1/Cube Cube1"), "") << editor.Log;
  StepRight("PosEdit");
  StepRight("PosEdit");
  // The sphere's diffuse red one step up (material on); the group turned twice.
  Row(2);
  EXPECT_NE(editor.WaitLine("selected Group __ROOT__/Group Group1/Sphere Sphere1"), "") << editor.Log;
  StepRight("ColorEdit");
  Row(0);
  EXPECT_NE(editor.WaitLine("selected Group __ROOT__/Group Group1"), "") << editor.Log;
  StepRight("AngleEdit");
  StepRight("AngleEdit");
  // Back two steps (both turns), forward one: the group stands at one step, 5 degrees.
  Press("Undo");
  EXPECT_EQ(editor.WaitLine("undo"), "undo");
  Press("Undo");
  EXPECT_EQ(editor.WaitLine("undo"), "undo");
  Press("Redo");
  EXPECT_EQ(editor.WaitLine("redo"), "redo");

  // Save asks for the name in a dialog: typed, then Return.
  Press("Save");
  EXPECT_NE(editor.WaitLine("Save as File name:"), "");
  ASSERT_NE(Dialog("Save as"), 0u);
  Type("built.scene");
  TypeKey(d, XK_Return);
  EXPECT_EQ(editor.WaitLine("saved"), "saved built.scene") << editor.Log;

  ChildProcess dump;
  ASSERT_TRUE(StartIn(dump, Temp(""), {V3D_SCENEVIEW_PATH, Temp("built.scene").string(), "--dump"}));
  std::string json = dump.ReadAll();
  ASSERT_EQ(dump.WaitExit(10000), 0) << json;
  std::string group = PartJson(json, "Group1"), cube = PartJson(json, "Cube1"), sphere = PartJson(json, "Sphere1");
  ASSERT_NE(group, "") << json;
  ASSERT_NE(cube, "") << json;
  ASSERT_NE(sphere, "") << json;
  EXPECT_EQ(json.find("\"Name\": \"Cube2\""), std::string::npos);
  EXPECT_NEAR(Number(group, "RotationAngle"), 5, 1e-4) << group;
  EXPECT_NEAR(Number(cube, "PX"), 0.2, 1e-4) << cube;
  EXPECT_NEAR(Number(cube, "PY"), 0, 1e-6);
  EXPECT_NEAR(Number(sphere, "DiffuseR"), 0.85, 1e-4) << sphere;
  EXPECT_NEAR(Number(sphere, "DiffuseG"), 0.8, 1e-4);
  EXPECT_NE(sphere.find("\"UseMaterial\": true"), std::string::npos) << sphere;
  EXPECT_NE(cube.find("\"UseMaterial\": false"), std::string::npos) << cube;
  // The cube comes first in the group, both inside it.
  EXPECT_LT(json.find("\"Cube1\""), json.find("\"Sphere1\""));
  EXPECT_LT(json.find("\"Group1\""), json.find("\"Sphere1\""));

  // A change after the save: the title marks it, and quitting asks; cancel keeps the window, yes saves.
  StepRight("AngleEdit");
  MoveTo(d, view, vw / 2, 5);
  Sleep(300);
  char* title = nullptr;
  XFetchName(d, form, &title);
  EXPECT_EQ(std::string(title ? title : ""), "* built.scene - sceneedit");
  if (title) XFree(title);
  CtrlKey(XK_q);
  EXPECT_NE(editor.WaitLine("Save the changes to built.scene?"), "") << editor.Log;
  ASSERT_NE(Dialog("Confirm"), 0u);
  TypeKey(d, XK_Escape);
  Sleep(300);
  EXPECT_EQ(editor.WaitExit(300), -1) << "cancel keeps the editor";
  MoveTo(d, view, vw / 2, 5);
  CtrlKey(XK_q);
  EXPECT_NE(editor.WaitLine("Save the changes"), "");
  ASSERT_NE(Dialog("Confirm"), 0u);
  TypeKey(d, XK_Return);
  EXPECT_EQ(editor.WaitLine("saved"), "saved built.scene") << editor.Log;
  EXPECT_EQ(editor.WaitExit(10000), 0) << editor.Log;
}

// A click on each part of a saved scene selects it: its path printed and its tree row chosen.
TEST_F(SceneeditOnDisplay, ClickingEachPartSelectsItAndItsRow) {
  {
    TOpenGl gl(nullptr);
    gl.SetBounds(0, 0, 32, 32);
    gl.Loaded();
    TPart* group = gl.AddGroup(nullptr, "Row");
    TPart* parts[3] = {gl.AddCube(group, "Box"), gl.AddSphere(group, "Ball"), gl.AddCube(nullptr, "Block")};
    for (int i = 0; i < 3; ++i) parts[i]->SetPX(-4.0f + 4.0f * i);
    TColorVector clear;
    clear.SetR(0.2f);
    clear.SetG(0.2f);
    clear.SetB(0.4f);
    gl.SetClearColor(&clear);
    ASSERT_TRUE(gl.SaveTo(Temp("pick.scene").c_str()));
  }
  ASSERT_NO_FATAL_FAILURE(Open({"pick.scene"}));
  ASSERT_NE(editor.WaitLine("editing pick.scene"), "");
  Sleep(800);
  Shot shot;
  ASSERT_TRUE(Grab(d, view, shot));
  const uint32_t sky = 0x333366;
  std::vector<int> centres;
  int y = shot.height / 2, start = -1;
  for (int x = 0; x <= shot.width; ++x) {
    bool scene = x < shot.width && shot.CountOther(x, y, 1, 1, sky, 6) == 1;
    if (scene && start < 0) start = x;
    if (!scene && start >= 0) {
      if (x - start > 4) centres.push_back((start + x) / 2);
      start = -1;
    }
  }
  ASSERT_EQ(centres.size(), 3u);
  // Seen from the default eye on -Z: +X is on the left.
  const char* expected[3] = {"selected Group __ROOT__/Cube Block", "selected Group __ROOT__/Group Row/Sphere Ball",
                             "selected Group __ROOT__/Group Row/Cube Box"};
  const int expectedRow[3] = {3, 2, 1};
  Window tree = Control("Tree");
  for (int i = 0; i < 3; ++i) {
    Click(d, view, centres[i], y);
    EXPECT_EQ(editor.WaitLine("selected"), expected[i]) << editor.Log;
    // The chosen row, alone, is drawn highlighted (compared past its text, at the right edge).
    Sleep(300);
    Shot rows;
    ASSERT_TRUE(Grab(d, tree, rows));
    int h = TListBox::ItemHeight(), x = rows.width - 12;
    uint32_t plain = rows.At(x, h / 2 + 1);  // row 0, the group, never chosen here
    for (int row = 1; row < 4; ++row)
      EXPECT_EQ(rows.At(x, row * h + h / 2 + 1) != plain, row == expectedRow[i]) << "row " << row << " click " << i;
  }
  Click(d, view, 3, 3);
  EXPECT_NE(editor.WaitLine("nothing at"), "");

  // A quick drag from a part to the background, sent in one burst as a busy view receives it: the motion
  // after the press may come before it, and none between the press and the release. It orbits, no pick.
  auto to = [&](int x, int y) {
    int rx = 0, ry = 0;
    Window child;
    XTranslateCoordinates(d, view, root, x, y, &rx, &ry, &child);
    XTestFakeMotionEvent(d, -1, rx, ry, CurrentTime);
  };
  to(centres[1] - 2, y);
  to(centres[1], y);
  XTestFakeButtonEvent(d, 1, True, CurrentTime);
  to(centres[1], 4);
  XTestFakeButtonEvent(d, 1, False, CurrentTime);
  XFlush(d);
  Sleep(300);
  Click(d, view, 3, 3);
  EXPECT_EQ(editor.WaitLine("nothing at"), "nothing at 3,3") << "the drag picked" << editor.Log;

  MoveTo(d, view, vw / 2, 5);
  CtrlKey(XK_q);
  EXPECT_EQ(editor.WaitExit(10000), 0) << "no changes: no question" << editor.Log;
}

// A name longer than a scene file holds is refused where it is typed, with the reason.
TEST_F(SceneeditOnDisplay, ANameTooLongToSaveIsRefusedWithTheReason) {
  ASSERT_NO_FATAL_FAILURE(Open({}));
  ASSERT_NE(editor.WaitLine("new scene"), "");
  Press("AddCube");
  ASSERT_NE(editor.WaitLine("selected Group __ROOT__/Cube Cube1"), "") << editor.Log;
  Press("Rename");
  Type(std::string(1000, 'n'));
  TypeKey(d, XK_Return);
  // A thousand keys, each drawn: on a loaded machine that takes a while.
  EXPECT_EQ(editor.WaitLine("not renamed", 60000),
            "not renamed: a name can have at most 998 characters; this one has 1000")
      << editor.Log;
  // A name that fits goes in; undone twice, the scene is as it started and closes without a question.
  TypeKey(d, XK_BackSpace);
  TypeKey(d, XK_BackSpace);
  TypeKey(d, XK_Return);
  EXPECT_NE(editor.WaitLine("selected Group __ROOT__/Cube nnnn"), "") << editor.Log;
  Press("Undo");
  EXPECT_EQ(editor.WaitLine("undo"), "undo");
  Press("Undo");
  EXPECT_EQ(editor.WaitLine("undo"), "undo");
  MoveTo(d, view, vw / 2, 5);
  CtrlKey(XK_q);
  EXPECT_EQ(editor.WaitExit(10000), 0) << editor.Log;
}

// The Open dialog by keys alone: a typed folder name opens it, the list takes the focus with Shift+Tab,
// Return on a file opens it; the file is then offered by Recent; in the question about unsaved changes
// Tab moves to No, and Return answers No.
TEST_F(SceneeditOnDisplay, TheOpenDialogAndTheQuestionBoxAreDrivenByTheKeyboard) {
  fs::create_directories(Temp("scenes"));
  std::ofstream(Temp("scenes/notes.txt")) << "not listed";
  {
    TOpenGl gl(nullptr);
    gl.SetBounds(0, 0, 32, 32);
    gl.Loaded();
    gl.AddSphere(nullptr, "Ball");
    ASSERT_TRUE(gl.SaveTo(Temp("scenes/ball.scene").c_str()));
  }
  const auto before = fs::file_size(Temp("scenes/ball.scene"));
  ASSERT_NO_FATAL_FAILURE(Open({}));
  ASSERT_NE(editor.WaitLine("new scene"), "");
  CtrlKey(XK_o);
  EXPECT_NE(editor.WaitLine("Open Scene file:"), "") << editor.Log;
  ASSERT_NE(Dialog("Open"), 0u);
  Type("scenes");
  TypeKey(d, XK_Return);
  Sleep(300);
  // From the name edit back to the list: its rows are "../" (selected on opening) and ball.scene.
  KeyCode shift = XKeysymToKeycode(d, XK_Shift_L);
  XTestFakeKeyEvent(d, shift, True, CurrentTime);
  TypeKey(d, XK_Tab);
  XTestFakeKeyEvent(d, shift, False, CurrentTime);
  XSync(d, False);
  TypeKey(d, XK_Down);
  TypeKey(d, XK_Return);
  EXPECT_EQ(editor.WaitPrefix("opened"), "opened " + Temp("scenes/ball.scene").string()) << editor.Log;

  // Recent lists it; Escape leaves the list.
  MoveTo(d, view, vw / 2, 5);
  CtrlKey(XK_r);
  EXPECT_EQ(editor.WaitLine("  /"), "  " + Temp("scenes/ball.scene").string()) << editor.Log;
  ASSERT_NE(Dialog("Recent files"), 0u);
  TypeKey(d, XK_Escape);
  Sleep(300);

  // A change, then quitting: Tab moves from Yes to No, Return answers No, nothing is saved.
  MoveTo(d, view, vw / 2, 5);
  Press("AddCube");
  ASSERT_NE(editor.WaitPrefix("selected"), "") << editor.Log;
  MoveTo(d, view, vw / 2, 5);
  CtrlKey(XK_q);
  EXPECT_NE(editor.WaitLine("Save the changes to"), "") << editor.Log;
  ASSERT_NE(Dialog("Confirm"), 0u);
  TypeKey(d, XK_Tab);
  TypeKey(d, XK_Return);
  EXPECT_EQ(editor.WaitExit(10000), 0) << editor.Log;
  EXPECT_EQ(fs::file_size(Temp("scenes/ball.scene")), before) << "No discards the change";
  EXPECT_EQ(editor.Log.find("saved"), std::string::npos) << editor.Log;
}

// The value of an editor's field opened for typing by a click on it: the first at the editor's left; each next
// one just past the highlighted (current) one before it.
void SceneeditOnDisplay::ClickValue(const std::string& edit, int element) {
  Window w = Control(edit);
  ASSERT_NE(w, 0u) << edit;
  Click(d, w, 8, 8);
  for (int i = 1; i <= element; ++i) {
    Sleep(300);
    TypeKey(d, XK_Escape);
    Sleep(300);
    Shot shot;
    ASSERT_TRUE(Grab(d, w, shot));
    // The highlight fills the label's rows above its text; only the current value has it.
    int end = shot.width - 1;
    while (end > 0 && shot.CountNear(end, 2, 1, 1, 0xffff00, 40) == 0) --end;
    ASSERT_GT(end, 10) << "no highlighted value in " << edit;
    Click(d, w, end + 18, 8);
  }
  Sleep(300);
}

// A scene made only by typing values and dragging in the view: a value beyond the scroll bar is taken, one
// outside a colour's range refused; the top view; a drag in the view plane undone as one step; the gizmo's z
// handle and a Shift+drag along x; saved through the Save dialog and read back by sceneview.
TEST_F(SceneeditOnDisplay, ASceneMadeByTypingAndDraggingInTheView) {
  fs::remove(Temp("typed.scene"));
  ASSERT_NO_FATAL_FAILURE(Open({}));
  ASSERT_NE(editor.WaitLine("new scene"), "");
  Press("AddGroup");
  ASSERT_NE(editor.WaitLine("selected Group __ROOT__/Group Group1"), "") << editor.Log;
  ASSERT_NO_FATAL_FAILURE(ClickValue("PosEdit", 1));
  Type("2");
  TypeKey(d, XK_Return);
  ASSERT_EQ(editor.WaitPrefix("y set"), "y set to 2") << editor.Log;
  // Into the group, at the view's target (the world's origin): 2 below the group in its frame.
  Press("AddCube");
  ASSERT_NE(editor.WaitLine("selected Group __ROOT__/Group Group1/Cube Cube1"), "") << editor.Log;
  ASSERT_NO_FATAL_FAILURE(ClickValue("PosEdit", 0));
  Type("12");
  TypeKey(d, XK_Return);
  ASSERT_EQ(editor.WaitPrefix("x set"), "x set to 12") << editor.Log;
  ASSERT_NO_FATAL_FAILURE(ClickValue("ColorEdit", 0));
  Type("2");
  TypeKey(d, XK_Return);
  EXPECT_EQ(editor.WaitPrefix("r not set"), "r not set: 2 is out of range: 0 to 1") << editor.Log;
  TypeKey(d, XK_Escape);

  // From the top, a sphere after the cube at the target, dragged right in the view and undone in one step.
  MoveTo(d, view, vw / 2, 5);
  TypeKey(d, XK_7);
  ASSERT_EQ(editor.WaitPrefix("view from"), "view from the top") << editor.Log;
  Press("AddSphere");
  ASSERT_NE(editor.WaitLine("selected Group __ROOT__/Group Group1/Sphere Sphere1"), "") << editor.Log;
  Sleep(500);
  const int cx = vw / 2, cy = vh / 2;
  auto drag = [&](int x0, int y0, int x1, int y1, bool shift) {
    KeyCode shiftKey = XKeysymToKeycode(d, XK_Shift_L);
    MoveTo(d, view, x0, y0);
    Sleep(100);
    if (shift) XTestFakeKeyEvent(d, shiftKey, True, CurrentTime);
    XTestFakeButtonEvent(d, 1, True, CurrentTime);
    XSync(d, False);
    for (int k = 1; k <= 8; ++k) {
      Sleep(40);
      MoveTo(d, view, x0 + (x1 - x0) * k / 8, y0 + (y1 - y0) * k / 8);
    }
    Sleep(100);
    XTestFakeButtonEvent(d, 1, False, CurrentTime);
    if (shift) XTestFakeKeyEvent(d, shiftKey, False, CurrentTime);
    XSync(d, False);
  };
  drag(cx, cy, cx + 60, cy, false);
  ASSERT_EQ(editor.WaitPrefix("moved").rfind("moved Group __ROOT__/Group Group1/Sphere Sphere1 to ", 0), 0u)
      << editor.Log;
  MoveTo(d, view, vw / 2, 5);
  CtrlKey(XK_z);
  ASSERT_NE(editor.WaitLine("selected Group __ROOT__/Group Group1/Sphere Sphere1"), "") << editor.Log;
  ASSERT_EQ(editor.WaitLine("undo"), "undo");
  Sleep(500);
  // The gizmo's z handle points down the screen from the top; then Shift+drag right moves along x.
  drag(cx, cy + 55, cx, cy + 95, false);
  ASSERT_EQ(editor.WaitPrefix("moved").rfind("moved Group __ROOT__/Group Group1/Sphere Sphere1 along z", 0), 0u)
      << editor.Log;
  Sleep(300);
  drag(cx, cy + 40, cx + 50, cy + 41, true);
  ASSERT_EQ(editor.WaitPrefix("moved").rfind("moved Group __ROOT__/Group Group1/Sphere Sphere1 along x", 0), 0u)
      << editor.Log;

  // Saved through the dialog, read back.
  Press("Save");
  EXPECT_NE(editor.WaitLine("Save as File name:"), "");
  ASSERT_NE(Dialog("Save as"), 0u);
  Type("typed.scene");
  TypeKey(d, XK_Return);
  ASSERT_EQ(editor.WaitPrefix("saved"), "saved typed.scene") << editor.Log;
  ChildProcess dump;
  ASSERT_TRUE(StartIn(dump, Temp(""), {V3D_SCENEVIEW_PATH, Temp("typed.scene").string(), "--dump"}));
  std::string json = dump.ReadAll();
  ASSERT_EQ(dump.WaitExit(10000), 0) << json;
  std::string group = PartJson(json, "Group1"), cube = PartJson(json, "Cube1"), sphere = PartJson(json, "Sphere1");
  ASSERT_NE(sphere, "") << json;
  EXPECT_EQ(Number(group, "PY"), 2) << group;
  EXPECT_EQ(Number(cube, "PX"), 12) << cube;
  EXPECT_EQ(Number(cube, "PY"), -2) << cube;
  EXPECT_EQ(Number(cube, "DiffuseR"), 0.800000012) << "the refused colour left it";
  EXPECT_EQ(Number(sphere, "PY"), -2) << "never off the plane it was dragged in" << sphere;
  EXPECT_GT(Number(sphere, "PX"), 0.2) << sphere;
  EXPECT_GT(Number(sphere, "PZ"), 0.2) << sphere;
  EXPECT_LT(json.find("\"Cube1\""), json.find("\"Sphere1\""));

  // Delete empties the name edit above the tree; undone, the scene is the saved one and quits unasked.
  auto nameInk = [&] {
    Sleep(300);
    Shot shot;
    Window name = Control("NameEdit");
    return name && Grab(d, name, shot) ? shot.CountNear(0, 0, shot.width, shot.height, 0x000000, 100) : -1;
  };
  EXPECT_GT(nameInk(), 20) << "Sphere1 in the name edit";
  MoveTo(d, view, vw / 2, 5);
  TypeKey(d, XK_Delete);
  ASSERT_NE(editor.WaitPrefix("deleted"), "") << editor.Log;
  EXPECT_EQ(nameInk(), 0);
  MoveTo(d, view, vw / 2, 5);
  CtrlKey(XK_z);
  ASSERT_EQ(editor.WaitLine("undo"), "undo");
  MoveTo(d, view, vw / 2, 5);
  CtrlKey(XK_q);
  EXPECT_EQ(editor.WaitExit(10000), 0) << editor.Log;
}

}  // namespace

int main(int argc, char** argv) {
  return RunAppTestsOnXvfb(argc, argv, [] { fs::remove_all(Temp("x").parent_path()); });
}
