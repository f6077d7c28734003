// sceneedit's commands, each declared once: the toolbar's buttons, the keys and the help come from the list.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "framework/controls/controls.h"
#include "scene_edits.h"
#include "view_camera.h"

// What the commands act on: the editor's window, or a stand-in.
class TEditorActions {
public:
  virtual ~TEditorActions() = default;
  virtual void New() = 0;
  virtual void OpenAsk() = 0;
  virtual bool Save() = 0;
  virtual bool SaveAs() = 0;
  virtual void Quit() = 0;
  virtual void Undo() = 0;
  virtual void Redo() = 0;
  virtual void Add(const TPartClass& kind) = 0;
  virtual void Duplicate() = 0;
  virtual void Delete() = 0;
  virtual void Cut() = 0;
  virtual void CopySelected() = 0;
  virtual void Paste() = 0;
  virtual void Rename() = 0;
  virtual void SelectNext(bool back) = 0;
  virtual void NextColorTarget() = 0;
  virtual void Fit() = 0;
  virtual void ToggleLights() = 0;
  virtual void LoadTexture() = 0;
  virtual void View(StandardView v) = 0;
  virtual void ToggleOrtho() = 0;
  virtual void ToggleGrid() = 0;
  virtual void ToggleAxes() = 0;
  // Offers the files opened or saved last.
  virtual void OpenRecent() {}
  // Reads a model file into the scene as one undo step; writes the scene as glTF.
  virtual void ImportModel() {}
  virtual void ExportGltf() {}
  // What the commands' enabled tests ask.
  virtual bool HasSelection() const = 0;
  virtual bool CanUndo() const = 0;
  virtual bool CanRedo() const = 0;
  virtual bool CanPaste() const = 0;
};

// A key with the modifiers that must be held: exactly these of Ctrl and Shift.
struct TShortcut {
  WORD key;
  TShiftState shift;
};

struct TEditorCommand {
  std::string name;     // the button's window name; empty: no button
  std::string caption;  // the button's caption
  int width = 0;        // the button's width
  std::vector<TShortcut> keys;
  std::string help;  // what the keys do, for the help ("undo")
  std::function<void()> run;
  std::function<bool()> enabled;  // empty: always
  std::string unavailable;        // said when a key asks for it while it is not enabled
  bool Enabled() const { return !enabled || enabled(); }
};

class TCommandList {
public:
  // Appends a command (a kind of part registered at run time adds its own); its index is returned.
  int Add(TEditorCommand command);
  int Count() const { return static_cast<int>(FCommands.size()); }
  const TEditorCommand& operator[](int i) const { return FCommands[i]; }
  // The command a key runs, or -1. Keys without Ctrl belong to the name edit while it has the focus.
  int ForKey(WORD key, TShiftState shift, bool typing) const;
  // The keys and what they do, wrapped into indented lines.
  std::string Help() const;

private:
  std::vector<TEditorCommand> FCommands;
};

// How a key is written in the help: "Ctrl+Shift+S", "Delete", "F2".
std::string ShortcutName(const TShortcut& s);

// The editor's own commands, in toolbar order, acting on target (null: for the help only).
TCommandList SceneeditCommands(TEditorActions* target);
// The text of --help, with the keys of those commands.
std::string SceneeditUsage();
