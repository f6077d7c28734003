// The scene file on disk: loading it with its checks, noticing when it changes, naming snapshots beside it.
#pragma once

#include <cstdint>
#include <string>

class TOpenGl;

// Loads file into gl; false with the reason (that names no file) when it cannot be opened or is not a
// complete scene file. The viewport is left as it was then.
bool LoadSceneFile(TOpenGl* gl, const std::string& file, std::string& error);

enum class SceneOpen { Loaded, NewScene, Failed };
// Opening a file for editing: only a name that does not exist starts a new scene under it. A file that
// exists but cannot be read or loaded fails with its reason, so that nothing is saved over it.
SceneOpen OpenSceneForEditing(TOpenGl* gl, const std::string& file, std::string& error);

// What identifies one version of a file on disk; a generator that rewrites it changes at least one.
struct FileStamp {
  bool exists = false;
  uint64_t device = 0, inode = 0, size = 0;
  int64_t mtimeNs = 0;
  static FileStamp Of(const std::string& path);
  bool operator==(const FileStamp& o) const;
  bool operator!=(const FileStamp& o) const { return !(*this == o); }
};

// Creates the first free NAME-N.png beside the scene file (N from 1, never an existing file: the file is
// made with O_EXCL) and returns its path; empty when none could be made. The caller writes it.
std::string ReserveSnapshotPath(const std::string& sceneFile, std::string& error);
