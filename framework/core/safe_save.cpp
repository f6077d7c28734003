// Saving a file through an exclusive temporary file and a rename, or in place where it cannot be replaced.
#include "framework/core/safe_save.h"

#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {
const int kMaxLinkHops = 40;
const int kMaxNameTries = 100;

std::string DirName(const std::string& path) {
  size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

// Follows symbolic links to the path they finally name, which need not exist yet.
bool ResolveLinks(std::string& path) {
  for (int hop = 0; hop < kMaxLinkHops; ++hop) {
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return true;
    std::vector<char> buf(PATH_MAX + 1);
    ssize_t n = ::readlink(path.c_str(), buf.data(), buf.size());
    if (n < 0) return false;
    if (static_cast<size_t>(n) >= buf.size()) {
      errno = ENAMETOOLONG;
      return false;
    }
    std::string link(buf.data(), static_cast<size_t>(n));
    if (link.empty()) {
      errno = ENOENT;
      return false;
    }
    path = link[0] == '/' ? link : DirName(path) + "/" + link;
  }
  errno = ELOOP;
  return false;
}

// The file-creation mask, read without setting it (umask() would change it for every thread meanwhile).
mode_t CurrentUmask() {
  mode_t mask = 022;
  if (FILE* f = std::fopen("/proc/self/status", "re")) {
    char line[256];
    unsigned value = 0;
    while (std::fgets(line, sizeof line, f))
      if (std::sscanf(line, "Umask: %o", &value) == 1) {
        mask = static_cast<mode_t>(value & 0777);
        break;
      }
    std::fclose(f);
  }
  return mask;
}

// Six random characters; the name stays short so that a target of the longest name still gets one.
std::string RandomSuffix() {
  static const char kChars[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  static std::atomic<unsigned> counter{0};
  unsigned char bytes[6];
  if (::getrandom(bytes, sizeof bytes, GRND_NONBLOCK) != static_cast<ssize_t>(sizeof bytes)) {
    struct timespec ts;
    ::clock_gettime(CLOCK_REALTIME, &ts);
    unsigned long long v = static_cast<unsigned long long>(ts.tv_nsec) ^
                           (static_cast<unsigned long long>(::getpid()) << 20) ^ (counter++ * 0x9E3779B97F4A7C15ull);
    for (unsigned char& b : bytes) {
      b = static_cast<unsigned char>(v);
      v = (v >> 8) | (v << 56);
    }
  }
  std::string s;
  for (unsigned char b : bytes) s += kChars[b % (sizeof kChars - 1)];
  return s;
}

// Creates a new hidden file in dir that nobody else can have opened or linked: -1 with errno on failure.
int CreateTemporary(const std::string& dir, std::string& name) {
  for (int i = 0; i < kMaxNameTries; ++i) {
    name = dir + "/.v3d" + RandomSuffix();
    int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd >= 0) return fd;
    if (errno != EEXIST) break;
  }
  name.clear();
  return -1;
}

// Pipes and devices have nothing to sync, and a read-only file system nothing pending.
bool Synced(int fd) { return ::fsync(fd) == 0 || errno == EINVAL || errno == EROFS; }
}  // namespace

TSafeSave::TSafeSave(const AnsiString& FileName) : FName(FileName.str()) {
  FTarget = FName;
  if (!ResolveLinks(FTarget)) RaiseCreateError(errno);
  struct stat st;
  FHadFile = ::lstat(FTarget.c_str(), &st) == 0;
  if (FHadFile && S_ISDIR(st.st_mode)) RaiseCreateError(EISDIR);
  if (FHadFile) {
    FMode = st.st_mode & 07777;
    FUid = st.st_uid;
    FGid = st.st_gid;
  }
  if (FHadFile && !S_ISREG(st.st_mode)) {
    OpenInPlace(false);
  } else if (FHadFile && st.st_nlink > 1) {
    OpenInPlace(true);
  } else {
    FFd = CreateTemporary(DirName(FTarget), FTemp);
    if (FFd < 0) {
      int err = errno;
      // A folder we may not write still lets us write a file we may write.
      if (FHadFile && (err == EACCES || err == EPERM)) OpenInPlace(true);
      else RaiseCreateError(err);
    }
  }
  if (FBuffer) FStream = FBuffer;
  else FStream = FFile = new TFileStream(FFd);
}

TSafeSave::~TSafeSave() {
  if (!FDone) Discard();
}

void TSafeSave::RaiseCreateError(int err) const {
  throw EFCreateError(std::string("Cannot create file \"") + FName + "\". " + std::strerror(err));
}

// A regular file is not truncated here: its old content stays until the new content has its space.
void TSafeSave::OpenInPlace(bool regular) {
  FFd = ::open(FTarget.c_str(), O_WRONLY | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC);
  if (FFd < 0) RaiseCreateError(errno);
  FTemp.clear();
  if (regular) FBuffer = new TMemoryStream;
}

// The replacement takes the old file's mode, and its owner and group where the process may give them.
bool TSafeSave::KeepMetadata() {
  if (!FHadFile) return ::fchmod(FFd, 0666 & ~CurrentUmask()) == 0;
  if (::fchown(FFd, FUid, FGid) != 0) {
    if (errno != EPERM) return false;
    if (::fchown(FFd, static_cast<uid_t>(-1), FGid) != 0 && errno != EPERM) return false;
  }
  return ::fchmod(FFd, FMode) == 0;
}

bool TSafeSave::CloseFile() {
  delete FStream;
  FStream = nullptr;
  FFile = nullptr;
  FBuffer = nullptr;
  if (FFd < 0) return false;
  int rc = ::close(FFd);
  FFd = -1;
  return rc == 0;
}

void TSafeSave::Discard() {
  CloseFile();
  if (!FTemp.empty()) ::unlink(FTemp.c_str());
  FTemp.clear();
  FDone = true;
}

AnsiString TSafeSave::WriteFailure() const {
  if (FFile == nullptr || FFile->WriteError() == 0) return AnsiString();
  return AnsiString("Cannot write file \"" + FName + "\". " + std::strerror(FFile->WriteError()));
}

bool TSafeSave::Failed(int err) {
  if (FError.IsEmpty())
    FError = AnsiString("Cannot write file \"" + FName + "\". " + (err ? std::strerror(err) : "Write failed"));
  return false;
}

// Reserves the new content's space before the first byte of the old content is overwritten: only an
// I/O error past that point can leave the file mixed.
bool TSafeSave::WriteBuffered() {
  const int64_t size = FBuffer->Size();
  if (size > 0) {
    int err = ::posix_fallocate(FFd, 0, static_cast<off_t>(size));
    if (err != 0) return Failed(err);
  }
  const uint8_t* data = FBuffer->Memory();
  for (int64_t done = 0; done < size;) {
    ssize_t w = ::pwrite(FFd, data + done, static_cast<size_t>(size - done), static_cast<off_t>(done));
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) return Failed(w < 0 ? errno : EIO);
    done += w;
  }
  if (::ftruncate(FFd, static_cast<off_t>(size)) != 0) return Failed(errno);
  return Synced(FFd) || Failed(errno);
}

bool TSafeSave::Commit() {
  if (FDone || FStream == nullptr) return false;
  FError = AnsiString();
  if (FBuffer) {
    bool ok = WriteBuffered();
    ok = (CloseFile() || Failed(errno)) && ok;
    FDone = true;
    return ok;
  }
  bool ok = FFile->Flush() || Failed(FFile->WriteError());
  if (InPlace()) {
    ok = ok && (Synced(FFd) || Failed(errno));
    ok = (CloseFile() || Failed(errno)) && ok;
    FDone = true;
    return ok;
  }
  ok = ok && (KeepMetadata() || Failed(errno)) && (::fsync(FFd) == 0 || Failed(errno));
  ok = (CloseFile() || Failed(errno)) && ok;
  if (!ok || ::rename(FTemp.c_str(), FTarget.c_str()) != 0) {
    if (ok) Failed(errno);
    Discard();
    return false;
  }
  FTemp.clear();
  FDone = true;
  // The rename itself reaches the disk only with the folder.
  int dir = ::open(DirName(FTarget).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir < 0) return true;  // a folder we may not read cannot be synced by us; the file itself is

  ok = Synced(dir) || Failed(errno);
  ::close(dir);
  return ok;
}
