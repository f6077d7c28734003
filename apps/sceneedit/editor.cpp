// sceneedit's window: the part tree, the viewport with its camera and picking, the editors, commands, undo.
#include "editor.h"

#include <cstdio>
#include <cstdlib>
#include <exception>

#include "framework/controls/application.h"
#include "framework/controls/dialogs.h"
#include "framework/controls/edit.h"
#include "framework/controls/file_dialog.h"
#include "framework/controls/listbox.h"
#include "opengl/opengl.h"
#include "opengl/orbit_camera.h"
#include "parts/parts.h"
#include "name_check.h"
#include "part_panel.h"
#include "scene_files.h"
#include "status_line.h"
#include "tool_main.h"
#include "view_camera.h"

namespace {

const int kTreeWidth = 200;
const int kToolbarHeight = 24;
const int kPanelHeight = 5 * 40 + 4;
// What the Open and Save dialogs list: scenes, or scenes and the model files other tools make.
const char* const kSceneFilter =
    "Scene files (*.scene)|*.scene|"
    "Scenes and models (*.scene *.obj *.stl *.ply *.gltf *.glb *.3ds *.dae *.fbx)|"
    "*.scene;*.obj;*.stl;*.ply;*.gltf;*.glb;*.3ds;*.dae;*.fbx|All files (*)|*";

}  // namespace

class TSceneEditor::TEditorForm : public TForm {
public:
  TEditorForm(TSceneEditor* editor) : TForm(nullptr), FEditor(editor) {}
  // A close with unsaved changes asks first; cancelling keeps the window.
  void Dispatch(void* Message) override {
    if (static_cast<TMessage*>(Message)->Msg == WM_CLOSE && !FEditor->CanClose()) return;
    TForm::Dispatch(Message);
  }

private:
  TSceneEditor* FEditor;
};

TSceneEditor::TSceneEditor(int width, int height) : FCommands(SceneeditCommands(this)) {
  FForm = new TEditorForm(this);
  FForm->SetBounds(0, 0, width, height);
  FForm->KeyPreview = true;
  FForm->OnKeyDown = MakeEvent(this, &TSceneEditor::KeyDown);
  FForm->OnKeyPress = MakeEvent(this, &TSceneEditor::KeyPress);

  auto* bar = new TPanel(FForm);
  bar->Name = "Toolbar";
  bar->SetParent(FForm);
  bar->SetHeight(kToolbarHeight);
  bar->SetAlign(alTop);
  BuildToolbar(bar);

  FStatusLine = new TStatusLine(FForm);
  FStatus = FStatusLine->Label();
  FRecent.Load();

  // The tree: the selected part's name above its rows, applied on Return.
  auto* side = new TPanel(FForm);
  side->SetParent(FForm);
  side->SetBevelOuter(bvNone);
  side->SetWidth(kTreeWidth);
  side->SetAlign(alLeft);
  FName = new TEdit(FForm);
  FName->Name = "NameEdit";
  FName->SetParent(side);
  FName->SetHeight(22);
  FName->SetAlign(alTop);
  FName->OnAccept = MakeEvent(this, &TSceneEditor::NameAccept);
  FTree = new TListBox(FForm);
  FTree->Name = "Tree";
  FTree->SetParent(side);
  FTree->SetAlign(alClient);
  FTree->OnChange = MakeEvent(this, &TSceneEditor::RowChange);

  auto* editors = new TPanel(FForm);
  editors->Name = "Editors";
  editors->SetParent(FForm);
  editors->SetHeight(kPanelHeight);
  editors->SetAlign(alBottom);

  FGl = AddViewport(FForm);
  FGl->Name = "View";
  FGl->SetHeadlight(true);
  FGl->OnAfterPaint = MakeEvent(this, &TSceneEditor::AfterPaint);
  FGl->OnMouseDown = MakeEvent(this, &TSceneEditor::MouseDown);
  FGl->OnMouseMove = MakeEvent(this, &TSceneEditor::MouseMove);
  FGl->OnMouseUp = MakeEvent(this, &TSceneEditor::MouseUp);
  FCamera = new TOrbitCamera(FForm);
  FCamera->SetViewport(FGl);

  FPanel = new TPartPanel(FForm, editors, FGl);
  FPanel->OnEdited = MakeEvent(this, &TSceneEditor::Edited);
  FPanel->OnEditDone = MakeEvent(this, &TSceneEditor::EditDone);
  FGl->Loaded();
}

TSceneEditor::~TSceneEditor() {
  delete FPanel;
  delete FForm;
  delete FStatusLine;
}

void TSceneEditor::BuildToolbar(TWinControl* bar) {
  for (int i = 0; i < FCommands.Count(); ++i) {
    const TEditorCommand& c = FCommands[i];
    FButtons.push_back(c.name.empty() ? nullptr
                                      : AddButton(FForm, bar, c.name.c_str(), c.caption.c_str(), c.width,
                                                  MakeEvent(this, &TSceneEditor::Command), i));
  }
}

void TSceneEditor::UpdateCommands() {
  for (size_t i = 0; i < FButtons.size(); ++i) {
    bool enabled = FCommands[static_cast<int>(i)].Enabled();
    if (FButtons[i] && FButtons[i]->Enabled() != enabled) FButtons[i]->SetEnabled(enabled);
  }
}

bool TSceneEditor::Open(const std::string& file, std::string& error) {
  FFile = file;
  // An existing file that cannot be read refuses the start: as an empty scene, Save would overwrite it.
  const SceneOpen opened = OpenSceneForEditing(FGl, file, error);
  if (opened == SceneOpen::Failed) return false;
  if (opened == SceneOpen::Loaded) {
    FCamera->Fit();
    Remember(file);
  }
  FGl->SetHeadlight(true);
  FHistory.Reset(FGl);
  FUnrecorded.clear();
  RebuildTree();
  Select(nullptr);
  UpdateTitle();
  return true;
}

void TSceneEditor::Run() {
  FForm->Show();
  Say(FFile.empty() ? "new scene" : "editing " + FFile);
  Application->Run();
}

void TSceneEditor::Command(TObject* Sender) { RunCommand(static_cast<TControl*>(Sender)->Tag); }

void TSceneEditor::RunCommand(int index) {
  if (index < 0 || index >= FCommands.Count()) return;
  FStatusLine->ActionStarted();
  const TEditorCommand& c = FCommands[index];
  if (!c.Enabled()) {
    if (!c.unavailable.empty()) SayError(c.unavailable);
    return;
  }
  c.run();
  UpdateCommands();
}

void TSceneEditor::KeyDown(TObject*, WORD& Key, TShiftState Shift) {
  FStatusLine->ActionStarted();
  int command = FCommands.ForKey(Key, Shift, FForm->ActiveControl() == FName);
  if (command < 0) return;
  Key = 0;
  RunCommand(command);
}

void TSceneEditor::KeyPress(TObject*, char&) {}

void TSceneEditor::MouseDown(TObject*, TMouseButton Button, TShiftState Shift, int X, int Y) {
  FStatusLine->ActionStarted();
  FClick.Press(Button, Shift, X, Y);
}

void TSceneEditor::MouseMove(TObject*, TShiftState, int X, int Y) { FClick.Move(X, Y); }

void TSceneEditor::MouseUp(TObject*, TMouseButton Button, TShiftState, int X, int Y) {
  if (!FClick.Release(Button, X, Y)) return;
  TPart* part = FGl->PartAt(X, Y);
  if (part) Select(part);
  else Say("nothing at " + std::to_string(X) + "," + std::to_string(Y));
}

// The selection's box in cyan, over everything.
void TSceneEditor::AfterPaint(TObject*) {
  if (FSelected) DrawOutline(FGl->PartBounds(FSelected), 0, 1, 1);
}

void TSceneEditor::RowChange(TObject*) {
  FStatusLine->ActionStarted();
  int row = FTree->ItemIndex();
  if (row >= 0 && row < static_cast<int>(FRowParts.size())) Select(FRowParts[row]);
}

void TSceneEditor::NameAccept(TObject*) {
  if (!FSelected) return;
  // Refused where it is typed: the file could not hold it. The text stays to be shortened.
  std::string why = NameTooLong(FName->Text().str());
  if (!why.empty()) {
    SayError("not renamed: " + why);
    return;
  }
  FlushEdit();
  FSelected->Name = FName->Text();
  // A name is not drawn: nothing to rebuild, but it is part of the document.
  Commit();
  RebuildTree();
  Select(FSelected);
  FForm->SetActiveControl(FTree);
}

void TSceneEditor::Edited(TObject*) {
  FPending = true;
  UpdateTitle();
}

void TSceneEditor::EditDone(TObject*) {
  if (FPending) Commit();
}

void TSceneEditor::FlushEdit() {
  if (FPending) Commit();
}

void TSceneEditor::Commit() {
  FPending = false;
  if (FHistory.Commit(FGl)) {
    FUnrecorded.clear();
  } else {
    std::string why = UnsavableName(FGl->Root());
    FUnrecorded = "not recorded for undo" + (why.empty() ? std::string() : ": " + why);
    SayError(FUnrecorded);
  }
  UpdateTitle();
}

void TSceneEditor::Select(TPart* part) {
  FlushEdit();
  if (part == FGl->Root()) part = nullptr;
  FSelected = part;
  FPanel->SetPart(part);
  int row = -1;
  for (size_t i = 0; i < FRowParts.size(); ++i)
    if (FRowParts[i] == part) row = static_cast<int>(i);
  FTree->SetItemIndex(row);
  FName->SetText(part ? part->Name : AnsiString());
  FGl->Refresh(FGl);
  UpdateCommands();
  if (part) Say("selected " + TOpenGl::PartPath(part).str());
}

void TSceneEditor::RebuildTree() {
  FRowParts.clear();
  FTree->Clear();
  for (const TPartRow& row : PartRows(FGl->Root())) {
    FTree->AddItem(row.part->GetName(), row.depth, row.part);
    FRowParts.push_back(row.part);
  }
  for (size_t i = 0; i < FRowParts.size(); ++i)
    if (FRowParts[i] == FSelected) FTree->SetItemIndex(static_cast<int>(i));
}

void TSceneEditor::Restore(const std::vector<int>& where, const std::string& path) {
  FSelected = nullptr;
  RebuildTree();
  TPart* again = FindSelection(FGl->Root(), where, path);
  FSelected = nullptr;
  FPanel->SetPart(nullptr);
  Select(again);
}

void TSceneEditor::Add(const TPartClass& kind) {
  FlushEdit();
  TPart* part = AddPart(FGl, kind, FSelected);
  if (!part) return;
  Commit();
  RebuildTree();
  Say(std::string("added ") + TOpenGl::PartPath(part).str());
  Select(part);
}

void TSceneEditor::Delete() {
  if (!FSelected) return;
  FlushEdit();
  std::string path = TOpenGl::PartPath(FSelected).str();
  TPart* gone = FSelected;
  FSelected = nullptr;
  FPanel->SetPart(nullptr);
  DeletePart(FGl, gone);
  Commit();
  RebuildTree();
  Say("deleted " + path);
}

void TSceneEditor::Duplicate() {
  if (!FSelected) return;
  FlushEdit();
  TPart* copy = DuplicatePart(FGl, FSelected);
  if (!copy) return;
  Commit();
  RebuildTree();
  Select(copy);
}

void TSceneEditor::CopySelected() {
  if (FClipboard.Copy(FSelected)) Say("copied " + TOpenGl::PartPath(FSelected).str());
}

void TSceneEditor::Cut() {
  if (!FClipboard.Copy(FSelected)) return;
  Delete();
}

void TSceneEditor::Paste() {
  FlushEdit();
  TPart* part = FClipboard.PasteInto(FGl, FSelected);
  if (!part) return;
  Commit();
  RebuildTree();
  Select(part);
}

void TSceneEditor::Quit() { FForm->Perform(WM_CLOSE, 0, 0); }

void TSceneEditor::SelectNext(bool back) {
  int i = 0, n = static_cast<int>(FRowParts.size());
  if (!n) return;
  while (i < n && FRowParts[i] != FSelected) ++i;
  if (i >= n) i = back ? n - 1 : 0;  // nothing selected: the last or the first row
  else i = back ? (i > 0 ? i - 1 : 0) : (i + 1 < n ? i + 1 : i);
  Select(FRowParts[i]);
}

void TSceneEditor::NextColorTarget() { FPanel->NextColorTarget(); }

void TSceneEditor::Fit() {
  FCamera->Fit();
  Say("fit");
}

void TSceneEditor::Undo() { StepHistory(true); }

void TSceneEditor::Redo() { StepHistory(false); }

// The document goes back or forward a step; the camera stays, the selection is found again.
void TSceneEditor::StepHistory(bool back) {
  FlushEdit();
  std::vector<int> where = IndexPath(FSelected);
  std::string path = FSelected ? TOpenGl::PartPath(FSelected).str() : "";
  ViewCamera camera = ViewCamera::Of(FGl);
  FSelected = nullptr;
  FPanel->SetPart(nullptr);
  bool done = back ? FHistory.Undo(FGl) : FHistory.Redo(FGl);
  if (done) FUnrecorded.clear();
  camera.ApplyTo(FGl);
  Restore(where, path);
  UpdateTitle();
  Say(back ? (done ? "undo" : "nothing to undo") : (done ? "redo" : "nothing to redo"));
}

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
  if (!LoadSceneFile(FGl, file, error)) {
    // A failed load leaves the scene as it was.
    previous.PutBack();
    SayError("could not open " + file + ": " + error);
  } else {
    FFile = file;
    FCamera->Fit();
    FHistory.Reset(FGl);
    FUnrecorded.clear();
    Remember(file);
    Say("opened " + file);
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

void TSceneEditor::Rename() {
  if (!FSelected) return;
  FForm->SetActiveControl(FName);
  FName->SelectAll();
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
  std::string file;
  if (!AskText("Texture", "Image file (BMP or PNG):", file) || file.empty()) return;
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

void TSceneEditor::ToggleLights() {
  FlushEdit();
  FPanel->ShowLights(!FPanel->LightsShown());
  Say(FPanel->LightsShown() ? "lights" : "part");
}

void TSceneEditor::UpdateTitle() {
  bool modified = FPending || FHistory.Modified();
  std::string title = (modified ? "* " : "") + (FFile.empty() ? std::string("untitled") : FFile) + " - sceneedit";
  FForm->SetCaption(title.c_str());
  UpdateCommands();
}

void TSceneEditor::Say(const std::string& line) {
  std::printf("%s\n", line.c_str());
  std::fflush(stdout);
  // What could not be recorded stays in sight until a step is recorded again.
  std::string shown = FUnrecorded.empty() || line == FUnrecorded ? line : line + "   (" + FUnrecorded + ")";
  FStatusLine->Show(shown);
}

void TSceneEditor::SayError(const std::string& line) {
  std::printf("%s\n", line.c_str());
  std::fflush(stdout);
  FStatusLine->ShowError(line);
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

bool TSceneEditor::AskText(const std::string& caption, const std::string& prompt, std::string& text) {
  std::printf("%s %s\n", caption.c_str(), prompt.c_str());
  std::fflush(stdout);
  AnsiString value = text.c_str();
  if (!InputQuery(caption.c_str(), prompt.c_str(), value)) return false;
  text = value.str();
  return true;
}

int TSceneEditor::AskYesNoCancel(const std::string& question) {
  std::printf("%s\n", question.c_str());
  std::fflush(stdout);
  return MessageDlg(question.c_str(), mtConfirmation, mbYesNoCancel);
}
