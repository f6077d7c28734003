// Saving a scene to disk: what the save may touch, and what it keeps, beside and behind the target.
#include <dirent.h>
#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "files/files.h"
#include "framework/core/streams.h"
#include "opengl/opengl.h"
#include "support/document_bytes.h"
#include "support/viewport_fixture.h"
#include "support/in_child.h"

namespace {

using Bytes = std::vector<uint8_t>;

using document_bytes::Save;

Bytes ReadFile(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(f), {});
}

void WriteFile(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

std::set<std::string> Entries(const std::string& dir) {
  std::set<std::string> names;
  if (DIR* d = opendir(dir.c_str())) {
    while (dirent* e = readdir(d))
      if (std::string(e->d_name) != "." && std::string(e->d_name) != "..") names.insert(e->d_name);
    closedir(d);
  }
  return names;
}

struct stat Lstat(const std::string& path) {
  struct stat st = {};
  lstat(path.c_str(), &st);
  return st;
}

struct SaveTest : ::testing::Test {
  TOpenGl* gl = nullptr;
  std::string dir;
  void SetUp() override {
    gl = MakeLoadedViewport<TOpenGl>();
    gl->AddCube(nullptr, "Box");
    std::string pattern = std::string(::testing::TempDir()) + "v3d_save_XXXXXX";
    ASSERT_NE(mkdtemp(&pattern[0]), nullptr);
    dir = pattern;
  }
  void TearDown() override {
    delete gl;
    chmod(dir.c_str(), 0700);
    std::system(("rm -rf '" + dir + "'").c_str());
  }
  std::string At(const std::string& name) const { return dir + "/" + name; }
};

TEST_F(SaveTest, NothingBesideTheTargetIsFollowedOrTouched) {
  const std::string target = At("scene"), victim = At("victim"), planted = At("scene.saving~");
  WriteFile(victim, "victim");
  ASSERT_EQ(symlink(victim.c_str(), planted.c_str()), 0);
  EXPECT_TRUE(gl->SaveTo(target.c_str()));
  EXPECT_EQ(ReadFile(target), Save(gl));
  EXPECT_TRUE(S_ISREG(Lstat(target).st_mode));
  EXPECT_EQ(ReadFile(victim), Bytes({'v', 'i', 'c', 't', 'i', 'm'}));
  EXPECT_TRUE(S_ISLNK(Lstat(planted).st_mode));

  // A file of the old temporary name stays as it was, and the save leaves nothing else behind.
  unlink(planted.c_str());
  WriteFile(planted, "mine");
  EXPECT_TRUE(gl->SaveTo(target.c_str()));
  EXPECT_EQ(ReadFile(planted), Bytes({'m', 'i', 'n', 'e'}));
  EXPECT_EQ(Entries(dir), (std::set<std::string>{"scene", "victim", "scene.saving~"}));

  // A target name of the longest length the file system allows still leaves room for the temporary.
  const std::string longest = At(std::string(255, 'n'));
  EXPECT_TRUE(gl->SaveTo(longest.c_str()));
  EXPECT_EQ(ReadFile(longest), Save(gl));
  EXPECT_EQ(Entries(dir).size(), 4u);
}

TEST_F(SaveTest, ConcurrentSavesEachLeaveAWholeFile) {
  // Two scenes large enough that the two writers overlap.
  TOpenGl* other = MakeLoadedViewport<TOpenGl>();
  for (int i = 0; i < 300; ++i) {
    gl->AddCube(nullptr, std::string(900, 'a').c_str());
    other->AddSphere(nullptr, std::string(700, 'b').c_str());
  }
  const Bytes a = Save(gl), b = Save(other);
  const std::string target = At("scene");
  ASSERT_TRUE(gl->SaveTo(target.c_str()));
  auto saves = [&](TOpenGl* who) {
    for (int i = 0; i < 40; ++i)
      if (!who->SaveTo(target.c_str())) return 1;
    return 0;
  };
  pid_t watcher = fork();
  if (watcher == 0) {
    // Every look at the target finds one whole scene or the other.
    for (int i = 0; i < 400; ++i) {
      Bytes seen = ReadFile(target);
      if (seen != a && seen != b) _exit(1);
    }
    _exit(0);
  }
  pid_t first = fork();
  if (first == 0) _exit(saves(gl));
  int second = InChild([&] { return saves(other); });
  int status = 0;
  waitpid(first, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_EQ(second, 0);
  waitpid(watcher, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "a reader saw a partial file";
  Bytes last = ReadFile(target);
  EXPECT_TRUE(last == a || last == b);
  EXPECT_EQ(Entries(dir), std::set<std::string>{"scene"});
  delete other;
}

TEST_F(SaveTest, ModeOwnerAndGroupAreKept) {
  const std::string target = At("scene");
  for (mode_t mode : {0600, 0640}) {
    WriteFile(target, "old");
    chmod(target.c_str(), mode);
    EXPECT_TRUE(gl->SaveTo(target.c_str()));
    EXPECT_EQ(Lstat(target).st_mode & 07777, mode);
  }
  if (geteuid() == 0) {
    ASSERT_EQ(chown(target.c_str(), 65534, 65534), 0);
    EXPECT_TRUE(gl->SaveTo(target.c_str()));
    EXPECT_EQ(Lstat(target).st_uid, 65534u);
    EXPECT_EQ(Lstat(target).st_gid, 65534u);
  }
  // A new file gets what the creation mask leaves of 0666.
  mode_t old = umask(027);
  EXPECT_TRUE(gl->SaveTo(At("new").c_str()));
  umask(old);
  EXPECT_EQ(Lstat(At("new")).st_mode & 07777, 0640u);
}

TEST_F(SaveTest, LinksAreSavedThroughAndStay) {
  const std::string file = At("file"), link = At("link"), chain = At("chain");
  WriteFile(file, "old");
  ASSERT_EQ(symlink("file", link.c_str()), 0);  // relative to its own folder
  ASSERT_EQ(symlink(link.c_str(), chain.c_str()), 0);
  EXPECT_TRUE(gl->SaveTo(chain.c_str()));
  EXPECT_TRUE(S_ISLNK(Lstat(link).st_mode));
  EXPECT_TRUE(S_ISLNK(Lstat(chain).st_mode));
  EXPECT_EQ(ReadFile(file), Save(gl));

  // A link to a file not there yet creates the file it names.
  ASSERT_EQ(symlink("later", At("dangling").c_str()), 0);
  EXPECT_TRUE(gl->SaveTo(At("dangling").c_str()));
  EXPECT_TRUE(S_ISLNK(Lstat(At("dangling")).st_mode));
  EXPECT_EQ(ReadFile(At("later")), Save(gl));
}

TEST_F(SaveTest, FilesThatMustNotBeReplacedAreWrittenInPlace) {
  // Both names of a hard-linked file see the new scene.
  const std::string a = At("a"), b = At("b");
  WriteFile(a, std::string(20000, 'x'));
  ASSERT_EQ(link(a.c_str(), b.c_str()), 0);
  const ino_t inode = Lstat(a).st_ino;
  EXPECT_TRUE(gl->SaveTo(a.c_str()));
  EXPECT_EQ(Lstat(a).st_ino, inode);
  EXPECT_EQ(ReadFile(b), Save(gl));

  // A pipe stays a pipe, and its reader gets the scene.
  const std::string fifo = At("fifo");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  int reader = open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(reader, 0);
  EXPECT_TRUE(gl->SaveTo(fifo.c_str()));
  EXPECT_TRUE(S_ISFIFO(Lstat(fifo).st_mode));
  Bytes got(70000);
  ssize_t n = read(reader, got.data(), got.size());
  close(reader);
  got.resize(n > 0 ? static_cast<size_t>(n) : 0);
  EXPECT_EQ(got, Save(gl));
  EXPECT_EQ(Entries(dir), (std::set<std::string>{"a", "b", "fifo"}));
}

TEST_F(SaveTest, AFolderWeMayNotWriteStillTakesTheFile) {
  const std::string target = At("scene");
  WriteFile(target, "old");
  const ino_t inode = Lstat(target).st_ino;
  const bool root = geteuid() == 0;
  if (root) {
    ASSERT_EQ(chown(dir.c_str(), 65534, 65534), 0);
    ASSERT_EQ(chown(target.c_str(), 65534, 65534), 0);
  }
  ASSERT_EQ(chmod(dir.c_str(), 0555), 0);
  // The folder's mode binds only a process without the power to override it.
  int status = InChild([&] {
    if (root && (setgid(65534) != 0 || setuid(65534) != 0)) return 3;
    try {
      return gl->SaveTo(target.c_str()) ? 0 : 1;
    } catch (const Exception&) {
      return 2;
    }
  });
  EXPECT_EQ(status, 0);
  EXPECT_EQ(Lstat(target).st_ino, inode);
  EXPECT_EQ(ReadFile(target), Save(gl));
}

TEST_F(SaveTest, AFullFileSystemLeavesTheOldFileWhole) {
  if (geteuid() != 0) GTEST_SKIP() << "mounting a small file system needs root";
  const std::string mnt = At("mnt");
  ASSERT_EQ(mkdir(mnt.c_str(), 0700), 0);
  // A private mount namespace: the small file system exists for the child alone.
  int status = InChild([&] {
    if (unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) return 10;
    if (mount("v3dtest", mnt.c_str(), "tmpfs", 0, "size=64k") != 0) return 10;
    const std::string target = mnt + "/scene";
    if (!gl->SaveTo(target.c_str())) return 1;
    const Bytes before = ReadFile(target);
    int fill = open((mnt + "/fill").c_str(), O_WRONLY | O_CREAT, 0600);
    std::vector<char> block(4096, 'f');
    while (write(fill, block.data(), block.size()) > 0) {
    }
    close(fill);
    gl->AddCube(nullptr, "More");
    if (gl->SaveTo(target.c_str())) return 2;
    if (ReadFile(target) != before) return 3;
    if (Entries(mnt) != std::set<std::string>{"fill", "scene"}) return 4;
    return 0;
  });
  if (status == 10) GTEST_SKIP() << "no private mount namespace here";
  EXPECT_EQ(status, 0);
}

}  // namespace

// A failed save says why in words a person can act on; a save that succeeds leaves no reason behind.
TEST_F(SaveTest, AFailedSaveSaysWhy) {
  EXPECT_FALSE(gl->SaveTo("/dev/full"));
  EXPECT_NE(gl->SaveError().str().find("No space left on device"), std::string::npos) << gl->SaveError().str();
  gl->Root()->Part(0)->Name = AnsiString(std::string(SCENE_STRING_MAX + 1, 'n').c_str());
  EXPECT_FALSE(gl->SaveTo(At("long").c_str()));
  EXPECT_NE(gl->SaveError().str().find("998 bytes"), std::string::npos) << gl->SaveError().str();
  TMemoryStream stream;
  EXPECT_FALSE(gl->SaveToStream(&stream));
  EXPECT_NE(gl->SaveError().str().find("998 bytes"), std::string::npos);
  gl->Root()->Part(0)->Name = "Box";
  EXPECT_TRUE(gl->SaveTo(At("fine").c_str()));
  EXPECT_EQ(gl->SaveError(), AnsiString());
  EXPECT_NE(access(At("long").c_str(), F_OK), 0) << "a failed save leaves no file behind";
}
