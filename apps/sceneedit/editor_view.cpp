// sceneedit's work in the view: picking and dragging parts, the move gizmo, the grid, the axes, the views.
#include "editor.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "framework/controls/application.h"
#include "opengl/opengl.h"
#include "opengl/orbit_camera.h"
#include "parts/parts.h"
#include "part_panel.h"
#include "status_line.h"
#include "view_camera.h"

namespace {

// Whether part is inside (or is) the group.
bool Within(TPart* part, TPart* group) {
  for (TPart* p = part; p; p = p->Holder())
    if (p == group) return true;
  return false;
}

double SegmentDistance(double px, double py, double ax, double ay, double bx, double by) {
  double dx = bx - ax, dy = by - ay, len = dx * dx + dy * dy;
  double t = len > 0 ? std::max(0.0, std::min(1.0, ((px - ax) * dx + (py - ay) * dy) / len)) : 0;
  return std::hypot(px - (ax + t * dx), py - (ay + t * dy));
}

const int kHandlePixels = 70;  // the gizmo's handles, however far the part is
const double kAxisColors[3][3] = {{0.95, 0.2, 0.2}, {0.2, 0.85, 0.2}, {0.25, 0.4, 1}};
const char* const kAxisNames[3] = {"x", "y", "z"};

}  // namespace

void TSceneEditor::MouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y) {
  FStatusLine->ActionStarted();
  FClick.Press(Button, Shift, X, Y);
  // A click in the view drops a value being typed, as Escape does.
  FPanel->CancelTyping();
  FDragPending = false;
  if (Button == mbLeft && FSelected && !FDrag.Active()) {
    // A handle of the gizmo moves along its axis; the selected part itself in the view plane, or with
    // Shift along the axis nearest the drag, chosen once the pointer has moved.
    int axis = HandleAt(X, Y);
    if (axis >= 0 && StartDrag(X, Y, axis)) return;
    if (Within(FGl->PartAt(X, Y), FSelected)) {
      FPressX = X;
      FPressY = Y;
      if (Shift & ssShift) {
        FDragPending = true;
        return;
      }
      if (StartDrag(X, Y, -1)) return;
    }
  }
  FCamera->MouseDown(Sender, Button, Shift, X, Y);
}

void TSceneEditor::MouseMove(TObject* Sender, TShiftState Shift, int X, int Y) {
  FClick.Move(X, Y);
  if (FDragPending && FSelected) {
    if (std::hypot(X - FPressX, Y - FPressY) < 4) return;
    FDragPending = false;
    int axis = NearestAxis(FSelected, ViewCamera::Of(FGl), FGl->Width(), FGl->Height(), X - FPressX, Y - FPressY);
    if (axis < 0 || !StartDrag(FPressX, FPressY, axis)) return;
  }
  if (FDrag.Active()) {
    if (FDrag.Move(X, Y)) {
      FPanel->ReloadPosition();
      FPending = true;
    }
    return;
  }
  FCamera->MouseMove(Sender, Shift, X, Y);
}

void TSceneEditor::MouseUp(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y) {
  FDragPending = false;
  bool click = FClick.Release(Button, X, Y);
  if (FDrag.Active()) {
    // A press and release in place is a click on the part, not a move.
    if (!click) FDrag.Move(X, Y);
    EndDrag(!click);
    if (!click) return;
  } else {
    FCamera->MouseUp(Sender, Button, Shift, X, Y);
  }
  if (!click) return;
  TPart* part = FGl->PartAt(X, Y);
  if (part) Select(part);
  else Say("nothing at " + std::to_string(X) + "," + std::to_string(Y));
}

bool TSceneEditor::StartDrag(int x, int y, int axis) {
  FlushEdit();
  if (!FDrag.Start(FSelected, ViewCamera::Of(FGl), FGl->Width(), FGl->Height(), x, y, axis)) return false;
  FGl->Refresh(FGl);
  return true;
}

// The drag is one undo step; one that moved nothing records none.
void TSceneEditor::EndDrag(bool keep) {
  TPart* part = FDrag.Part();
  int axis = FDrag.Axis();
  if (!keep) FDrag.Cancel();
  FDrag.End();
  FPending = false;
  FPanel->Reload();
  FGl->Refresh(FGl);
  if (!keep || !part) return;
  Commit();
  char text[160];
  std::snprintf(text, sizeof text, "moved %s%s%s to %g %g %g", TOpenGl::PartPath(part).c_str(),
                axis >= 0 ? " along " : "", axis >= 0 ? kAxisNames[axis] : "", part->PX, part->PY, part->PZ);
  Say(text);
}

bool TSceneEditor::Gizmo(double origin[3], double tips[3][3]) {
  if (!FSelected || !FSelected->Holder()) return false;
  PartOrigin(FSelected, origin);
  double length = PixelSizeAt(ViewCamera::Of(FGl), FGl->Height(), origin) * kHandlePixels;
  for (int axis = 0; axis < 3; ++axis) {
    double dir[3];
    ParentAxis(FSelected, axis, dir);
    for (int i = 0; i < 3; ++i) tips[axis][i] = origin[i] + dir[i] * length;
  }
  return true;
}

int TSceneEditor::HandleAt(int x, int y) {
  double origin[3], tips[3][3], ox, oy;
  ViewCamera camera = ViewCamera::Of(FGl);
  const int w = FGl->Width(), h = FGl->Height();
  if (!Gizmo(origin, tips) || !ProjectToView(camera, w, h, origin, ox, oy)) return -1;
  int best = -1;
  double bestDistance = 6;  // pixels
  for (int axis = 0; axis < 3; ++axis) {
    double tx, ty;
    // A handle seen nearly end-on is no target: it would cover the part's middle.
    if (!ProjectToView(camera, w, h, tips[axis], tx, ty) || std::hypot(tx - ox, ty - oy) < kHandlePixels / 4) continue;
    // The outer part of the handle only: near the origin the part itself is grabbed.
    double mx = ox + (tx - ox) * 0.3, my = oy + (ty - oy) * 0.3;
    double d = SegmentDistance(x, y, mx, my, tx, ty);
    if (d < bestDistance) {
      bestDistance = d;
      best = axis;
    }
  }
  return best;
}

// Drawn after the scene, in world coordinates; the GL state is put back as it was.
void TSceneEditor::AfterPaint(TObject*) {
  if (FGrid) DrawGrid();
  if (FSelected) DrawOutline(FGl->PartBounds(FSelected), 0, 1, 1);
  if (FSelected) DrawGizmo();
  if (FAxes) DrawAxes();
}

// The ground: the y = 0 plane around the scene, hidden behind the parts in front of it. Its lines are a unit
// apart, or ten, a hundred ... units for a scene that spreads wider, so that there are about twenty each way.
void TSceneEditor::DrawGrid() {
  double reach = 10;
  TBounds b = FGl->SceneBounds();
  if (!b.Empty)
    for (int i : {0, 2}) reach = std::max(reach, static_cast<double>(std::max(std::fabs(b.Min[i]), std::fabs(b.Max[i]))));
  if (!std::isfinite(reach) || reach > 1e7) reach = 1e7;
  double step = 1;
  while (reach / step > 20) step *= 10;
  const int n = static_cast<int>(std::ceil(reach / step));
  const float far = static_cast<float>(n * step);
  glPushAttrib(GL_ENABLE_BIT | GL_CURRENT_BIT | GL_LINE_BIT);
  glDisable(GL_LIGHTING);
  glDisable(GL_TEXTURE_2D);
  for (int i = 0; i < 6; ++i) glDisable(GL_CLIP_PLANE0 + i);
  glLineWidth(1);
  glBegin(GL_LINES);
  for (int i = -n; i <= n; ++i) {
    const float at = static_cast<float>(i * step);
    // The x axis reddish, the z axis bluish, as the gizmo and the triad colour them.
    if (i == 0) glColor3f(0.8f, 0.35f, 0.35f);
    else glColor3f(0.45f, 0.45f, 0.5f);
    glVertex3f(-far, 0, at);
    glVertex3f(far, 0, at);
    if (i == 0) glColor3f(0.35f, 0.45f, 0.85f);
    glVertex3f(at, 0, -far);
    glVertex3f(at, 0, far);
  }
  glEnd();
  glPopAttrib();
}

// The world's axes in the lower left corner, turned as the view is: red x, green y, blue z.
void TSceneEditor::DrawAxes() {
  ViewCamera c = ViewCamera::Of(FGl);
  double f[3], up[3] = {c.up[0], c.up[1], c.up[2]};
  for (int i = 0; i < 3; ++i) f[i] = c.target[i] - c.eye[i];
  double side[3] = {f[1] * up[2] - f[2] * up[1], f[2] * up[0] - f[0] * up[2], f[0] * up[1] - f[1] * up[0]};
  double ls = std::sqrt(side[0] * side[0] + side[1] * side[1] + side[2] * side[2]);
  double lf = std::sqrt(f[0] * f[0] + f[1] * f[1] + f[2] * f[2]);
  if (!(ls > 1e-9) || !(lf > 1e-9)) return;
  for (int i = 0; i < 3; ++i) {
    side[i] /= ls;
    f[i] /= lf;
  }
  double top[3] = {side[1] * f[2] - side[2] * f[1], side[2] * f[0] - side[0] * f[2], side[0] * f[1] - side[1] * f[0]};
  glPushAttrib(GL_ENABLE_BIT | GL_CURRENT_BIT | GL_LINE_BIT);
  glDisable(GL_LIGHTING);
  glDisable(GL_TEXTURE_2D);
  glDisable(GL_DEPTH_TEST);
  for (int i = 0; i < 6; ++i) glDisable(GL_CLIP_PLANE0 + i);
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glLoadIdentity();
  glOrtho(0, std::max(1, FGl->Width()), 0, std::max(1, FGl->Height()), -1, 1);
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  glLoadIdentity();
  glLineWidth(2);
  glBegin(GL_LINES);
  const double cx = 40, cy = 40, r = 28;
  for (int axis = 0; axis < 3; ++axis) {
    glColor3dv(kAxisColors[axis]);
    glVertex2d(cx, cy);
    glVertex2d(cx + r * side[axis], cy + r * top[axis]);
  }
  glEnd();
  glPopMatrix();
  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
  glPopAttrib();
}

// The move gizmo on the selection's origin: a handle along each axis of its parent's frame, over everything.
void TSceneEditor::DrawGizmo() {
  double origin[3], tips[3][3];
  if (!Gizmo(origin, tips)) return;
  glPushAttrib(GL_ENABLE_BIT | GL_CURRENT_BIT | GL_LINE_BIT | GL_POINT_BIT);
  glDisable(GL_LIGHTING);
  glDisable(GL_TEXTURE_2D);
  glDisable(GL_DEPTH_TEST);
  for (int i = 0; i < 6; ++i) glDisable(GL_CLIP_PLANE0 + i);
  const int active = FDrag.Active() ? FDrag.Axis() : -1;
  glLineWidth(3);
  glBegin(GL_LINES);
  for (int axis = 0; axis < 3; ++axis) {
    if (axis == active) glColor3d(1, 1, 0.2);
    else glColor3dv(kAxisColors[axis]);
    glVertex3dv(origin);
    glVertex3dv(tips[axis]);
  }
  glEnd();
  glPointSize(9);
  glBegin(GL_POINTS);
  for (int axis = 0; axis < 3; ++axis) {
    if (axis == active) glColor3d(1, 1, 0.2);
    else glColor3dv(kAxisColors[axis]);
    glVertex3dv(tips[axis]);
  }
  glColor3d(1, 1, 1);
  glVertex3dv(origin);
  glEnd();
  glPopAttrib();
}

void TSceneEditor::View(StandardView v) {
  SetStandardView(FGl, v);
  FCamera->UpdateNearFar();
  Say(std::string("view from the ") + StandardViewName(v));
}

void TSceneEditor::ToggleOrtho() {
  ::ToggleOrtho(FGl);
  FCamera->UpdateNearFar();
  Say(FGl->ProjectionOrtho() ? "orthographic" : "perspective");
}

void TSceneEditor::ToggleGrid() {
  FGrid = !FGrid;
  FGl->Refresh(FGl);
  Say(FGrid ? "grid on" : "grid off");
}

void TSceneEditor::ToggleAxes() {
  FAxes = !FAxes;
  FGl->Refresh(FGl);
  Say(FAxes ? "axes on" : "axes off");
}
