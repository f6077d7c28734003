// A viewport's camera kept apart from it, and a box outline drawn over the scene.
#include "view_camera.h"

#include <GL/gl.h>

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
