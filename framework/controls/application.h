// The application: its message loop on the window thread, timers, and the clock they run on. It drains
// the input the platform queues and decides which window may have it while a form or box is modal.
#pragma once

#include <cstdint>
#include <deque>
#include <vector>

#include "framework/core/core.h"
#include "framework/platform/winapi.h"

class WindowBackend;
class TTimer;
class TForm;
typedef int TModalResult;  // as controls.h has it

class TApplication {
public:
  TApplication();
  ~TApplication();

  // Chooses the window backend: on a display when one opens (Auto), or as asked.
  // Called implicitly (headless) by the first window when the host did not.
  bool Initialize(BackendKind kind = BackendKind::Auto);
  WindowBackend* Backend();
  bool OnDisplay();

  // One pass: native events (the platform's queued input), posted messages, due timers, then paints of
  // invalid windows.
  void ProcessMessages();
  // Runs the loop until Terminate, sleeping until the next timer or event.
  void Run();
  void Terminate() { FTerminated = true; }
  bool Terminated() const { return FTerminated; }
  void PostMessage(HWND hwnd, UINT msg, uintptr_t wparam, intptr_t lparam);
  // Handlers called at the end of every pass, after input, posted messages and timers and before the
  // invalid windows are painted: work that a pass's changes made due is done once, in that pass.
  // Adding a handler twice adds it once; one removed meanwhile is not called.
  void AddPassEndHandler(TNotifyEvent handler);
  void RemovePassEndHandler(TNotifyEvent handler);
  // Work for the pass-end handlers came after this pass's end (a paint changed something): the loop
  // runs another pass instead of sleeping.
  void RequestPass() { FPassRequested = true; }

  // The first form created; closing it, or destroying it while Run goes on, ends Run. Null again once
  // it is destroyed.
  TForm* MainForm() const { return FMainForm; }
  // Form bookkeeping (for TForm).
  void FormCreated(TForm* form);
  void FormDestroyed(TForm* form);
  // The innermost form shown modally (null: none); input to the other forms waits while there is one.
  // A form destroyed while shown leaves the list.
  TForm* ModalForm() const;
  // Runs the nested loop of form->ShowModal until the form has a modal result or is destroyed, and
  // returns that result (a form destroyed without one: mrCancel) (for TForm).
  TModalResult ModalLoop(TForm* form);
  // Forgets the messages posted to a window that is going away (for TWinControl).
  void DropPosted(HWND hwnd);
  // While a message box is up (for the dialogs), input to every window waits.
  void SetMessageBoxShown(bool shown) { FMessageBoxShown = shown; }

  // Milliseconds on the loop's clock. A manual clock moves only through AdvanceClock.
  int64_t NowMs();
  void UseManualClock(bool manual);
  bool ManualClock() const { return FManual; }
  void AdvanceClock(int64_t ms);
  // Advances the manual clock in steps of 1 ms, processing messages after each.
  void RunFor(int64_t ms);

  // Timer bookkeeping (for TTimer).
  void StartTimer(TTimer* t);
  void StopTimer(TTimer* t);
  int64_t NextTimerDue();

private:
  struct Posted { HWND hwnd; UINT msg; uintptr_t wparam; intptr_t lparam; };
  // A running modal loop: its form (null once destroyed) and the answer the form had at its end.
  struct Modal { TForm* form; TModalResult result; };
  void DeliverInput();
  // Input (mouse, keys, close requests) that a modal form or message box holds back from the window.
  bool InputBlocked(const MSG& m) const;
  void DeliverPosted();
  void FireTimers();
  void PaintInvalid();
  void EndPass();

  TForm* FMainForm = nullptr;
  std::vector<Modal> FModalForms;
  bool FMessageBoxShown = false;
  bool FTerminated = false;
  bool FRunning = false;
  bool FManual = false;
  int64_t FManualNow = 0;
  std::deque<Posted> FPosted;
  std::vector<TTimer*> FTimers;
  std::vector<TNotifyEvent> FPassEnd;
  bool FPassRequested = false;
};

extern TApplication* Application;

class TTimer : public TComponent {
public:
  explicit TTimer(TComponent* AOwner);
  ~TTimer() override;

  unsigned Interval() const { return FInterval; }
  bool Enabled() const { return FEnabled; }
  // Setting the value a timer already has changes nothing (and does not restart it).
  void SetInterval(unsigned ms);
  void SetEnabled(bool e);
  TNotifyEvent OnTimer() const { return FOnTimer; }
  void SetOnTimer(TNotifyEvent e);

  // For the loop: when the next tick is due, and the tick itself.
  int64_t Due() const { return FDue; }
  void Tick();
  int TickCount() const { return FTicks; }

private:
  void Update();
  unsigned FInterval = 1000;
  bool FEnabled = true;
  TNotifyEvent FOnTimer;
  int64_t FDue = 0;
  bool FRunning = false;
  int FTicks = 0;
  friend class TApplication;
};
