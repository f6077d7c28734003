// Edits of a viewport's part tree: rows for the tree view, paths that survive a reload, new parts,
// and an internal clipboard.
#pragma once

#include <string>
#include <vector>

class TOpenGl;
class TPartClass;
class TPart;
class TPartGroup;

// One row of the part tree: a part below the root, and how deep it lies (0: a child of the root).
struct TPartRow {
  TPart* part;
  int depth;
};
// Every part below the root, depth first, in drawing order.
std::vector<TPartRow> PartRows(TPartGroup* root);

// Where a part lies as child indices from the root (empty: the root or a part outside the tree).
std::vector<int> IndexPath(TPart* part);
TPart* PartAtIndexPath(TPartGroup* root, const std::vector<int>& path);
// The part a selection refers to after the tree was replaced: the same place when it shows the same
// path, else the first part with that path, else null.
TPart* FindSelection(TPartGroup* root, const std::vector<int>& where, const std::string& path);

// A kind of part sceneedit adds: the word on its button and in fresh names ("Cube1"), its key with Ctrl
// (0: none) and its button's width.
struct TAddKind {
  const TPartClass* kind;
  std::string caption;
  char key;
  int width;
};
// sceneedit's own kinds with their keys, in toolbar order, then every other registered kind that can be made.
std::vector<TAddKind> AddableKinds();
// The word for kind on buttons and in fresh names.
std::string KindCaption(const TPartClass& kind);
// A name no part of the tree has yet: the kind's name and the first free number ("Cube1").
std::string FreshName(TPartGroup* root, const std::string& stem);
// Adds a part at the end of the selected group, or right after the selected part in its group; at a world
// point when one is given (its position is set through its parents' placements); returns it (null: refused).
TPart* AddPart(TOpenGl* gl, const TPartClass& kind, TPart* selected, const double* at = nullptr);
// Inserts a part that belongs to no tree as AddPart places a new one; null (and the part deleted) when refused.
TPart* InsertAfterSelection(TOpenGl* gl, TPart* selected, TPart* part);
// Takes the part out of the tree and destroys it; false for null or the root.
bool DeletePart(TOpenGl* gl, TPart* part);
// A copy of the part (with its subtree) beside it, renamed to a fresh name.
TPart* DuplicatePart(TOpenGl* gl, TPart* part);

// Holds a copy of a part, independent of the tree it came from.
class TPartClipboard {
public:
  TPartClipboard() = default;
  ~TPartClipboard();
  TPartClipboard(const TPartClipboard&) = delete;
  TPartClipboard& operator=(const TPartClipboard&) = delete;

  // Keeps a copy of part; false for null or the root.
  bool Copy(TPart* part);
  bool Empty() const { return FHeld == nullptr; }
  // Adds a fresh copy of what is held into the selected group (or right after the selected part).
  TPart* PasteInto(TOpenGl* gl, TPart* selected);

private:
  TPart* FHeld = nullptr;
};
