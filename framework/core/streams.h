// Byte streams: the abstract stream, files and memory.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

#include "framework/core/core.h"

enum TSeekOrigin { soBeginning, soCurrent, soEnd };

class TStream : public TObject {
public:
  // Return the number of bytes moved.
  virtual int32_t Read(void* Buffer, int32_t Count) = 0;
  virtual int32_t Write(const void* Buffer, int32_t Count) = 0;
  virtual int64_t Seek(int64_t Offset, TSeekOrigin Origin) = 0;

  int64_t Position() { return Seek(0, soCurrent); }
  void SetPosition(int64_t p) { Seek(p, soBeginning); }
  virtual int64_t Size();

  // Raise EReadError / EWriteError when fewer bytes move.
  void ReadBuffer(void* Buffer, int32_t Count);
  void WriteBuffer(const void* Buffer, int32_t Count);
  // Copies Count bytes from Source's current position (0: the whole of Source from its start).
  // A short copy raises EReadError.
  int64_t CopyFrom(TStream* Source, int64_t Count);
};

enum TFileMode { fmCreate, fmOpenRead };

// A file on disk. Transfers are buffered; callers see exact byte counts.
class TFileStream : public TStream {
public:
  // Raises EFCreateError / EFOpenError when the file cannot be created or opened.
  TFileStream(const AnsiString& FileName, TFileMode Mode);
  // Writes through a descriptor opened for writing; the caller keeps it and closes it after this stream.
  explicit TFileStream(int Handle);
  ~TFileStream() override;

  int32_t Read(void* Buffer, int32_t Count) override;
  int32_t Write(const void* Buffer, int32_t Count) override;
  int64_t Seek(int64_t Offset, TSeekOrigin Origin) override;
  // The file's size, without disturbing the buffer.
  int64_t Size() override;
  // Pushes buffered bytes to the file; false when the file refused them.
  bool Flush();
  // True when every write so far reached the file (checked after Flush).
  bool WriteFailed() const { return FWriteFailed; }
  // What the system said when the first write failed (an errno value; 0 while none has).
  int WriteError() const { return FWriteError; }
  // Typed records move 4 bytes at a time: these inline paths spare them the virtual call when the bytes
  // fit the buffer; false means nothing moved and the caller takes Read / Write.
  bool Append(const void* p, size_t n) {
    if (!FDirty || n > FBuf.size() - FBufLen) return false;
    std::memcpy(FBuf.data() + FBufLen, p, n);
    FBufLen += n;
    FBufPos = FBufLen;
    return true;
  }
  bool Take(void* p, size_t n) {
    if (FDirty || n > FBufLen - FBufPos) return false;
    std::memcpy(p, FBuf.data() + FBufPos, n);
    FBufPos += n;
    return true;
  }

private:
  // Drops read-ahead or writes pending bytes so that the buffer can change direction.
  bool Drain();
  int FFd = -1;
  bool FOwnsFd = true;
  // Pipes, sockets and terminals take bytes in order and cannot be written at an offset.
  bool FSequential = false;
  bool FWriting = false;
  void WriteFailedNow();
  bool FWriteFailed = false;
  int FWriteError = 0;
  // The buffer mirrors the file from FBufStart: read-ahead when FDirty is false, pending writes otherwise.
  std::vector<uint8_t> FBuf;
  int64_t FBufStart = 0;
  size_t FBufPos = 0;
  size_t FBufLen = 0;
  bool FDirty = false;
};

class TMemoryStream : public TStream {
public:
  int32_t Read(void* Buffer, int32_t Count) override;
  int32_t Write(const void* Buffer, int32_t Count) override;
  int64_t Seek(int64_t Offset, TSeekOrigin Origin) override;
  int64_t Size() override { return static_cast<int64_t>(FData.size()); }
  void Clear();
  void SetSize(int64_t n);
  const uint8_t* Memory() const { return FData.data(); }

private:
  std::vector<uint8_t> FData;
  int64_t FPos = 0;
};
