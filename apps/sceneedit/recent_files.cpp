// TRecentFiles: the list, its store under the user's configuration folder, and its clean-up on load.
#include "recent_files.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace fs = std::filesystem;

namespace {
std::string Absolute(const std::string& file) {
  std::error_code ec;
  fs::path p = fs::absolute(file, ec);
  return ec ? file : p.lexically_normal().string();
}
}  // namespace

TRecentFiles::TRecentFiles(std::string store) : FStore(std::move(store)) {}

std::string TRecentFiles::DefaultStore() {
  const char* config = std::getenv("XDG_CONFIG_HOME");
  if (config && *config == '/') return std::string(config) + "/sceneedit/recent";
  const char* home = std::getenv("HOME");
  if (home && *home == '/') return std::string(home) + "/.config/sceneedit/recent";
  return "";
}

void TRecentFiles::Load() {
  FFiles.clear();
  if (FStore.empty()) return;
  std::ifstream in(FStore);
  std::error_code ec;
  for (std::string line; std::getline(in, line) && FFiles.size() < Max;) {
    if (line.empty() || line[0] != '/' || !fs::is_regular_file(line, ec)) continue;
    if (std::find(FFiles.begin(), FFiles.end(), line) == FFiles.end()) FFiles.push_back(line);
  }
}

bool TRecentFiles::Save() const {
  if (FStore.empty()) return false;
  std::error_code ec;
  fs::create_directories(fs::path(FStore).parent_path(), ec);
  // A whole new file, then renamed over the old one: two editors closing at once leave one list whole.
  std::string temp = FStore + "." + std::to_string(getpid());
  {
    std::ofstream out(temp, std::ios::trunc);
    for (const std::string& f : FFiles) out << f << '\n';
    out.flush();
    if (!out) {
      std::remove(temp.c_str());
      return false;
    }
  }
  fs::rename(temp, FStore, ec);
  if (ec) std::remove(temp.c_str());
  return !ec;
}

void TRecentFiles::Add(const std::string& file) {
  // A name with a line break could not be read back as one line.
  if (file.empty() || file.find('\n') != std::string::npos) return;
  std::string path = Absolute(file);
  Remove(path);
  FFiles.insert(FFiles.begin(), path);
  if (FFiles.size() > Max) FFiles.resize(Max);
}

void TRecentFiles::Remove(const std::string& file) {
  std::string path = Absolute(file);
  FFiles.erase(std::remove(FFiles.begin(), FFiles.end(), path), FFiles.end());
}
