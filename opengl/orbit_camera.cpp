// The mouse camera: drags and the wheel turned into eye, target and projection changes.
#include "opengl/orbit_camera.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "opengl/opengl.h"

namespace {

struct Vec {
  double x = 0, y = 0, z = 0;
  Vec operator+(const Vec& o) const { return {x + o.x, y + o.y, z + o.z}; }
  Vec operator-(const Vec& o) const { return {x - o.x, y - o.y, z - o.z}; }
  Vec operator*(double k) const { return {x * k, y * k, z * k}; }
  double Dot(const Vec& o) const { return x * o.x + y * o.y + z * o.z; }
  Vec Cross(const Vec& o) const { return {y * o.z - z * o.y, z * o.x - x * o.z, x * o.y - y * o.x}; }
  double Length() const { return std::sqrt(Dot(*this)); }
  bool Usable() const { return std::isfinite(x) && std::isfinite(y) && std::isfinite(z); }
};

Vec Get(const T3DVector* v) { return {v->GetX(), v->GetY(), v->GetZ()}; }

// Rodrigues' rotation of v about a unit axis.
Vec Rotate(const Vec& v, const Vec& axis, double radians) {
  double c = std::cos(radians), s = std::sin(radians);
  return v * c + axis.Cross(v) * s + axis * (axis.Dot(v) * (1 - c));
}

const double kDegrees = M_PI / 180.0;

// Every camera attached to a viewport: a camera chained behind another must hear of its going.
// Never freed, so that a camera destroyed during exit still finds it.
std::vector<TOrbitCamera*>& Attached() {
  static auto* cameras = new std::vector<TOrbitCamera*>;
  return *cameras;
}

}  // namespace

TOrbitCamera::TOrbitCamera(TComponent* AOwner) : TComponent(AOwner) {}

TOrbitCamera::~TOrbitCamera() { Detach(); }

void TOrbitCamera::SetViewport(TOpenGl* Value) {
  if (Value == FViewport) return;
  Detach();
  if (!Value) return;
  FViewport = Value;
  FViewport->FreeNotification(this);
  Attached().push_back(this);
  FPrevDown = FViewport->OnMouseDown;
  FPrevUp = FViewport->OnMouseUp;
  FPrevMove = FViewport->OnMouseMove;
  FPrevWheel = FViewport->OnMouseWheel;
  FViewport->OnMouseDown = MakeEvent(this, &TOrbitCamera::MouseDown);
  FViewport->OnMouseUp = MakeEvent(this, &TOrbitCamera::MouseUp);
  FViewport->OnMouseMove = MakeEvent(this, &TOrbitCamera::MouseMove);
  FViewport->OnMouseWheel = MakeEvent(this, &TOrbitCamera::MouseWheel);
}

// At the head the viewport gets our predecessor back; behind another camera, that camera calls it
// instead of us. A host handler that replaced ours has dropped us already.
template <class E>
void TOrbitCamera::Unchain(E& Slot, E TOrbitCamera::*Prev, const E& Mine) {
  if (Slot == Mine) {
    Slot = this->*Prev;
  } else {
    for (TOrbitCamera* c : Attached())
      if (c != this && c->FViewport == FViewport && c->*Prev == Mine) c->*Prev = this->*Prev;
  }
  this->*Prev = E();
}

void TOrbitCamera::Detach() {
  if (!FViewport) return;
  Unchain(FViewport->OnMouseDown, &TOrbitCamera::FPrevDown, MakeEvent(this, &TOrbitCamera::MouseDown));
  Unchain(FViewport->OnMouseUp, &TOrbitCamera::FPrevUp, MakeEvent(this, &TOrbitCamera::MouseUp));
  Unchain(FViewport->OnMouseMove, &TOrbitCamera::FPrevMove, MakeEvent(this, &TOrbitCamera::MouseMove));
  Unchain(FViewport->OnMouseWheel, &TOrbitCamera::FPrevWheel, MakeEvent(this, &TOrbitCamera::MouseWheel));
  FViewport->RemoveFreeNotification(this);
  Forget();
}

void TOrbitCamera::Forget() {
  auto& cameras = Attached();
  cameras.erase(std::remove(cameras.begin(), cameras.end(), this), cameras.end());
  // The handlers we called belonged to the viewport's chain, which is gone for us.
  FPrevDown = TMouseEvent();
  FPrevUp = TMouseEvent();
  FPrevMove = TMouseMoveEvent();
  FPrevWheel = TMouseWheelEvent();
  FViewport = nullptr;
  FDrag = dragNone;
}

void TOrbitCamera::Notification(TComponent* AComponent, TOperation Operation) {
  // The viewport is going away: nothing of it may be touched any more.
  if (Operation == opRemove && AComponent == FViewport) Forget();
}

void TOrbitCamera::Orbit(float YawDegrees, float PitchDegrees) {
  if (!FViewport) return;
  Vec eye = Get(FViewport->EyePosition()), target = Get(FViewport->EyeTarget()), up = Get(FViewport->EyeUp());
  Vec offset = eye - target;
  double upLength = up.Length(), distance = offset.Length();
  if (!(upLength > 1e-9) || !(distance > 1e-9) || !offset.Usable() || !up.Usable()) return;
  up = up * (1 / upLength);
  offset = Rotate(offset, up, -YawDegrees * kDegrees);
  // Pitch stops short of either pole, where the view would flip over. A positive pitch turns the eye
  // away from the up direction (it grows the angle); an eye already past a limit is only kept from
  // going further.
  double angle = std::acos(std::max(-1.0, std::min(1.0, offset.Dot(up) / distance)));
  double pitch = PitchDegrees * kDegrees;
  const double margin = 2 * kDegrees;
  if (pitch > 0) pitch = std::min(pitch, std::max(0.0, M_PI - margin - angle));
  else pitch = std::max(pitch, std::min(0.0, margin - angle));
  Vec side = up.Cross(offset);
  if (side.Length() > 1e-9) offset = Rotate(offset, side * (1 / side.Length()), pitch);
  T3DVector next;
  Vec e = target + offset;
  next.SetX(static_cast<float>(e.x));
  next.SetY(static_cast<float>(e.y));
  next.SetZ(static_cast<float>(e.z));
  next.SetW(FViewport->EyePosition()->GetW());
  FViewport->SetEyePosition(&next);
  Moved();
}

float TOrbitCamera::PixelSize() {
  int h = FViewport->Height() > 0 ? FViewport->Height() : 1;
  if (FViewport->ProjectionOrtho()) return FViewport->ProjectionHeight() / h;
  double distance = (Get(FViewport->EyePosition()) - Get(FViewport->EyeTarget())).Length();
  return static_cast<float>(2 * distance * std::tan(FViewport->ProjectionYAngle() * kDegrees / 2) / h);
}

void TOrbitCamera::Pan(float DX, float DY) {
  if (!FViewport) return;
  Vec eye = Get(FViewport->EyePosition()), target = Get(FViewport->EyeTarget()), up = Get(FViewport->EyeUp());
  Vec forward = target - eye;
  Vec side = forward.Cross(up);
  if (!(side.Length() > 1e-9) || !(forward.Length() > 1e-9)) return;
  side = side * (1 / side.Length());
  Vec trueUp = side.Cross(forward);
  trueUp = trueUp * (1 / trueUp.Length());
  double size = PixelSize();
  // Dragging right moves the scene right: the camera goes the other way.
  Vec shift = side * (-DX * size) + trueUp * (DY * size);
  if (!shift.Usable()) return;
  T3DVector e, t;
  e.Assign(FViewport->EyePosition());
  t.Assign(FViewport->EyeTarget());
  e.SetX(static_cast<float>(eye.x + shift.x));
  e.SetY(static_cast<float>(eye.y + shift.y));
  e.SetZ(static_cast<float>(eye.z + shift.z));
  t.SetX(static_cast<float>(target.x + shift.x));
  t.SetY(static_cast<float>(target.y + shift.y));
  t.SetZ(static_cast<float>(target.z + shift.z));
  FViewport->SetEyeTarget(&t);
  FViewport->SetEyePosition(&e);
  Moved();
}

void TOrbitCamera::Zoom(float Factor) {
  if (!FViewport || !(Factor > 0) || !std::isfinite(Factor)) return;
  Vec eye = Get(FViewport->EyePosition()), target = Get(FViewport->EyeTarget());
  Vec offset = (eye - target) * Factor;
  // Never onto the target itself: the view direction would be lost.
  if (offset.Length() < 1e-4 || !offset.Usable()) return;
  T3DVector next;
  next.Assign(FViewport->EyePosition());
  Vec e = target + offset;
  next.SetX(static_cast<float>(e.x));
  next.SetY(static_cast<float>(e.y));
  next.SetZ(static_cast<float>(e.z));
  if (FViewport->ProjectionOrtho()) {
    FViewport->SetProjectionWidth(FViewport->ProjectionWidth() * Factor);
    FViewport->SetProjectionHeight(FViewport->ProjectionHeight() * Factor);
  }
  FViewport->SetEyePosition(&next);
  Moved();
}

bool TOrbitCamera::Fit() {
  if (!FViewport) return false;
  TBounds b = FViewport->SceneBounds();
  if (b.Empty) return false;
  Vec centre{b.Center(0), b.Center(1), b.Center(2)};
  double radius = std::max(1e-3, static_cast<double>(b.Radius()));
  Vec dir = Get(FViewport->EyePosition()) - Get(FViewport->EyeTarget());
  dir = dir.Length() > 1e-9 && dir.Usable() ? dir * (1 / dir.Length()) : Vec{0, 0, -1};
  double aspect = FViewport->Height() > 0 ? static_cast<double>(FViewport->Width()) / FViewport->Height() : 1.0;
  // The box's corners in the view's own axes: across (x), up (y) and toward the eye (w).
  Vec forward = dir * -1, up = Get(FViewport->EyeUp());
  Vec side = forward.Cross(up);
  bool axes = side.Length() > 1e-9 && side.Usable();
  double maxX = 0, maxY = 0, halfY = 0, halfX = 0, distance = 0;
  if (!FViewport->ProjectionOrtho()) {
    halfY = std::max(1.0, std::min(179.0, static_cast<double>(FViewport->ProjectionYAngle()))) * kDegrees / 2;
    halfX = std::atan(std::tan(halfY) * aspect);
  }
  if (axes) {
    side = side * (1 / side.Length());
    Vec trueUp = side.Cross(forward);
    for (int c = 0; c < 8; ++c) {
      Vec q = Vec{(c & 1) ? b.Max[0] : b.Min[0], (c & 2) ? b.Max[1] : b.Min[1], (c & 4) ? b.Max[2] : b.Min[2]} - centre;
      double x = std::fabs(q.Dot(side)), y = std::fabs(q.Dot(trueUp)), w = q.Dot(forward);
      maxX = std::max(maxX, x);
      maxY = std::max(maxY, y);
      // Far enough that the corner lies inside both view angles.
      if (!FViewport->ProjectionOrtho())
        distance = std::max(distance, std::max(x / std::tan(halfX), y / std::tan(halfY)) - w);
    }
    distance *= 1.05;  // a little room around the scene
  } else {
    // Looking along the up direction: the sphere around the box fits whatever way is up.
    maxX = maxY = radius;
    if (!FViewport->ProjectionOrtho()) distance = radius / std::sin(std::min(halfY, halfX));
  }
  if (FViewport->ProjectionOrtho()) {
    distance = radius * 2;
    double h = std::max(2 * maxY, 2 * maxX / aspect) * 1.05;
    h = std::max(h, 1e-3);
    FViewport->SetProjectionWidth(static_cast<float>(h * aspect));
    FViewport->SetProjectionHeight(static_cast<float>(h));
  }
  // The eye stays outside the box, so the near plane can sit in front of the scene.
  distance = std::max(distance, radius * 1.01);
  T3DVector t, e;
  t.Assign(FViewport->EyeTarget());
  e.Assign(FViewport->EyePosition());
  t.SetX(static_cast<float>(centre.x));
  t.SetY(static_cast<float>(centre.y));
  t.SetZ(static_cast<float>(centre.z));
  Vec p = centre + dir * distance;
  e.SetX(static_cast<float>(p.x));
  e.SetY(static_cast<float>(p.y));
  e.SetZ(static_cast<float>(p.z));
  FViewport->SetEyeTarget(&t);
  FViewport->SetEyePosition(&e);
  Moved();
  return true;
}

void TOrbitCamera::UpdateNearFar() {
  if (!FViewport) return;
  TBounds b = FViewport->SceneBounds();
  if (b.Empty) return;
  Vec centre{b.Center(0), b.Center(1), b.Center(2)};
  double radius = std::max(1e-3, static_cast<double>(b.Radius()));
  Vec eye = Get(FViewport->EyePosition()), forward = Get(FViewport->EyeTarget()) - eye;
  double distance = (eye - centre).Length();
  // The planes stand across the view direction: what counts is the centre's depth along it, which for a
  // scene off to the side is less than its distance (taking the distance cut such scenes away).
  if (forward.Length() > 1e-9 && forward.Usable()) {
    double depth = (centre - eye).Dot(forward * (1 / forward.Length()));
    if (depth + radius > 0) distance = depth;
  }
  double farPlane = (distance + radius) * 1.05;
  // Depth precision goes with far / near: keep that ratio bounded when the eye is inside the scene.
  double nearPlane = std::max(distance - radius * 1.05, farPlane / 2000);
  if (!std::isfinite(farPlane) || !std::isfinite(nearPlane)) return;
  FViewport->SetProjectionNear(static_cast<float>(nearPlane));
  FViewport->SetProjectionFar(static_cast<float>(farPlane));
}

void TOrbitCamera::Moved() {
  if (AutoNearFar) UpdateNearFar();
}

void TOrbitCamera::MouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y) {
  FPrevDown(Sender, Button, Shift, X, Y);
  FLastX = X;
  FLastY = Y;
  if (Button == mbLeft)
    FDrag = (Shift & ssShift) ? dragPan : dragOrbit;
  else
    FDrag = Button == mbMiddle ? dragPan : dragZoom;
}

void TOrbitCamera::MouseMove(TObject* Sender, TShiftState Shift, int X, int Y) {
  FPrevMove(Sender, Shift, X, Y);
  if (FDrag == dragNone || !(Shift & (ssLeft | ssMiddle | ssRight))) {
    FDrag = dragNone;
    return;
  }
  int dx = X - FLastX, dy = Y - FLastY;
  FLastX = X;
  FLastY = Y;
  if (dx == 0 && dy == 0) return;
  if (FDrag == dragOrbit)
    Orbit(dx * OrbitSpeed, dy * OrbitSpeed);
  else if (FDrag == dragPan)
    Pan(static_cast<float>(dx), static_cast<float>(dy));
  else
    Zoom(static_cast<float>(std::pow(1.01, dy)));
}

void TOrbitCamera::MouseUp(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y) {
  FPrevUp(Sender, Button, Shift, X, Y);
  FDrag = dragNone;
}

void TOrbitCamera::MouseWheel(TObject* Sender, TShiftState Shift, int Delta, int X, int Y) {
  FPrevWheel(Sender, Shift, Delta, X, Y);
  if (Delta == 0) return;
  Zoom(static_cast<float>(std::pow(static_cast<double>(WheelFactor), Delta / 120.0)));
}
