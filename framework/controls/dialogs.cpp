// MessageDlg and InputQuery: modal forms built from labels, an edit and buttons, or the installed handlers;
// MessageBoxA: the platform's message box window, waited on here.
#include "framework/controls/dialogs.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <sstream>
#include <vector>

#include "framework/controls/application.h"
#include "framework/controls/button.h"
#include "framework/controls/edit.h"
#include "framework/controls/listbox.h"
#include "framework/platform/backend.h"

namespace {
MessageBoxHandler gMessageBox;
MessageDlgHandler gMessageDlg;
InputQueryHandler gInputQuery;
ListQueryHandler gListQuery;

const int kMargin = 12, kLine = 18, kButtonW = 75, kButtonH = 25, kGap = 8;

const char* TitleOf(TMsgDlgType type) {
  switch (type) {
    case mtWarning: return "Warning";
    case mtError: return "Error";
    case mtInformation: return "Information";
    case mtConfirmation: return "Confirm";
    default: return "Message";
  }
}

// Centred over the form below it, where there is one.
void PlaceOverOwner(TForm* form) {
  TForm* owner = Application->ModalForm() ? Application->ModalForm() : Application->MainForm();
  int x = 100, y = 100;
  if (owner && owner != form) {
    x = owner->Left() + (owner->Width() - form->Width()) / 2;
    y = owner->Top() + (owner->Height() - form->Height()) / 2;
  }
  form->SetBounds(std::max(0, x), std::max(0, y), form->Width(), form->Height());
}

// The platform's box on screen until it is answered; false when the backend shows none. The nested loop
// keeps timers and paints of the other windows running; their input waits.
bool RunMessageBox(HWND owner, const std::string& text, const std::string& caption) {
  WindowBackend* backend = Application->Backend();
  MessageBoxWindow* box = backend->OpenMessageBox(owner, text, caption);
  if (!box) return false;
  // The box goes, and input flows again, even when a handler in the loop raises.
  struct Shown {
    WindowBackend* backend;
    MessageBoxWindow* box;
    ~Shown() {
      Application->SetMessageBoxShown(false);
      backend->CloseMessageBox(box);
    }
  } shown{backend, box};
  Application->SetMessageBoxShown(true);
  while (!backend->MessageBoxAnswered(box)) {
    Application->ProcessMessages();
    if (backend->MessageBoxAnswered(box)) break;
    int64_t next = Application->NextTimerDue();
    int64_t wait = next == INT64_MAX ? 100 : std::max<int64_t>(0, next - Application->NowMs());
    if (wait > 0) backend->WaitEvents(static_cast<int>(std::min<int64_t>(wait, 100)));
  }
  return true;
}

TButton* AddButton(TForm* form, const char* caption, TModalResult result, int x, int y) {
  auto* b = new TButton(form);
  b->SetParent(form);
  b->SetCaption(caption);
  b->ModalResult = result;
  b->SetBounds(x, y, kButtonW, kButtonH);
  return b;
}
}  // namespace

int MessageBoxA(HWND owner, const char* text, const char* caption, UINT type) {
  std::string t = text ? text : "", c = caption ? caption : "";
  if (gMessageBox) return gMessageBox(owner, t, c, type);
  if (Application->OnDisplay() && RunMessageBox(owner, t, c)) return 1;  // IDOK
  std::fprintf(stderr, "%s: %s\n", c.c_str(), t.c_str());
  return 1;  // IDOK
}

MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler) {
  MessageBoxHandler old = gMessageBox;
  gMessageBox = std::move(handler);
  return old;
}

MessageDlgHandler SetMessageDlgHandler(MessageDlgHandler handler) {
  MessageDlgHandler old = gMessageDlg;
  gMessageDlg = std::move(handler);
  return old;
}

InputQueryHandler SetInputQueryHandler(InputQueryHandler handler) {
  InputQueryHandler old = gInputQuery;
  gInputQuery = std::move(handler);
  return old;
}

ListQueryHandler SetListQueryHandler(ListQueryHandler handler) {
  ListQueryHandler old = gListQuery;
  gListQuery = std::move(handler);
  return old;
}

namespace {
// A double click or Return on a row chooses it, as OK does.
class ListChoice : public TObject {
public:
  explicit ListChoice(TForm* form) : FForm(form) {}
  void DblClick(TObject*) { FForm->SetModalResult(mrOk); }
  void KeyDown(TObject*, WORD& Key, TShiftState) {
    if (Key != VK_RETURN) return;
    Key = 0;
    FForm->SetModalResult(mrOk);
  }

private:
  TForm* FForm;
};

// OK and Cancel under the content that ends at bottom, the form sized round them and shown modally with
// focus on focus; OK's answer, or false with dead set when the form went away while it was shown.
bool ShowOkCancel(TForm* form, TWinControl* focus, int width, int bottom, bool& dead) {
  const int buttonY = bottom + kMargin;
  const int x = width - kMargin - 2 * kButtonW - kGap;
  AddButton(form, "OK", mrOk, x, buttonY)->SetDefault(true);
  AddButton(form, "Cancel", mrCancel, x + kButtonW + kGap, buttonY)->Cancel = true;
  form->SetBounds(0, 0, width, buttonY + kButtonH + kMargin);
  form->SetActiveControl(focus);
  PlaceOverOwner(form);
  TLiveness alive = form->Liveness();
  const bool ok = form->ShowModal() == mrOk;
  dead = !alive;
  return ok && alive;
}
}  // namespace

bool ListQuery(const AnsiString& ACaption, const AnsiString& APrompt, const std::vector<AnsiString>& Items, int& Index) {
  if (gListQuery) return gListQuery(ACaption, APrompt, Items, Index);
  if (!Application->OnDisplay() || Items.empty()) return false;
  auto* form = new TForm(nullptr);
  form->SetCaption(ACaption);
  auto* prompt = new TLabel(form);
  prompt->SetParent(form);
  prompt->SetCaption(APrompt);
  prompt->SetBounds(kMargin, kMargin, prompt->Width(), 16);
  int width = prompt->Width();
  for (const AnsiString& item : Items) width = std::max(width, TLabel::TextWidth(item) + 2 * TListBox::ScrollBarWidth);
  width = std::min(std::max(width, 2 * kButtonW + kGap + 200) + 2 * kMargin, 1000);
  auto* list = new TListBox(form);
  list->SetParent(form);
  int rows = std::min(static_cast<int>(Items.size()), 12);
  list->SetBounds(kMargin, kMargin + kLine + 2, width - 2 * kMargin, rows * TListBox::ItemHeight() + 4);
  for (const AnsiString& item : Items) list->AddItem(item);
  list->SetItemIndex(std::max(0, std::min(Index, static_cast<int>(Items.size()) - 1)));
  ListChoice choice(form);
  list->OnDblClick = MakeEvent(&choice, &ListChoice::DblClick);
  list->OnKeyDown = MakeEvent(&choice, &ListChoice::KeyDown);
  bool dead = false;
  bool ok = ShowOkCancel(form, list, width, list->Top() + list->Height(), dead);
  if (dead) return false;
  ok = ok && list->ItemIndex() >= 0;
  if (ok) Index = list->ItemIndex();
  delete form;
  return ok;
}

TForm* CreateMessageDialog(const AnsiString& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons) {
  if (Buttons.Empty()) Buttons = TMsgDlgButtons() << mbOK;
  auto* form = new TForm(nullptr);
  form->SetCaption(TitleOf(DlgType));
  std::vector<std::string> lines;
  std::istringstream in(Msg.str());
  for (std::string line; std::getline(in, line) && lines.size() < 40;) lines.push_back(line);
  if (lines.empty()) lines.push_back("");
  int textWidth = 0;
  for (size_t i = 0; i < lines.size(); ++i) {
    auto* label = new TLabel(form);
    label->SetParent(form);
    label->SetCaption(lines[i].c_str());
    label->SetBounds(kMargin, kMargin + static_cast<int>(i) * kLine, label->Width(), 16);
    textWidth = std::max(textWidth, label->Width());
  }
  struct Choice { TMsgDlgBtn button; const char* caption; TModalResult result; };
  const Choice choices[] = {{mbYes, "Yes", mrYes}, {mbNo, "No", mrNo}, {mbOK, "OK", mrOk}, {mbCancel, "Cancel", mrCancel}};
  int count = 0;
  for (const Choice& c : choices) count += Buttons.Contains(c.button);
  int buttonsWidth = count * kButtonW + (count - 1) * kGap;
  int width = std::min(std::max({textWidth, buttonsWidth, 200}) + 2 * kMargin, 1200);
  int buttonY = kMargin + static_cast<int>(lines.size()) * kLine + kMargin;
  form->SetBounds(0, 0, width, buttonY + kButtonH + kMargin);
  int x = (width - buttonsWidth) / 2;
  TButton *yes = nullptr, *no = nullptr, *ok = nullptr, *cancel = nullptr;
  for (const Choice& c : choices) {
    if (!Buttons.Contains(c.button)) continue;
    TButton* b = AddButton(form, c.caption, c.result, x, buttonY);
    x += kButtonW + kGap;
    (c.button == mbYes ? yes : c.button == mbNo ? no : c.button == mbOK ? ok : cancel) = b;
  }
  TButton* def = yes ? yes : ok ? ok : no ? no : cancel;
  TButton* esc = cancel ? cancel : no ? no : ok ? ok : yes;
  def->SetDefault(true);
  esc->Cancel = true;
  form->SetActiveControl(def);
  return form;
}

int MessageDlg(const AnsiString& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons, int) {
  if (gMessageDlg) return gMessageDlg(Msg, DlgType, Buttons);
  if (!Application->OnDisplay()) {
    std::fprintf(stderr, "%s: %s\n", TitleOf(DlgType), Msg.c_str());
    return mrCancel;
  }
  TForm* form = CreateMessageDialog(Msg, DlgType, Buttons);
  PlaceOverOwner(form);
  // A host's handler may delete the modal form (Application->ModalForm()) while it is up.
  TLiveness alive = form->Liveness();
  int result = form->ShowModal();
  if (alive) delete form;
  return result;
}

bool InputQuery(const AnsiString& ACaption, const AnsiString& APrompt, AnsiString& Value) {
  if (gInputQuery) return gInputQuery(ACaption, APrompt, Value);
  if (!Application->OnDisplay()) return false;
  auto* form = new TForm(nullptr);
  form->SetCaption(ACaption);
  auto* prompt = new TLabel(form);
  prompt->SetParent(form);
  prompt->SetCaption(APrompt);
  prompt->SetBounds(kMargin, kMargin, prompt->Width(), 16);
  int width = std::min(std::max(prompt->Width(), 2 * kButtonW + kGap + 120) + 2 * kMargin, 1200);
  auto* edit = new TEdit(form);
  edit->SetParent(form);
  edit->SetBounds(kMargin, kMargin + kLine + 2, width - 2 * kMargin, 21);
  edit->SetText(Value);
  edit->SelectAll();
  bool dead = false;
  const bool ok = ShowOkCancel(form, edit, width, edit->Top() + edit->Height(), dead);
  if (dead) return false;  // its text went with it
  if (ok) Value = edit->Text();
  delete form;
  return ok;
}
