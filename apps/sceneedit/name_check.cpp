#include "name_check.h"

#include "files/files.h"
#include "parts/parts.h"
#include "scene_edits.h"

std::string NameTooLong(const std::string& name) {
  if (name.size() <= static_cast<size_t>(SCENE_STRING_MAX)) return "";
  return "a name can have at most " + std::to_string(SCENE_STRING_MAX) + " characters; this one has " +
         std::to_string(name.size());
}

std::string UnsavableName(TPartGroup* root) {
  std::vector<TPartRow> rows = PartRows(root);
  for (size_t i = 0; i < rows.size(); ++i) {
    std::string why = NameTooLong(rows[i].part->Name.str());
    if (!why.empty()) return "the part in row " + std::to_string(i + 1) + " of the tree: " + why;
  }
  return "";
}
