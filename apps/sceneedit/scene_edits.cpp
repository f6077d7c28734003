// Edits of a viewport's part tree: rows, paths, new parts, duplicates and the clipboard.
#include "scene_edits.h"

#include <cstring>
#include <unordered_map>

#include "opengl/opengl.h"
#include "parts/parts.h"
#include "view_edits.h"

namespace {

void AddRows(TPartGroup* group, int depth, std::vector<TPartRow>& rows) {
  for (int i = 0; i < group->Count(); ++i) {
    TPart* p = group->Part(i);
    rows.push_back({p, depth});
    if (auto* g = dynamic_cast<TPartGroup*>(p)) AddRows(g, depth + 1, rows);
  }
}

int IndexIn(TPartGroup* group, TPart* part) {
  for (int i = 0; i < group->Count(); ++i)
    if (group->Part(i) == part) return i;
  return -1;
}

// Every name of a tree, counted: candidates are checked against it in constant time.
class TNameCount {
public:
  void AddTree(TPart* part) {
    Add(part->Name.str());
    if (auto* g = dynamic_cast<TPartGroup*>(part))
      for (int i = 0; i < g->Count(); ++i) AddTree(g->Part(i));
  }
  void Add(const std::string& name) { ++FCounts[name]; }
  void Remove(const std::string& name) {
    auto it = FCounts.find(name);
    if (it != FCounts.end() && --it->second == 0) FCounts.erase(it);
  }
  bool Taken(const std::string& name) const { return FCounts.count(name) != 0; }

private:
  std::unordered_map<std::string, int> FCounts;
};

// Splits "Cube12" into "Cube" and 12 (0 when no digits end it).
std::string Stem(const std::string& name, long* number) {
  size_t end = name.size();
  while (end > 0 && name[end - 1] >= '0' && name[end - 1] <= '9') --end;
  *number = 0;
  for (size_t i = end; i < name.size() && *number < 1000000000L; ++i) *number = *number * 10 + (name[i] - '0');
  return name.substr(0, end);
}

// Fresh names for a copy about to be pasted and everything inside it, unique in the tree and the copy: each
// part in turn takes its stem and the lowest free number. Where each stem's search stands is kept, so a copy
// of k parts costs one pass over the names, not one per candidate.
class TCopyNamer {
public:
  TCopyNamer(TPartGroup* root, TPart* copy) {
    FNames.AddTree(root);
    FNames.AddTree(copy);
  }
  void RenameInside(TPart* part) {
    const std::string old = part->Name.str();
    long number = 0;
    std::string stem = Stem(old, &number);
    FNames.Remove(old);
    // The part's own old name is free again: the search for its stem may have passed it.
    long& next = FNext.emplace(stem, 1).first->second;
    if (number > 0 && number < next) next = number;
    if (stem.empty()) stem = "Part";
    long& from = FNext.emplace(stem, 1).first->second;
    std::string name;
    for (;; ++from) {
      name = stem + std::to_string(from);
      if (!FNames.Taken(name)) break;
    }
    ++from;
    part->Name = name.c_str();
    FNames.Add(name);
    if (auto* g = dynamic_cast<TPartGroup*>(part))
      for (int i = 0; i < g->Count(); ++i) RenameInside(g->Part(i));
  }

private:
  TNameCount FNames;
  std::unordered_map<std::string, long> FNext;
};

void Rename(TPartGroup* root, TPart* copy) { TCopyNamer(root, copy).RenameInside(copy); }

// Pastes part and destroys it when the viewport refuses it.
TPart* PasteOrDrop(TOpenGl* gl, TPart* where, TPart* part) {
  TPart* added = gl->Paste(where, part);
  if (!added) delete part;
  return added;
}

}  // namespace

std::vector<TPartRow> PartRows(TPartGroup* root) {
  std::vector<TPartRow> rows;
  if (root) AddRows(root, 0, rows);
  return rows;
}

std::vector<int> IndexPath(TPart* part) {
  std::vector<int> path;
  while (part && part->Holder()) {
    int i = IndexIn(part->Holder(), part);
    if (i < 0) return {};
    path.insert(path.begin(), i);
    part = part->Holder();
  }
  return path;
}

TPart* PartAtIndexPath(TPartGroup* root, const std::vector<int>& path) {
  TPart* part = root;
  for (int i : path) {
    auto* g = dynamic_cast<TPartGroup*>(part);
    if (!g || i < 0 || i >= g->Count()) return nullptr;
    part = g->Part(i);
  }
  return part;
}

TPart* FindSelection(TPartGroup* root, const std::vector<int>& where, const std::string& path) {
  if (where.empty() || path.empty()) return nullptr;
  TPart* same = PartAtIndexPath(root, where);
  if (same && TOpenGl::PartPath(same).str() == path) return same;
  for (const TPartRow& row : PartRows(root))
    if (TOpenGl::PartPath(row.part).str() == path) return row.part;
  return nullptr;
}

namespace {
struct TKeyedKind {
  const char* className;
  const char* caption;
  char key;
  int width;
};
// The kinds with keys, in toolbar order. Call parts are not offered (the editor cannot name their target),
// nor meshes (an empty one draws nothing; they come in through Import).
const TKeyedKind kKeyedKinds[] = {{"TPartGroup", "Group", 'G', 48},    {"TPartCube", "Cube", '1', 42},
                                  {"TPartSphere", "Sphere", '2', 52},  {"TPartCylinder", "Cylinder", '3', 62},
                                  {"TPartDisk", "Disk", '4', 38},      {"TPartQuad", "Polygon", '5', 60}};
const char* const kNotOffered[] = {"TPartCall", "TPartMesh"};
}  // namespace

std::vector<TAddKind> AddableKinds() {
  std::vector<TAddKind> kinds;
  for (const TKeyedKind& k : kKeyedKinds) {
    if (const TPartClass* kind = TPartClasses::ByName(k.className)) kinds.push_back({kind, k.caption, k.key, k.width});
  }
  for (const TPartClass* kind : TPartClasses::All()) {
    bool listed = false;
    for (const char* name : kNotOffered) listed = listed || std::strcmp(kind->Name(), name) == 0;
    for (const TAddKind& known : kinds) listed = listed || known.kind == kind;
    if (!listed) kinds.push_back({kind, kind->Caption(), 0, static_cast<int>(std::strlen(kind->Caption())) * 7 + 12});
  }
  return kinds;
}

std::string KindCaption(const TPartClass& kind) {
  for (const TKeyedKind& k : kKeyedKinds)
    if (std::strcmp(k.className, kind.Name()) == 0) return k.caption;
  return kind.Caption();
}

std::string FreshName(TPartGroup* root, const std::string& stem) {
  TNameCount names;
  if (root) names.AddTree(root);
  for (int n = 1;; ++n) {
    std::string name = stem + std::to_string(n);
    if (!names.Taken(name)) return name;
  }
}

TPart* InsertAfterSelection(TOpenGl* gl, TPart* selected, TPart* part) {
  TPartGroup* group = selected ? selected->Holder() : nullptr;
  if (!group || dynamic_cast<TPartGroup*>(selected)) return PasteOrDrop(gl, selected, part);
  // Right after the selected part (Paste would put it before, or into a group that follows).
  int i = IndexIn(group, selected);
  group->AddObject(part, i >= 0 && i + 1 < group->Count() ? group->Part(i + 1) : nullptr);
  gl->OnListChanged(gl);
  gl->RefreshModel(gl);
  return part;
}

TPart* AddPart(TOpenGl* gl, const TPartClass& kind, TPart* selected, const double* at) {
  TPart* part = kind.Create();
  if (!part) return nullptr;
  part->Name = FreshName(gl->Root(), KindCaption(kind)).c_str();
  part = InsertAfterSelection(gl, selected, part);
  if (part && at) MoveOriginTo(part, at);
  return part;
}

bool DeletePart(TOpenGl* gl, TPart* part) {
  if (!part || part == gl->Root() || !part->Holder()) return false;
  gl->DeleteObject(part);
  delete part;
  return true;
}

TPart* DuplicatePart(TOpenGl* gl, TPart* part) {
  if (!part || part == gl->Root() || !part->Holder()) return nullptr;
  TPart* copy = part->Clone();
  Rename(gl->Root(), copy);
  // Right after the original in its group (Paste would put it into a group that follows).
  TPartGroup* group = part->Holder();
  int i = IndexIn(group, part);
  group->AddObject(copy, i + 1 < group->Count() ? group->Part(i + 1) : nullptr);
  gl->OnListChanged(gl);
  gl->RefreshModel(gl);
  return copy;
}

TPartClipboard::~TPartClipboard() { delete FHeld; }

bool TPartClipboard::Copy(TPart* part) {
  if (!part || !part->Holder()) return false;
  delete FHeld;
  FHeld = part->Clone();
  return true;
}

TPart* TPartClipboard::PasteInto(TOpenGl* gl, TPart* selected) {
  if (!FHeld) return nullptr;
  TPart* copy = FHeld->Clone();
  Rename(gl->Root(), copy);
  return InsertAfterSelection(gl, selected, copy);
}
