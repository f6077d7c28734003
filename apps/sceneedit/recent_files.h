// The files sceneedit opened or saved last, newest first, kept in a small file between runs.
#pragma once

#include <string>
#include <vector>

class TRecentFiles {
public:
  // Kept in store (one absolute path a line); an empty store keeps nothing between runs.
  explicit TRecentFiles(std::string store = DefaultStore());
  // $XDG_CONFIG_HOME/sceneedit/recent, else ~/.config/sceneedit/recent; empty when neither is known.
  static std::string DefaultStore();
  static constexpr size_t Max = 8;

  // Reads the store; files that no longer exist, repeats and lines past Max are dropped.
  void Load();
  // Writes the store (its folder made when missing); false when it could not be written.
  bool Save() const;
  // Puts a file first, as an absolute path; the oldest goes beyond Max.
  void Add(const std::string& file);
  void Remove(const std::string& file);
  const std::vector<std::string>& Files() const { return FFiles; }
  std::string Store() const { return FStore; }

private:
  std::string FStore;
  std::vector<std::string> FFiles;
};
