// The Open and Save dialogs driven by keys: the listing and its filter, folder navigation, the extension
// a save adds, the replace question, Cancel, and the handler that answers instead of the screen.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "framework/controls/application.h"
#include "framework/controls/button.h"
#include "framework/controls/dialogs.h"
#include "framework/controls/edit.h"
#include "framework/controls/file_dialog.h"
#include "framework/controls/listbox.h"
#include "framework/platform/backend.h"

namespace fs = std::filesystem;

namespace {

const char* const kFilter = "Scene files (*.scene)|*.scene|Scenes and models|*.scene;*.obj;*.stl|All files|*";

class FileDialogs : public ::testing::Test {
protected:
  void SetUp() override {
    Application->Initialize(BackendKind::Headless);
    dir = fs::temp_directory_path() / ("file_dialog_test_" + std::to_string(getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir / "models");
    fs::create_directories(dir / "Zeta");
    fs::create_directories(dir / ".config");
    for (const char* f : {"b.scene", "A.SCENE", "c.obj", "notes.txt", ".hidden.scene", "models/inner.stl"})
      std::ofstream(dir / f) << "x";
  }
  void TearDown() override {
    SetMessageDlgHandler(nullptr);
    fs::remove_all(dir);
  }
  static std::vector<std::string> Rows(TFileDialogForm& f) {
    std::vector<std::string> rows;
    for (int i = 0; i < f.List()->Count(); ++i) rows.push_back(f.List()->Items()->Strings(i).str());
    return rows;
  }
  static void Key(TForm& f, WORD key) { f.Perform(WM_KEYDOWN, key, MakeKeyData(0)); }
  // Replaces the name edit's text by typing, as the user does.
  static void Type(TFileDialogForm& f, const std::string& text) {
    f.SetActiveControl(f.NameEdit());
    f.NameEdit()->SelectAll();
    Key(f, VK_DELETE);
    for (char c : text) f.Perform(WM_CHAR, static_cast<unsigned char>(c), 0);
  }
  fs::path dir;
};

TEST_F(FileDialogs, TheListShowsFoldersFirstThenTheFilesTheFilterLetsThrough) {
  TOpenDialog open(nullptr);
  open.Filter = kFilter;
  open.InitialDir = dir.string().c_str();
  TFileDialogForm f(&open);
  EXPECT_EQ(f.Folder(), dir.string());
  EXPECT_EQ(Rows(f), (std::vector<std::string>{"../", "models/", "Zeta/", "A.SCENE", "b.scene"}))
      << "hidden entries are left out; names sort without regard to case; extensions match in any case";
  EXPECT_TRUE(f.RowIsFolder(0));
  EXPECT_TRUE(f.RowIsFolder(2));
  EXPECT_FALSE(f.RowIsFolder(3));
  EXPECT_EQ(f.FilterButton()->Caption(), "Scene files (*.scene)");
  EXPECT_EQ(f.ActiveControl(), f.NameEdit()) << "the name can be typed at once";

  // The filter button steps through the choices and back round.
  f.SetActiveControl(f.FilterButton());
  Key(f, VK_SPACE);
  EXPECT_EQ(f.FilterButton()->Caption(), "Scenes and models");
  EXPECT_EQ(Rows(f), (std::vector<std::string>{"../", "models/", "Zeta/", "A.SCENE", "b.scene", "c.obj"}));
  f.NextFilter();
  EXPECT_EQ(Rows(f).size(), 7u) << "all files";
  f.NextFilter();
  EXPECT_EQ(f.FilterButton()->Caption(), "Scene files (*.scene)");

  // A typed pattern filters instead of naming a file; the filter button goes back to the choices.
  Type(f, "*.txt");
  Key(f, VK_RETURN);
  EXPECT_EQ(Rows(f), (std::vector<std::string>{"../", "models/", "Zeta/", "notes.txt"}));
  EXPECT_EQ(f.ModalResult(), mrNone);
  f.NextFilter();
  EXPECT_EQ(Rows(f).back(), "b.scene");

  EXPECT_TRUE(FileMatches("x.GLB", {"*.glb"}));
  EXPECT_TRUE(FileMatches("anything", {}));
  EXPECT_FALSE(FileMatches("x.scene.bak", {"*.scene"}));
  ASSERT_EQ(ParseFileFilter("Only|*.a;*.b |Bad").size(), 1u) << "a description without patterns is dropped";
  EXPECT_EQ(ParseFileFilter("Only|*.a;*.b |Bad")[0].patterns, (std::vector<std::string>{"*.a", "*.b"}));
}

TEST_F(FileDialogs, FoldersOpenByReturnDoubleClickOrTypedNameAndAFileRowIsChosen) {
  TOpenDialog open(nullptr);
  open.Filter = kFilter;
  open.FilterIndex = 2;
  open.FileName = (dir / "b.scene").string().c_str();  // opens in its folder, its name proposed
  TFileDialogForm f(&open);
  EXPECT_EQ(f.Folder(), dir.string());
  EXPECT_EQ(f.NameEdit()->Text(), "b.scene");

  // Return on a folder row opens it; "../" goes back, with the folder just left selected.
  f.SetActiveControl(f.List());
  f.List()->SetItemIndex(1);
  Key(f, VK_RETURN);
  EXPECT_EQ(f.Folder(), (dir / "models").string());
  EXPECT_EQ(Rows(f), (std::vector<std::string>{"../", "inner.stl"}));
  EXPECT_EQ(f.ModalResult(), mrNone);
  f.List()->SetItemIndex(0);
  Key(f, VK_RETURN);
  EXPECT_EQ(f.Folder(), dir.string());
  EXPECT_EQ(f.List()->ItemIndex(), 1) << "models/ again";
  // Backspace in the list goes up too; a typed folder name opens that folder.
  Key(f, VK_BACK);
  EXPECT_EQ(f.Folder(), dir.parent_path().string());
  Type(f, dir.string() + "/Zeta/");
  Key(f, VK_RETURN);
  EXPECT_EQ(f.Folder(), (dir / "Zeta").string());
  EXPECT_EQ(f.NameEdit()->Text(), "");
  Type(f, "..");
  Key(f, VK_RETURN);
  EXPECT_EQ(f.Folder(), dir.string());

  // A double click on a folder opens it; selecting a file row puts its name in the edit.
  f.List()->SetItemIndex(1);
  f.List()->OnDblClick(f.List());
  EXPECT_EQ(f.Folder(), (dir / "models").string());
  f.SetActiveControl(f.List());
  Key(f, VK_DOWN);  // inner.stl
  EXPECT_EQ(f.NameEdit()->Text(), "inner.stl");
  // Return on a file row chooses it: the full path, since it is not in the current folder.
  Key(f, VK_RETURN);
  EXPECT_EQ(f.ModalResult(), mrOk);
  EXPECT_EQ(f.Chosen(), (dir / "models" / "inner.stl").string());
  EXPECT_EQ(open.FilterIndex, 2);

  // Open refuses a name that does not exist, and says so in the form.
  TFileDialogForm g(&open);
  Type(g, "missing.scene");
  Key(g, VK_RETURN);
  EXPECT_EQ(g.ModalResult(), mrNone);
  EXPECT_NE(g.Note().find("no file"), std::string::npos) << g.Note();
  // Escape cancels, wherever the focus is.
  g.SetActiveControl(g.List());
  Key(g, VK_ESCAPE);
  EXPECT_EQ(g.ModalResult(), mrCancel);
}

TEST_F(FileDialogs, SaveAddsTheExtensionAndAsksBeforeReplacing) {
  TSaveDialog save(nullptr);
  save.Filter = kFilter;
  save.DefaultExt = "scene";
  save.InitialDir = dir.string().c_str();
  std::vector<std::string> asked;
  TModalResult reply = mrNo;
  SetMessageDlgHandler([&](const AnsiString& msg, TMsgDlgType, TMsgDlgButtons) {
    asked.push_back(msg.str());
    return reply;
  });
  {
    TFileDialogForm f(&save);
    EXPECT_EQ(f.OkButton()->Caption(), "Save");
    EXPECT_EQ(f.Caption(), "Save as");
    Type(f, "fresh");
    Key(f, VK_RETURN);
    EXPECT_EQ(f.ModalResult(), mrOk);
    EXPECT_EQ(f.Chosen(), (dir / "fresh.scene").string()) << "no extension typed: .scene added";
    EXPECT_TRUE(asked.empty()) << "a new file needs no question";
  }
  {
    // An existing file: No keeps the dialog open, Yes chooses it.
    TFileDialogForm f(&save);
    Type(f, "b");
    Key(f, VK_RETURN);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0], "b.scene already exists.\nReplace it?");
    EXPECT_EQ(f.ModalResult(), mrNone);
    reply = mrYes;
    f.OkButton()->Click();
    EXPECT_EQ(f.ModalResult(), mrOk);
    EXPECT_EQ(f.Chosen(), (dir / "b.scene").string());
  }
  {
    // A name with its own extension keeps it; a folder that does not exist is refused.
    TFileDialogForm f(&save);
    Type(f, "model.obj");
    Key(f, VK_RETURN);
    EXPECT_EQ(f.Chosen(), (dir / "model.obj").string());
    TFileDialogForm g(&save);
    Type(g, "nowhere/x");
    Key(g, VK_RETURN);
    EXPECT_EQ(g.ModalResult(), mrNone);
    EXPECT_NE(g.Note().find("no folder"), std::string::npos) << g.Note();
  }
  {
    // In the current folder the bare name comes back.
    fs::path was = fs::current_path();
    fs::current_path(dir);
    TSaveDialog here(nullptr);
    here.DefaultExt = "scene";
    TFileDialogForm f(&here);
    Type(f, "here");
    Key(f, VK_RETURN);
    EXPECT_EQ(f.Chosen(), "here.scene");
    fs::current_path(was);
  }

  // Execute: headless with no handler it answers false and leaves the name; a handler answers instead.
  save.FileName = "kept.scene";
  EXPECT_FALSE(save.Execute());
  EXPECT_EQ(save.FileName, "kept.scene");
  SetFileDialogHandler([](TOpenDialog& d) {
    if (d.Title != "Save as" || d.DefaultExt != "scene") return false;
    d.FileName = "answered.scene";
    return true;
  });
  EXPECT_TRUE(save.Execute());
  EXPECT_EQ(save.FileName, "answered.scene");
  SetFileDialogHandler(nullptr);
}

}  // namespace
