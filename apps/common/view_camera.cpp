// A viewport's camera kept apart from it, and a box outline drawn over the scene.
#include "view_camera.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>

#include "opengl/opengl.h"

namespace {

void Copy(const T3DVector* v, float* out) {
  for (int i = 0; i < 4; ++i) out[i] = v->GetElement(i);
}

void Set(T3DVector& v, const float* in) {
  v.SetX(in[0]);
  v.SetY(in[1]);
  v.SetZ(in[2]);
  v.SetW(in[3]);
}

}  // namespace

ViewCamera ViewCamera::Of(TOpenGl* gl) {
  ViewCamera c;
  Copy(gl->EyePosition(), c.eye);
  Copy(gl->EyeTarget(), c.target);
  Copy(gl->EyeUp(), c.up);
  c.ortho = gl->ProjectionOrtho();
  c.width = gl->ProjectionWidth();
  c.height = gl->ProjectionHeight();
  c.nearPlane = gl->ProjectionNear();
  c.farPlane = gl->ProjectionFar();
  c.yAngle = gl->ProjectionYAngle();
  return c;
}

void ViewCamera::ApplyTo(TOpenGl* gl) const {
  T3DVector e, t, u;
  Set(e, eye);
  Set(t, target);
  Set(u, up);
  gl->SetProjectionOrtho(ortho);
  gl->SetProjectionWidth(width);
  gl->SetProjectionHeight(height);
  gl->SetProjectionNear(nearPlane);
  gl->SetProjectionFar(farPlane);
  gl->SetProjectionYAngle(yAngle);
  gl->SetEyeUp(&u);
  gl->SetEyeTarget(&t);
  gl->SetEyePosition(&e);
}

void DrawBox(const TBounds& b) {
  const float* lo = b.Min;
  const float* hi = b.Max;
  glBegin(GL_LINES);
  for (int axis = 0; axis < 3; ++axis) {
    int u = (axis + 1) % 3, v = (axis + 2) % 3;
    for (int corner = 0; corner < 4; ++corner) {
      float p[3], q[3];
      p[u] = q[u] = (corner & 1) ? hi[u] : lo[u];
      p[v] = q[v] = (corner & 2) ? hi[v] : lo[v];
      p[axis] = lo[axis];
      q[axis] = hi[axis];
      glVertex3fv(p);
      glVertex3fv(q);
    }
  }
  glEnd();
}


void DrawOutline(const TBounds& b, float r, float g, float bl) {
  if (b.Empty) return;
  glPushAttrib(GL_ENABLE_BIT | GL_CURRENT_BIT | GL_LINE_BIT);
  glDisable(GL_LIGHTING);
  glDisable(GL_TEXTURE_2D);
  glDisable(GL_DEPTH_TEST);
  for (int i = 0; i < 6; ++i) glDisable(GL_CLIP_PLANE0 + i);
  glLineWidth(2);
  glColor3f(r, g, bl);
  DrawBox(b);
  glPopAttrib();
}

namespace {

struct V3 {
  double x = 0, y = 0, z = 0;
  V3 operator+(const V3& o) const { return {x + o.x, y + o.y, z + o.z}; }
  V3 operator-(const V3& o) const { return {x - o.x, y - o.y, z - o.z}; }
  V3 operator*(double k) const { return {x * k, y * k, z * k}; }
  double Dot(const V3& o) const { return x * o.x + y * o.y + z * o.z; }
  V3 Cross(const V3& o) const { return {y * o.z - z * o.y, z * o.x - x * o.z, x * o.y - y * o.x}; }
  double Length() const { return std::sqrt(Dot(*this)); }
  V3 Unit() const {
    double l = Length();
    return l > 1e-12 ? *this * (1 / l) : V3{0, 0, 0};
  }
};

V3 Of(const float* v) { return {v[0], v[1], v[2]}; }

// The camera's axes as gluLookAt builds them: forward, side (right on the screen) and up.
struct Basis {
  V3 eye, forward, side, up;
  explicit Basis(const ViewCamera& c) : eye(Of(c.eye)) {
    forward = (Of(c.target) - eye).Unit();
    side = forward.Cross(Of(c.up)).Unit();
    up = side.Cross(forward);
  }
};

double HalfTan(const ViewCamera& c) {
  double angle = c.yAngle > 0.1f && c.yAngle < 179.9f ? c.yAngle : 90.0;
  return std::tan(angle * M_PI / 360.0);
}

const float kViews[6][2][3] = {
    {{0, 0, 1}, {0, 1, 0}},  {{0, 0, -1}, {0, 1, 0}}, {{1, 0, 0}, {0, 1, 0}},
    {{-1, 0, 0}, {0, 1, 0}}, {{0, 1, 0}, {0, 0, -1}}, {{0, -1, 0}, {0, 0, 1}},
};

}  // namespace

const char* StandardViewName(StandardView v) {
  static const char* const names[6] = {"front", "back", "right", "left", "top", "bottom"};
  return names[static_cast<int>(v)];
}

bool StandardViewForKey(WORD key, bool shift, StandardView& v) {
  switch (key) {
    case '1': v = shift ? StandardView::Back : StandardView::Front; return true;
    case '3': v = shift ? StandardView::Left : StandardView::Right; return true;
    case '7': v = shift ? StandardView::Bottom : StandardView::Top; return true;
    default: return false;
  }
}

void SetStandardView(TOpenGl* gl, StandardView v) {
  ViewCamera c = ViewCamera::Of(gl);
  double distance = (Of(c.eye) - Of(c.target)).Length();
  if (!(distance > 1e-6) || !std::isfinite(distance)) distance = 8;
  const float* side = kViews[static_cast<int>(v)][0];
  const float* up = kViews[static_cast<int>(v)][1];
  for (int i = 0; i < 3; ++i) {
    c.eye[i] = static_cast<float>(c.target[i] + side[i] * distance);
    c.up[i] = up[i];
  }
  c.up[3] = 0;
  c.ApplyTo(gl);
}

void ToggleOrtho(TOpenGl* gl) {
  ViewCamera c = ViewCamera::Of(gl);
  double distance = (Of(c.eye) - Of(c.target)).Length();
  double aspect = gl->Height() > 0 ? static_cast<double>(gl->Width()) / gl->Height() : 1.0;
  if (!c.ortho) {
    // What the perspective shows at the target's distance.
    double h = 2 * distance * HalfTan(c);
    if (!(h > 1e-6) || !std::isfinite(h)) h = 2;
    gl->SetProjectionHeight(static_cast<float>(h));
    gl->SetProjectionWidth(static_cast<float>(h * aspect));
  }
  gl->SetProjectionOrtho(!c.ortho);
}

ViewRay RayThrough(const ViewCamera& c, int width, int height, double x, double y) {
  Basis b(c);
  double w = width > 0 ? width : 1, h = height > 0 ? height : 1;
  double nx = 2 * (x + 0.5) / w - 1, ny = 1 - 2 * (y + 0.5) / h;
  V3 origin = b.eye, dir = b.forward;
  if (c.ortho) {
    origin = b.eye + b.side * (nx * c.width / 2) + b.up * (ny * c.height / 2);
  } else {
    double ty = HalfTan(c), tx = ty * w / h;
    dir = (b.forward + b.side * (nx * tx) + b.up * (ny * ty)).Unit();
  }
  ViewRay r;
  const double o[3] = {origin.x, origin.y, origin.z}, d[3] = {dir.x, dir.y, dir.z};
  for (int i = 0; i < 3; ++i) {
    r.origin[i] = o[i];
    r.dir[i] = d[i];
  }
  return r;
}

bool ProjectToView(const ViewCamera& c, int width, int height, const double p[3], double& x, double& y) {
  Basis b(c);
  double w = width > 0 ? width : 1, h = height > 0 ? height : 1;
  V3 v = V3{p[0], p[1], p[2]} - b.eye;
  double depth = v.Dot(b.forward), nx, ny;
  if (c.ortho) {
    nx = v.Dot(b.side) / (c.width / 2);
    ny = v.Dot(b.up) / (c.height / 2);
  } else {
    if (!(depth > 1e-9)) return false;
    double ty = HalfTan(c), tx = ty * w / h;
    nx = v.Dot(b.side) / (depth * tx);
    ny = v.Dot(b.up) / (depth * ty);
  }
  x = (nx + 1) / 2 * w - 0.5;
  y = (1 - ny) / 2 * h - 0.5;
  return std::isfinite(x) && std::isfinite(y);
}

double PixelSizeAt(const ViewCamera& c, int height, const double p[3]) {
  double h = height > 0 ? height : 1;
  if (c.ortho) return c.height / h;
  Basis b(c);
  double depth = (V3{p[0], p[1], p[2]} - b.eye).Dot(b.forward);
  return 2 * std::max(depth, 1e-6) * HalfTan(c) / h;
}
