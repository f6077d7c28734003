// sceneedit's window: the part tree, the viewport with its camera and picking, the editors, commands, undo.
#pragma once

#include <string>
#include <vector>

#include "click_test.h"
#include "commands.h"
#include "framework/controls/controls.h"
#include "history.h"
#include "view_edits.h"
#include "recent_files.h"
#include "scene_edits.h"

class TOpenGl;
class TOrbitCamera;
class TPart;
class TPartPanel;
class TButton;
class TEdit;
class TListBox;
class TTimer;
class TStatusLine;
class TToolbarFlow;

class TSceneEditor : public TObject, private TEditorActions {
public:
  TSceneEditor(int width, int height);
  ~TSceneEditor() override;
  // Loads file (a missing file starts a new scene with that name); false with a message.
  bool Open(const std::string& file, std::string& error);
  void Run();

private:
  // The form, which asks before it closes with unsaved changes.
  class TEditorForm;

  void BuildToolbar(TWinControl* bar);
  void RunCommand(int index);
  // Buttons follow whether their command can run now.
  void UpdateCommands();
  void KeyDown(TObject* Sender, WORD& Key, TShiftState Shift);
  void KeyPress(TObject* Sender, char& Key);
  void MouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
  void MouseMove(TObject* Sender, TShiftState Shift, int X, int Y);
  void MouseUp(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
  void AfterPaint(TObject* Sender);
  void RowChange(TObject* Sender);
  void NameAccept(TObject* Sender);
  void Edited(TObject* Sender);
  void EditDone(TObject* Sender);
  void CommitTick(TObject* Sender);
  void Command(TObject* Sender);

  // The commands (TEditorActions).
  void New() override;
  void OpenAsk() override;
  bool Save() override;
  bool SaveAs() override;
  void Quit() override;
  void Undo() override;
  void Redo() override;
  void Add(const TPartClass& kind) override;
  void Duplicate() override;
  void Delete() override;
  void Cut() override;
  void CopySelected() override;
  void Paste() override;
  void Rename() override;
  void SelectNext(bool back) override;
  void NextColorTarget() override;
  void Fit() override;
  void ToggleLights() override;
  void LoadTexture() override;
  void View(StandardView v) override;
  void ToggleOrtho() override;
  void ToggleGrid() override;
  void ToggleAxes() override;
  void OpenRecent() override;
  void ImportModel() override;
  void ExportGltf() override;
  bool HasSelection() const override { return FSelected != nullptr; }
  bool CanUndo() const override { return FPending || FHistory.CanUndo(); }
  bool CanRedo() const override { return !FPending && FHistory.CanRedo(); }
  bool CanPaste() const override { return !FClipboard.Empty(); }
  void StepHistory(bool back);
  // Asks about unsaved changes; false when the user cancels.
  bool ConfirmDiscard();
  bool CanClose();

  void Select(TPart* part);
  // The move gizmo's handle (0 x, 1 y, 2 z) within reach of a client pixel, or -1.
  int HandleAt(int x, int y);
  // The gizmo's origin and its handles' tips in world coordinates; false without a selection.
  bool Gizmo(double origin[3], double tips[3][3]);
  bool StartDrag(int x, int y, int axis);
  void EndDrag(bool keep);
  void DrawGrid();
  void DrawAxes();
  void DrawGizmo();
  void Commit();
  void FlushEdit();
  // After the tree was replaced (undo, redo, open): the selection by its identity, else its place and path.
  void Restore(const std::vector<int>& where, const std::string& path, uint64_t id = 0);
  void RebuildTree();
  void UpdateTitle();
  void Say(const std::string& line);
  // A line that says something failed: drawn apart and kept until the next action.
  void SayError(const std::string& line);
  // Loads file in place of the document; false (the scene as it was) with the reason said.
  bool OpenFile(const std::string& file);
  // A file name from the Open or Save dialog, starting from file.
  bool AskFile(bool save, std::string& file);
  void Remember(const std::string& file);
  // A line of text, or yes / no / cancel, from a dialog (the question printed first).
  bool AskText(const std::string& caption, const std::string& prompt, std::string& text);
  int AskYesNoCancel(const std::string& question);

  TEditorForm* FForm = nullptr;
  TOpenGl* FGl = nullptr;
  TOrbitCamera* FCamera = nullptr;
  TListBox* FTree = nullptr;
  TEdit* FName = nullptr;
  TLabel* FStatus = nullptr;
  TStatusLine* FStatusLine = nullptr;
  TToolbarFlow* FToolbarFlow = nullptr;  // wraps the buttons that do not fit onto more rows
  TRecentFiles FRecent;
  TPartPanel* FPanel = nullptr;
  std::vector<TPart*> FRowParts;
  TCommandList FCommands;
  std::vector<TButton*> FButtons;  // by command; null where a command has no button
  TSceneHistory FHistory;
  TPartClipboard FClipboard;
  TPart* FSelected = nullptr;
  std::string FFile;
  bool FPending = false;  // an edit not yet in the history
  std::string FUnrecorded;  // why the document as it is could not be recorded for undo
  TClickTest FClick;
  TPartDrag FDrag;
  bool FDragPending = false;  // a press on the selection with Shift: the axis follows the first motion
  int FPressX = 0, FPressY = 0;
  bool FGrid = false, FAxes = false;
};
