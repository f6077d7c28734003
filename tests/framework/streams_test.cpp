// File and memory streams: exact counts through the file buffer, copies, and the open/create errors.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "framework/core/streams.h"

namespace {
std::string TempPath(const char* name) {
  return std::string(::testing::TempDir()) + "v3d_streams_" + std::to_string(getpid()) + "_" + name;
}

std::vector<uint8_t> FileBytes(const std::string& path) {
  std::vector<uint8_t> out;
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return out;
  int c;
  while ((c = std::fgetc(f)) != EOF) out.push_back(static_cast<uint8_t>(c));
  std::fclose(f);
  return out;
}
}  // namespace

// Many small transfers cross the internal buffer's edges; every count must still be exact.
TEST(FileStream, SmallTransfersAreExactAcrossTheBuffer) {
  std::string path = TempPath("small.bin");
  const int kCount = 100000;  // 400,000 bytes: several buffer fills
  {
    TFileStream out(path.c_str(), fmCreate);
    for (int i = 0; i < kCount; ++i) ASSERT_EQ(out.Write(&i, 4), 4);
    uint8_t odd[3] = {1, 2, 3};
    EXPECT_EQ(out.Write(odd, 3), 3);
    EXPECT_EQ(out.Position(), kCount * 4 + 3);
    EXPECT_EQ(out.Size(), kCount * 4 + 3);
  }  // the destructor flushes
  EXPECT_EQ(FileBytes(path).size(), size_t(kCount * 4 + 3));

  TFileStream in(path.c_str(), fmOpenRead);
  EXPECT_EQ(in.Size(), kCount * 4 + 3);
  for (int i = 0; i < kCount; ++i) {
    int v = -1;
    ASSERT_EQ(in.Read(&v, 4), 4);
    ASSERT_EQ(v, i);
    // Size and position queries, as readers make to bound counts, keep the place.
    if (i % 997 == 0) {
      ASSERT_EQ(in.Size(), kCount * 4 + 3);
      ASSERT_EQ(in.Position(), 4 * (i + 1));
    }
  }
  uint8_t tail[8] = {};
  EXPECT_EQ(in.Read(tail, 8), 3);  // only what is left
  EXPECT_EQ(tail[2], 3);
  EXPECT_EQ(in.Read(tail, 4), 0);
  EXPECT_EQ(in.Write(tail, 4), 0);  // read-only

  // Seeking back inside and outside the buffered window.
  int v = 0;
  in.SetPosition(4 * 5);
  EXPECT_EQ(in.Read(&v, 4), 4);
  EXPECT_EQ(v, 5);
  in.SetPosition(4 * (kCount - 1));
  EXPECT_EQ(in.Read(&v, 4), 4);
  EXPECT_EQ(v, kCount - 1);
  EXPECT_EQ(in.Seek(-8, soEnd), kCount * 4 + 3 - 8);
  std::remove(path.c_str());
}

TEST(FileStream, LargeTransfersAndReadBack) {
  std::string path = TempPath("large.bin");
  std::vector<uint8_t> big(300000);
  for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<uint8_t>(i * 7);
  {
    TFileStream out(path.c_str(), fmCreate);
    EXPECT_EQ(out.Write(big.data(), 10), 10);
    EXPECT_EQ(out.Write(big.data() + 10, int32_t(big.size() - 10)), int32_t(big.size() - 10));
    EXPECT_TRUE(out.Flush());
    EXPECT_FALSE(out.WriteFailed());
  }
  EXPECT_EQ(FileBytes(path), big);
  TFileStream in(path.c_str(), fmOpenRead);
  std::vector<uint8_t> back(big.size());
  EXPECT_EQ(in.Read(back.data(), 5), 5);
  EXPECT_EQ(in.Read(back.data() + 5, int32_t(back.size())), int32_t(back.size() - 5));
  EXPECT_EQ(back, big);
  std::remove(path.c_str());
}

// Reads of the buffer's size or more, from inside a buffered window or from its edge: the position
// after each is exact and the next read continues with the following bytes.
static void ExpectLargeReadsKeepTheirPlace(TStream& s, const std::vector<uint8_t>& bytes) {
  const int32_t kBuffer = 64 * 1024;
  for (int64_t start : {int64_t(0), int64_t(1), int64_t(kBuffer - 1), int64_t(kBuffer), int64_t(kBuffer + 3)}) {
    for (int32_t count : {kBuffer - 1, kBuffer, kBuffer + 1, 2 * kBuffer + 5}) {
      s.SetPosition(0);
      uint8_t first = 0;
      ASSERT_EQ(s.Read(&first, 1), 1);  // fills the buffer, where there is one
      s.SetPosition(start);
      std::vector<uint8_t> got(count);
      ASSERT_EQ(s.Read(got.data(), count), count) << start << "+" << count;
      ASSERT_EQ(s.Position(), start + count) << start << "+" << count;
      ASSERT_TRUE(std::equal(got.begin(), got.end(), bytes.begin() + start)) << start << "+" << count;
      uint8_t next[7] = {};
      ASSERT_EQ(s.Read(next, 7), 7);
      ASSERT_TRUE(std::equal(next, next + 7, bytes.begin() + start + count)) << start << "+" << count;
      ASSERT_EQ(s.Position(), start + count + 7);
    }
  }
  // The last read ends at the end of the stream and reports the short count.
  s.SetPosition(int64_t(bytes.size()) - kBuffer - 2);
  std::vector<uint8_t> tail(kBuffer + 10);
  EXPECT_EQ(s.Read(tail.data(), kBuffer + 10), kBuffer + 2);
  EXPECT_EQ(s.Position(), int64_t(bytes.size()));
}

TEST(Streams, LargeReadsLeaveTheExactPositionForTheNextRead) {
  std::string path = TempPath("position.bin");
  // A pattern that does not repeat at any power of two, so a read from the wrong place shows.
  std::vector<uint8_t> bytes(3 * 64 * 1024 + 100);
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>((i * 131 + i / 251) & 0xFF);
  {
    TFileStream out(path.c_str(), fmCreate);
    out.WriteBuffer(bytes.data(), int32_t(bytes.size()));
  }
  {
    TFileStream in(path.c_str(), fmOpenRead);
    ExpectLargeReadsKeepTheirPlace(in, bytes);
  }
  TMemoryStream m;
  m.WriteBuffer(bytes.data(), int32_t(bytes.size()));
  ExpectLargeReadsKeepTheirPlace(m, bytes);
  std::remove(path.c_str());
}

TEST(FileStream, FailuresRaiseTheFrameworkExceptions) {
  EXPECT_THROW(TFileStream("/nonexistent-dir/x/file.bin", fmOpenRead), EFOpenError);
  EXPECT_THROW(TFileStream("/nonexistent-dir/x/file.bin", fmCreate), EFCreateError);
  EXPECT_THROW(TFileStream(::testing::TempDir().c_str(), fmOpenRead), EFOpenError);
  // Both are stream errors, so a caller may catch either.
  EXPECT_THROW(TFileStream("/nonexistent-dir/file.bin", fmOpenRead), EStreamError);

  // Create replaces an existing file.
  std::string path = TempPath("replace.bin");
  { TFileStream out(path.c_str(), fmCreate); out.WriteBuffer("0123456789", 10); }
  { TFileStream out(path.c_str(), fmCreate); out.WriteBuffer("ab", 2); }
  EXPECT_EQ(FileBytes(path).size(), 2u);
  TFileStream in(path.c_str(), fmOpenRead);
  char buf[4];
  EXPECT_THROW(in.ReadBuffer(buf, 4), EReadError);
  std::remove(path.c_str());
}

TEST(MemoryStream, ReadWriteSeekClear) {
  TMemoryStream m;
  EXPECT_EQ(m.Size(), 0);
  EXPECT_EQ(m.Write("hello", 5), 5);
  EXPECT_EQ(m.Position(), 5);
  m.SetPosition(1);
  EXPECT_EQ(m.Write("E", 1), 1);
  EXPECT_EQ(m.Size(), 5);
  m.SetPosition(0);
  char buf[8] = {};
  EXPECT_EQ(m.Read(buf, 8), 5);
  EXPECT_STREQ(buf, "hEllo");
  EXPECT_EQ(m.Read(buf, 1), 0);
  EXPECT_EQ(m.Seek(-2, soEnd), 3);
  EXPECT_EQ(m.Seek(-10, soCurrent), 3);  // a negative position is refused
  m.SetSize(2);
  EXPECT_EQ(m.Position(), 2);
  m.Clear();
  EXPECT_EQ(m.Size(), 0);
  EXPECT_EQ(m.Position(), 0);
  EXPECT_THROW(m.ReadBuffer(buf, 1), EReadError);
}

TEST(MemoryStream, CopyFromCountsAndShortCopies) {
  TMemoryStream src;
  src.WriteBuffer("abcdefgh", 8);
  src.SetPosition(6);

  // Count 0: the whole source from its start, wherever it stood.
  TMemoryStream all;
  EXPECT_EQ(all.CopyFrom(&src, 0), 8);
  EXPECT_EQ(all.Size(), 8);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(all.Memory()), 8), "abcdefgh");

  // A count copies from the current position.
  src.SetPosition(2);
  TMemoryStream part;
  EXPECT_EQ(part.CopyFrom(&src, 3), 3);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(part.Memory()), 3), "cde");
  EXPECT_EQ(src.Position(), 5);

  // More than the source holds: the framework's exception, and no huge allocation.
  TMemoryStream shortCopy;
  src.SetPosition(0);
  EXPECT_THROW(shortCopy.CopyFrom(&src, int64_t(1) << 40), EReadError);
  EXPECT_THROW(shortCopy.CopyFrom(&src, -1), EReadError);

  // From a file, across the file buffer.
  std::string path = TempPath("copy.bin");
  {
    TFileStream out(path.c_str(), fmCreate);
    for (int i = 0; i < 50000; ++i) out.WriteBuffer(&i, 4);
  }
  TFileStream in(path.c_str(), fmOpenRead);
  int first = -1;
  in.ReadBuffer(&first, 4);
  TMemoryStream fromFile;
  EXPECT_EQ(fromFile.CopyFrom(&in, 4 * 1000), 4000);
  int v = -1;
  fromFile.SetPosition(0);
  fromFile.ReadBuffer(&v, 4);
  EXPECT_EQ(v, 1);
  fromFile.Seek(0, soEnd);
  EXPECT_EQ(fromFile.CopyFrom(&in, 0), 200000);
  EXPECT_EQ(fromFile.Size(), 204000);
  std::remove(path.c_str());
}

// A full disk shows up at the latest when the buffer is flushed, and later writes report nothing moved.
TEST(FileStream, RefusedWritesAreReported) {
  if (access("/dev/full", W_OK) != 0) GTEST_SKIP() << "no /dev/full";
  TFileStream out("/dev/full", fmCreate);
  int v = 1;
  int32_t moved = 0;
  for (int i = 0; i < 100000; ++i) moved += out.Write(&v, 4);
  EXPECT_LT(moved, 400000);
  EXPECT_FALSE(out.Flush());
  EXPECT_TRUE(out.WriteFailed());
  EXPECT_EQ(out.Write(&v, 4), 0);
  EXPECT_THROW(out.WriteBuffer(&v, 4), EWriteError);
}
