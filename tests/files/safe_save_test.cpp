// Saving a file through a temporary file, or in place: what a save leaves when it fails or is abandoned.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "framework/core/safe_save.h"

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

}  // namespace
