// Loading, watching and snapshot naming for the scene file sceneview shows.
#include "scene_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>

#include "files/files.h"
#include "opengl/opengl.h"

namespace {

const int kNewestVersion = SCENE_FILE_VERSION;

// The header's version; false when the file has no four bytes to read (the load reports that).
bool ReadVersion(const std::string& path, int& version) {
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  unsigned char b[4];
  bool ok = std::fread(b, 1, 4, f) == 4;
  std::fclose(f);
  if (ok) version = static_cast<int>(static_cast<uint32_t>(b[0]) | (static_cast<uint32_t>(b[1]) << 8) |
                                     (static_cast<uint32_t>(b[2]) << 16) | (static_cast<uint32_t>(b[3]) << 24));
  return ok;
}

}  // namespace

bool LoadSceneFile(TOpenGl* gl, const std::string& file, std::string& error) {
  // The stream takes any version and reads defaults for what a version lacks, so a foreign file
  // would load as an empty scene: refuse it here.
  int version = 0;
  if (ReadVersion(file, version) && (version < 0 || version > kNewestVersion)) {
    error = "not a scene file (version " + std::to_string(version) + "; versions 0 to " +
            std::to_string(kNewestVersion) + " are known)";
    return false;
  }
  // The framework raises where the platform would (a missing file): that is a failed load here.
  try {
    if (gl->LoadFrom(file.c_str())) return true;
    error = "not a complete scene file (a read failed)";
  } catch (const std::exception& e) {
    error = e.what();
  } catch (...) {
    error = "cannot be loaded";
  }
  return false;
}

FileStamp FileStamp::Of(const std::string& path) {
  FileStamp s;
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return s;
  s.exists = true;
  s.device = static_cast<uint64_t>(st.st_dev);
  s.inode = static_cast<uint64_t>(st.st_ino);
  s.size = static_cast<uint64_t>(st.st_size);
  s.mtimeNs = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
  return s;
}

bool FileStamp::operator==(const FileStamp& o) const {
  return exists == o.exists && device == o.device && inode == o.inode && size == o.size && mtimeNs == o.mtimeNs;
}

std::string ReserveSnapshotPath(const std::string& sceneFile, std::string& error) {
  std::string base = sceneFile;
  size_t slash = base.find_last_of('/');
  size_t dot = base.find_last_of('.');
  if (dot != std::string::npos && (slash == std::string::npos || dot > slash + 1)) base.erase(dot);
  for (int n = 1; n <= 100000; ++n) {
    std::string path = base + "-" + std::to_string(n) + ".png";
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd >= 0) {
      ::close(fd);
      return path;
    }
    if (errno != EEXIST) {
      error = path + ": " + std::strerror(errno);
      return std::string();
    }
  }
  error = base + "-N.png: no free name";
  return std::string();
}
