// sceneedit's model without a window: snapshot undo, tree edits and the clipboard, paths, the command line.
#include <gtest/gtest.h>

#include <chrono>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>

#include "history.h"
#include "opengl/opengl.h"
#include "options.h"
#include "parts/parts.h"
#include "parts/primitives.h"
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
  TPart* cube = AddPart(&gl, pkCube, nullptr);
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
    AddPart(&gl, pkSphere, nullptr);
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

TEST(SceneeditEdits, PartsGoIntoTheSelectedGroupOrBesideThePartWithFreshNames) {
  TOpenGl gl(nullptr);
  TPart* group = AddPart(&gl, pkGroup, nullptr);
  TPart* cube = AddPart(&gl, pkCube, group);
  TPart* sphere = AddPart(&gl, pkSphere, cube);
  AddPart(&gl, pkCube, nullptr);
  AddPart(&gl, pkPolygon, nullptr);
  EXPECT_EQ(Names(gl), (std::vector<std::string>{"Group1", "  Sphere1", "  Cube1", "Cube2", "Polygon1"}));
  EXPECT_EQ(IndexPath(cube), (std::vector<int>{0, 1}));
  EXPECT_EQ(PartAtIndexPath(gl.Root(), {0, 1}), cube);
  EXPECT_EQ(PartAtIndexPath(gl.Root(), {0, 7}), nullptr);
  EXPECT_EQ(PartAtIndexPath(gl.Root(), {1, 0}), nullptr) << "a cube has no children";

  // A duplicated group lands right after the original, everything inside it renamed, no name twice.
  TPart* copy = DuplicatePart(&gl, group);
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(Names(gl), (std::vector<std::string>{"Group1", "  Sphere1", "  Cube1", "Group2", "  Sphere2", "  Cube3",
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
  TPart* group = AddPart(&gl, pkGroup, nullptr);
  TPart* cube = AddPart(&gl, pkCube, group);
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
  TPart* group = AddPart(&gl, pkGroup, nullptr);
  TPart* cube = AddPart(&gl, pkCube, group);
  AddPart(&gl, pkSphere, nullptr);
  std::vector<int> where = IndexPath(cube);
  std::string path = TOpenGl::PartPath(cube).str();
  TSceneHistory history;
  history.Reset(&gl);
  AddPart(&gl, pkDisk, cube);  // before the cube: its place moves
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
