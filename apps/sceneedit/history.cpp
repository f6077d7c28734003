// Undo and redo for a viewport's whole document, as snapshots in the scene file's own format.
#include "history.h"

#include "framework/core/streams.h"
#include "opengl/opengl.h"

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
  FBytes = bytes.size();
  FSteps.push_back(std::move(bytes));
  FCurrent = 0;
  FSaved = 0;
  return true;
}

bool TSceneHistory::Commit(TOpenGl* gl) {
  std::vector<uint8_t> bytes;
  if (!Capture(gl, bytes)) return false;
  while (CanRedo()) {
    FBytes -= FSteps.back().size();
    FSteps.pop_back();
  }
  if (FSaved > FCurrent) FSaved = -1;
  FBytes += bytes.size();
  FSteps.push_back(std::move(bytes));
  FCurrent = static_cast<int>(FSteps.size()) - 1;
  while (FBytes > FBudget && FSteps.size() > 1) DropOldest();
  return true;
}

void TSceneHistory::DropOldest() {
  FBytes -= FSteps.front().size();
  FSteps.erase(FSteps.begin());
  --FCurrent;
  FSaved = FSaved > 0 ? FSaved - 1 : -1;
}

bool TSceneHistory::Load(TOpenGl* gl, int step) {
  // A snapshot that fails to load leaves a partial tree: the present step goes back in.
  if (!Restore(gl, FSteps[step])) {
    Restore(gl, FSteps[FCurrent]);
    return false;
  }
  FCurrent = step;
  return true;
}

bool TSceneHistory::Undo(TOpenGl* gl) { return CanUndo() && Load(gl, FCurrent - 1); }

bool TSceneHistory::Redo(TOpenGl* gl) { return CanRedo() && Load(gl, FCurrent + 1); }
