// Loading, watching and snapshot naming for the scene file sceneview shows.
#include "scene_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>

#include "opengl/opengl.h"

bool LoadSceneFile(TOpenGl* gl, const std::string& file, std::string& error) {
  // The framework raises where the platform would (a file that cannot be opened): that is a failed load here.
  try {
    if (gl->LoadFrom(file.c_str())) return true;
    error = gl->LoadError().str();
  } catch (const std::exception& e) {
    error = e.what();
  }
  return false;
}

SceneOpen OpenSceneForEditing(TOpenGl* gl, const std::string& file, std::string& error) {
  if (file.empty()) return SceneOpen::NewScene;
  struct stat st;
  if (::stat(file.c_str(), &st) != 0) {
    if (errno == ENOENT) return SceneOpen::NewScene;
    error = std::strerror(errno);
    return SceneOpen::Failed;
  }
  return LoadSceneFile(gl, file, error) ? SceneOpen::Loaded : SceneOpen::Failed;
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
