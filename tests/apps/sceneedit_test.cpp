// sceneedit's model without a window: snapshot undo, tree edits and the clipboard, paths, the command line.
#include <gtest/gtest.h>

#include <chrono>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <set>

#include "commands.h"
#include "history.h"
#include "name_check.h"
#include "opengl/opengl.h"
#include "options.h"
#include "parts/parts.h"
#include "parts/primitives.h"
#include "parts/quad.h"
#include "scene_files.h"
#include "pos3d/floatedit.h"
#include "scene_edits.h"

namespace {

std::vector<std::string> Names(TOpenGl& gl) {
  std::vector<std::string> names;
  for (const TPartRow& row : PartRows(gl.Root())) names.push_back(std::string(row.depth * 2, ' ') + row.part->Name.str());
  return names;
}

TEST(SceneeditHistory, UndoAndRedoRestoreEachStepAndTheSavedMarkFollows) {
  TOpenGl gl(nullptr);
  TSceneHistory history;
  ASSERT_TRUE(history.Reset(&gl));
  EXPECT_FALSE(history.Modified());
  EXPECT_FALSE(history.CanUndo());
  TPart* cube = AddPart(&gl, TPartCube::Class(), nullptr);
  ASSERT_TRUE(history.Commit(&gl));
  gl.FindPart("Cube1")->SetPX(2);
  ASSERT_TRUE(history.Commit(&gl));
  EXPECT_TRUE(history.Modified());
  history.MarkSaved();
  (void)cube;

  ASSERT_TRUE(history.Undo(&gl));
  ASSERT_NE(gl.FindPart("Cube1"), nullptr);
  EXPECT_EQ(gl.FindPart("Cube1")->PX, 0);
  EXPECT_TRUE(history.Modified());
  ASSERT_TRUE(history.Undo(&gl));
  EXPECT_EQ(gl.FindPart("Cube1"), nullptr);
  EXPECT_FALSE(history.Undo(&gl));
  ASSERT_TRUE(history.Redo(&gl));
  ASSERT_TRUE(history.Redo(&gl));
  EXPECT_EQ(gl.FindPart("Cube1")->PX, 2);
  EXPECT_FALSE(history.Modified()) << "back at the saved step";
  EXPECT_FALSE(history.Redo(&gl));

  // A new edit after an undo drops the redo steps, and the saved step with them.
  ASSERT_TRUE(history.Undo(&gl));
  gl.FindPart("Cube1")->SetPY(3);
  ASSERT_TRUE(history.Commit(&gl));
  EXPECT_FALSE(history.CanRedo());
  EXPECT_EQ(history.Steps(), 3);
  ASSERT_TRUE(history.Undo(&gl));
  ASSERT_TRUE(history.Redo(&gl));
  EXPECT_TRUE(history.Modified()) << "the saved step is gone";
}

TEST(SceneeditHistory, OverTheBudgetTheOldestStepsGoAndTheLatestStays) {
  TOpenGl gl(nullptr);
  TSceneHistory probe;
  probe.Reset(&gl);
  TSceneHistory history(probe.Bytes() * 3 + 100);
  history.Reset(&gl);
  for (int i = 0; i < 10; ++i) {
    AddPart(&gl, TPartSphere::Class(), nullptr);
    ASSERT_TRUE(history.Commit(&gl));
  }
  EXPECT_LE(history.Bytes(), probe.Bytes() * 3 + 100);
  EXPECT_GE(history.Steps(), 1);
  EXPECT_EQ(history.Current(), history.Steps() - 1);
  EXPECT_TRUE(history.Modified()) << "the saved step was dropped";
  while (history.Undo(&gl)) {
  }
  EXPECT_GT(gl.Root()->Count(), 5) << "the first steps are gone";
}

// Names are collected once per copy: a group of 400 copied into a scene whose 4,000 names take every low
// number is named in one pass (the search per candidate took minutes here).
// A load keeps a picture where the file stores none: the editor's documents start from empty slots.
TEST(SceneeditHistory, UndoNewAndOpenLeaveNoPictureOfTheDocumentBefore) {
  TOpenGl gl(nullptr);
  TSceneHistory history;
  std::vector<uint8_t> fresh, now;
  ASSERT_TRUE(TSceneHistory::Capture(&gl, fresh));
  ASSERT_TRUE(history.Reset(&gl));
  TPicture pic;
  pic.Bitmap()->SetSize(2, 2);
  pic.Bitmap()->SetPixel(1, 0, clRed);
  gl.SetPicture(2, &pic);
  ASSERT_TRUE(history.Commit(&gl));
  ASSERT_TRUE(history.Undo(&gl));
  EXPECT_EQ(gl.GetPicture(2)->Graphic(), nullptr);
  ASSERT_TRUE(TSceneHistory::Capture(&gl, now));
  EXPECT_EQ(now, fresh);
  ASSERT_TRUE(history.Redo(&gl));
  ASSERT_NE(gl.GetPicture(2)->Graphic(), nullptr);
  EXPECT_EQ(gl.GetPicture(2)->Bitmap()->Pixel(1, 0), clRed);

  // Open: a file without pictures empties the slots; one that fails to load leaves them as they were.
  const std::string plain = testing::TempDir() + "/sceneedit-plain.scene", bad = plain + ".bad";
  {
    TOpenGl source(nullptr);
    ASSERT_TRUE(source.SaveTo(plain.c_str()));
  }
  std::ofstream(bad, std::ios::binary) << "BM";
  std::string error;
  {
    TTakenPictures previous(&gl);
    ASSERT_FALSE(LoadSceneFile(&gl, bad, error));
    previous.PutBack();
  }
  EXPECT_EQ(gl.GetPicture(2)->Bitmap()->Pixel(1, 0), clRed);
  {
    TTakenPictures previous(&gl);
    ASSERT_TRUE(LoadSceneFile(&gl, plain, error)) << error;
  }
  ASSERT_TRUE(TSceneHistory::Capture(&gl, now));
  EXPECT_EQ(now.size(), 4032u);
  // New: the slots go with the parts.
  gl.SetPicture(7, &pic);
  { TTakenPictures dropped(&gl); }
  EXPECT_EQ(gl.GetPicture(7)->Graphic(), nullptr);
  std::remove(plain.c_str());
  std::remove(bad.c_str());
}

TEST(SceneeditEdits, ACopyInABigSceneIsNamedFromOneCountOfTheNames) {
  TOpenGl gl(nullptr);
  TPartGroup* root = gl.Root();
  for (int i = 1; i <= 4000; ++i) {
    auto* cube = new TPartCube();
    cube->Name = ("Cube" + std::to_string(i)).c_str();
    root->AddObject(cube, nullptr);
  }
  auto* group = new TPartGroup();
  group->Name = "Row1";
  for (int i = 1; i <= 400; ++i) {
    auto* cube = new TPartCube();
    cube->Name = ("Cube" + std::to_string(i)).c_str();
    group->AddObject(cube, nullptr);
  }
  root->AddObject(group, nullptr);
  auto* copy = static_cast<TPartGroup*>(DuplicatePart(&gl, group));
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->Name, AnsiString("Row2"));
  for (int i = 0; i < 400; ++i) ASSERT_EQ(copy->Part(i)->Name.str(), "Cube" + std::to_string(4001 + i));
  EXPECT_EQ(FreshName(root, "Cube"), "Cube4401");
}

TEST(SceneeditEdits, PartsGoIntoTheSelectedGroupOrBesideThePartWithFreshNames) {
  TOpenGl gl(nullptr);
  TPart* group = AddPart(&gl, TPartGroup::Class(), nullptr);
  TPart* cube = AddPart(&gl, TPartCube::Class(), group);
  TPart* sphere = AddPart(&gl, TPartSphere::Class(), cube);
  AddPart(&gl, TPartCube::Class(), nullptr);
  AddPart(&gl, TPartQuad::Class(), nullptr);
  EXPECT_EQ(Names(gl), (std::vector<std::string>{"Group1", "  Cube1", "  Sphere1", "Cube2", "Polygon1"}));
  EXPECT_EQ(IndexPath(cube), (std::vector<int>{0, 0}));
  EXPECT_EQ(PartAtIndexPath(gl.Root(), {0, 0}), cube);
  EXPECT_EQ(PartAtIndexPath(gl.Root(), {0, 7}), nullptr);
  EXPECT_EQ(PartAtIndexPath(gl.Root(), {1, 0}), nullptr) << "a cube has no children";

  // A duplicated group lands right after the original, everything inside it renamed, no name twice.
  TPart* copy = DuplicatePart(&gl, group);
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(Names(gl), (std::vector<std::string>{"Group1", "  Cube1", "  Sphere1", "Group2", "  Cube3", "  Sphere2",
                                                 "Cube2", "Polygon1"}));
  EXPECT_EQ(DuplicatePart(&gl, gl.Root()), nullptr);
  EXPECT_EQ(DuplicatePart(&gl, nullptr), nullptr);

  // Deleting destroys the subtree; the root cannot go.
  EXPECT_TRUE(DeletePart(&gl, copy));
  EXPECT_FALSE(DeletePart(&gl, gl.Root()));
  EXPECT_EQ(Names(gl).size(), 5u);
  (void)sphere;
}

TEST(SceneeditEdits, TheClipboardHoldsACopyThatOutlivesTheOriginal) {
  TOpenGl gl(nullptr);
  TPart* group = AddPart(&gl, TPartGroup::Class(), nullptr);
  TPart* cube = AddPart(&gl, TPartCube::Class(), group);
  cube->SetPX(4);
  TPartClipboard clipboard;
  EXPECT_TRUE(clipboard.Empty());
  EXPECT_EQ(clipboard.PasteInto(&gl, nullptr), nullptr);
  EXPECT_FALSE(clipboard.Copy(gl.Root()));
  ASSERT_TRUE(clipboard.Copy(group));
  // Cut: the original goes; edits to it before that do not reach the copy.
  cube->SetPX(9);
  DeletePart(&gl, group);
  TPart* first = clipboard.PasteInto(&gl, nullptr);
  TPart* second = clipboard.PasteInto(&gl, first);
  ASSERT_NE(first, nullptr);
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(Names(gl), (std::vector<std::string>{"Group1", "  Cube1", "  Group2", "    Cube2"}));
  EXPECT_EQ(gl.FindPart("Cube2")->PX, 4);
}

TEST(SceneeditEdits, ASelectionIsFoundAgainByItsPlaceOrElseByItsPath) {
  TOpenGl gl(nullptr);
  TPart* group = AddPart(&gl, TPartGroup::Class(), nullptr);
  TPart* cube = AddPart(&gl, TPartCube::Class(), group);
  AddPart(&gl, TPartSphere::Class(), nullptr);
  std::vector<int> where = IndexPath(cube);
  std::string path = TOpenGl::PartPath(cube).str();
  TSceneHistory history;
  history.Reset(&gl);
  gl.AddDisk(cube, "Disk1");  // before the cube: its place moves
  history.Commit(&gl);
  history.Undo(&gl);
  history.Redo(&gl);
  TPart* again = FindSelection(gl.Root(), where, path);
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(again->Name.str(), "Cube1");
  EXPECT_EQ(FindSelection(gl.Root(), {0, 0}, "Group __ROOT__/Group Group1/Disk Disk1")->Name.str(), "Disk1");
  EXPECT_EQ(FindSelection(gl.Root(), where, "Group __ROOT__/Cube Gone"), nullptr);
  EXPECT_EQ(FindSelection(gl.Root(), {}, path), nullptr);
}

TEST(SceneeditOptions, TheCommandLine) {
  auto parse = [](std::vector<const char*> args, EditOptions& o, std::string& error) {
    args.insert(args.begin(), "sceneedit");
    return ParseEditOptions(static_cast<int>(args.size()), const_cast<char**>(args.data()), o, error);
  };
  EditOptions o;
  std::string error;
  EXPECT_TRUE(parse({}, o, error));
  EXPECT_TRUE(o.file.empty());
  EXPECT_TRUE(parse({"a.scene", "--png", "out.png", "--size", "320x200"}, o, error));
  EXPECT_EQ(o.file, "a.scene");
  EXPECT_EQ(o.png, "out.png");
  EXPECT_EQ(o.width, 320);
  EditOptions bad;
  EXPECT_FALSE(parse({"--png", "out.png"}, bad, error));
  EXPECT_EQ(error, "--png needs a scene file");
  EXPECT_FALSE(parse({"a.scene", "--size", "0x10"}, bad, error));
  EXPECT_FALSE(parse({"a.scene", "--size"}, bad, error));
  EXPECT_FALSE(parse({"a.scene", "b.scene"}, bad, error));
  EditOptions help;
  EXPECT_TRUE(parse({"--help"}, help, error));
  EXPECT_TRUE(help.help);
}

// Stands in for the editor: records what the commands ask of it.
class ActionLog : public TEditorActions {
public:
  std::vector<std::string> calls;
  bool selection = false, undo = false, redo = false, paste = false;
  void New() override { calls.push_back("New"); }
  void OpenAsk() override { calls.push_back("Open"); }
  bool Save() override { return calls.push_back("Save"), true; }
  bool SaveAs() override { return calls.push_back("SaveAs"), true; }
  void Quit() override { calls.push_back("Quit"); }
  void Undo() override { calls.push_back("Undo"); }
  void Redo() override { calls.push_back("Redo"); }
  void Add(const TPartClass& kind) override { calls.push_back("Add" + KindCaption(kind)); }
  void Duplicate() override { calls.push_back("Duplicate"); }
  void Delete() override { calls.push_back("Delete"); }
  void Cut() override { calls.push_back("Cut"); }
  void CopySelected() override { calls.push_back("Copy"); }
  void Paste() override { calls.push_back("Paste"); }
  void Rename() override { calls.push_back("Rename"); }
  void SelectNext(bool back) override { calls.push_back(back ? "Previous" : "Next"); }
  void NextColorTarget() override { calls.push_back("Colour"); }
  void Fit() override { calls.push_back("Fit"); }
  void ToggleLights() override { calls.push_back("Lights"); }
  void LoadTexture() override { calls.push_back("Texture"); }
  void OpenRecent() override { calls.push_back("Recent"); }
  void View(StandardView v) override { calls.push_back(StandardViewName(v)); }
  void ToggleOrtho() override { calls.push_back("Ortho"); }
  void ToggleGrid() override { calls.push_back("Grid"); }
  void ToggleAxes() override { calls.push_back("Axes"); }
  void ImportModel() override { calls.push_back("Import"); }
  void ExportGltf() override { calls.push_back("ExportGltf"); }
  bool HasSelection() const override { return selection; }
  bool CanUndo() const override { return undo; }
  bool CanRedo() const override { return redo; }
  bool CanPaste() const override { return paste; }
};

// The one list gives the buttons, the keys and the help; a command appended later takes part at once.
TEST(SceneeditCommands, KeysButtonsAndHelpComeFromOneList) {
  ActionLog log;
  TCommandList list = SceneeditCommands(&log);
  std::string help = list.Help();
  std::set<std::string> names, keys;
  for (int i = 0; i < list.Count(); ++i) {
    const TEditorCommand& c = list[i];
    if (!c.name.empty()) {
      EXPECT_TRUE(names.insert(c.name).second) << "two buttons named " << c.name;
    }
    for (const TShortcut& k : c.keys) {
      EXPECT_TRUE(keys.insert(ShortcutName(k)).second) << ShortcutName(k) << " runs two commands";
      EXPECT_EQ(list.ForKey(k.key, k.shift, false), i) << ShortcutName(k);
      EXPECT_NE(help.find(ShortcutName(k)), std::string::npos) << ShortcutName(k) << " missing from the help";
    }
    log.calls.clear();
    c.run();
    EXPECT_EQ(log.calls.size(), 1u) << c.caption;
  }
  EXPECT_NE(help.find("Ctrl+Z undo"), std::string::npos);
  EXPECT_NE(help.find("Ctrl+Y or Ctrl+Shift+Z redo"), std::string::npos);
  EXPECT_NE(SceneeditUsage().find(help), std::string::npos);
  EXPECT_TRUE(names.count("AddCube") && names.count("SaveAs"));

  auto key = [&](WORD k, TShiftState s, bool typing = false) {
    int i = list.ForKey(k, s, typing);
    return i < 0 ? std::string("-") : list[i].caption;
  };
  EXPECT_EQ(key('S', ssCtrl | ssShift), "Save as");
  EXPECT_EQ(key('N', ssCtrl | ssShift), "New") << "Shift is ignored where no command asks for it";
  EXPECT_EQ(key('N', ssCtrl | ssAlt), "New");
  EXPECT_EQ(key('1', ssCtrl), "Cube");
  EXPECT_EQ(key(VK_DELETE, 0, true), "-") << "keys without Ctrl belong to the name being typed";
  EXPECT_EQ(key('L', ssShift, true), "-");
  EXPECT_EQ(key('C', ssCtrl, true), "Copy");
  EXPECT_EQ(key('K', ssCtrl), "-");

  // Enabled follows the editor's state.
  int undo = list.ForKey('Z', ssCtrl, false), del = list.ForKey(VK_DELETE, 0, false);
  EXPECT_FALSE(list[undo].Enabled());
  EXPECT_EQ(list[undo].unavailable, "nothing to undo");
  log.undo = true;
  EXPECT_TRUE(list[undo].Enabled());
  EXPECT_FALSE(list[del].Enabled());
  log.selection = true;
  EXPECT_TRUE(list[del].Enabled());

  // A kind added at run time brings its own command.
  TEditorCommand torus;
  torus.name = "AddTorus";
  torus.caption = "Torus";
  torus.keys = {{'6', ssCtrl}};
  torus.help = "torus";
  torus.run = [&log] { log.calls.push_back("AddTorus"); };
  int at = list.Add(torus);
  EXPECT_EQ(list.ForKey('6', ssCtrl, false), at);
  EXPECT_NE(list.Help().find("Ctrl+6 torus"), std::string::npos);
}

// A scene file holds names of up to 998 bytes: longer ones are refused with the reason, and a tree that
// holds one anyway says which row it is.
TEST(SceneeditNames, NamesTooLongToSaveAreNamedWithTheLimit) {
  EXPECT_EQ(NameTooLong(std::string(998, 'n')), "");
  EXPECT_EQ(NameTooLong(std::string(1000, 'n')), "a name can have at most 998 characters; this one has 1000");
  TOpenGl gl(nullptr);
  TPart* group = AddPart(&gl, TPartGroup::Class(), nullptr);
  AddPart(&gl, TPartCube::Class(), group);
  TPart* sphere = AddPart(&gl, TPartSphere::Class(), group);
  EXPECT_EQ(UnsavableName(gl.Root()), "");
  TSceneHistory history;
  ASSERT_TRUE(history.Reset(&gl));
  sphere->Name = std::string(1000, 'n').c_str();
  EXPECT_EQ(UnsavableName(gl.Root()),
            "the part in row 3 of the tree: a name can have at most 998 characters; this one has 1000");
  EXPECT_FALSE(history.Commit(&gl)) << "the limit checked is the file's own";
  sphere->Name = std::string(998, 'n').c_str();
  EXPECT_TRUE(history.Commit(&gl));
}

// A page of a scroll bar is one change of the value, so one undo step takes it back.
class PageRecorder : public TObject {
public:
  PageRecorder(TFloatEdit* e, TOpenGl* g, TPart* p) : edit(e), gl(g), part(p) {
    e->OnChange = MakeEvent(this, &PageRecorder::Changed);
  }
  void Changed(TObject*) {
    part->SetPX(edit->Value()->GetElement(0));
    history.Commit(gl);
  }
  TFloatEdit* edit;
  TOpenGl* gl;
  TPart* part;
  TSceneHistory history;
};

TEST(SceneeditHistory, OnePageOfAScrollBarIsOneUndoStep) {
  TOpenGl gl(nullptr);
  TPart* cube = AddPart(&gl, TPartCube::Class(), nullptr);
  cube->SetPX(1);
  TFloatEdit edit(nullptr);
  edit.Value()->SetElement(0, 1.0f);
  edit.ScrollBar()->LargeChange = 400;
  PageRecorder recorder(&edit, &gl, cube);
  ASSERT_TRUE(recorder.history.Reset(&gl));
  TScrollBar* bar = edit.ScrollBar();
  bar->MouseDown(bar->Width() - bar->Height() - 2, 1);
  bar->MouseUp(bar->Width() - bar->Height() - 2, 1);
  EXPECT_EQ(gl.FindPart("Cube1")->PX, 1.4f);
  EXPECT_EQ(recorder.history.Steps(), 2);
  ASSERT_TRUE(recorder.history.Undo(&gl));
  EXPECT_EQ(gl.FindPart("Cube1")->PX, 1.0f);
}

// What one undo step costs on a large scene: the document saved to memory and loaded back.
TEST(SceneeditHistory, OneSnapshotOfTenThousandParts) {
  TOpenGl gl(nullptr);
  gl.SetListMode(lmPerPart);
  for (int g = 0; g < 100; ++g) {
    TPart* group = gl.AddGroup(nullptr, ("G" + std::to_string(g)).c_str());
    for (int i = 0; i < 99; ++i) gl.AddCube(group, ("C" + std::to_string(i)).c_str());
  }
  std::vector<uint8_t> bytes;
  auto t0 = std::chrono::steady_clock::now();
  ASSERT_TRUE(TSceneHistory::Capture(&gl, bytes));
  auto t1 = std::chrono::steady_clock::now();
  ASSERT_TRUE(TSceneHistory::Restore(&gl, bytes));
  auto t2 = std::chrono::steady_clock::now();
  EXPECT_EQ(PartRows(gl.Root()).size(), 10000u);
  auto ms = [](auto a, auto b) { return std::chrono::duration<double, std::milli>(b - a).count(); };
  std::printf("10,000 parts: snapshot %zu bytes (%.1f per part), save %.1f ms, load %.1f ms\n", bytes.size(),
              bytes.size() / 10000.0, ms(t0, t1), ms(t1, t2));
}

}  // namespace

namespace {

// The program itself: --help on standard output, a PNG headless, and no window without a display.
TEST(SceneeditProgram, HelpPngAndNoDisplay) {
  std::string exe = V3D_SCENEEDIT_PATH;
  std::string dir = testing::TempDir();
  EXPECT_EQ(std::system((exe + " --help | grep -q 'Ctrl+Z undo'").c_str()), 0);
  {
    TOpenGl gl(nullptr);
    gl.AddCube(nullptr, "Box");
    ASSERT_TRUE(gl.SaveTo((dir + "/one.scene").c_str()));
  }
  std::remove((dir + "/one.png").c_str());
  EXPECT_EQ(std::system(("DISPLAY= " + exe + " " + dir + "/one.scene --png " + dir + "/one.png --size 64x48").c_str()), 0);
  std::FILE* png = std::fopen((dir + "/one.png").c_str(), "rb");
  EXPECT_NE(png, nullptr);
  if (png) std::fclose(png);
  int status = std::system(("env -u DISPLAY " + exe + " " + dir + "/one.scene 2>" + dir + "/err.txt").c_str());
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 2);
  EXPECT_EQ(std::system(("grep -q 'no display' " + dir + "/err.txt").c_str()), 0);
}

}  // namespace

namespace {

std::string Slurp(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), {});
}

// Only a name that does not exist starts a new scene. A file that exists but cannot be read or loaded says
// why and keeps its bytes, and the scene already shown stays.
TEST(SceneeditOpen, OnlyAMissingFileStartsANewScene) {
  const std::string dir = testing::TempDir() + "/sceneedit-open";
  ::mkdir(dir.c_str(), 0755);
  const std::string good = dir + "/good.scene", cut = dir + "/cut.scene", loop = dir + "/loop.scene",
                    locked = dir + "/locked.scene";
  {
    TOpenGl source(nullptr);
    source.AddCube(nullptr, "Box");
    ASSERT_TRUE(source.SaveTo(good.c_str()));
  }
  const std::string bytes = Slurp(good);
  std::ofstream(cut, std::ios::binary) << bytes.substr(0, 1000);
  std::remove(loop.c_str());
  ASSERT_EQ(::symlink("loop.scene", loop.c_str()), 0);
  std::ofstream(locked, std::ios::binary) << bytes;
  ::chmod(locked.c_str(), 0);

  TOpenGl gl(nullptr);
  std::string error;
  EXPECT_EQ(OpenSceneForEditing(&gl, dir + "/missing.scene", error), SceneOpen::NewScene);
  EXPECT_EQ(OpenSceneForEditing(&gl, good, error), SceneOpen::Loaded);
  ASSERT_NE(gl.FindPart("Box"), nullptr);

  error.clear();
  EXPECT_EQ(OpenSceneForEditing(&gl, cut, error), SceneOpen::Failed);
  EXPECT_EQ(error, "cut short at byte 1000");
  EXPECT_EQ(Slurp(cut), bytes.substr(0, 1000));
  EXPECT_NE(gl.FindPart("Box"), nullptr);
  error.clear();
  EXPECT_EQ(OpenSceneForEditing(&gl, loop, error), SceneOpen::Failed);
  EXPECT_FALSE(error.empty());
  // Root reads every file: the locked one only counts where the lock holds.
  if (::access(locked.c_str(), R_OK) != 0) {
    error.clear();
    EXPECT_EQ(OpenSceneForEditing(&gl, locked, error), SceneOpen::Failed);
    EXPECT_NE(error.find("ermission"), std::string::npos) << error;
    ::chmod(locked.c_str(), 0644);
    EXPECT_EQ(Slurp(locked), bytes);
  }
  for (const std::string& f : {good, cut, loop, locked}) std::remove(f.c_str());
  ::rmdir(dir.c_str());
}

}  // namespace
