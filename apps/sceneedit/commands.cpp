// sceneedit's commands: the list, key lookup, the help, and the editor's own entries.
#include "commands.h"

#include <cctype>

int TCommandList::Add(TEditorCommand command) {
  FCommands.push_back(std::move(command));
  return Count() - 1;
}

int TCommandList::ForKey(WORD key, TShiftState shift, bool typing) const {
  TShiftState held = shift & (ssCtrl | ssShift);
  if (!(held & ssCtrl) && typing) return -1;
  // An exact match first; else Shift is ignored (Ctrl+Shift+N is Ctrl+N, Shift+Delete is Delete).
  for (TShiftState want : {held, TShiftState(held & ~ssShift)}) {
    for (int i = 0; i < Count(); ++i)
      for (const TShortcut& s : FCommands[i].keys)
        if (s.key == key && s.shift == want) return i;
  }
  return -1;
}

std::string ShortcutName(const TShortcut& s) {
  std::string name = (s.shift & ssCtrl) ? "Ctrl+" : "";
  if (s.shift & ssShift) name += "Shift+";
  if (s.key == VK_DELETE) return name + "Delete";
  if (s.key == VK_UP) return name + "Up";
  if (s.key == VK_DOWN) return name + "Down";
  if (s.key >= VK_F1 && s.key < VK_F1 + 12) return name + "F" + std::to_string(s.key - VK_F1 + 1);
  if (std::isalnum(s.key)) return name + static_cast<char>(s.key);
  return name + "key " + std::to_string(s.key);
}

std::string TCommandList::Help() const {
  const size_t kWidth = 100;
  std::string text, line;
  for (const TEditorCommand& c : FCommands) {
    if (c.keys.empty()) continue;
    std::string item;
    for (const TShortcut& s : c.keys) item += (item.empty() ? "" : " or ") + ShortcutName(s);
    item += " " + c.help;
    if (!line.empty() && line.size() + 3 + item.size() > kWidth) {
      text += line + "\n";
      line.clear();
    }
    line += (line.empty() ? "  " : "   ") + item;
  }
  if (!line.empty()) text += line + "\n";
  return text;
}

namespace {

const char* const kNoSelection = "no part selected";

TEditorCommand Cmd(std::string name, std::string caption, int width, std::vector<TShortcut> keys, std::string help,
                   std::function<void()> run, std::function<bool()> enabled = nullptr,
                   std::string unavailable = "") {
  TEditorCommand c;
  c.name = std::move(name);
  c.caption = std::move(caption);
  c.width = width;
  c.keys = std::move(keys);
  c.help = std::move(help);
  c.run = std::move(run);
  c.enabled = std::move(enabled);
  c.unavailable = std::move(unavailable);
  return c;
}

TShortcut Ctrl(char key) { return {static_cast<WORD>(key), ssCtrl}; }
TShortcut CtrlShift(char key) { return {static_cast<WORD>(key), ssCtrl | ssShift}; }
TShortcut Plain(WORD key) { return {key, 0}; }
TShortcut Shifted(WORD key) { return {key, ssShift}; }

// One part kind's command: a button, Ctrl with a digit or letter, adding into or beside the selection.
TEditorCommand AddCommand(TEditorActions* target, const TAddKind& add) {
  std::string what = add.caption;
  for (char& ch : what) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
  std::vector<TShortcut> keys;
  if (add.key) keys.push_back(Ctrl(add.key));
  const TPartClass* kind = add.kind;
  return Cmd("Add" + add.caption, add.caption, add.width, keys, what, [target, kind] { target->Add(*kind); });
}

}  // namespace

TCommandList SceneeditCommands(TEditorActions* t) {
  auto selected = [t] { return t->HasSelection(); };
  TCommandList list;
  list.Add(Cmd("New", "New", 40, {Ctrl('N')}, "new", [t] { t->New(); }));
  list.Add(Cmd("Open", "Open", 44, {Ctrl('O')}, "open", [t] { t->OpenAsk(); }));
  list.Add(Cmd("Save", "Save", 42, {Ctrl('S')}, "save", [t] { t->Save(); }));
  list.Add(Cmd("SaveAs", "Save as", 58, {CtrlShift('S')}, "save as", [t] { t->SaveAs(); }));
  list.Add(Cmd("Recent", "Recent", 54, {Ctrl('R')}, "open a recent file", [t] { t->OpenRecent(); }));
  list.Add(Cmd("Import", "Import...", 66, {Ctrl('I')}, "import a model (OBJ, STL, PLY, glTF, ...)",
               [t] { t->ImportModel(); }));
  list.Add(Cmd("ExportGltf", "Export glTF...", 96, {Ctrl('E')}, "export the scene as glTF", [t] { t->ExportGltf(); }));
  list.Add(Cmd("", "Quit", 0, {Ctrl('Q')}, "quit", [t] { t->Quit(); }));
  list.Add(Cmd("Undo", "Undo", 44, {Ctrl('Z')}, "undo", [t] { t->Undo(); }, [t] { return t->CanUndo(); },
               "nothing to undo"));
  list.Add(Cmd("Redo", "Redo", 44, {Ctrl('Y'), CtrlShift('Z')}, "redo", [t] { t->Redo(); },
               [t] { return t->CanRedo(); }, "nothing to redo"));
  for (const TAddKind& add : AddableKinds()) list.Add(AddCommand(t, add));
  list.Add(Cmd("Duplicate", "Dup", 36, {Ctrl('D')}, "duplicate", [t] { t->Duplicate(); }, selected, kNoSelection));
  list.Add(Cmd("Delete", "Del", 34, {Plain(VK_DELETE)}, "delete the selected part", [t] { t->Delete(); }, selected,
               kNoSelection));
  list.Add(Cmd("Cut", "Cut", 32, {Ctrl('X')}, "cut", [t] { t->Cut(); }, selected, kNoSelection));
  list.Add(Cmd("Copy", "Copy", 42, {Ctrl('C')}, "copy", [t] { t->CopySelected(); }, selected, kNoSelection));
  list.Add(Cmd("Paste", "Paste", 44, {Ctrl('V')}, "paste", [t] { t->Paste(); }, [t] { return t->CanPaste(); },
               "nothing to paste"));
  list.Add(Cmd("Rename", "Rename", 56, {Plain(VK_F1 + 1)}, "rename the selected part", [t] { t->Rename(); },
               selected, kNoSelection));
  list.Add(Cmd("Lights", "Lights", 48, {Plain('L')}, "the light editors (or back)", [t] { t->ToggleLights(); }));
  list.Add(Cmd("Texture", "Texture", 56, {Plain('T')}, "load a BMP or PNG into a texture slot",
               [t] { t->LoadTexture(); }));
  list.Add(Cmd("", "Previous", 0, {Plain(VK_UP)}, "the previous part", [t] { t->SelectNext(true); }));
  list.Add(Cmd("", "Next", 0, {Plain(VK_DOWN)}, "the next part", [t] { t->SelectNext(false); }));
  list.Add(Cmd("", "Fit", 0, {Plain('F')}, "fit the scene", [t] { t->Fit(); }));
  for (StandardView v : {StandardView::Front, StandardView::Back, StandardView::Right, StandardView::Left,
                         StandardView::Top, StandardView::Bottom}) {
    const int i = static_cast<int>(v);
    const WORD key = static_cast<WORD>("113377"[i]);
    list.Add(Cmd("", StandardViewName(v), 0, {i % 2 ? Shifted(key) : Plain(key)},
                 std::string("view from the ") + StandardViewName(v), [t, v] { t->View(v); }));
  }
  list.Add(Cmd("", "Ortho", 0, {Plain('5')}, "orthographic on/off", [t] { t->ToggleOrtho(); }));
  list.Add(Cmd("", "Grid", 0, {Plain('G')}, "ground grid on/off", [t] { t->ToggleGrid(); }));
  list.Add(Cmd("", "Axes", 0, {Plain('A')}, "axis triad on/off", [t] { t->ToggleAxes(); }));
  list.Add(Cmd("", "Colour", 0, {Plain('M')}, "the material colour edited next (ambient, diffuse, specular, emission)",
               [t] { t->NextColorTarget(); }));
  return list;
}

std::string SceneeditUsage() {
  return "usage: sceneedit [FILE] [--size WxH]      edit a scene (a new one when FILE is missing or absent)\n"
         "       sceneedit FILE --png OUT [--size WxH]\n"
         "                                          render it headless to a PNG and exit\n"
         "       sceneedit --help                   this text\n"
         "\n"
         "In the window (Ctrl with a letter; the buttons do the same; keys without Ctrl while no name is typed):\n" +
         SceneeditCommands(nullptr).Help() +
         "  closing with unsaved changes asks: Yes saves, No discards, Cancel stays\n"
         "  left drag orbit, middle or shift+left drag pan, wheel zoom, click a part to select it\n"
         "  drag the selected part to move it in the view plane, shift+drag along the axis nearest the drag;\n"
         "  drag a handle of the move gizmo (red x, green y, blue z) along its axis; each drag is one undo step\n"
         "  click a value to type it: Return applies it, Escape drops it (a value beyond the scroll bar widens it;\n"
         "  one outside what the value can take is refused, with the range)\n";
}
