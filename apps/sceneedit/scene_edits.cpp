// Edits of a viewport's part tree: rows, paths, new parts, duplicates and the clipboard.
#include "scene_edits.h"

#include <cstring>

#include "opengl/opengl.h"
#include "parts/parts.h"

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

bool NameTaken(TPart* part, const std::string& name) {
  if (part->Name.str() == name) return true;
  if (auto* g = dynamic_cast<TPartGroup*>(part))
    for (int i = 0; i < g->Count(); ++i)
      if (NameTaken(g->Part(i), name)) return true;
  return false;
}

// Fresh names for a copy about to be pasted and everything inside it, unique in the tree and the copy.
void RenameInside(TPartGroup* root, TPart* copy, TPart* part) {
  std::string stem = part->Name.str();
  while (!stem.empty() && stem.back() >= '0' && stem.back() <= '9') stem.pop_back();
  if (stem.empty()) stem = "Part";
  part->Name = "";
  for (int n = 1;; ++n) {
    std::string name = stem + std::to_string(n);
    if (!NameTaken(root, name) && !NameTaken(copy, name)) {
      part->Name = name.c_str();
      break;
    }
  }
  if (auto* g = dynamic_cast<TPartGroup*>(part))
    for (int i = 0; i < g->Count(); ++i) RenameInside(root, copy, g->Part(i));
}

void Rename(TPartGroup* root, TPart* copy) { RenameInside(root, copy, copy); }

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
// The kinds with keys, in toolbar order. Call parts are not offered: the editor cannot name their target.
const TKeyedKind kKeyedKinds[] = {{"TPartGroup", "Group", 'G', 48},    {"TPartCube", "Cube", '1', 42},
                                  {"TPartSphere", "Sphere", '2', 52},  {"TPartCylinder", "Cylinder", '3', 62},
                                  {"TPartDisk", "Disk", '4', 38},      {"TPartQuad", "Polygon", '5', 60}};
const char* const kNotOffered = "TPartCall";
}  // namespace

std::vector<TAddKind> AddableKinds() {
  std::vector<TAddKind> kinds;
  for (const TKeyedKind& k : kKeyedKinds) {
    if (const TPartClass* kind = TPartClasses::ByName(k.className)) kinds.push_back({kind, k.caption, k.key, k.width});
  }
  for (const TPartClass* kind : TPartClasses::All()) {
    bool listed = std::strcmp(kind->Name(), kNotOffered) == 0;
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
  for (int n = 1;; ++n) {
    std::string name = stem + std::to_string(n);
    if (!root || !NameTaken(root, name)) return name;
  }
}

TPart* AddPart(TOpenGl* gl, const TPartClass& kind, TPart* selected) {
  TPart* part = kind.Create();
  if (!part) return nullptr;
  part->Name = FreshName(gl->Root(), KindCaption(kind)).c_str();
  return PasteOrDrop(gl, selected, part);
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
  return PasteOrDrop(gl, selected, copy);
}
