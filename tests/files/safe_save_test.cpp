// Saving a file through a temporary file, or in place: what a save leaves when it fails or is abandoned.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "framework/core/safe_save.h"
#include "support/in_child.h"

namespace {

std::string ReadAll(const std::string& path) {
  std::string out;
  if (FILE* f = std::fopen(path.c_str(), "rb")) {
    int c;
    while ((c = std::fgetc(f)) != EOF) out += static_cast<char>(c);
    std::fclose(f);
  }
  return out;
}

TEST(SafeSave, AnAbandonedSaveLeavesTheFileAndNoTemporary) {
  std::string pattern = std::string(::testing::TempDir()) + "v3d_safe_XXXXXX";
  ASSERT_NE(mkdtemp(&pattern[0]), nullptr);
  const std::string dir = pattern, target = dir + "/f";
  {
    TSafeSave save(target.c_str());
    EXPECT_FALSE(save.InPlace());
    save.Stream()->WriteBuffer("old", 3);
    EXPECT_TRUE(save.Commit());
    EXPECT_FALSE(save.Commit());  // once only
  }
  {
    TSafeSave save(target.c_str());
    save.Stream()->WriteBuffer("new", 3);
  }
  EXPECT_EQ(ReadAll(target), "old");
  EXPECT_EQ(rmdir(dir.c_str()), -1);  // the file is still there ...
  EXPECT_EQ(std::remove(target.c_str()), 0);
  EXPECT_EQ(rmdir(dir.c_str()), 0);  // ... and nothing else was
  EXPECT_THROW(TSafeSave((dir + "/f").c_str()), EFCreateError);
}

TEST(SafeSave, ADeviceIsWrittenInPlaceAndARefusedWriteIsReported) {
  struct stat before;
  if (stat("/dev/full", &before) != 0 || access("/dev/full", W_OK) != 0) GTEST_SKIP() << "no /dev/full";
  {
    TSafeSave save("/dev/full");
    EXPECT_TRUE(save.InPlace());
    EXPECT_EQ(save.Stream()->Write("abcd", 4), 4);  // buffered
    EXPECT_FALSE(save.Commit());
  }
  struct stat after;
  ASSERT_EQ(stat("/dev/full", &after), 0);
  EXPECT_TRUE(S_ISCHR(after.st_mode));
  EXPECT_EQ(after.st_rdev, before.st_rdev);
  EXPECT_EQ(after.st_ino, before.st_ino);
}

int SaveWith(const std::string& path, const std::string& content, std::string* error = nullptr) {
  TSafeSave save(path.c_str());
  if (!save.InPlace()) return -1;
  save.Stream()->WriteBuffer(content.data(), static_cast<int32_t>(content.size()));
  bool ok = save.Commit();
  if (error) *error = save.Error().str();
  return ok ? 1 : 0;
}

TEST(SafeSave, AHardLinkedFileOnAFullFileSystemKeepsItsOldContent) {
  if (geteuid() != 0) GTEST_SKIP() << "mounting a small file system needs root";
  std::string pattern = std::string(::testing::TempDir()) + "v3d_safe_XXXXXX";
  ASSERT_NE(mkdtemp(&pattern[0]), nullptr);
  const std::string dir = pattern, mnt = dir + "/mnt";
  ASSERT_EQ(mkdir(mnt.c_str(), 0700), 0);
  // A private mount namespace: the small file system exists for the child alone.
  int status = InChild([&] {
    if (unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) return 10;
    if (mount("v3dtest", mnt.c_str(), "tmpfs", 0, "size=64k") != 0) return 10;
    const std::string a = mnt + "/a", b = mnt + "/b", old(8000, 'o');
    FILE* f = std::fopen(a.c_str(), "wb");
    if (!f || std::fwrite(old.data(), 1, old.size(), f) != old.size() || std::fclose(f) != 0) return 1;
    if (link(a.c_str(), b.c_str()) != 0) return 1;
    // In place, the file ends where the new content ends, shorter or longer.
    if (SaveWith(a, "new") != 1 || ReadAll(b) != "new") return 2;
    if (SaveWith(b, old) != 1 || ReadAll(a) != old) return 3;
    int fill = open((mnt + "/fill").c_str(), O_WRONLY | O_CREAT, 0600);
    std::vector<char> block(4096, 'f');
    while (write(fill, block.data(), block.size()) > 0) {
    }
    close(fill);
    std::string why;
    if (SaveWith(a, std::string(40000, 'n'), &why) != 0) return 4;
    if (ReadAll(a) != old || ReadAll(b) != old) return 5;
    if (why.find(std::strerror(ENOSPC)) == std::string::npos) return 6;
    // What still fits is written.
    if (SaveWith(a, "small") != 1 || ReadAll(b) != "small") return 7;
    return 0;
  });
  std::system(("rm -rf '" + dir + "'").c_str());
  if (status == 10) GTEST_SKIP() << "no private mount namespace here";
  EXPECT_EQ(status, 0);
}

}  // namespace
