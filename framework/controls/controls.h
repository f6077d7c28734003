// Controls: the control tree, windowed controls with native windows, forms, panels, labels, scroll bars.
#pragma once

#include <string>
#include <vector>

#include "framework/core/core.h"
#include "framework/graphics/graphics.h"
#include "framework/platform/winapi.h"

class TWinControl;
class TTimer;
class DrawSurface;  // the drawing target of non-GL controls (framework/graphics/draw_surface.h)

enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };
enum TBevelCut { bvNone, bvLowered, bvRaised };
enum TScrollBarKind { sbHorizontal, sbVertical };

// Typed records of a TMessage, built from its fields; a handler's Result goes back through ToMessage.
struct TWMPaint {
  explicit TWMPaint(const TMessage& m)
      : Msg(m.Msg), DC(reinterpret_cast<HDC>(m.WParam)), Unused(m.LParam), Result(m.Result) {}
  TMessage ToMessage() const;
  unsigned Msg;
  HDC DC;  // the WParam: a device context to paint on, or null for the window's own
  intptr_t Unused;
  intptr_t Result;
};

struct TWMSize {
  explicit TWMSize(const TMessage& m) : Msg(m.Msg), SizeType(m.WParam), LParam(m.LParam), Result(m.Result) {}
  TMessage ToMessage() const;
  unsigned Msg;
  uintptr_t SizeType;
  intptr_t LParam;  // width in the low 16 bits, height in the next 16
  intptr_t Result;
  int Width() const { return static_cast<int>(LParam & 0xFFFF); }
  int Height() const { return static_cast<int>((LParam >> 16) & 0xFFFF); }
};

struct TWMMouse {
  explicit TWMMouse(const TMessage& m) : Msg(m.Msg), Keys(m.WParam), LParam(m.LParam), Result(m.Result) {}
  TMessage ToMessage() const;
  unsigned Msg;
  uintptr_t Keys;
  intptr_t LParam;  // x in the low 16 bits, y in the next 16 (signed)
  intptr_t Result;
  int X() const { return static_cast<int16_t>(LParam & 0xFFFF); }
  int Y() const { return static_cast<int16_t>((LParam >> 16) & 0xFFFF); }
};

enum TMouseButton { mbLeft, mbRight, mbMiddle };
// The shift state a mouse message's key bits describe.
TShiftState KeysToShiftState(uintptr_t keys);
typedef TMethodEvent<TMouseButton, TShiftState, int, int> TMouseEvent;
typedef TMethodEvent<TShiftState, int, int> TMouseMoveEvent;
// Shift, wheel delta (120 a notch, positive away from the user), x, y.
typedef TMethodEvent<TShiftState, int, int, int> TMouseWheelEvent;
// A virtual-key code (a handler that sets it to 0 has used the key up) and the modifier keys.
typedef TMethodEvent<WORD&, TShiftState> TKeyEvent;
// A typed character (set to 0: used up).
typedef TMethodEvent<char&> TKeyPressEvent;

// What a modal form answers (the platform's dialog result numbers).
typedef int TModalResult;
const TModalResult mrNone = 0, mrOk = 1, mrCancel = 2, mrYes = 6, mrNo = 7;

// The framework's own message that TForm::Release posts to the form.
const UINT CM_RELEASE = 0xB000 + 33;

class TControl : public TComponent {
public:
  explicit TControl(TComponent* AOwner);
  ~TControl() override;

  TWinControl* Parent() const { return FParent; }
  virtual void SetParent(TWinControl* AParent);

  int Left() const { return FLeft; }
  int Top() const { return FTop; }
  int Width() const { return FWidth; }
  int Height() const { return FHeight; }
  void SetLeft(int v) { SetBounds(v, FTop, FWidth, FHeight); }
  void SetTop(int v) { SetBounds(FLeft, v, FWidth, FHeight); }
  void SetWidth(int v) { SetBounds(FLeft, FTop, v, FHeight); }
  void SetHeight(int v) { SetBounds(FLeft, FTop, FWidth, v); }
  virtual void SetBounds(int ALeft, int ATop, int AWidth, int AHeight);

  TAlign Align() const { return FAlign; }
  void SetAlign(TAlign a);
  bool Visible() const { return FVisible; }
  virtual void SetVisible(bool v);
  TColor Color() const { return FColor; }
  void SetColor(TColor c);
  AnsiString Caption() const { return FCaption; }
  virtual void SetCaption(const AnsiString& c);
  // A disabled control is drawn greyed and ignores the mouse and the keyboard.
  bool Enabled() const { return FEnabled; }
  virtual void SetEnabled(bool e);

  TNotifyEvent OnClick;
  virtual void Click();
  // Raised after the control's width or height changed (a windowed control: after its WM_SIZE).
  TNotifyEvent OnResize;
  virtual void Resize();
  // Asks for a repaint of the control's area.
  virtual void Invalidate();
  // Draws a non-GL control onto its window's surface (used by a display backend).
  virtual void Draw(DrawSurface* surface);
  // Mouse input in client coordinates, routed by the parent window.
  virtual void MouseDown(int x, int y);
  virtual void MouseMove(int x, int y, bool buttonDown);
  virtual void MouseUp(int x, int y);
  // Every button and the wheel, with the modifier keys, in client coordinates.
  TMouseEvent OnMouseDown, OnMouseUp;
  TMouseMoveEvent OnMouseMove;
  TMouseWheelEvent OnMouseWheel;
  // Keyboard input, as the form routes it (see TForm). NOTE: not KeyPress, which Xlib defines as a macro.
  TKeyEvent OnKeyDown, OnKeyUp;
  TKeyPressEvent OnKeyPress;
  virtual void DoKeyDown(WORD& Key, TShiftState Shift);
  virtual void DoKeyUp(WORD& Key, TShiftState Shift);
  virtual void DoKeyPress(char& Key);
  // Offered a Return or Escape that the focused control left unused (a form's default and cancel
  // buttons); true when the control acted on it.
  virtual bool DialogKey(WORD Key);

protected:
  TWinControl* FParent = nullptr;
  int FLeft = 0, FTop = 0, FWidth = 0, FHeight = 0;
  TAlign FAlign = alNone;
  bool FVisible = true;
  bool FEnabled = true;
  TColor FColor = clBtnFace;
  AnsiString FCaption;
  void RequestAlign();
  // A control without a window has no WM_SIZE: its size change is announced here.
  virtual void SizeChanged() { Resize(); }
  friend class TWinControl;
};

class TWinControl : public TControl {
public:
  explicit TWinControl(TComponent* AOwner);
  ~TWinControl() override;

  // The native window, created on first use.
  HWND Handle();
  bool HandleAllocated() const { return FHandle != nullptr; }
  void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
  void SetVisible(bool v) override;
  void SetParent(TWinControl* AParent) override;
  void Invalidate() override;

  int ControlCount() const { return static_cast<int>(FControls.size()); }
  TControl* Controls(int i) const { return FControls.at(i); }

  void Dispatch(void* Message) override;
  // Sends a message synchronously through Dispatch.
  intptr_t Perform(UINT Msg, uintptr_t WParam, intptr_t LParam);
  // Lays out the aligned children: top and bottom first, then left and right, then client.
  void AlignControls();
  // Makes this control its form's ActiveControl, the one that receives the keyboard.
  void SetFocus();
  bool Focused() const;
  // Offers the key to the visible, enabled children in turn.
  bool DialogKey(WORD Key) override;
  // Tab and Shift+Tab stop here (buttons, edits and list boxes set it).
  bool TabStop = false;
  // Visible and enabled, as is every parent up to the top: it may take the keyboard.
  bool CanFocus() const;

  friend class TControl;
  friend class TForm;

protected:
  virtual void CreateParams(TCreateParams& Params);
  virtual void CreateHandle();
  void DestroyHandle();
  // Paints the window's non-GL children; GL controls override it.
  virtual void PaintWindow(HDC DC);
  void DefaultPaint(TMessage& m);
  void SizeChanged() override {}
  // Told after every change of its form's ActiveControl (a default button moves its mark).
  virtual void FocusChanged() {}
  void InsertControl(TControl* c);
  void RemoveControl(TControl* c);

  HWND FHandle = nullptr;
  std::vector<TControl*> FControls;
  bool FAligning = false;
  TControl* FMouseCapture = nullptr;
};

// A top-level window hosting controls.
// The first one created is the application's main form: closing it ends Application->Run().
// Its window receives the keyboard: keys go to ActiveControl, or to the form itself when there is none;
// with KeyPreview the form sees each key first, and a key it sets to 0 goes no further. A Tab that
// nothing used moves the focus to the next control of TabOrderList (Shift+Tab: the previous one); a
// Return or Escape that nothing used goes to the default or cancel button, and an Escape that no
// cancel button takes closes a modal form with mrCancel.
class TForm : public TWinControl {
public:
  explicit TForm(TComponent* AOwner);
  ~TForm() override;
  void Show();
  void Close();
  // Deletes the form once the message being handled is done (it posts CM_RELEASE), so a handler of the
  // form or of one of its controls may call it and go on using them until it returns.
  void Release();
  // The title of the form's window.
  void SetCaption(const AnsiString& c) override;
  TNotifyEvent OnClose;
  void Dispatch(void* Message) override;
  bool KeyPreview = false;
  // Shows the form above the others and runs a nested message loop until ModalResult is set
  // (a button's ModalResult, SetModalResult, or closing it: mrCancel); input to other forms waits.
  // Headless, a loop that nothing could end (no timer, no posted message) ends with mrCancel.
  TModalResult ShowModal();
  TModalResult ModalResult() const { return FModalResult; }
  void SetModalResult(TModalResult r) { FModalResult = r; }
  bool Modal() const { return FModal; }
  TWinControl* ActiveControl() const { return FActiveControl; }
  // A control of this form (null: none); the form forgets it when it is destroyed.
  void SetActiveControl(TWinControl* Value);
  // The controls Tab visits, in order: each TabStop control that can take the focus, depth first, in
  // the order the controls were placed on their parents.
  std::vector<TWinControl*> TabOrderList();
  // Focuses the control after the active one in that list (before it: GoForward false), wrapping
  // around; with none active, the first (or last). False when the list is empty.
  bool SelectNext(bool GoForward);

protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;

private:
  void DispatchKey(TMessage& m);
  static void TellFocusChanged(TWinControl* parent);
  TWinControl* FActiveControl = nullptr;
  TModalResult FModalResult = mrNone;
  bool FModal = false;
};

// The windowed control a native window belongs to (null: none, or the window is gone).
TWinControl* FindControl(HWND hwnd);

// The form a control sits on (null: none).
TForm* GetParentForm(TControl* control);

class TPanel : public TWinControl {
public:
  explicit TPanel(TComponent* AOwner);
  TBevelCut BevelOuter() const { return FBevelOuter; }
  void SetBevelOuter(TBevelCut b);
  void Draw(DrawSurface* surface) override;
protected:
  void PaintWindow(HDC DC) override;
private:
  TBevelCut FBevelOuter = bvRaised;
};

// A caption whose width follows its text; paints its background in its Color.
class TLabel : public TControl {
public:
  explicit TLabel(TComponent* AOwner);
  void SetCaption(const AnsiString& c) override;
  bool AutoSize = true;
  // Breaks the caption into lines that fit Width (at spaces where it can, inside a long word where it
  // must; a newline always), drawn LineHeight apart from the top. Off: one line, cut at the edge.
  bool WordWrap = false;
  TColor TextColor = clBlack;
  void Draw(DrawSurface* surface) override;
  void MouseUp(int x, int y) override;
  // Pixel width of a caption in the label font.
  static int TextWidth(const AnsiString& text);
  // The lines WordWrap draws for text in width pixels (at least one).
  static std::vector<std::string> WrapText(const std::string& text, int width);
  static constexpr int LineHeight = 16;
  static constexpr const char* LabelFontFamily = kLabelFontFamily;
  static constexpr double LabelFontSize = kLabelFontSize;
};

class TScrollBar : public TWinControl {
public:
  explicit TScrollBar(TComponent* AOwner);
  TScrollBarKind Kind = sbHorizontal;
  int Min() const { return FMin; }
  int Max() const { return FMax; }
  int Position() const { return FPosition; }
  // Each keeps Position within Min..Max; a change of Position fires OnChange.
  // A Min above Max (or Max below Min) raises EInvalidOperation, as the platform control does.
  void SetMin(int v);
  void SetMax(int v);
  void SetPosition(int v);
  void SetParams(int APosition, int AMin, int AMax);
  int SmallChange = 1;
  int LargeChange = 1;
  TNotifyEvent OnChange;

  // User input: arrow clicks step by SmallChange, trough clicks by LargeChange, drags move the thumb.
  // Holding the button on an arrow or the trough repeats the step after RepeatDelayMs, every RepeatIntervalMs
  // (in the trough until the thumb reaches the pointer), until the button is released.
  static constexpr unsigned RepeatDelayMs = 400;
  static constexpr unsigned RepeatIntervalMs = 50;
  void Scroll(int delta);
  void MouseDown(int x, int y) override;
  void MouseMove(int x, int y, bool buttonDown) override;
  void MouseUp(int x, int y) override;
  void Draw(DrawSurface* surface) override;
  void Dispatch(void* Message) override;
protected:
  void PaintWindow(HDC DC) override;
private:
  // Where the arrows, the thumb and its travel lie along the bar, in pixels.
  struct Geometry { int length = 0, arrow = 0, thumb = 0, thumbStart = 0, travel = 0; };
  Geometry Measure() const;
  // One step of a held button; false once there is nothing left to repeat.
  bool Step();
  void StartRepeat();
  void StopRepeat();
  void RepeatTick(TObject* Sender);
  int FMin = 0, FMax = 100, FPosition = 0;
  bool FDragging = false;
  int FDragOffset = 0;
  TTimer* FRepeatTimer = nullptr;  // owned, made on the first press
  enum class Held { Nothing, Arrow, Trough } FHeld = Held::Nothing;
  int FHeldStep = 0, FHeldAlong = 0;
};

// A canvas bound to a windowed control: its handle is the control's own device context.
class TControlCanvas : public TCanvas {
public:
  TWinControl* Control = nullptr;
  HDC GetHandle() override;
};

class EInvalidOperation : public Exception { using Exception::Exception; };
