// The control tree and windowed controls: bounds, parents, native windows, message dispatch.
#include "framework/controls/controls.h"

#include <cxxabi.h>

#include <algorithm>
#include <cstdlib>
#include <typeinfo>
#include <unordered_map>
#include <utility>

#include "framework/controls/application.h"
#include "framework/graphics/draw_surface.h"
#include "framework/platform/backend.h"

namespace {
// Never destroyed: controls that hosts keep in statics may go after it at exit.
std::unordered_map<HWND, TWinControl*>& Windows() {
  static auto* windows = new std::unordered_map<HWND, TWinControl*>;
  return *windows;
}

// The window's class for tools that look at the tree: the control's own class name.
std::string ClassOf(TWinControl* control, const std::string& registered) {
  if (!control || (!registered.empty() && registered != "TWinControl")) return registered;
  int status = 0;
  char* name = abi::__cxa_demangle(typeid(*control).name(), nullptr, nullptr, &status);
  std::string result = (status == 0 && name) ? name : registered;
  std::free(name);
  return result;
}
}  // namespace

namespace {
TMessage Message(unsigned msg, uintptr_t wParam, intptr_t lParam, intptr_t result) {
  TMessage m;
  m.Msg = msg;
  m.WParam = wParam;
  m.LParam = lParam;
  m.Result = result;
  return m;
}
}  // namespace

TMessage TWMPaint::ToMessage() const {
  return Message(Msg, reinterpret_cast<uintptr_t>(DC), Unused, Result);
}

TMessage TWMSize::ToMessage() const { return Message(Msg, SizeType, LParam, Result); }

TMessage TWMMouse::ToMessage() const { return Message(Msg, Keys, LParam, Result); }

TWinControl* FindControl(HWND hwnd) {
  auto it = Windows().find(hwnd);
  return it == Windows().end() ? nullptr : it->second;
}

TControl::TControl(TComponent* AOwner) : TComponent(AOwner) {}

TControl::~TControl() {
  if (FParent) FParent->RemoveControl(this);
}

void TControl::SetParent(TWinControl* AParent) {
  if (AParent == FParent) return;
  if (FParent) FParent->RemoveControl(this);
  FParent = nullptr;
  if (AParent) AParent->InsertControl(this);
  RequestAlign();
}

void TControl::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
  if (AWidth < 0) AWidth = 0;
  if (AHeight < 0) AHeight = 0;
  bool changed = ALeft != FLeft || ATop != FTop || AWidth != FWidth || AHeight != FHeight;
  bool resized = AWidth != FWidth || AHeight != FHeight;
  FLeft = ALeft;
  FTop = ATop;
  FWidth = AWidth;
  FHeight = AHeight;
  if (changed) {
    RequestAlign();
    Invalidate();
  }
  if (resized) SizeChanged();
}

void TControl::SetAlign(TAlign a) {
  if (a == FAlign) return;
  FAlign = a;
  RequestAlign();
}

void TControl::SetVisible(bool v) {
  if (v == FVisible) return;
  FVisible = v;
  RequestAlign();
  if (FParent) FParent->Invalidate();
}

void TControl::SetColor(TColor c) {
  if (c == FColor) return;
  FColor = c;
  Invalidate();
}

void TControl::SetCaption(const AnsiString& c) {
  if (c == FCaption) return;
  FCaption = c;
  Invalidate();
}

void TControl::SetEnabled(bool e) {
  if (e == FEnabled) return;
  FEnabled = e;
  Invalidate();
}

bool TControl::DialogKey(WORD) { return false; }

void TControl::Click() { OnClick(this); }

void TControl::Resize() { OnResize(this); }

void TControl::Invalidate() {
  if (FParent) FParent->Invalidate();
}

void TControl::DoKeyDown(WORD& Key, TShiftState Shift) { OnKeyDown(this, Key, Shift); }
void TControl::DoKeyUp(WORD& Key, TShiftState Shift) { OnKeyUp(this, Key, Shift); }
void TControl::DoKeyPress(char& Key) { OnKeyPress(this, Key); }

void TControl::Draw(DrawSurface*) {}
void TControl::MouseDown(int, int) {}
void TControl::MouseMove(int, int, bool) {}
void TControl::MouseUp(int, int) {}

void TControl::RequestAlign() {
  if (FParent && !FParent->FAligning) FParent->AlignControls();
}

TWinControl::TWinControl(TComponent* AOwner) : TControl(AOwner) {}

TWinControl::~TWinControl() {
  FAligning = true;
  // Owned components die while the windows still stand: a viewport releases what it made in its
  // window's context. Detaching a child destroys its window.
  DestroyComponents();
  // Children that nobody owns are only detached: their owner deletes them.
  while (!FControls.empty()) {
    TControl* c = FControls.back();
    c->SetParent(nullptr);
  }
  DestroyHandle();
}

HWND TWinControl::Handle() {
  if (!FHandle) CreateHandle();
  return FHandle;
}

void TWinControl::CreateParams(TCreateParams& Params) {
  Params.Caption = FCaption.str();
  Params.X = FLeft;
  Params.Y = FTop;
  Params.Width = FWidth;
  Params.Height = FHeight;
  Params.WndParent = (FParent ? FParent->Handle() : nullptr);
  Params.WinClassName = "TWinControl";
}

void TWinControl::CreateHandle() {
  if (FHandle) return;
  TCreateParams params;
  CreateParams(params);
  // Making the parent's window makes its children's, this one among them.
  if (FHandle) return;
  WindowBackend* backend = Application->Backend();
  auto* w = new NativeWindow;
  w->parent = params.WndParent;
  w->x = params.X;
  w->y = params.Y;
  w->width = params.Width;
  w->height = params.Height;
  w->classStyle = params.WindowClass.style;
  w->visible = FVisible;
  w->name = Name.str();
  w->className = ClassOf(this, params.WinClassName);
  backend->windows.push_back(w);
  Windows()[w] = this;
  backend->CreateNative(w, params);
  FHandle = w;
  Perform(WM_SIZE, 0, MakeLParam(FWidth, FHeight));
  for (TControl* c : FControls)
    if (auto* wc = dynamic_cast<TWinControl*>(c)) wc->Handle();
  InvalidateRect(FHandle, nullptr, FALSE);
}

void TWinControl::DestroyHandle() {
  if (!FHandle) return;
  for (TControl* c : FControls)
    if (auto* wc = dynamic_cast<TWinControl*>(c)) wc->DestroyHandle();
  WindowBackend* backend = Application->Backend();
  NativeWindow* w = FHandle;
  FHandle = nullptr;
  if (w->dc) egl::DestroySurface(w->dc);
  backend->DestroyNative(w);
  backend->DropInput(w);
  // A later window may take this address: what was posted here must not reach it.
  Application->DropPosted(w);
  Windows().erase(w);
  backend->windows.erase(std::remove(backend->windows.begin(), backend->windows.end(), w), backend->windows.end());
  if (w->dc && w->dc->boundContext) w->dc->boundContext->dc = nullptr;
  delete w->dc;
  delete w;
}

void TWinControl::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
  int oldW = FWidth, oldH = FHeight;
  TControl::SetBounds(ALeft, ATop, AWidth, AHeight);
  if (!FHandle) {
    if (FWidth != oldW || FHeight != oldH) {
      AlignControls();
      Resize();
    }
    return;
  }
  bool moved = FHandle->x != FLeft || FHandle->y != FTop || FHandle->width != FWidth || FHandle->height != FHeight;
  if (!moved) return;
  FHandle->x = FLeft;
  FHandle->y = FTop;
  FHandle->width = FWidth;
  FHandle->height = FHeight;
  Application->Backend()->Moved(FHandle);
  if (FWidth != oldW || FHeight != oldH) Perform(WM_SIZE, 0, MakeLParam(FWidth, FHeight));
}

void TWinControl::SetVisible(bool v) {
  TControl::SetVisible(v);
  if (FHandle && FHandle->visible != v) {
    FHandle->visible = v;
    Application->Backend()->Shown(FHandle);
    if (v) InvalidateRect(FHandle, nullptr, FALSE);
  }
}

void TWinControl::SetParent(TWinControl* AParent) {
  if (AParent == FParent) return;
  // A native window cannot move between parents here: it is made again under the new one. Without a
  // parent it waits for its next use, so a form's teardown does not map its children as top-level windows.
  bool had = FHandle != nullptr;
  DestroyHandle();
  TControl::SetParent(AParent);
  if (AParent && (had || AParent->HandleAllocated())) Handle();
}

void TWinControl::Invalidate() {
  if (FHandle) InvalidateRect(FHandle, nullptr, FALSE);
}

intptr_t TWinControl::Perform(UINT Msg, uintptr_t WParam, intptr_t LParam) {
  TMessage m;
  m.Msg = Msg;
  m.WParam = WParam;
  m.LParam = LParam;
  Dispatch(&m);
  return m.Result;
}

TShiftState KeysToShiftState(uintptr_t keys) {
  TShiftState s = 0;
  if (keys & MK_SHIFT) s |= ssShift;
  if (keys & MK_CONTROL) s |= ssCtrl;
  if (keys & MK_LBUTTON) s |= ssLeft;
  if (keys & MK_RBUTTON) s |= ssRight;
  if (keys & MK_MBUTTON) s |= ssMiddle;
  return s;
}

void TWinControl::Dispatch(void* Message) {
  auto* m = static_cast<TMessage*>(Message);
  switch (m->Msg) {
    case WM_KEYDOWN:
    case WM_KEYUP: {
      WORD key = static_cast<WORD>(m->WParam);
      if (m->Msg == WM_KEYDOWN)
        DoKeyDown(key, KeyDataToShiftState(m->LParam));
      else
        DoKeyUp(key, KeyDataToShiftState(m->LParam));
      m->WParam = key;
      break;
    }
    case WM_CHAR: {
      char c = static_cast<char>(m->WParam);
      DoKeyPress(c);
      m->WParam = static_cast<unsigned char>(c);
      break;
    }
    case WM_SIZE: {
      TWMSize s(*m);
      // Native resizes (a window manager) update the bounds; ours already match.
      if (s.Width() != FWidth || s.Height() != FHeight) {
        FWidth = s.Width();
        FHeight = s.Height();
        if (FHandle) {
          FHandle->width = FWidth;
          FHandle->height = FHeight;
          Application->Backend()->Moved(FHandle);
        }
      }
      AlignControls();
      Resize();
      break;
    }
    case WM_PAINT:
      DefaultPaint(*m);
      break;
    case WM_MOUSEWHEEL: {
      TWMMouse mm(*m);
      int delta = static_cast<int16_t>((mm.Keys >> 16) & 0xFFFF);
      OnMouseWheel(this, KeysToShiftState(mm.Keys & 0xFFFF), delta, mm.X(), mm.Y());
      break;
    }
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP: {
      TWMMouse mm(*m);
      TMouseButton b = (m->Msg == WM_RBUTTONDOWN || m->Msg == WM_RBUTTONUP) ? mbRight : mbMiddle;
      if (m->Msg == WM_RBUTTONDOWN || m->Msg == WM_MBUTTONDOWN)
        OnMouseDown(this, b, KeysToShiftState(mm.Keys), mm.X(), mm.Y());
      else
        OnMouseUp(this, b, KeysToShiftState(mm.Keys), mm.X(), mm.Y());
      break;
    }
    case WM_LBUTTONDOWN:
    case WM_MOUSEMOVE:
    case WM_LBUTTONUP: {
      TWMMouse mm(*m);
      int x = mm.X(), y = mm.Y();
      TControl* target = FMouseCapture;
      if (!target) {
        for (auto it = FControls.rbegin(); it != FControls.rend(); ++it) {
          TControl* c = *it;
          if (dynamic_cast<TWinControl*>(c) || !c->Visible()) continue;
          if (x >= c->Left() && x < c->Left() + c->Width() && y >= c->Top() && y < c->Top() + c->Height()) {
            target = c;
            break;
          }
        }
      }
      if (!target) target = this;
      int cx = target == this ? x : x - target->Left();
      int cy = target == this ? y : y - target->Top();
      TShiftState shift = KeysToShiftState(mm.Keys);
      // The control's own handling may run a handler that deletes it, or its form.
      TLiveness alive = target->Liveness();
      if (m->Msg == WM_LBUTTONDOWN) {
        FMouseCapture = target == this ? nullptr : target;
        target->MouseDown(cx, cy);
        if (alive) target->OnMouseDown(target, mbLeft, shift | ssLeft, cx, cy);
      } else if (m->Msg == WM_MOUSEMOVE) {
        target->MouseMove(cx, cy, (mm.Keys & MK_LBUTTON) != 0);
        if (alive) target->OnMouseMove(target, shift, cx, cy);
      } else {
        FMouseCapture = nullptr;
        target->MouseUp(cx, cy);
        if (alive) target->OnMouseUp(target, mbLeft, shift, cx, cy);
      }
      break;
    }
    default:
      TControl::Dispatch(Message);
  }
}

void TWinControl::DefaultPaint(TMessage& m) {
  TWMPaint p(m);
  if (p.DC) {
    PaintWindow(p.DC);
    return;
  }
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(Handle(), &ps);
  TLiveness alive = Liveness();
  PaintWindow(dc);
  if (alive) EndPaint(FHandle, &ps);
}

// Draws the window and its non-windowed children where the backend offers a surface.
void TWinControl::PaintWindow(HDC) {
  if (!FHandle) return;
  WindowBackend* backend = Application->Backend();
  DrawSurface* surface = backend->BeginDraw(FHandle);
  if (!surface) return;
  surface->FillRect(0, 0, FWidth, FHeight, FColor);
  Draw(surface);
  for (TControl* c : FControls) {
    if (dynamic_cast<TWinControl*>(c) || !c->Visible()) continue;
    surface->Enter(c->Left(), c->Top(), c->Width(), c->Height());
    c->Draw(surface);
    surface->Restore();
  }
  backend->EndDraw(FHandle, surface);
}

TForm* GetParentForm(TControl* control) {
  TControl* top = control;
  while (top && top->Parent()) top = top->Parent();
  return dynamic_cast<TForm*>(top);
}

void TWinControl::SetFocus() {
  if (TForm* form = GetParentForm(this)) form->SetActiveControl(this);
}

bool TWinControl::Focused() const {
  TForm* form = GetParentForm(const_cast<TWinControl*>(this));
  return form && form->ActiveControl() == this;
}

bool TWinControl::CanFocus() const {
  // A form not shown yet still hands out its focus.
  for (const TControl* c = this; c; c = c->Parent()) {
    if (!c->Enabled()) return false;
    if (!c->Visible() && !dynamic_cast<const TForm*>(c)) return false;
  }
  return true;
}

bool TWinControl::DialogKey(WORD Key) {
  // A copy, with watches: a handler may add, remove or delete controls, this one among them.
  std::vector<std::pair<TControl*, TLiveness>> controls;
  for (TControl* c : FControls) controls.emplace_back(c, c->Liveness());
  TLiveness alive = Liveness();
  for (auto& [c, living] : controls) {
    if (!alive) return true;
    if (living && c->Visible() && c->Enabled() && c->DialogKey(Key)) return true;
  }
  return false;
}

void TWinControl::InsertControl(TControl* c) {
  FControls.push_back(c);
  c->FParent = this;
}

void TWinControl::RemoveControl(TControl* c) {
  if (FMouseCapture == c) FMouseCapture = nullptr;
  FControls.erase(std::remove(FControls.begin(), FControls.end(), c), FControls.end());
  c->FParent = nullptr;
  if (!FAligning) AlignControls();
}

TForm::TForm(TComponent* AOwner) : TWinControl(AOwner) {
  FVisible = false;
  FWidth = 640;
  FHeight = 480;
  Application->FormCreated(this);
}

TForm::~TForm() { Application->FormDestroyed(this); }

void TForm::Show() {
  SetVisible(true);
  Handle();
}

void TForm::SetCaption(const AnsiString& c) {
  if (c == FCaption) return;
  TWinControl::SetCaption(c);
  if (FHandle) Application->Backend()->SetTitle(FHandle, FCaption.str());
}

void TForm::Close() {
  TLiveness alive = Liveness();
  OnClose(this);
  // Deleted by its handler: gone from the modal list, and a main form has ended Run.
  if (!alive) return;
  SetVisible(false);
  if (FModal) {
    if (FModalResult == mrNone) FModalResult = mrCancel;
    return;
  }
  if (Application->MainForm() == this) Application->Terminate();
}

void TForm::Release() { Application->PostMessage(Handle(), CM_RELEASE, 0, 0); }

void TForm::Dispatch(void* Message) {
  auto* m = static_cast<TMessage*>(Message);
  if (m->Msg == CM_RELEASE) {
    delete this;
    return;
  }
  if (m->Msg == WM_CLOSE) {
    Close();
    return;
  }
  if (m->Msg == WM_KEYDOWN || m->Msg == WM_KEYUP || m->Msg == WM_CHAR) {
    DispatchKey(*m);
    return;
  }
  TWinControl::Dispatch(Message);
}

// The form first (with KeyPreview, or when nothing else has the focus), then the active control,
// unless the form used the key up.
void TForm::DispatchKey(TMessage& m) {
  TLiveness alive = Liveness();
  if (KeyPreview || !FActiveControl) {
    TWinControl::Dispatch(&m);
    if (!alive || m.WParam == 0) return;
  }
  if (FActiveControl) FActiveControl->Dispatch(&m);
  if (!alive || m.Msg != WM_KEYDOWN) return;
  if (m.WParam == VK_TAB) {
    TShiftState shift = KeyDataToShiftState(m.LParam);
    if (!(shift & ssCtrl) && SelectNext(!(shift & ssShift))) m.WParam = 0;
    return;
  }
  // Return and Escape that nothing used go to the default and cancel buttons.
  if ((m.WParam == VK_RETURN || m.WParam == VK_ESCAPE) && DialogKey(static_cast<WORD>(m.WParam))) {
    m.WParam = 0;
    return;
  }
  if (alive && m.WParam == VK_ESCAPE && FModal) {
    m.WParam = 0;
    Close();
  }
}

namespace {
void CollectTabStops(TWinControl* parent, std::vector<TWinControl*>& list) {
  for (int i = 0; i < parent->ControlCount(); ++i) {
    auto* c = dynamic_cast<TWinControl*>(parent->Controls(i));
    if (!c || !c->Visible() || !c->Enabled()) continue;
    if (c->TabStop) list.push_back(c);
    CollectTabStops(c, list);
  }
}

}  // namespace

void TForm::TellFocusChanged(TWinControl* parent) {
  for (int i = 0; i < parent->ControlCount(); ++i)
    if (auto* c = dynamic_cast<TWinControl*>(parent->Controls(i))) {
      c->FocusChanged();
      TellFocusChanged(c);
    }
}

std::vector<TWinControl*> TForm::TabOrderList() {
  std::vector<TWinControl*> list;
  if (FEnabled) CollectTabStops(this, list);
  return list;
}

bool TForm::SelectNext(bool GoForward) {
  std::vector<TWinControl*> list = TabOrderList();
  if (list.empty()) return false;
  int n = static_cast<int>(list.size());
  int at = static_cast<int>(std::find(list.begin(), list.end(), FActiveControl) - list.begin());
  int next = at == n ? (GoForward ? 0 : n - 1) : (at + (GoForward ? 1 : n - 1)) % n;
  SetActiveControl(list[next]);
  return true;
}

TModalResult TForm::ShowModal() {
  if (FModal) return mrCancel;
  FModalResult = mrNone;
  FModal = true;
  TLiveness alive = Liveness();
  Show();
  TModalResult result = alive ? Application->ModalLoop(this) : mrCancel;
  // Deleted while shown: the answer it had outlives it.
  if (!alive) return result;
  FModal = false;
  SetVisible(false);
  return FModalResult;
}

void TForm::SetActiveControl(TWinControl* Value) {
  if (Value == FActiveControl) return;
  if (FActiveControl) {
    FActiveControl->RemoveFreeNotification(this);
    FActiveControl->Invalidate();  // its caret or focus mark goes
  }
  FActiveControl = Value == this ? nullptr : Value;
  if (FActiveControl) {
    FActiveControl->FreeNotification(this);
    FActiveControl->Invalidate();
  }
  TellFocusChanged(this);
}

void TForm::Notification(TComponent* AComponent, TOperation Operation) {
  TWinControl::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FActiveControl) FActiveControl = nullptr;
}

HDC TControlCanvas::GetHandle() {
  if (!FHandle && Control) FHandle = GetDC(Control->Handle());
  return FHandle;
}
