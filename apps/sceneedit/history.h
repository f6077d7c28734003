// Undo and redo for a viewport's whole document, as snapshots in the scene file's own format.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

class TOpenGl;
class TPart;
class TPartGroup;
class TPicture;

// Which part is which across undo and redo: every part of the tree has a number that stays with it while it
// lives, and each step keeps the numbers of its rows, so the parts a step's load makes take them back. A
// selection follows its part through renames, moves and deletions of others.
class TPartIdentities {
public:
  // The part's number; 0 for null or a part the last capture did not see.
  uint64_t Of(TPart* part) const;
  // The part of the tree with that number, or null.
  TPart* Find(TPartGroup* root, uint64_t id) const;
  // Numbers for the tree's rows in order (new parts get fresh ones); parts no longer in it are forgotten.
  std::vector<uint64_t> Capture(TPartGroup* root);
  // After a load: the tree's rows take these numbers, in order.
  void Apply(TPartGroup* root, const std::vector<uint64_t>& ids);

private:
  std::unordered_map<TPart*, uint64_t> FIds;
  uint64_t FNext = 1;
};

// The viewport's texture pictures, taken out of their slots so that the next document starts with the
// empty slots its file stores (a load keeps a picture where the file has none). PutBack returns them,
// after a load that failed.
class TTakenPictures {
public:
  explicit TTakenPictures(TOpenGl* gl);
  ~TTakenPictures();
  void PutBack();

private:
  TOpenGl* FGl;
  std::vector<std::unique_ptr<TPicture>> FPictures;
};

class TSceneHistory {
public:
  // Older steps are dropped once the snapshots and their identities together pass ByteBudget (the current
  // one always stays).
  explicit TSceneHistory(size_t ByteBudget = size_t(1) << 30);

  // Forgets every step; the viewport's present document becomes the only one (and counts as saved).
  bool Reset(TOpenGl* gl);
  // Records the document after a completed edit; the steps that could be redone are gone.
  // False when the document could not be written (nothing is recorded then).
  bool Commit(TOpenGl* gl);
  bool CanUndo() const { return FCurrent > 0; }
  bool CanRedo() const { return FCurrent + 1 < static_cast<int>(FSteps.size()); }
  // Loads the previous (next) snapshot into the viewport; false when there is none or it fails to load.
  bool Undo(TOpenGl* gl);
  bool Redo(TOpenGl* gl);
  // Loads the present step again (after a failed load replaced the tree).
  bool Revert(TOpenGl* gl) { return FCurrent >= 0 && Load(gl, FCurrent); }

  // Whether the document differs from the step last marked saved.
  bool Modified() const { return FCurrent != FSaved; }
  void MarkSaved() { FSaved = FCurrent; }
  int Steps() const { return static_cast<int>(FSteps.size()); }
  int Current() const { return FCurrent; }
  size_t Bytes() const { return FBytes; }
  const TPartIdentities& Identities() const { return FIds; }

  // One document as bytes, and back; the helpers the steps are made with.
  static bool Capture(TOpenGl* gl, std::vector<uint8_t>& bytes);
  static bool Restore(TOpenGl* gl, const std::vector<uint8_t>& bytes);

private:
  bool Load(TOpenGl* gl, int step);
  // A step's snapshot and its rows' identities.
  size_t StepBytes(int step) const { return FSteps[step].size() + FStepIds[step].size() * sizeof(uint64_t); }
  void DropOldest();

  std::vector<std::vector<uint8_t>> FSteps;
  std::vector<std::vector<uint64_t>> FStepIds;  // the rows' identities, step by step
  TPartIdentities FIds;
  int FCurrent = -1;
  int FSaved = -1;  // -1: no step matches the file on disk
  size_t FBytes = 0;
  size_t FBudget;
};
