// The display backend's state: one Xlib connection and an X window per windowed control.
#pragma once

#include <X11/Xlib.h>

#include <unordered_map>

#include "framework/platform/backend.h"

struct X11Window {
  Window id = 0;
  // The size the server last reported, so that our own resizes do not come back as WM_SIZE.
  int knownWidth = 0, knownHeight = 0;
  int requestedX = 0, requestedY = 0;
  bool wantsFocus = false;  // takes the keyboard when it is next mapped
};


class X11Backend : public WindowBackend {
public:
  ~X11Backend() override;
  const char* Name() const override { return "x11"; }
  bool Open() override;
  void CreateNative(NativeWindow* w, const TCreateParams& params) override;
  void DestroyNative(NativeWindow* w) override;
  void Moved(NativeWindow* w) override;
  void Shown(NativeWindow* w) override;
  void SetTitle(NativeWindow* w, const std::string& title) override;
  void SetOwner(NativeWindow* w, NativeWindow* owner) override;
  void Activate(NativeWindow* w) override;
  void PumpEvents() override;
  void WaitEvents(int timeoutMs) override;
  unsigned EglPlatform() const override;
  void* EglNativeDisplay() override { return FDisplay; }
  void* EglNativeWindow(NativeWindow* w) override;
  DrawSurface* BeginDraw(NativeWindow* w) override;
  void EndDraw(NativeWindow* w, DrawSurface* surface) override;
  MessageBoxWindow* OpenMessageBox(HWND owner, const std::string& text, const std::string& caption) override;
  bool MessageBoxAnswered(MessageBoxWindow* box) override;
  void CloseMessageBox(MessageBoxWindow* box) override;

  Display* XDisplay() const { return FDisplay; }

private:
  static X11Window* Impl(NativeWindow* w) { return w ? static_cast<X11Window*>(w->impl) : nullptr; }
  NativeWindow* Find(Window id) const;
  void Translate(XEvent& e);
  void TranslateKey(NativeWindow* w, XKeyEvent& key);
  // Handles an event of the message box's own window; false for the other windows' events.
  bool HandleMessageBox(XEvent& e);
  void PaintMessageBox();

  Display* FDisplay = nullptr;
  Atom FProtocols = 0, FDeleteWindow = 0, FNetWmName = 0, FUtf8String = 0;
  std::unordered_map<Window, NativeWindow*> FByWindow;
  MessageBoxWindow* FMessageBox = nullptr;
};
