// sceneedit's window: the part tree, the viewport with its camera and picking, the editors, commands, undo.
#include "editor.h"


#include <algorithm>
#include <cstdio>

#include "framework/controls/application.h"
#include "framework/controls/dialogs.h"
#include "framework/controls/edit.h"
#include "framework/controls/listbox.h"
#include "opengl/opengl.h"
#include "opengl/orbit_camera.h"
#include "parts/parts.h"
#include "name_check.h"
#include "part_panel.h"
#include "scene_files.h"
#include "status_line.h"
#include "toolbar_flow.h"
#include "tool_main.h"
#include "view_camera.h"

namespace {

const int kTreeWidth = 200;
const int kToolbarHeight = 24;
const int kPanelHeight = 5 * 40 + 4;

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
  FToolbarFlow = new TToolbarFlow(bar, kToolbarHeight);

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
  // The camera first, then ours over it: a drag of the selection must not turn the view as well, so the
  // camera hears of a press only when no part drag takes it.
  FCamera = new TOrbitCamera(FForm);
  FCamera->SetViewport(FGl);
  FGl->OnMouseDown = MakeEvent(this, &TSceneEditor::MouseDown);
  FGl->OnMouseMove = MakeEvent(this, &TSceneEditor::MouseMove);
  FGl->OnMouseUp = MakeEvent(this, &TSceneEditor::MouseUp);

  FPanel = new TPartPanel(FForm, editors, FGl);
  FPanel->OnEdited = MakeEvent(this, &TSceneEditor::Edited);
  FPanel->OnEditDone = MakeEvent(this, &TSceneEditor::EditDone);
  FPanel->OnSay = [this](const std::string& line, bool error) { error ? SayError(line) : Say(line); };
  FGl->Loaded();
}

TSceneEditor::~TSceneEditor() {
  delete FPanel;
  delete FForm;
  delete FStatusLine;
  delete FToolbarFlow;
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
  // A key pressed in the middle of a drag: the drag ends first, as a step of its own, so that a command that
  // replaces or deletes parts never leaves it holding one.
  if (FDrag.Active()) EndDrag(true);
  FDragPending = false;
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
  // Keys without Ctrl belong to a name or a value being typed.
  int command = FCommands.ForKey(Key, Shift, dynamic_cast<TEdit*>(FForm->ActiveControl()) != nullptr);
  if (command < 0) return;
  Key = 0;
  RunCommand(command);
}

void TSceneEditor::KeyPress(TObject*, char&) {}

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

void TSceneEditor::Restore(const std::vector<int>& where, const std::string& path, uint64_t id) {
  FSelected = nullptr;
  RebuildTree();
  // A part the history knows is found by its identity only: renamed, moved or gone, it is never another.
  TPart* again = id ? FHistory.Identities().Find(FGl->Root(), id) : FindSelection(FGl->Root(), where, path);
  FSelected = nullptr;
  FPanel->SetPart(nullptr);
  Select(again);
}

void TSceneEditor::Add(const TPartClass& kind) {
  FlushEdit();
  // At the view's target, after the selection; a polygon turned to face the eye.
  ViewCamera camera = ViewCamera::Of(FGl);
  const double target[3] = {camera.target[0], camera.target[1], camera.target[2]};
  TPart* part = AddPart(FGl, kind, FSelected, target);
  if (!part) return;
  FacePolygonToView(part, camera);
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
  FName->SetText("");
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
  const uint64_t id = FHistory.Identities().Of(FSelected);
  ViewCamera camera = ViewCamera::Of(FGl);
  FSelected = nullptr;
  FPanel->SetPart(nullptr);
  bool done = back ? FHistory.Undo(FGl) : FHistory.Redo(FGl);
  if (done) FUnrecorded.clear();
  camera.ApplyTo(FGl);
  Restore(where, path, id);
  UpdateTitle();
  Say(back ? (done ? "undo" : "nothing to undo") : (done ? "redo" : "nothing to redo"));
}

void TSceneEditor::Rename() {
  if (!FSelected) return;
  FForm->SetActiveControl(FName);
  FName->SelectAll();
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
