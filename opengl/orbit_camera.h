// A mouse camera for a viewport: orbit, pan, zoom and fit, through the viewport's public camera setters.
#pragma once

#include "framework/controls/controls.h"

class TOpenGl;

// Left-drag orbits the eye around EyeTarget, middle-drag (or shift with left-drag) pans, right-drag
// and the wheel zoom. Attached to a viewport, it takes the viewport's mouse events and still calls the
// handlers that were assigned before it.
class TOrbitCamera : public TComponent {
public:
  explicit TOrbitCamera(TComponent* AOwner);
  ~TOrbitCamera() override;

  // Attaches to a viewport (null detaches); the camera forgets a viewport that is destroyed. Cameras
  // on one viewport chain their handlers, and each may leave or die in any order.
  void SetViewport(TOpenGl* Value);
  TOpenGl* Viewport() const { return FViewport; }

  // Turns the eye about the target: yaw about EyeUp, pitch about the view's side axis (degrees).
  void Orbit(float YawDegrees, float PitchDegrees);
  // Moves eye and target together by a distance in pixels of the target's plane.
  void Pan(float DX, float DY);
  // Scales the eye's distance to the target (and an orthographic view's size) by Factor.
  void Zoom(float Factor);
  // Frames the scene's bounds, keeping the view direction; false for an empty scene.
  bool Fit();
  // Sets near and far around the scene's bounds so that nothing of it is cut away.
  void UpdateNearFar();

  // Mouse input, as the viewport's events deliver it (hosts that route input themselves call these).
  void MouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
  void MouseMove(TObject* Sender, TShiftState Shift, int X, int Y);
  void MouseUp(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
  void MouseWheel(TObject* Sender, TShiftState Shift, int Delta, int X, int Y);

  // Degrees of orbit per pixel dragged.
  float OrbitSpeed = 0.5f;
  // Distance factor per wheel notch toward the user (the inverse away from them).
  float WheelFactor = 0.9f;
  // After every move, near and far follow the scene bounds.
  bool AutoNearFar = true;

protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;

private:
  enum TDrag { dragNone, dragOrbit, dragPan, dragZoom };
  void Detach();
  // Leaves the viewport and the chain of handlers without touching the viewport.
  void Forget();
  // Takes this camera's handler out of one event's chain, wherever in it the handler sits.
  template <class E>
  void Unchain(E& Slot, E TOrbitCamera::*Prev, const E& Mine);
  // World units per pixel at the target's distance.
  float PixelSize();
  void Moved();

  TOpenGl* FViewport = nullptr;
  TMouseEvent FPrevDown, FPrevUp;
  TMouseMoveEvent FPrevMove;
  TMouseWheelEvent FPrevWheel;
  TDrag FDrag = dragNone;
  int FLastX = 0, FLastY = 0;
};
