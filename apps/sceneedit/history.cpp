// Undo and redo for a viewport's whole document, as snapshots in the scene file's own format.
#include "history.h"

#include "framework/core/streams.h"
#include "opengl/opengl.h"
#include "parts/parts.h"
#include "scene_edits.h"

uint64_t TPartIdentities::Of(TPart* part) const {
  auto it = FIds.find(part);
  return it == FIds.end() ? 0 : it->second;
}

TPart* TPartIdentities::Find(TPartGroup* root, uint64_t id) const {
  if (!id) return nullptr;
  for (const TPartRow& row : PartRows(root))
    if (Of(row.part) == id) return row.part;
  return nullptr;
}

std::vector<uint64_t> TPartIdentities::Capture(TPartGroup* root) {
  std::unordered_map<TPart*, uint64_t> kept;
  std::vector<uint64_t> ids;
  for (const TPartRow& row : PartRows(root)) {
    uint64_t id = Of(row.part);
    if (!id) id = FNext++;
    kept[row.part] = id;
    ids.push_back(id);
  }
  FIds.swap(kept);
  return ids;
}

void TPartIdentities::Apply(TPartGroup* root, const std::vector<uint64_t>& ids) {
  FIds.clear();
  std::vector<TPartRow> rows = PartRows(root);
  for (size_t i = 0; i < rows.size() && i < ids.size(); ++i) FIds[rows[i].part] = ids[i];
}

TTakenPictures::TTakenPictures(TOpenGl* gl) : FGl(gl), FPictures(TEXTURE_SLOTS) {
  for (int i = 0; i < TEXTURE_SLOTS; ++i) {
    TPicture* picture = gl->GetPicture(i);
    if (!picture->Graphic()) continue;
    FPictures[i].reset(new TPicture);
    FPictures[i]->Assign(picture);
    gl->SetPicture(i, nullptr);
  }
}

TTakenPictures::~TTakenPictures() = default;

void TTakenPictures::PutBack() {
  for (int i = 0; i < TEXTURE_SLOTS; ++i)
    if (FPictures[i]) FGl->SetPicture(i, FPictures[i].get());
}

TSceneHistory::TSceneHistory(size_t ByteBudget) : FBudget(ByteBudget) {}

bool TSceneHistory::Capture(TOpenGl* gl, std::vector<uint8_t>& bytes) {
  TMemoryStream stream;
  if (!gl->SaveToStream(&stream)) return false;
  bytes.assign(stream.Memory(), stream.Memory() + stream.Size());
  return true;
}

bool TSceneHistory::Restore(TOpenGl* gl, const std::vector<uint8_t>& bytes) {
  TMemoryStream stream;
  if (!bytes.empty()) stream.Write(bytes.data(), static_cast<int32_t>(bytes.size()));
  stream.Seek(0, soBeginning);
  // A slot the snapshot holds empty is empty again, not the picture a later step loaded.
  TTakenPictures taken(gl);
  if (gl->LoadFromStream(&stream)) return true;
  taken.PutBack();
  return false;
}

bool TSceneHistory::Reset(TOpenGl* gl) {
  std::vector<uint8_t> bytes;
  if (!Capture(gl, bytes)) return false;
  FSteps.clear();
  FStepIds.clear();
  FSteps.push_back(std::move(bytes));
  FStepIds.push_back(FIds.Capture(gl->Root()));
  FBytes = StepBytes(0);
  FCurrent = 0;
  FSaved = 0;
  return true;
}

bool TSceneHistory::Commit(TOpenGl* gl) {
  std::vector<uint8_t> bytes;
  if (!Capture(gl, bytes)) {
    // Nothing recorded, but parts deleted since the last step are forgotten: a new part made where one of
    // them lay in memory must not take its number.
    FIds.Capture(gl->Root());
    return false;
  }
  while (CanRedo()) {
    FBytes -= StepBytes(static_cast<int>(FSteps.size()) - 1);
    FSteps.pop_back();
    FStepIds.pop_back();
  }
  if (FSaved > FCurrent) FSaved = -1;
  FSteps.push_back(std::move(bytes));
  FStepIds.push_back(FIds.Capture(gl->Root()));
  FBytes += StepBytes(static_cast<int>(FSteps.size()) - 1);
  FCurrent = static_cast<int>(FSteps.size()) - 1;
  while (FBytes > FBudget && FSteps.size() > 1) DropOldest();
  return true;
}

void TSceneHistory::DropOldest() {
  FBytes -= StepBytes(0);
  FSteps.erase(FSteps.begin());
  FStepIds.erase(FStepIds.begin());
  --FCurrent;
  FSaved = FSaved > 0 ? FSaved - 1 : -1;
}

bool TSceneHistory::Load(TOpenGl* gl, int step) {
  // A snapshot that fails to load leaves a partial tree: the present step goes back in.
  if (!Restore(gl, FSteps[step])) {
    if (Restore(gl, FSteps[FCurrent])) FIds.Apply(gl->Root(), FStepIds[FCurrent]);
    return false;
  }
  FIds.Apply(gl->Root(), FStepIds[step]);
  FCurrent = step;
  return true;
}

bool TSceneHistory::Undo(TOpenGl* gl) { return CanUndo() && Load(gl, FCurrent - 1); }

bool TSceneHistory::Redo(TOpenGl* gl) { return CanRedo() && Load(gl, FCurrent + 1); }
