// TOpenDialog and TSaveDialog: the folder list, the filter, the typed name, and the replace question.
#include "framework/controls/file_dialog.h"

#include <fnmatch.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <strings.h>
#include <system_error>

#include "framework/controls/application.h"
#include "framework/controls/button.h"
#include "framework/controls/dialogs.h"
#include "framework/controls/edit.h"
#include "framework/controls/listbox.h"

namespace fs = std::filesystem;

namespace {
FileDialogHandler gFileDialog;

const int kMargin = 12, kWidth = 560, kListHeight = 260, kButtonW = 75, kButtonH = 25, kCaptionW = 70;

std::string Trim(const std::string& s) {
  size_t a = s.find_first_not_of(" \t"), b = s.find_last_not_of(" \t");
  return a == std::string::npos ? std::string() : s.substr(a, b - a + 1);
}

std::vector<std::string> Split(const std::string& s, char sep) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (size_t i = 0; i <= s.size(); ++i)
    if (i == s.size() || s[i] == sep) {
      std::string part = Trim(s.substr(start, i - start));
      if (!part.empty()) parts.push_back(part);
      start = i + 1;
    }
  return parts;
}

bool IsDirectory(const std::string& path) {
  std::error_code ec;
  return fs::is_directory(path, ec);
}

// By name without regard to case, then byte by byte, so the order is stable.
bool NameLess(const std::string& a, const std::string& b) {
  int c = strcasecmp(a.c_str(), b.c_str());
  return c != 0 ? c < 0 : a < b;
}
}  // namespace

FileDialogHandler SetFileDialogHandler(FileDialogHandler handler) {
  FileDialogHandler old = gFileDialog;
  gFileDialog = std::move(handler);
  return old;
}

std::vector<TFileFilter> ParseFileFilter(const std::string& filter) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (size_t i = 0; i <= filter.size(); ++i)
    if (i == filter.size() || filter[i] == '|') {
      parts.push_back(filter.substr(start, i - start));
      start = i + 1;
    }
  std::vector<TFileFilter> filters;
  for (size_t i = 0; i + 1 < parts.size(); i += 2) filters.push_back({Trim(parts[i]), Split(parts[i + 1], ';')});
  return filters;
}

bool FileMatches(const std::string& name, const std::vector<std::string>& patterns) {
  if (patterns.empty()) return true;
  for (const std::string& p : patterns)
    if (p == "*" || p == "*.*" || fnmatch(p.c_str(), name.c_str(), FNM_CASEFOLD) == 0) return true;
  return false;
}

TOpenDialog::TOpenDialog(TComponent* AOwner) : TComponent(AOwner) {}

bool TOpenDialog::Execute() {
  if (gFileDialog) return gFileDialog(*this);
  if (!Application->OnDisplay()) return false;
  auto* form = new TFileDialogForm(this);
  TForm* owner = Application->ModalForm() ? Application->ModalForm() : Application->MainForm();
  if (owner && owner != form)
    form->SetBounds(std::max(0, owner->Left() + (owner->Width() - form->Width()) / 2),
                    std::max(0, owner->Top() + (owner->Height() - form->Height()) / 2), form->Width(), form->Height());
  // A host's handler may delete the modal form while it is up.
  TLiveness alive = form->Liveness();
  bool ok = form->ShowModal() == mrOk;
  if (!alive) return false;
  if (ok) FileName = form->Chosen().c_str();
  delete form;
  return ok;
}

TSaveDialog::TSaveDialog(TComponent* AOwner) : TOpenDialog(AOwner) {
  Title = "Save as";
  ActionCaption = "Save";
  OverwritePrompt = true;
  FileMustExist = false;
}

TFileDialogForm::TFileDialogForm(TOpenDialog* Dialog) : TForm(nullptr), FDialog(Dialog) {
  SetCaption(Dialog->Title);
  FFilters = ParseFileFilter(Dialog->Filter.str());
  FFilterIndex = std::max(0, std::min(Dialog->FilterIndex - 1, static_cast<int>(FFilters.size()) - 1));
  int y = kMargin;
  FFolderLabel = new TLabel(this);
  FFolderLabel->Name = "Folder";
  FFolderLabel->SetParent(this);
  FFolderLabel->AutoSize = false;
  FFolderLabel->SetBounds(kMargin, y, kWidth - 2 * kMargin, 16);
  y += 22;
  FList = new TListBox(this);
  FList->Name = "Files";
  FList->SetParent(this);
  FList->SetBounds(kMargin, y, kWidth - 2 * kMargin, kListHeight);
  FList->OnDblClick = MakeEvent(this, &TFileDialogForm::ListDblClick);
  FList->OnChange = MakeEvent(this, &TFileDialogForm::ListChange);
  FList->OnKeyDown = MakeEvent(this, &TFileDialogForm::ListKeyDown);
  y += kListHeight + 10;
  auto* nameCaption = new TLabel(this);
  nameCaption->SetParent(this);
  nameCaption->SetCaption("File name:");
  nameCaption->SetBounds(kMargin, y + 3, nameCaption->Width(), 16);
  FName = new TEdit(this);
  FName->Name = "FileName";
  FName->SetParent(this);
  FName->SetBounds(kMargin + kCaptionW, y, kWidth - 2 * kMargin - kCaptionW, 21);
  y += 31;
  auto* filterCaption = new TLabel(this);
  filterCaption->SetParent(this);
  filterCaption->SetCaption("Show:");
  filterCaption->SetBounds(kMargin, y + 5, filterCaption->Width(), 16);
  int buttonsX = kWidth - kMargin - 2 * kButtonW - 8;
  FFilterButton = new TButton(this);
  FFilterButton->Name = "Filter";
  FFilterButton->SetParent(this);
  FFilterButton->SetBounds(kMargin + kCaptionW, y, kWidth - 2 * kMargin - kCaptionW, kButtonH);
  FFilterButton->OnClick = MakeEvent(this, &TFileDialogForm::FilterClick);
  y += kButtonH + 10;
  FOk = new TButton(this);
  FOk->Name = "Ok";
  FOk->SetParent(this);
  FOk->SetCaption(Dialog->ActionCaption);
  FOk->SetBounds(buttonsX, y, kButtonW, kButtonH);
  FOk->SetDefault(true);
  FOk->OnClick = MakeEvent(this, &TFileDialogForm::OkClick);
  FCancel = new TButton(this);
  FCancel->Name = "Cancel";
  FCancel->SetParent(this);
  FCancel->SetCaption("Cancel");
  FCancel->SetBounds(buttonsX + kButtonW + 8, y, kButtonW, kButtonH);
  FCancel->ModalResult = mrCancel;
  FCancel->Cancel = true;
  // What a refused name was refused for, beside the buttons.
  FNote = new TLabel(this);
  FNote->Name = "Note";
  FNote->SetParent(this);
  FNote->AutoSize = false;
  FNote->SetBounds(kMargin, y + 4, buttonsX - 2 * kMargin, 16);
  SetBounds(100, 100, kWidth, y + kButtonH + kMargin);

  // The proposal's folder, else the initial one, else the current folder (else the root).
  std::string proposed = Dialog->FileName.str(), start;
  if (!proposed.empty()) {
    fs::path p = Resolve(proposed);
    if (IsDirectory(p.string())) {
      start = p.string();
    } else {
      if (IsDirectory(p.parent_path().string())) start = p.parent_path().string();
      FName->SetText(p.filename().string().c_str());
    }
  }
  if (start.empty() && !Dialog->InitialDir.IsEmpty()) start = Resolve(Dialog->InitialDir.str());
  std::error_code ec;
  std::string here = fs::current_path(ec).string();
  if (!SetFolder(start) && !SetFolder(here)) SetFolder("/");
  FName->SelectAll();
  SetActiveControl(FName);
}

std::string TFileDialogForm::Resolve(const std::string& typed) const {
  fs::path p = typed;
  if (typed == "~" || typed.rfind("~/", 0) == 0) {
    const char* home = std::getenv("HOME");
    if (home && *home) p = fs::path(home) / typed.substr(typed.size() > 1 ? 2 : 1);
  }
  if (p.is_relative()) {
    std::error_code ec;
    fs::path base = FFolder.empty() ? fs::current_path(ec) : fs::path(FFolder);
    p = base / p;
  }
  std::string s = p.lexically_normal().string();
  // "/a/b/" names the folder "/a/b".
  while (s.size() > 1 && s.back() == '/') s.pop_back();
  return s;
}

bool TFileDialogForm::SetFolder(const std::string& folder) {
  if (folder.empty()) return false;
  std::string dir = Resolve(folder);
  std::error_code ec;
  fs::directory_iterator it(dir, ec);
  if (ec) {
    Say("cannot open the folder " + dir + ": " + ec.message());
    return false;
  }
  std::vector<Entry> folders, files;
  for (; it != fs::directory_iterator(); it.increment(ec)) {
    if (ec) break;
    std::string name = it->path().filename().string();
    if (name.empty() || name[0] == '.') continue;
    std::error_code kind;
    if (it->is_directory(kind)) folders.push_back({name, true});
    else files.push_back({name, false});
  }
  auto byName = [](const Entry& a, const Entry& b) { return NameLess(a.name, b.name); };
  std::sort(folders.begin(), folders.end(), byName);
  std::sort(files.begin(), files.end(), byName);
  FFolder = dir;
  FEntries.clear();
  if (FFolder != "/") FEntries.push_back({"..", true});
  FEntries.insert(FEntries.end(), folders.begin(), folders.end());
  FEntries.insert(FEntries.end(), files.begin(), files.end());
  Say("");
  Fill();
  // The label shows the folder's end when the whole path does not fit.
  std::string shown = FFolder;
  int room = FFolderLabel->Width() - TLabel::TextWidth("Look in: ...");
  while (shown.size() > 1 && TLabel::TextWidth(shown) > room) shown.erase(0, 1);
  FFolderLabel->SetCaption(("Look in: " + std::string(shown == FFolder ? "" : "...") + shown).c_str());
  return true;
}

void TFileDialogForm::Fill() {
  const std::vector<std::string>* patterns = nullptr;
  if (!FTyped.empty()) patterns = &FTyped;
  else if (!FFilters.empty()) patterns = &FFilters[FFilterIndex].patterns;
  FList->Clear();
  FRows.clear();
  for (size_t i = 0; i < FEntries.size(); ++i) {
    const Entry& e = FEntries[i];
    if (!e.folder && patterns && !FileMatches(e.name, *patterns)) continue;
    FList->AddItem((e.folder ? e.name + "/" : e.name).c_str());
    FRows.push_back(static_cast<int>(i));
  }
  std::string caption = !FTyped.empty() ? "" : FFilters.empty() ? "All files" : FFilters[FFilterIndex].description;
  if (!FTyped.empty())
    for (const std::string& p : FTyped) caption += (caption.empty() ? "" : ";") + p;
  FFilterButton->SetCaption(caption.c_str());
  FFilterButton->SetEnabled(FFilters.size() > 1 || !FTyped.empty());
}

bool TFileDialogForm::RowIsFolder(int row) const {
  return row >= 0 && row < static_cast<int>(FRows.size()) && FEntries[FRows[row]].folder;
}

void TFileDialogForm::Say(const std::string& text) {
  FNoteText = text;
  FNote->SetCaption(text.c_str());
  FNote->SetColor(text.empty() ? clBtnFace : static_cast<TColor>(0xC0E0FF));
}

void TFileDialogForm::Activate(int row) {
  if (row < 0 || row >= static_cast<int>(FRows.size())) {
    Accept();
    return;
  }
  const Entry e = FEntries[FRows[row]];
  if (!e.folder) {
    FName->SetText(e.name.c_str());
    Accept();
    return;
  }
  std::string from = fs::path(FFolder).filename().string();
  if (!SetFolder(e.name == ".." ? fs::path(FFolder).parent_path().string() : FFolder + "/" + e.name)) return;
  // Up a level, the folder just left stays selected.
  int select = FRows.empty() ? -1 : 0;
  if (e.name == "..")
    for (size_t i = 0; i < FRows.size(); ++i)
      if (FEntries[FRows[i]].folder && FEntries[FRows[i]].name == from) select = static_cast<int>(i);
  FList->SetItemIndex(select);
}

bool TFileDialogForm::Accept() {
  std::string typed = Trim(FName->Text().str());
  if (typed.empty()) {
    if (RowIsFolder(FList->ItemIndex())) Activate(FList->ItemIndex());
    return false;
  }
  // A pattern filters the list instead of naming a file.
  if (typed.find_first_of("*?") != std::string::npos && typed.find('/') == std::string::npos) {
    FTyped = Split(typed, ';');
    Fill();
    FName->SetText("");
    return false;
  }
  std::string path = Resolve(typed);
  if (IsDirectory(path)) {
    if (SetFolder(path)) {
      FName->SetText("");
      FList->SetItemIndex(FRows.empty() ? -1 : 0);
    }
    return false;
  }
  fs::path p = path;
  if (!FDialog->DefaultExt.IsEmpty() && p.extension().empty()) path += "." + FDialog->DefaultExt.str();
  p = path;
  std::error_code ec;
  bool exists = fs::exists(p, ec);
  if (!IsDirectory(p.parent_path().string())) {
    Say("no folder " + p.parent_path().string());
    return false;
  }
  if (exists && IsDirectory(path)) {
    SetFolder(path);
    return false;
  }
  if (!exists && FDialog->FileMustExist) {
    Say("no file " + path);
    return false;
  }
  if (exists && FDialog->OverwritePrompt) {
    TLiveness alive = Liveness();
    int answer = MessageDlg((p.filename().string() + " already exists.\nReplace it?").c_str(), mtConfirmation, mbYesNo);
    if (!alive) return false;
    if (answer != mrYes) {
      SetActiveControl(FName);
      return false;
    }
  }
  // A file in the current folder keeps its bare name: what the user sees as the file's name.
  std::string here = fs::current_path(ec).string();
  FChosen = !ec && p.parent_path().string() == here ? p.filename().string() : path;
  FDialog->FilterIndex = FFilterIndex + 1;
  Say("");
  SetModalResult(mrOk);
  return true;
}

void TFileDialogForm::NextFilter() {
  if (!FTyped.empty()) FTyped.clear();
  else if (!FFilters.empty()) FFilterIndex = (FFilterIndex + 1) % static_cast<int>(FFilters.size());
  Fill();
}

void TFileDialogForm::ListDblClick(TObject*) { Activate(FList->ItemIndex()); }

void TFileDialogForm::ListChange(TObject*) {
  int row = FList->ItemIndex();
  if (row >= 0 && row < static_cast<int>(FRows.size()) && !FEntries[FRows[row]].folder)
    FName->SetText(FEntries[FRows[row]].name.c_str());
}

void TFileDialogForm::ListKeyDown(TObject*, WORD& Key, TShiftState) {
  if (Key == VK_RETURN) {
    Key = 0;
    Activate(FList->ItemIndex());
  } else if (Key == VK_BACK && FFolder != "/") {
    Key = 0;
    Activate(0);  // the "../" row
  }
}

void TFileDialogForm::OkClick(TObject*) {
  // The button's own press chooses the typed name; with an empty name, the selected row.
  if (Trim(FName->Text().str()).empty()) Activate(FList->ItemIndex());
  else Accept();
}

void TFileDialogForm::FilterClick(TObject*) { NextFilter(); }
