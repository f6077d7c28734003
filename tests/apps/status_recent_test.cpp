// What the scene tools show and keep around the scene: the status line that wraps a long message and
// holds an error until the next action, sceneedit's toolbar that wraps its buttons, and its list of
// recent files kept between runs.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "framework/controls/application.h"
#include "framework/controls/button.h"
#include "recent_files.h"
#include "status_line.h"
#include "toolbar_flow.h"

namespace fs = std::filesystem;

namespace {

TEST(StatusLine, ALongMessageWrapsAndTheLineGrowsAndAnErrorStaysUntilTheNextAction) {
  Application->Initialize(BackendKind::Headless);
  // Wrapping: at spaces, inside a word longer than the width, and at every newline.
  EXPECT_EQ(TLabel::WrapText("short", 400), (std::vector<std::string>{"short"}));
  std::vector<std::string> lines = TLabel::WrapText("could not open /a/very/long/path: not a scene file", 120);
  ASSERT_GT(lines.size(), 1u);
  std::string joined;
  for (const std::string& l : lines) {
    EXPECT_LE(TLabel::TextWidth(l.c_str()), 120) << l;
    joined += (joined.empty() ? "" : " ") + l;
  }
  EXPECT_EQ(joined, "could not open /a/very/long/path: not a scene file") << "nothing is lost";
  EXPECT_EQ(TLabel::WrapText("one\n\nthree", 400), (std::vector<std::string>{"one", "", "three"}));
  EXPECT_EQ(TLabel::WrapText(std::string(300, 'x'), 50).size() > 3, true) << "a word is cut where it must be";
  EXPECT_EQ(TLabel::WrapText("x", 0), (std::vector<std::string>{"x"})) << "at least one character a line";

  TForm form(nullptr);
  form.SetBounds(0, 0, 300, 200);
  auto* panel = new TPanel(&form);  // what the tools put above it
  panel->SetParent(&form);
  panel->SetAlign(alClient);
  TStatusLine status(&form);
  status.Show("ready");
  EXPECT_EQ(status.Label()->Height(), 20);
  EXPECT_EQ(status.Label()->Width(), 300);
  std::string error = "could not save " + std::string(120, 'n') + ".scene: Permission denied";
  status.ShowError(error);
  EXPECT_TRUE(status.ErrorShown());
  EXPECT_GE(status.Label()->Height(), 3 * TLabel::LineHeight) << "the whole message in sight";
  EXPECT_EQ(status.Label()->Top() + status.Label()->Height(), 200);
  EXPECT_EQ(panel->Height(), 200 - status.Label()->Height()) << "the rest of the window gives way";
  EXPECT_NE(status.Label()->Color(), clBtnFace);
  // Messages from the same action leave the error in place; the next action lets them through.
  status.Show("selected Group __ROOT__/Cube Box");
  EXPECT_EQ(status.Text(), error);
  status.ActionStarted();
  status.Show("selected Group __ROOT__/Cube Box");
  EXPECT_FALSE(status.ErrorShown());
  EXPECT_EQ(status.Label()->Color(), clBtnFace);
  EXPECT_EQ(status.Label()->Height(), 20);

  // A narrower window wraps the message again once the layout is done.
  status.Show(std::string(200, 'w'));
  int wide = status.Label()->Height();
  Application->UseManualClock(true);
  form.SetWidth(120);
  Application->RunFor(5);
  Application->UseManualClock(false);
  EXPECT_GT(status.Label()->Height(), wide);
}

TEST(ToolbarFlow, ButtonsThatDoNotFitWrapOntoMoreRowsAndComeBackWhenTheWindowWidens) {
  Application->Initialize(BackendKind::Headless);
  TForm form(nullptr);
  form.SetBounds(0, 0, 200, 300);
  auto* bar = new TPanel(&form);
  bar->SetParent(&form);
  bar->SetHeight(24);
  bar->SetAlign(alTop);
  auto* rest = new TPanel(&form);
  rest->SetParent(&form);
  rest->SetAlign(alClient);
  std::vector<TButton*> buttons;
  for (int i = 0; i < 5; ++i) {
    auto* b = new TButton(&form);
    b->SetParent(bar);
    b->SetWidth(60);
    buttons.push_back(b);
  }
  buttons[3]->SetVisible(false);  // hidden ones take no room
  TToolbarFlow flow(bar, 24);
  EXPECT_EQ(flow.Rows(), 2);
  EXPECT_EQ(bar->Height(), 48);
  EXPECT_EQ(rest->Top(), 48) << "what lies below gives way";
  EXPECT_EQ(buttons[2]->Left(), 120);
  EXPECT_EQ(buttons[4]->Left(), 0);
  EXPECT_EQ(buttons[4]->Top(), 24);
  Application->UseManualClock(true);
  form.SetWidth(400);
  Application->RunFor(5);
  Application->UseManualClock(false);
  EXPECT_EQ(flow.Rows(), 1);
  EXPECT_EQ(bar->Height(), 24);
  EXPECT_EQ(buttons[4]->Left(), 180);
  EXPECT_EQ(rest->Top(), 24);
}

class RecentFiles : public ::testing::Test {
protected:
  void SetUp() override {
    dir = fs::temp_directory_path() / ("recent_files_test_" + std::to_string(getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir / "scenes");
    for (int i = 0; i < 10; ++i) std::ofstream(dir / "scenes" / (std::to_string(i) + ".scene")) << "x";
  }
  void TearDown() override { fs::remove_all(dir); }
  std::string Scene(int i) const { return (dir / "scenes" / (std::to_string(i) + ".scene")).string(); }
  fs::path dir;
};

TEST_F(RecentFiles, NewestFirstAtMostEightKeptBetweenRunsMissingOnesDropped) {
  std::string store = (dir / "config" / "sceneedit" / "recent").string();
  {
    TRecentFiles recent(store);
    recent.Load();  // nothing stored yet
    EXPECT_TRUE(recent.Files().empty());
    for (int i = 0; i < 10; ++i) recent.Add(Scene(i));
    ASSERT_EQ(recent.Files().size(), TRecentFiles::Max);
    EXPECT_EQ(recent.Files().front(), Scene(9));
    EXPECT_EQ(recent.Files().back(), Scene(2));
    recent.Add(Scene(5));  // again: to the front, once
    EXPECT_EQ(recent.Files().front(), Scene(5));
    EXPECT_EQ(recent.Files().size(), TRecentFiles::Max);
    EXPECT_TRUE(recent.Save()) << "its folder is made";
  }
  // Relative names are kept as absolute paths, so they open from any folder.
  fs::path was = fs::current_path();
  fs::current_path(dir / "scenes");
  TRecentFiles relative(store);
  relative.Load();
  relative.Add("0.scene");
  fs::current_path(was);
  EXPECT_EQ(relative.Files().front(), Scene(0));

  // The next run reads them back; a file deleted since, a repeat and a stray line are dropped.
  fs::remove(Scene(9));
  {
    std::ofstream out(store, std::ios::app);
    out << Scene(5) << "\nnot a path\n\n";
  }
  TRecentFiles next(store);
  next.Load();
  std::vector<std::string> expected = {Scene(5), Scene(8), Scene(7), Scene(6), Scene(4), Scene(3), Scene(2)};
  EXPECT_EQ(next.Files(), expected);
  next.Remove(Scene(8));
  EXPECT_EQ(next.Files().size(), 6u);

  // The store lives under XDG_CONFIG_HOME, else ~/.config; with neither it keeps nothing.
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  std::string savedXdg = xdg ? xdg : "";
  const char* home = std::getenv("HOME");
  std::string savedHome = home ? home : "";
  setenv("XDG_CONFIG_HOME", "/cfg", 1);
  EXPECT_EQ(TRecentFiles::DefaultStore(), "/cfg/sceneedit/recent");
  unsetenv("XDG_CONFIG_HOME");
  setenv("HOME", "/home/someone", 1);
  EXPECT_EQ(TRecentFiles::DefaultStore(), "/home/someone/.config/sceneedit/recent");
  unsetenv("HOME");
  EXPECT_EQ(TRecentFiles::DefaultStore(), "");
  TRecentFiles nowhere("");
  nowhere.Add(Scene(1));
  EXPECT_FALSE(nowhere.Save());
  if (!savedHome.empty()) setenv("HOME", savedHome.c_str(), 1);
  if (!savedXdg.empty()) setenv("XDG_CONFIG_HOME", savedXdg.c_str(), 1);
}

}  // namespace
