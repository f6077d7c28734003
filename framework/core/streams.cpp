// Byte streams: the abstract stream's helpers, the buffered file stream and the memory stream.
#include "framework/core/streams.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>

namespace {
const size_t kFileBufferSize = 64 * 1024;
const int32_t kCopyChunk = 64 * 1024;
}  // namespace

int64_t TStream::Size() {
  int64_t pos = Seek(0, soCurrent);
  int64_t end = Seek(0, soEnd);
  Seek(pos, soBeginning);
  return end;
}

void TStream::ReadBuffer(void* Buffer, int32_t Count) {
  if (Count < 0 || (Count != 0 && Read(Buffer, Count) != Count)) throw EReadError("Stream read error");
}

void TStream::WriteBuffer(const void* Buffer, int32_t Count) {
  if (Count < 0 || (Count != 0 && Write(Buffer, Count) != Count)) throw EWriteError("Stream write error");
}

// Moves the data in chunks, so a count that lies about the source allocates nothing extra.
int64_t TStream::CopyFrom(TStream* Source, int64_t Count) {
  if (Source == nullptr) throw EReadError("Stream read error");
  if (Count == 0) {
    Source->SetPosition(0);
    Count = Source->Size();
  }
  if (Count < 0) throw EReadError("Stream read error");
  std::vector<uint8_t> chunk(static_cast<size_t>(std::min<int64_t>(Count, kCopyChunk)));
  int64_t left = Count;
  while (left > 0) {
    int32_t n = static_cast<int32_t>(std::min<int64_t>(left, kCopyChunk));
    Source->ReadBuffer(chunk.data(), n);
    WriteBuffer(chunk.data(), n);
    left -= n;
  }
  return Count;
}

// ---- TFileStream ----

TFileStream::TFileStream(const AnsiString& FileName, TFileMode Mode) {
  FWriting = Mode == fmCreate;
  if (FWriting) {
    FFd = ::open(FileName.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (FFd < 0)
      throw EFCreateError(std::string("Cannot create file \"") + FileName.str() + "\". " + std::strerror(errno));
  } else {
    FFd = ::open(FileName.c_str(), O_RDONLY | O_CLOEXEC);
    if (FFd >= 0) {
      struct stat st;
      // A directory opens read-only but cannot be read as a file.
      if (::fstat(FFd, &st) == 0 && S_ISDIR(st.st_mode)) {
        ::close(FFd);
        FFd = -1;
        errno = EISDIR;
      }
    }
    if (FFd < 0)
      throw EFOpenError(std::string("Cannot open file \"") + FileName.str() + "\". " + std::strerror(errno));
  }
  FSequential = ::lseek(FFd, 0, SEEK_CUR) < 0 && errno == ESPIPE;
  FBuf.resize(kFileBufferSize);
}

TFileStream::TFileStream(int Handle) {
  FFd = Handle;
  FOwnsFd = false;
  FWriting = true;
  FSequential = ::lseek(FFd, 0, SEEK_CUR) < 0 && errno == ESPIPE;
  FBuf.resize(kFileBufferSize);
}

TFileStream::~TFileStream() {
  Flush();
  if (FOwnsFd && FFd >= 0) ::close(FFd);
}

namespace {
// Writes all of [data, data+n) at off (in order where the file has no offsets); false on any failure.
bool WriteAllAt(int fd, const uint8_t* data, size_t n, int64_t off, bool sequential) {
  while (n > 0) {
    ssize_t w = sequential ? ::write(fd, data, n) : ::pwrite(fd, data, n, off);
    if (w < 0 && errno == EINTR) continue;
    if (w == 0) errno = ENOSPC;
    if (w <= 0) return false;
    data += w;
    n -= static_cast<size_t>(w);
    off += w;
  }
  return true;
}

// Reads up to n bytes at off, retrying short reads; returns the count read (less only at end of file or on error).
size_t ReadAllAt(int fd, uint8_t* data, size_t n, int64_t off) {
  size_t got = 0;
  while (got < n) {
    ssize_t r = ::pread(fd, data + got, n - got, off + static_cast<int64_t>(got));
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) break;
    got += static_cast<size_t>(r);
  }
  return got;
}
}  // namespace

bool TFileStream::Flush() {
  if (!FDirty) return !FWriteFailed;
  if (!FWriteFailed && !WriteAllAt(FFd, FBuf.data(), FBufLen, FBufStart, FSequential)) WriteFailedNow();
  FBufStart += static_cast<int64_t>(FBufLen);
  FBufPos = FBufLen = 0;
  FDirty = false;
  return !FWriteFailed;
}

bool TFileStream::Drain() {
  if (FDirty) return Flush();
  FBufStart += static_cast<int64_t>(FBufPos);
  FBufPos = FBufLen = 0;
  return true;
}

int32_t TFileStream::Read(void* Buffer, int32_t Count) {
  if (Count <= 0 || Buffer == nullptr) return 0;
  if (FDirty && !Flush()) return 0;
  uint8_t* out = static_cast<uint8_t*>(Buffer);
  size_t want = static_cast<size_t>(Count);
  size_t done = 0;
  while (done < want) {
    if (FBufPos < FBufLen) {
      size_t n = std::min(want - done, FBufLen - FBufPos);
      std::memcpy(out + done, FBuf.data() + FBufPos, n);
      FBufPos += n;
      done += n;
      continue;
    }
    Drain();
    // Large transfers bypass the buffer.
    if (want - done >= FBuf.size()) {
      size_t got = ReadAllAt(FFd, out + done, want - done, FBufStart);
      FBufStart += static_cast<int64_t>(got);
      done += got;
      break;
    }
    FBufLen = ReadAllAt(FFd, FBuf.data(), FBuf.size(), FBufStart);
    if (FBufLen == 0) break;
  }
  return static_cast<int32_t>(done);
}

// A write that moved nothing and set no errno is a full device.
void TFileStream::WriteFailedNow() {
  FWriteFailed = true;
  FWriteError = errno != 0 ? errno : ENOSPC;
}

int32_t TFileStream::Write(const void* Buffer, int32_t Count) {
  if (Count <= 0 || Buffer == nullptr || !FWriting || FWriteFailed) return 0;
  if (!FDirty) Drain();
  const uint8_t* in = static_cast<const uint8_t*>(Buffer);
  size_t n = static_cast<size_t>(Count);
  if (FBufLen + n > FBuf.size()) {
    if (!Flush()) return 0;
    if (n >= FBuf.size()) {
      if (!WriteAllAt(FFd, in, n, FBufStart, FSequential)) {
        WriteFailedNow();
        return 0;
      }
      FBufStart += static_cast<int64_t>(n);
      return Count;
    }
  }
  std::memcpy(FBuf.data() + FBufLen, in, n);
  FBufLen += n;
  FBufPos = FBufLen;
  FDirty = true;
  return Count;
}

int64_t TFileStream::Seek(int64_t Offset, TSeekOrigin Origin) {
  int64_t current = FBufStart + static_cast<int64_t>(FBufPos);
  int64_t target;
  switch (Origin) {
    case soBeginning: target = Offset; break;
    case soCurrent: target = current + Offset; break;
    default: {
      Flush();
      struct stat st;
      if (::fstat(FFd, &st) != 0) return current;
      target = static_cast<int64_t>(st.st_size) + Offset;
      break;
    }
  }
  if (target < 0) return current;
  if (target == current) return current;
  // Within the read-ahead: move the cursor only.
  if (!FDirty && target >= FBufStart && target <= FBufStart + static_cast<int64_t>(FBufLen)) {
    FBufPos = static_cast<size_t>(target - FBufStart);
    return target;
  }
  Flush();
  FBufStart = target;
  FBufPos = FBufLen = 0;
  return target;
}

int64_t TFileStream::Size() {
  struct stat st;
  int64_t onDisk = ::fstat(FFd, &st) == 0 ? static_cast<int64_t>(st.st_size) : 0;
  // Pending writes may extend the file beyond what the disk holds yet.
  if (FDirty) onDisk = std::max(onDisk, FBufStart + static_cast<int64_t>(FBufLen));
  return onDisk;
}

// ---- TMemoryStream ----

int32_t TMemoryStream::Read(void* Buffer, int32_t Count) {
  if (Count <= 0 || Buffer == nullptr) return 0;
  int64_t size = static_cast<int64_t>(FData.size());
  if (FPos >= size) return 0;
  int64_t n = std::min<int64_t>(Count, size - FPos);
  std::memcpy(Buffer, FData.data() + FPos, static_cast<size_t>(n));
  FPos += n;
  return static_cast<int32_t>(n);
}

int32_t TMemoryStream::Write(const void* Buffer, int32_t Count) {
  if (Count <= 0 || Buffer == nullptr) return 0;
  int64_t end = FPos + Count;
  if (end > static_cast<int64_t>(FData.size())) FData.resize(static_cast<size_t>(end));
  std::memcpy(FData.data() + FPos, Buffer, static_cast<size_t>(Count));
  FPos = end;
  return Count;
}

int64_t TMemoryStream::Seek(int64_t Offset, TSeekOrigin Origin) {
  int64_t target;
  switch (Origin) {
    case soBeginning: target = Offset; break;
    case soCurrent: target = FPos + Offset; break;
    default: target = static_cast<int64_t>(FData.size()) + Offset; break;
  }
  if (target >= 0) FPos = target;
  return FPos;
}

void TMemoryStream::Clear() {
  FData.clear();
  FData.shrink_to_fit();
  FPos = 0;
}

void TMemoryStream::SetSize(int64_t n) {
  if (n < 0) n = 0;
  FData.resize(static_cast<size_t>(n));
  if (FPos > n) FPos = n;
}
