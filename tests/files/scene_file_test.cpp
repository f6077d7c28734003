// The scene file stream: byte layout, version gating, the sticky ok flag, strings and direction checks.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "files/files.h"

namespace {
std::string TempPath(const char* name) {
  return std::string(::testing::TempDir()) + "v3d_files_" + std::to_string(getpid()) + "_" + name;
}

std::vector<uint8_t> FileBytes(const std::string& path) {
  std::vector<uint8_t> out;
  if (FILE* f = std::fopen(path.c_str(), "rb")) {
    int c;
    while ((c = std::fgetc(f)) != EOF) out.push_back(uint8_t(c));
    std::fclose(f);
  }
  return out;
}

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
}

std::vector<uint8_t> Le(std::initializer_list<uint32_t> words) {
  std::vector<uint8_t> out;
  for (uint32_t w : words)
    for (int i = 0; i < 4; ++i) out.push_back(uint8_t(w >> (8 * i)));
  return out;
}
}  // namespace

TEST(SceneFile, WritesTheExactBytes) {
  std::string path = TempPath("write.bin");
  {
    TSceneFile f(path.c_str(), true, SCENE_FILE_VERSION);
    EXPECT_TRUE(f.IsOk());
    EXPECT_EQ(f.GetVersion(), 4);
    EXPECT_TRUE(f.WriteString("abc"));
    EXPECT_TRUE(f.WriteString(""));
    EXPECT_TRUE(f.WriteInt(-2));
    EXPECT_TRUE(f.WriteFloat(1.5f));
    EXPECT_EQ(f.Remaining(), 0);
  }
  EXPECT_EQ(FileBytes(path), (std::vector<uint8_t>{4, 0, 0, 0, 3, 0, 0, 0, 'a', 'b', 'c', 0, 0, 0, 0,
                                                   0xFE, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0xC0, 0x3F}));

  TSceneFile r(path.c_str(), false, 0);
  EXPECT_EQ(r.GetVersion(), 4);
  AnsiString s = "x";
  EXPECT_TRUE(r.ReadString(0, &s, ""));
  EXPECT_EQ(s, "abc");
  EXPECT_TRUE(r.ReadString(0, &s, "default"));
  EXPECT_EQ(s, "");
  int i = 0;
  float v = 0;
  EXPECT_EQ(r.Remaining(), 8);
  EXPECT_TRUE(r.ReadInt(0, &i, 0));
  EXPECT_TRUE(r.ReadFloat(0, &v, 0));
  EXPECT_EQ(i, -2);
  EXPECT_EQ(v, 1.5f);
  EXPECT_EQ(r.Remaining(), 0);
  std::remove(path.c_str());
}

TEST(SceneFile, StringLengthLimits) {
  std::string path = TempPath("strings.bin");
  const std::string longest(998, 'q');
  {
    TSceneFile f(path.c_str(), true, 4);
    EXPECT_TRUE(f.WriteString(longest.c_str()));
    // A string no reader would accept is not written, and the save is marked failed.
    EXPECT_FALSE(f.WriteString(std::string(999, 'z')));
    EXPECT_FALSE(f.IsOk());
  }
  EXPECT_EQ(FileBytes(path).size(), 4u + 4u + 998u);
  {
    TSceneFile r(path.c_str(), false, 0);
    AnsiString s;
    EXPECT_TRUE(r.ReadString(0, &s, ""));
    EXPECT_EQ(s.str(), longest);
  }

  // Length fields of 999, -1 and a length beyond the data fail and leave the target alone.
  for (uint32_t n : {999u, 0xFFFFFFFFu, 10u}) {
    std::vector<uint8_t> bytes = Le({4, n});
    bytes.insert(bytes.end(), 999, 'x');
    if (n == 10u) bytes.resize(8 + 5);
    WriteBytes(path, bytes);
    TSceneFile r(path.c_str(), false, 0);
    AnsiString s = "kept";
    EXPECT_FALSE(r.ReadString(0, &s, "")) << n;
    EXPECT_EQ(s, "kept");
    EXPECT_TRUE(r.IsOk());  // strings leave ok alone
  }

  // A zero byte ends the string.
  std::vector<uint8_t> bytes = Le({4, 4});
  bytes.insert(bytes.end(), {'a', 0, 'b', 'c'});
  WriteBytes(path, bytes);
  TSceneFile r(path.c_str(), false, 0);
  AnsiString s;
  EXPECT_TRUE(r.ReadString(0, &s, ""));
  EXPECT_EQ(s, "a");
  std::remove(path.c_str());
}

TEST(SceneFile, VersionGatedReadsConsumeNothing) {
  std::string path = TempPath("versions.bin");
  WriteBytes(path, Le({2, 7, 2}));
  TSceneFile r(path.c_str(), false, 0);
  EXPECT_EQ(r.GetVersion(), 2);
  float f = 9;
  int i = 9;
  AnsiString s;
  EXPECT_TRUE(r.ReadFloat(3, &f, 0));
  EXPECT_EQ(f, 0.0f);
  EXPECT_TRUE(r.ReadString(3, &s, "def"));
  EXPECT_EQ(s, "def");
  EXPECT_TRUE(r.ReadInt(2, &i, -1));
  EXPECT_EQ(i, 7);  // the gated reads left the position where it was
  // A flag stored as anything but 1 is false to its callers.
  EXPECT_TRUE(r.ReadInt(0, &i, 0));
  EXPECT_EQ(i, 2);
  EXPECT_FALSE(i == 1);
  std::remove(path.c_str());
}

TEST(SceneFile, OkIsStickyAfterAFailedRead) {
  std::string path = TempPath("sticky.bin");
  std::vector<uint8_t> bytes = Le({1, 2});
  bytes.push_back(0xAA);  // a partial value
  WriteBytes(path, bytes);
  TSceneFile r(path.c_str(), false, 0);
  int i = 0;
  float f = 5;
  EXPECT_TRUE(r.ReadInt(0, &i, 0));
  EXPECT_EQ(i, 2);
  EXPECT_FALSE(r.ReadFloat(0, &f, 0));
  EXPECT_EQ(f, 5.0f);
  EXPECT_FALSE(r.IsOk());
  EXPECT_EQ(r.Fault(), sfCutShort);
  EXPECT_EQ(r.FaultOffset(), 9);  // where the file ends
  r.Fail(sfTooDeep);
  EXPECT_EQ(r.Fault(), sfCutShort);  // the first reason stays
  i = 42;
  EXPECT_FALSE(r.ReadInt(0, &i, 0));
  EXPECT_EQ(i, 42);
  // Values newer than the file still get their defaults.
  EXPECT_TRUE(r.ReadInt(2, &i, 8));
  EXPECT_EQ(i, 8);
  std::remove(path.c_str());
}

TEST(SceneFile, ShortHeaderAndMissingFile) {
  std::string path = TempPath("short.bin");
  for (size_t n : {0u, 3u}) {
    WriteBytes(path, std::vector<uint8_t>(n, 4));
    TSceneFile r(path.c_str(), false, 0);
    EXPECT_FALSE(r.IsOk());
    EXPECT_EQ(r.Fault(), sfNotScene);
    EXPECT_EQ(r.GetVersion(), 0);
    int i = 3;
    EXPECT_FALSE(r.ReadInt(0, &i, 0));
    EXPECT_EQ(i, 3);
    EXPECT_TRUE(r.ReadInt(1, &i, 11));
    EXPECT_EQ(i, 11);
  }
  EXPECT_THROW(TSceneFile((TempPath("no-such-dir") + "/x.scn").c_str(), false, 0), EFOpenError);
  EXPECT_THROW(TSceneFile((TempPath("no-such-dir") + "/x.scn").c_str(), true, 4), EFCreateError);
  std::remove(path.c_str());
}

TEST(SceneFile, WorksOnACallersStream) {
  TMemoryStream m;
  {
    TSceneFile w(&m, true, 3);
    EXPECT_TRUE(w.WriteInt(1));
    EXPECT_TRUE(w.WriteString("hi"));
  }
  EXPECT_EQ(m.Size(), 4 + 4 + 6);  // the stream outlives the scene file
  m.SetPosition(0);
  TSceneFile r(&m, false, 0);
  EXPECT_EQ(r.GetVersion(), 3);
  EXPECT_EQ(r.Remaining(), 10);
  int i = 0;
  AnsiString s;
  EXPECT_TRUE(r.ReadInt(0, &i, 0));
  EXPECT_TRUE(r.ReadString(0, &s, ""));
  EXPECT_EQ(s, "hi");
  EXPECT_EQ(r.Fault(), sfNone);
  // A string read that fails leaves the flag to its caller; the caller's Fail() takes the string's reason.
  for (bool cut : {false, true}) {
    TMemoryStream b;
    std::vector<uint8_t> bytes = Le({4, cut ? 5u : 999u});
    bytes.push_back('x');
    b.Write(bytes.data(), static_cast<int32_t>(bytes.size()));
    b.SetPosition(0);
    TSceneFile bad(&b, false, 0);
    EXPECT_FALSE(bad.ReadString(0, &s, ""));
    EXPECT_TRUE(bad.IsOk());
    bad.Fail();
    EXPECT_EQ(bad.Fault(), cut ? sfCutShort : sfNotScene);
  }
}

TEST(SceneFileDeathTest, WrongDirectionAborts) {
  ::testing::FLAGS_gtest_death_test_style = "threadsafe";
  std::string path = TempPath("direction.bin");
  WriteBytes(path, Le({4, 1}));
  EXPECT_DEATH(
      {
        TSceneFile r(path.c_str(), false, 0);
        r.WriteInt(1);
      },
      "files.*writing");
  EXPECT_DEATH(
      {
        TSceneFile w(path.c_str(), true, 4);
        int i;
        w.ReadInt(0, &i, 0);
      },
      "files.*!writing");
  std::remove(path.c_str());
}

TEST(SceneFile, FlushReportsARefusedWrite) {
  if (access("/dev/full", W_OK) != 0) GTEST_SKIP() << "no /dev/full";
  TSceneFile f("/dev/full", true, 4);
  EXPECT_TRUE(f.WriteInt(1));  // still in the buffer
  EXPECT_FALSE(f.Flush());
  EXPECT_FALSE(f.IsOk());
  EXPECT_FALSE(f.WriteInt(2));
}

TEST(SceneFile, IsOkAnswersForEveryByteWritten) {
  if (access("/dev/full", W_OK) != 0) GTEST_SKIP() << "no /dev/full";
  // The header alone could not reach the device.
  TSceneFile full("/dev/full", true, 4);
  EXPECT_FALSE(full.IsOk());
  EXPECT_FALSE(full.WriteInt(1));

  // On a file that takes the bytes, the answer stays true and the bytes are on disk when it is given.
  std::string path = TempPath("isok.bin");
  {
    TSceneFile f(path.c_str(), true, 4);
    EXPECT_TRUE(f.WriteInt(7));
    EXPECT_TRUE(f.WriteString("abc"));
    EXPECT_TRUE(f.IsOk());
    EXPECT_EQ(FileBytes(path), std::vector<uint8_t>({4, 0, 0, 0, 7, 0, 0, 0, 3, 0, 0, 0, 'a', 'b', 'c'}));
  }
  std::remove(path.c_str());
}
