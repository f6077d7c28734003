// sceneedit's model commands on its document model: an import is one undo step, into the right group, and a
// failed one changes nothing; the commands' keys.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <vector>

#include "commands.h"
#include "framework/controls/application.h"
#include "history.h"
#include "model_edits.h"
#include "opengl/opengl.h"
#include "parts/parts.h"

namespace fs = std::filesystem;

namespace {

fs::path WriteObj() {
  const fs::path file = fs::temp_directory_path() / ("model_edits_" + std::to_string(getpid()) + ".obj");
  std::ofstream(file) << "o Wedge\nv 0 0 0\nv 1 0 0\nv 0 1 0\nv 0 0 1\nf 1 2 3\nf 1 3 4\nf 1 4 2\n";
  return file;
}

std::vector<uint8_t> Bytes(TOpenGl* gl) {
  std::vector<uint8_t> b;
  EXPECT_TRUE(TSceneHistory::Capture(gl, b));
  return b;
}

}  // namespace

TEST(ModelEdits, AnImportIsOneUndoStepIntoTheSelectionsGroup) {
  Application->Initialize(BackendKind::Headless);
  TOpenGl gl(nullptr);
  gl.SetBounds(0, 0, 32, 32);
  TPart* group = gl.AddGroup(nullptr, "Shelf");
  TPart* cube = gl.AddCube(group, "Box");
  TSceneHistory history;
  history.Reset(&gl);
  const std::vector<uint8_t> before = Bytes(&gl);
  const fs::path obj = WriteObj();

  // Beside a selected part: into its group.
  std::string error, warnings;
  TPart* model = ImportModelInto(&gl, obj.string(), cube, error, warnings);
  ASSERT_TRUE(model) << error;
  EXPECT_EQ(model->Parent(), group);
  ASSERT_TRUE(history.Commit(&gl));
  const std::vector<uint8_t> after = Bytes(&gl);
  EXPECT_NE(after, before);
  ASSERT_TRUE(history.Undo(&gl));
  EXPECT_EQ(Bytes(&gl), before);
  EXPECT_FALSE(history.CanUndo());
  ASSERT_TRUE(history.Redo(&gl));
  EXPECT_EQ(Bytes(&gl), after);

  // Into a selected group; with nothing selected, into the root.
  TPart* shelf = gl.FindPart("Shelf");
  const int had = static_cast<TPartGroup*>(shelf)->Count();
  ASSERT_TRUE(ImportModelInto(&gl, obj.string(), shelf, error, warnings));
  EXPECT_EQ(static_cast<TPartGroup*>(shelf)->Count(), had + 1);
  TPart* top = ImportModelInto(&gl, obj.string(), nullptr, error, warnings);
  ASSERT_TRUE(top);
  EXPECT_EQ(top->Parent(), gl.Root());

  // A failed import says why and changes nothing.
  const std::vector<uint8_t> kept = Bytes(&gl);
  error.clear();
  EXPECT_FALSE(ImportModelInto(&gl, (obj.string() + ".missing"), nullptr, error, warnings));
  EXPECT_FALSE(error.empty());
  EXPECT_EQ(Bytes(&gl), kept);
  fs::remove(obj);

  EXPECT_EQ(GltfNameFor(""), "untitled.glb");
  EXPECT_EQ(GltfNameFor("/a/b.c/scene.scene"), "/a/b.c/scene.glb");
  EXPECT_EQ(GltfNameFor("/a/b.c/scene"), "/a/b.c/scene.glb");
}

TEST(ModelEdits, TheCommandsHaveTheirKeys) {
  TCommandList list = SceneeditCommands(nullptr);
  const int import = list.ForKey('I', ssCtrl, false), exportGltf = list.ForKey('E', ssCtrl, false);
  ASSERT_GE(import, 0);
  ASSERT_GE(exportGltf, 0);
  EXPECT_EQ(list[import].name, "Import");
  EXPECT_EQ(list[exportGltf].name, "ExportGltf");
  EXPECT_NE(SceneeditUsage().find("export the scene as glTF"), std::string::npos);
}
