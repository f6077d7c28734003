// sceneedit's documents: new, open, recent, save, and what comes in and goes out (textures, models, glTF).
#include "editor.h"

#include <cstdio>
#include <cstdlib>
#include <exception>

#include "framework/controls/application.h"
#include "framework/controls/dialogs.h"
#include "framework/controls/file_dialog.h"
#include "opengl/opengl.h"
#include "opengl/orbit_camera.h"
#include "parts/parts.h"
#include "model_edits.h"
#include "model_files.h"
#include "name_check.h"
#include "part_panel.h"
#include "scene_files.h"

namespace {

// What the Open and Save dialogs list: scenes, or scenes and the model files other tools make.
const char* const kSceneFilter =
    "Scene files (*.scene)|*.scene|"
    "Scenes and models (.scene .obj .stl .ply .gltf .glb .3ds .dae .fbx)|"
    "*.scene;*.obj;*.stl;*.ply;*.gltf;*.glb;*.3ds;*.dae;*.fbx|All files (*)|*";

}  // namespace

bool TSceneEditor::ConfirmDiscard() {
  FlushEdit();
  if (!FHistory.Modified()) return true;
  int a = AskYesNoCancel("Save the changes to " + (FFile.empty() ? std::string("untitled") : FFile) + "?");
  if (a != mrYes && a != mrNo) return false;
  return a == mrNo || Save();
}

bool TSceneEditor::CanClose() { return ConfirmDiscard(); }

void TSceneEditor::New() {
  if (!ConfirmDiscard()) return;
  FSelected = nullptr;
  FPanel->SetPart(nullptr);
  while (FGl->Root()->Count() > 0) DeletePart(FGl, FGl->Root()->Part(0));
  // The previous scene's pictures would be saved into the new file.
  TTakenPictures dropped(FGl);
  FFile.clear();
  FHistory.Reset(FGl);
  FUnrecorded.clear();
  RebuildTree();
  UpdateTitle();
  Say("new scene");
}

void TSceneEditor::OpenAsk() {
  if (!ConfirmDiscard()) return;
  std::string file = FFile;
  if (!AskFile(false, file) || file.empty()) return;
  OpenFile(file);
}

void TSceneEditor::OpenRecent() {
  FRecent.Load();
  if (FRecent.Files().empty()) {
    Say("no recent files");
    return;
  }
  std::vector<AnsiString> items;
  for (const std::string& f : FRecent.Files()) items.push_back(f.c_str());
  int index = 0;
  std::printf("Recent files:\n");
  for (const std::string& f : FRecent.Files()) std::printf("  %s\n", f.c_str());
  std::fflush(stdout);
  if (!ListQuery("Recent files", "Open a file opened or saved lately:", items, index)) return;
  std::string file = FRecent.Files()[index];
  if (!ConfirmDiscard()) return;
  if (!OpenFile(file)) {
    // Gone or broken since: it leaves the list.
    FRecent.Remove(file);
    FRecent.Save();
  }
}

bool TSceneEditor::OpenFile(const std::string& file) {
  bool opened = false;
  std::string error;
  FSelected = nullptr;
  FPanel->SetPart(nullptr);
  TTakenPictures previous(FGl);
  // A model comes in as a new, unnamed scene: Save must never write a scene file over the model.
  const bool model = !IsSceneFileName(file);
  if (!(model ? LoadSceneOrModel(FGl, file, error) : LoadSceneFile(FGl, file, error))) {
    // A failed load leaves the scene as it was.
    previous.PutBack();
    SayError("could not open " + file + ": " + error);
  } else {
    FFile = model ? std::string() : file;
    FCamera->Fit();
    FHistory.Reset(FGl);
    FUnrecorded.clear();
    Remember(file);
    Say(model ? "imported " + file + " as a new scene (Save asks for its name)" : "opened " + file);
    opened = true;
  }
  RebuildTree();
  UpdateTitle();
  return opened;
}

bool TSceneEditor::Save() {
  FlushEdit();
  if (FFile.empty()) return SaveAs();
  std::string why = UnsavableName(FGl->Root());
  bool ok = false;
  try {
    ok = why.empty() && FGl->SaveTo(FFile.c_str());
    if (!ok && why.empty()) why = FGl->SaveError().str();
  } catch (const std::exception& e) {
    why = e.what();
  }
  if (!ok) {
    SayError("could not save " + FFile + ": " + (why.empty() ? "the file could not be written" : why));
    return false;
  }
  FHistory.MarkSaved();
  Remember(FFile);
  UpdateTitle();
  Say("saved " + FFile);
  return true;
}

bool TSceneEditor::SaveAs() {
  std::string file = FFile;
  if (!AskFile(true, file) || file.empty()) return false;
  FFile = file;
  return Save();
}

void TSceneEditor::LoadTexture() {
  FlushEdit();
  std::string slot = std::to_string(FSelected && FSelected->Texture >= 0 ? FSelected->Texture : 0);
  if (!AskText("Texture", "Texture slot (0-19):", slot)) return;
  char* end = nullptr;
  long index = std::strtol(slot.c_str(), &end, 10);
  if (end == slot.c_str() || *end || index < 0 || index >= TEXTURE_SLOTS) {
    SayError("no texture slot " + slot);
    return;
  }
  std::printf("Texture Image file:\n");
  std::fflush(stdout);
  TOpenDialog dialog(nullptr);
  dialog.Title = "Texture";
  dialog.Filter = "Images (*.bmp *.png)|*.bmp;*.png|All files (*)|*";
  if (!dialog.Execute() || dialog.FileName.str().empty()) return;
  const std::string file = dialog.FileName.str();
  TPicture picture;
  try {
    picture.LoadFromFile(file.c_str());
  } catch (const std::exception& e) {
    SayError("could not load " + file + ": " + e.what());
    return;
  }
  FGl->SetPicture(static_cast<int>(index), &picture);
  if (FSelected) FSelected->SetTexture(static_cast<int>(index));
  Commit();
  FPanel->Reload();
  Say("texture " + std::to_string(index) + " from " + file);
}

void TSceneEditor::ImportModel() {
  FlushEdit();
  std::printf("Import Model file:\n");
  std::fflush(stdout);
  TOpenDialog dialog(nullptr);
  dialog.Title = "Import";
  dialog.ActionCaption = "Import";
  dialog.Filter = "Models (*.obj *.stl *.ply *.gltf *.glb *.3ds *.dae *.fbx)|"
                  "*.obj;*.stl;*.ply;*.gltf;*.glb;*.3ds;*.dae;*.fbx|All files (*)|*";
  if (!dialog.Execute() || dialog.FileName.IsEmpty()) return;
  const std::string file = dialog.FileName.str();
  std::string error, warnings;
  TPart* model = ImportModelInto(FGl, file, FSelected, error, warnings);
  if (!model) {
    SayError("could not import " + file + ": " + error);
    return;
  }
  // The whole model, its groups, meshes and texture slots, is one step to undo.
  Commit();
  RebuildTree();
  Select(model);
  Say("imported " + file + (warnings.empty() ? std::string() : " (" + warnings + ")"));
}

void TSceneEditor::ExportGltf() {
  FlushEdit();
  std::printf("Export glTF File name:\n");
  std::fflush(stdout);
  TSaveDialog dialog(nullptr);
  dialog.Title = "Export glTF";
  dialog.ActionCaption = "Export";
  dialog.Filter = "glTF binary (*.glb)|*.glb|glTF with its .bin (*.gltf)|*.gltf";
  dialog.DefaultExt = "glb";
  dialog.FileName = GltfNameFor(FFile).c_str();
  if (!dialog.Execute() || dialog.FileName.IsEmpty()) return;
  const std::string file = dialog.FileName.str();
  if (!FGl->ExportGltf(file.c_str())) {
    SayError("could not export " + file + ": " + FGl->SaveError().str());
    return;
  }
  Say("exported " + file);
}

bool TSceneEditor::AskFile(bool save, std::string& file) {
  // The same line as a typed name's question, for whoever reads the output.
  std::printf("%s\n", save ? "Save as File name:" : "Open Scene file:");
  std::fflush(stdout);
  TOpenDialog open(nullptr);
  TSaveDialog saveAs(nullptr);
  TOpenDialog& dialog = save ? saveAs : open;
  dialog.Filter = kSceneFilter;
  if (save) dialog.DefaultExt = "scene";
  dialog.FileName = file.c_str();
  if (!dialog.Execute()) return false;
  file = dialog.FileName.str();
  return true;
}

void TSceneEditor::Remember(const std::string& file) {
  FRecent.Add(file);
  FRecent.Save();
}
