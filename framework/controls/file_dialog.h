// Open and Save dialogs: a folder's entries in a list (folders first), a filter, the name in an edit.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "framework/controls/controls.h"

class TButton;
class TEdit;
class TListBox;

// Asks for a file to open. Execute shows the dialog modally on a display; the installed handler answers
// instead where there is one; headless without one it answers false. FileName goes in as the proposal
// (its folder is where the list opens) and comes out as the choice: the bare name when it lies in the
// current folder, else the full path.
class TOpenDialog : public TComponent {
public:
  explicit TOpenDialog(TComponent* AOwner);
  AnsiString Title = "Open";
  AnsiString FileName;
  // Where the list opens when FileName names no existing folder (empty: the current folder).
  AnsiString InitialDir;
  // Pairs of a description and its patterns: "Scene files (*.scene)|*.scene|Models|*.obj;*.stl".
  // Patterns match names without regard to case; none at all shows every file.
  AnsiString Filter;
  // The pair shown first, counted from 1 (as chosen when the dialog ends).
  int FilterIndex = 1;
  // Added (after a dot) to a name typed without an extension, when not empty: "scene".
  AnsiString DefaultExt;
  // Asks before an existing file is chosen (Save); refuses a name that does not exist (Open).
  bool OverwritePrompt = false;
  bool FileMustExist = true;
  // The caption of the button that chooses.
  AnsiString ActionCaption = "Open";
  // True with FileName set when a file was chosen; false (FileName unchanged) on Cancel.
  virtual bool Execute();
};

// The same, for a file to write: a name without an extension gets DefaultExt, and an existing file is
// only chosen once the user agreed to replace it.
class TSaveDialog : public TOpenDialog {
public:
  explicit TSaveDialog(TComponent* AOwner);
};

// Where file dialogs go instead of the screen (tests, headless hosts): it answers as Execute does,
// setting Dialog.FileName; returns the handler it replaces.
using FileDialogHandler = std::function<bool(TOpenDialog& Dialog)>;
FileDialogHandler SetFileDialogHandler(FileDialogHandler handler);

// The filter's pairs: descriptions and their patterns.
struct TFileFilter {
  std::string description;
  std::vector<std::string> patterns;
};
std::vector<TFileFilter> ParseFileFilter(const std::string& filter);
// Whether a file name matches one of the patterns (no patterns, "*" or "*.*": every name).
bool FileMatches(const std::string& name, const std::vector<std::string>& patterns);

// The form a TOpenDialog shows (for the dialog itself, and tests that drive it by keys). Its rows:
// "../" first (but at the root), then the folders, each with a "/" after its name, then the files the
// filter lets through, each group sorted by name; hidden entries (a leading dot) are left out.
// Return or a double click on a folder opens it, on a file chooses it; Return in the edit chooses the
// name typed (a folder's name opens the folder; a pattern such as "*.obj" filters the list).
class TFileDialogForm : public TForm {
public:
  explicit TFileDialogForm(TOpenDialog* Dialog);
  // The folder shown, as an absolute path; false (nothing changed) when it cannot be listed.
  std::string Folder() const { return FFolder; }
  bool SetFolder(const std::string& folder);
  // The rows' kinds, in list order.
  bool RowIsFolder(int row) const;
  // Chooses the edit's name (the default button, Return): true when the form ended with mrOk.
  bool Accept();
  // Moves to the next filter (the filter button).
  void NextFilter();
  // The chosen file once the form ended with mrOk.
  std::string Chosen() const { return FChosen; }
  // What the last refusal said ("no file x"), shown in the form; empty when all went well.
  std::string Note() const { return FNoteText; }

  TListBox* List() const { return FList; }
  TEdit* NameEdit() const { return FName; }
  TButton* FilterButton() const { return FFilterButton; }
  TButton* OkButton() const { return FOk; }
  TButton* CancelButton() const { return FCancel; }

private:
  struct Entry {
    std::string name;
    bool folder;
  };
  void Fill();
  void Say(const std::string& text);
  // A folder row opens; a file row chooses.
  void Activate(int row);
  std::string Resolve(const std::string& typed) const;
  void ListDblClick(TObject* Sender);
  void ListChange(TObject* Sender);
  void ListKeyDown(TObject* Sender, WORD& Key, TShiftState Shift);
  void OkClick(TObject* Sender);
  void FilterClick(TObject* Sender);

  TOpenDialog* FDialog;
  std::vector<TFileFilter> FFilters;
  std::vector<std::string> FTyped;  // a pattern typed into the edit, in place of the filter's
  int FFilterIndex = 0;
  std::string FFolder, FChosen, FNoteText;
  std::vector<Entry> FEntries;
  std::vector<int> FRows;  // the entry behind each row
  TLabel* FFolderLabel;
  TListBox* FList;
  TEdit* FName;
  TButton* FFilterButton;
  TButton* FOk;
  TButton* FCancel;
  TLabel* FNote;
};
