// Undo and redo for a viewport's whole document, as snapshots in the scene file's own format.
#include "history.h"

#include "framework/core/streams.h"
#include "opengl/opengl.h"

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
  return gl->LoadFromStream(&stream);
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
