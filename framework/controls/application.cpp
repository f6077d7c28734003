// The message loop: native events, posted messages, timers, and paints of invalid windows.
#include "framework/controls/application.h"

#include <algorithm>
#include <chrono>
#include <string>

#include "framework/platform/backend.h"
#include "framework/controls/controls.h"

static TApplication gApplication;
TApplication* Application = &gApplication;

TApplication::TApplication() = default;

TApplication::~TApplication() {
  // Windows of controls kept in statics may still go after this; they find nothing posted.
  FPosted.clear();
  CloseBackend();
}

bool TApplication::Initialize(BackendKind kind) { return OpenBackend(kind) != nullptr; }

WindowBackend* TApplication::Backend() { return OpenBackend(BackendKind::Headless); }

bool TApplication::OnDisplay() {
  WindowBackend* b = OpenedBackend();
  return b && std::string(b->Name()) != "headless";
}

int64_t TApplication::NowMs() {
  if (FManual) return FManualNow;
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void TApplication::UseManualClock(bool manual) {
  if (manual == FManual) return;
  int64_t now = NowMs();
  FManual = manual;
  FManualNow = now;
  // Running timers keep their remaining time on the new clock.
  int64_t base = NowMs();
  for (TTimer* t : FTimers) t->FDue = base + std::max<int64_t>(0, t->FDue - now);
}

void TApplication::AdvanceClock(int64_t ms) {
  if (FManual && ms > 0) FManualNow += ms;
}

void TApplication::RunFor(int64_t ms) {
  for (int64_t i = 0; i < ms; ++i) {
    AdvanceClock(1);
    ProcessMessages();
  }
}

void TApplication::PostMessage(HWND hwnd, UINT msg, uintptr_t wparam, intptr_t lparam) {
  FPosted.push_back(Posted{hwnd, msg, wparam, lparam});
}

void TApplication::FormCreated(TForm* form) {
  if (!FMainForm) FMainForm = form;
}

// A destroyed main form ends Run as closing it does; a destroyed modal form ends its loop with the
// answer it had.
void TApplication::FormDestroyed(TForm* form) {
  if (FMainForm == form) {
    FMainForm = nullptr;
    if (FRunning) Terminate();
  }
  for (Modal& modal : FModalForms)
    if (modal.form == form) {
      modal.result = form->ModalResult() != mrNone ? form->ModalResult() : mrCancel;
      modal.form = nullptr;
    }
}

TForm* TApplication::ModalForm() const {
  for (auto it = FModalForms.rbegin(); it != FModalForms.rend(); ++it)
    if (it->form) return it->form;
  return nullptr;
}

void TApplication::DropPosted(HWND hwnd) {
  if (FPosted.empty()) return;
  FPosted.erase(std::remove_if(FPosted.begin(), FPosted.end(), [hwnd](const Posted& p) { return p.hwnd == hwnd; }),
                FPosted.end());
}

// Like Run, for one form: a quit request that arrives meanwhile cancels it and stays pending; a
// headless loop with nothing left that could answer ends at once.
TModalResult TApplication::ModalLoop(TForm* form) {
  WindowBackend* backend = Backend();
  // The dialog belongs to the form below it, which a window manager keeps it above.
  TForm* owner = ModalForm() ? ModalForm() : FMainForm;
  if (owner && owner != form && owner->HandleAllocated()) backend->SetOwner(form->Handle(), owner->Handle());
  backend->Activate(form->Handle());
  // Loops nest, so this one's entry stays at its index until it ends, even when a handler raises.
  const size_t index = FModalForms.size();
  FModalForms.push_back(Modal{form, mrNone});
  struct Pop {
    std::vector<Modal>& forms;
    size_t index;
    ~Pop() { forms.resize(index); }
  } pop{FModalForms, index};
  TLiveness alive = form->Liveness();
  bool wasTerminated = FTerminated;
  while (alive && form->ModalResult() == mrNone) {
    ProcessMessages();
    if (!alive || form->ModalResult() != mrNone) break;
    if (FTerminated && !wasTerminated) {
      form->SetModalResult(mrCancel);
      break;
    }
    int64_t next = NextTimerDue();
    if (FPassRequested) continue;
    bool idle = FPosted.empty() && next == INT64_MAX;
    if (idle && !OnDisplay()) {
      form->SetModalResult(mrCancel);
      break;
    }
    if (FManual) {
      if (next != INT64_MAX && next > FManualNow) FManualNow = next;
      continue;
    }
    int64_t wait = next == INT64_MAX ? 100 : std::max<int64_t>(0, next - NowMs());
    if (wait > 0 && FPosted.empty()) backend->WaitEvents(static_cast<int>(std::min<int64_t>(wait, 100)));
  }
  return alive ? form->ModalResult() : FModalForms[index].result;
}

// Taken one at a time: a handler may run a nested loop that takes the rest.
void TApplication::DeliverInput() {
  WindowBackend* b = OpenedBackend();
  MSG m;
  while (b && b->TakeInput(m)) {
    TWinControl* control = FindControl(m.hwnd);
    if (control && !InputBlocked(m)) control->Perform(m.message, m.wParam, m.lParam);
  }
}

bool TApplication::InputBlocked(const MSG& m) const {
  switch (m.message) {
    case WM_LBUTTONDOWN: case WM_LBUTTONUP: case WM_RBUTTONDOWN: case WM_RBUTTONUP:
    case WM_MBUTTONDOWN: case WM_MBUTTONUP: case WM_MOUSEMOVE: case WM_MOUSEWHEEL:
    case WM_KEYDOWN: case WM_KEYUP: case WM_CHAR: case WM_CLOSE:
      break;
    default:
      return false;
  }
  if (FMessageBoxShown) return true;
  TForm* modal = ModalForm();
  if (!modal) return false;
  HWND top = m.hwnd;
  while (top->parent) top = top->parent;
  return FindControl(top) != modal;
}

void TApplication::DeliverPosted() {
  // Messages posted while delivering wait for the next pass.
  size_t n = FPosted.size();
  for (size_t i = 0; i < n && !FPosted.empty(); ++i) {
    Posted p = FPosted.front();
    FPosted.pop_front();
    if (TWinControl* control = FindControl(p.hwnd)) control->Perform(p.msg, p.wparam, p.lparam);
  }
}

void TApplication::StartTimer(TTimer* t) {
  if (std::find(FTimers.begin(), FTimers.end(), t) == FTimers.end()) FTimers.push_back(t);
}

void TApplication::StopTimer(TTimer* t) {
  FTimers.erase(std::remove(FTimers.begin(), FTimers.end(), t), FTimers.end());
}

int64_t TApplication::NextTimerDue() {
  int64_t next = INT64_MAX;
  for (TTimer* t : FTimers) next = std::min(next, t->FDue);
  return next;
}

void TApplication::FireTimers() {
  int64_t now = NowMs();
  std::vector<TTimer*> due;
  for (TTimer* t : FTimers)
    if (t->FDue <= now) due.push_back(t);
  std::stable_sort(due.begin(), due.end(), [](TTimer* a, TTimer* b) { return a->FDue < b->FDue; });
  for (TTimer* t : due) {
    // A handler may stop or destroy other timers.
    if (std::find(FTimers.begin(), FTimers.end(), t) == FTimers.end()) continue;
    if (t->FDue > now) continue;
    t->FDue = now + t->FInterval;
    t->Tick();
  }
}

void TApplication::PaintInvalid() {
  WindowBackend* b = OpenedBackend();
  if (!b) return;
  std::vector<NativeWindow*> windows = b->windows;
  for (NativeWindow* w : windows) {
    if (std::find(b->windows.begin(), b->windows.end(), w) == b->windows.end()) continue;
    TWinControl* control = FindControl(w);
    if (!w->invalid || !control) continue;
    bool showing = true;
    for (TControl* c = control; c; c = c->Parent())
      if (!c->Visible()) showing = false;
    if (!showing) continue;
    w->invalid = false;
    control->Perform(WM_PAINT, 0, 0);
  }
}

void TApplication::ProcessMessages() {
  if (WindowBackend* b = OpenedBackend()) {
    b->PumpEvents();
    DeliverInput();
  }
  DeliverPosted();
  FireTimers();
  DeliverPosted();
  EndPass();
  PaintInvalid();
}

void TApplication::AddPassEndHandler(TNotifyEvent handler) {
  if (handler.Assigned() && std::find(FPassEnd.begin(), FPassEnd.end(), handler) == FPassEnd.end())
    FPassEnd.push_back(handler);
}

void TApplication::RemovePassEndHandler(TNotifyEvent handler) {
  FPassEnd.erase(std::remove(FPassEnd.begin(), FPassEnd.end(), handler), FPassEnd.end());
}

void TApplication::EndPass() {
  FPassRequested = false;
  if (FPassEnd.empty()) return;
  // A handler may remove others (or destroy their objects, which remove themselves).
  const std::vector<TNotifyEvent> handlers = FPassEnd;
  for (const TNotifyEvent& h : handlers)
    if (std::find(FPassEnd.begin(), FPassEnd.end(), h) != FPassEnd.end()) h(nullptr);
}

void TApplication::Run() {
  FTerminated = false;
  struct Running {
    bool& flag;
    bool was;
    ~Running() { flag = was; }
  } running{FRunning, FRunning};
  FRunning = true;
  while (!FTerminated) {
    ProcessMessages();
    if (FTerminated) break;
    int64_t next = NextTimerDue();
    if (FPassRequested) continue;
    if (FManual) {
      // A hand-driven clock jumps to the next tick instead of sleeping; it stops when nothing is left.
      if (next == INT64_MAX && FPosted.empty()) break;
      if (next > FManualNow) FManualNow = next;
      continue;
    }
    int64_t wait = next == INT64_MAX ? 100 : std::max<int64_t>(0, next - NowMs());
    WindowBackend* b = OpenedBackend();
    if (wait > 0 && FPosted.empty() && b) b->WaitEvents(static_cast<int>(std::min<int64_t>(wait, 100)));
  }
}

TTimer::TTimer(TComponent* AOwner) : TComponent(AOwner) {}

TTimer::~TTimer() { Application->StopTimer(this); }

void TTimer::SetInterval(unsigned ms) {
  if (ms == FInterval) return;
  FInterval = ms;
  FRunning = false;
  Application->StopTimer(this);
  Update();
}

void TTimer::SetEnabled(bool e) {
  if (e == FEnabled) return;
  FEnabled = e;
  Update();
}

void TTimer::SetOnTimer(TNotifyEvent e) {
  FOnTimer = e;
  Update();
}

void TTimer::Update() {
  bool active = FEnabled && FInterval > 0 && FOnTimer.Assigned();
  if (active && !FRunning) {
    FRunning = true;
    FDue = Application->NowMs() + FInterval;
    Application->StartTimer(this);
  } else if (!active && FRunning) {
    FRunning = false;
    Application->StopTimer(this);
  }
}

void TTimer::Tick() {
  ++FTicks;
  FOnTimer(this);
}

#if defined(__SANITIZE_ADDRESS__)
#define V3D_LEAK_CHECKED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define V3D_LEAK_CHECKED 1
#endif
#endif
#ifdef V3D_LEAK_CHECKED
// NOTE: Mesa's drivers, the GL dispatch and fontconfig (under cairo's text API) keep process-wide
// allocations that leak checking cannot trace; they are made once, not per window or label. assimp's
// text STL reader drops the mesh it was filling when a file turns out malformed.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libEGL_mesa\nleak:libgallium\nleak:swrast_dri\nleak:libLLVM\nleak:libglapi\n"
         "leak:libGLdispatch\nleak:libEGL.so\nleak:libGLX\nleak:libdrm\nleak:libfontconfig\n"
         "leak:libcairo\nleak:libpixman\nleak:libX11\nleak:libassimp\n";
}
#endif
