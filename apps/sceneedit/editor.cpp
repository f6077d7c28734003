// sceneedit's window: the part tree, the viewport with its camera and picking, the editors, commands, undo.
#include "editor.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <exception>

#include "framework/controls/application.h"
#include "framework/controls/dialogs.h"
#include "framework/controls/edit.h"
#include "framework/controls/file_dialog.h"
#include "framework/controls/listbox.h"
#include "opengl/opengl.h"
#include "opengl/orbit_camera.h"
#include "parts/parts.h"
#include "model_edits.h"
#include "model_files.h"
#include "name_check.h"
#include "part_panel.h"
#include "scene_files.h"
#include "status_line.h"
#include "toolbar_flow.h"
#include "tool_main.h"
#include "view_camera.h"

namespace {

const int kTreeWidth = 200;
const int kToolbarHeight = 24;
const int kPanelHeight = 5 * 40 + 4;
// What the Open and Save dialogs list: scenes, or scenes and the model files other tools make.
const char* const kSceneFilter =
    "Scene files (*.scene)|*.scene|"
    "Scenes and models (.scene .obj .stl .ply .gltf .glb .3ds .dae .fbx)|"
    "*.scene;*.obj;*.stl;*.ply;*.gltf;*.glb;*.3ds;*.dae;*.fbx|All files (*)|*";

}  // namespace

class TSceneEditor::TEditorForm : public TForm {
public:
  TEditorForm(TSceneEditor* editor) : TForm(nullptr), FEditor(editor) {}
  // A close with unsaved changes asks first; cancelling keeps the window.
  void Dispatch(void* Message) override {
    if (static_cast<TMessage*>(Message)->Msg == WM_CLOSE && !FEditor->CanClose()) return;
    TForm::Dispatch(Message);
  }

private:
  TSceneEditor* FEditor;
};

TSceneEditor::TSceneEditor(int width, int height) : FCommands(SceneeditCommands(this)) {
  FForm = new TEditorForm(this);
  FForm->SetBounds(0, 0, width, height);
  FForm->KeyPreview = true;
  FForm->OnKeyDown = MakeEvent(this, &TSceneEditor::KeyDown);
  FForm->OnKeyPress = MakeEvent(this, &TSceneEditor::KeyPress);

  auto* bar = new TPanel(FForm);
  bar->Name = "Toolbar";
  bar->SetParent(FForm);
  bar->SetHeight(kToolbarHeight);
  bar->SetAlign(alTop);
  BuildToolbar(bar);
  FToolbarFlow = new TToolbarFlow(bar, kToolbarHeight);

  FStatusLine = new TStatusLine(FForm);
  FStatus = FStatusLine->Label();
  FRecent.Load();

  // The tree: the selected part's name above its rows, applied on Return.
  auto* side = new TPanel(FForm);
  side->SetParent(FForm);
  side->SetBevelOuter(bvNone);
  side->SetWidth(kTreeWidth);
  side->SetAlign(alLeft);
  FName = new TEdit(FForm);
  FName->Name = "NameEdit";
  FName->SetParent(side);
  FName->SetHeight(22);
  FName->SetAlign(alTop);
  FName->OnAccept = MakeEvent(this, &TSceneEditor::NameAccept);
  FTree = new TListBox(FForm);
  FTree->Name = "Tree";
  FTree->SetParent(side);
  FTree->SetAlign(alClient);
  FTree->OnChange = MakeEvent(this, &TSceneEditor::RowChange);

  auto* editors = new TPanel(FForm);
  editors->Name = "Editors";
  editors->SetParent(FForm);
  editors->SetHeight(kPanelHeight);
  editors->SetAlign(alBottom);

  FGl = AddViewport(FForm);
  FGl->Name = "View";
  FGl->SetHeadlight(true);
  FGl->OnAfterPaint = MakeEvent(this, &TSceneEditor::AfterPaint);
  // The camera first, then ours over it: a drag of the selection must not turn the view as well, so the
  // camera hears of a press only when no part drag takes it.
  FCamera = new TOrbitCamera(FForm);
  FCamera->SetViewport(FGl);
  FGl->OnMouseDown = MakeEvent(this, &TSceneEditor::MouseDown);
  FGl->OnMouseMove = MakeEvent(this, &TSceneEditor::MouseMove);
  FGl->OnMouseUp = MakeEvent(this, &TSceneEditor::MouseUp);

  FPanel = new TPartPanel(FForm, editors, FGl);
  FPanel->OnEdited = MakeEvent(this, &TSceneEditor::Edited);
  FPanel->OnEditDone = MakeEvent(this, &TSceneEditor::EditDone);
  FPanel->OnSay = [this](const std::string& line, bool error) { error ? SayError(line) : Say(line); };
  FGl->Loaded();
}

TSceneEditor::~TSceneEditor() {
  delete FPanel;
  delete FForm;
  delete FStatusLine;
  delete FToolbarFlow;
}

void TSceneEditor::BuildToolbar(TWinControl* bar) {
  for (int i = 0; i < FCommands.Count(); ++i) {
    const TEditorCommand& c = FCommands[i];
    FButtons.push_back(c.name.empty() ? nullptr
                                      : AddButton(FForm, bar, c.name.c_str(), c.caption.c_str(), c.width,
                                                  MakeEvent(this, &TSceneEditor::Command), i));
  }
}

void TSceneEditor::UpdateCommands() {
  for (size_t i = 0; i < FButtons.size(); ++i) {
    bool enabled = FCommands[static_cast<int>(i)].Enabled();
    if (FButtons[i] && FButtons[i]->Enabled() != enabled) FButtons[i]->SetEnabled(enabled);
  }
}

bool TSceneEditor::Open(const std::string& file, std::string& error) {
  FFile = file;
  // An existing file that cannot be read refuses the start: as an empty scene, Save would overwrite it.
  const SceneOpen opened = OpenSceneForEditing(FGl, file, error);
  if (opened == SceneOpen::Failed) return false;
  if (opened == SceneOpen::Loaded) {
    FCamera->Fit();
    Remember(file);
  }
  FGl->SetHeadlight(true);
  FHistory.Reset(FGl);
  FUnrecorded.clear();
  RebuildTree();
  Select(nullptr);
  UpdateTitle();
  return true;
}

void TSceneEditor::Run() {
  FForm->Show();
  Say(FFile.empty() ? "new scene" : "editing " + FFile);
  Application->Run();
}

void TSceneEditor::Command(TObject* Sender) { RunCommand(static_cast<TControl*>(Sender)->Tag); }

void TSceneEditor::RunCommand(int index) {
  if (index < 0 || index >= FCommands.Count()) return;
  FStatusLine->ActionStarted();
  // A key pressed in the middle of a drag: the drag ends first, as a step of its own, so that a command that
  // replaces or deletes parts never leaves it holding one.
  if (FDrag.Active()) EndDrag(true);
  FDragPending = false;
  const TEditorCommand& c = FCommands[index];
  if (!c.Enabled()) {
    if (!c.unavailable.empty()) SayError(c.unavailable);
    return;
  }
  c.run();
  UpdateCommands();
}

void TSceneEditor::KeyDown(TObject*, WORD& Key, TShiftState Shift) {
  FStatusLine->ActionStarted();
  // Keys without Ctrl belong to a name or a value being typed.
  int command = FCommands.ForKey(Key, Shift, dynamic_cast<TEdit*>(FForm->ActiveControl()) != nullptr);
  if (command < 0) return;
  Key = 0;
  RunCommand(command);
}

void TSceneEditor::KeyPress(TObject*, char&) {}

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

void TSceneEditor::RowChange(TObject*) {
  FStatusLine->ActionStarted();
  int row = FTree->ItemIndex();
  if (row >= 0 && row < static_cast<int>(FRowParts.size())) Select(FRowParts[row]);
}

void TSceneEditor::NameAccept(TObject*) {
  if (!FSelected) return;
  // Refused where it is typed: the file could not hold it. The text stays to be shortened.
  std::string why = NameTooLong(FName->Text().str());
  if (!why.empty()) {
    SayError("not renamed: " + why);
    return;
  }
  FlushEdit();
  FSelected->Name = FName->Text();
  // A name is not drawn: nothing to rebuild, but it is part of the document.
  Commit();
  RebuildTree();
  Select(FSelected);
  FForm->SetActiveControl(FTree);
}

void TSceneEditor::Edited(TObject*) {
  FPending = true;
  UpdateTitle();
}

void TSceneEditor::EditDone(TObject*) {
  if (FPending) Commit();
}

void TSceneEditor::FlushEdit() {
  if (FPending) Commit();
}

void TSceneEditor::Commit() {
  FPending = false;
  if (FHistory.Commit(FGl)) {
    FUnrecorded.clear();
  } else {
    std::string why = UnsavableName(FGl->Root());
    FUnrecorded = "not recorded for undo" + (why.empty() ? std::string() : ": " + why);
    SayError(FUnrecorded);
  }
  UpdateTitle();
}

void TSceneEditor::Select(TPart* part) {
  FlushEdit();
  if (part == FGl->Root()) part = nullptr;
  FSelected = part;
  FPanel->SetPart(part);
  int row = -1;
  for (size_t i = 0; i < FRowParts.size(); ++i)
    if (FRowParts[i] == part) row = static_cast<int>(i);
  FTree->SetItemIndex(row);
  FName->SetText(part ? part->Name : AnsiString());
  FGl->Refresh(FGl);
  UpdateCommands();
  if (part) Say("selected " + TOpenGl::PartPath(part).str());
}

void TSceneEditor::RebuildTree() {
  FRowParts.clear();
  FTree->Clear();
  for (const TPartRow& row : PartRows(FGl->Root())) {
    FTree->AddItem(row.part->GetName(), row.depth, row.part);
    FRowParts.push_back(row.part);
  }
  for (size_t i = 0; i < FRowParts.size(); ++i)
    if (FRowParts[i] == FSelected) FTree->SetItemIndex(static_cast<int>(i));
}

void TSceneEditor::Restore(const std::vector<int>& where, const std::string& path, uint64_t id) {
  FSelected = nullptr;
  RebuildTree();
  // A part the history knows is found by its identity only: renamed, moved or gone, it is never another.
  TPart* again = id ? FHistory.Identities().Find(FGl->Root(), id) : FindSelection(FGl->Root(), where, path);
  FSelected = nullptr;
  FPanel->SetPart(nullptr);
  Select(again);
}

void TSceneEditor::Add(const TPartClass& kind) {
  FlushEdit();
  // At the view's target, after the selection; a polygon turned to face the eye.
  ViewCamera camera = ViewCamera::Of(FGl);
  const double target[3] = {camera.target[0], camera.target[1], camera.target[2]};
  TPart* part = AddPart(FGl, kind, FSelected, target);
  if (!part) return;
  FacePolygonToView(part, camera);
  Commit();
  RebuildTree();
  Say(std::string("added ") + TOpenGl::PartPath(part).str());
  Select(part);
}

void TSceneEditor::Delete() {
  if (!FSelected) return;
  FlushEdit();
  std::string path = TOpenGl::PartPath(FSelected).str();
  TPart* gone = FSelected;
  FSelected = nullptr;
  FPanel->SetPart(nullptr);
  FName->SetText("");
  DeletePart(FGl, gone);
  Commit();
  RebuildTree();
  Say("deleted " + path);
}

void TSceneEditor::Duplicate() {
  if (!FSelected) return;
  FlushEdit();
  TPart* copy = DuplicatePart(FGl, FSelected);
  if (!copy) return;
  Commit();
  RebuildTree();
  Select(copy);
}

void TSceneEditor::CopySelected() {
  if (FClipboard.Copy(FSelected)) Say("copied " + TOpenGl::PartPath(FSelected).str());
}

void TSceneEditor::Cut() {
  if (!FClipboard.Copy(FSelected)) return;
  Delete();
}

void TSceneEditor::Paste() {
  FlushEdit();
  TPart* part = FClipboard.PasteInto(FGl, FSelected);
  if (!part) return;
  Commit();
  RebuildTree();
  Select(part);
}

void TSceneEditor::Quit() { FForm->Perform(WM_CLOSE, 0, 0); }

void TSceneEditor::SelectNext(bool back) {
  int i = 0, n = static_cast<int>(FRowParts.size());
  if (!n) return;
  while (i < n && FRowParts[i] != FSelected) ++i;
  if (i >= n) i = back ? n - 1 : 0;  // nothing selected: the last or the first row
  else i = back ? (i > 0 ? i - 1 : 0) : (i + 1 < n ? i + 1 : i);
  Select(FRowParts[i]);
}

void TSceneEditor::NextColorTarget() { FPanel->NextColorTarget(); }

void TSceneEditor::Fit() {
  FCamera->Fit();
  Say("fit");
}

void TSceneEditor::Undo() { StepHistory(true); }

void TSceneEditor::Redo() { StepHistory(false); }

// The document goes back or forward a step; the camera stays, the selection is found again.
void TSceneEditor::StepHistory(bool back) {
  FlushEdit();
  std::vector<int> where = IndexPath(FSelected);
  std::string path = FSelected ? TOpenGl::PartPath(FSelected).str() : "";
  const uint64_t id = FHistory.Identities().Of(FSelected);
  ViewCamera camera = ViewCamera::Of(FGl);
  FSelected = nullptr;
  FPanel->SetPart(nullptr);
  bool done = back ? FHistory.Undo(FGl) : FHistory.Redo(FGl);
  if (done) FUnrecorded.clear();
  camera.ApplyTo(FGl);
  Restore(where, path, id);
  UpdateTitle();
  Say(back ? (done ? "undo" : "nothing to undo") : (done ? "redo" : "nothing to redo"));
}

bool TSceneEditor::ConfirmDiscard() {
  FlushEdit();
  if (!FHistory.Modified()) return true;
  int a = AskYesNoCancel("Save the changes to " + (FFile.empty() ? std::string("untitled") : FFile) + "?");
  if (a != mrYes && a != mrNo) return false;
  return a == mrNo || Save();
}

bool TSceneEditor::CanClose() { return ConfirmDiscard(); }

void TSceneEditor::New() {
  if (!ConfirmDiscard()) return;
  FSelected = nullptr;
  FPanel->SetPart(nullptr);
  while (FGl->Root()->Count() > 0) DeletePart(FGl, FGl->Root()->Part(0));
  // The previous scene's pictures would be saved into the new file.
  TTakenPictures dropped(FGl);
  FFile.clear();
  FHistory.Reset(FGl);
  FUnrecorded.clear();
  RebuildTree();
  UpdateTitle();
  Say("new scene");
}

void TSceneEditor::OpenAsk() {
  if (!ConfirmDiscard()) return;
  std::string file = FFile;
  if (!AskFile(false, file) || file.empty()) return;
  OpenFile(file);
}

void TSceneEditor::OpenRecent() {
  FRecent.Load();
  if (FRecent.Files().empty()) {
    Say("no recent files");
    return;
  }
  std::vector<AnsiString> items;
  for (const std::string& f : FRecent.Files()) items.push_back(f.c_str());
  int index = 0;
  std::printf("Recent files:\n");
  for (const std::string& f : FRecent.Files()) std::printf("  %s\n", f.c_str());
  std::fflush(stdout);
  if (!ListQuery("Recent files", "Open a file opened or saved lately:", items, index)) return;
  std::string file = FRecent.Files()[index];
  if (!ConfirmDiscard()) return;
  if (!OpenFile(file)) {
    // Gone or broken since: it leaves the list.
    FRecent.Remove(file);
    FRecent.Save();
  }
}

bool TSceneEditor::OpenFile(const std::string& file) {
  bool opened = false;
  std::string error;
  FSelected = nullptr;
  FPanel->SetPart(nullptr);
  TTakenPictures previous(FGl);
  // A model comes in as a new, unnamed scene: Save must never write a scene file over the model.
  const bool model = !IsSceneFileName(file);
  if (!(model ? LoadSceneOrModel(FGl, file, error) : LoadSceneFile(FGl, file, error))) {
    // A failed load leaves the scene as it was.
    previous.PutBack();
    SayError("could not open " + file + ": " + error);
  } else {
    FFile = model ? std::string() : file;
    FCamera->Fit();
    FHistory.Reset(FGl);
    FUnrecorded.clear();
    Remember(file);
    Say(model ? "imported " + file + " as a new scene (Save asks for its name)" : "opened " + file);
    opened = true;
  }
  RebuildTree();
  UpdateTitle();
  return opened;
}

bool TSceneEditor::Save() {
  FlushEdit();
  if (FFile.empty()) return SaveAs();
  std::string why = UnsavableName(FGl->Root());
  bool ok = false;
  try {
    ok = why.empty() && FGl->SaveTo(FFile.c_str());
    if (!ok && why.empty()) why = FGl->SaveError().str();
  } catch (const std::exception& e) {
    why = e.what();
  }
  if (!ok) {
    SayError("could not save " + FFile + ": " + (why.empty() ? "the file could not be written" : why));
    return false;
  }
  FHistory.MarkSaved();
  Remember(FFile);
  UpdateTitle();
  Say("saved " + FFile);
  return true;
}

bool TSceneEditor::SaveAs() {
  std::string file = FFile;
  if (!AskFile(true, file) || file.empty()) return false;
  FFile = file;
  return Save();
}

void TSceneEditor::Rename() {
  if (!FSelected) return;
  FForm->SetActiveControl(FName);
  FName->SelectAll();
}

void TSceneEditor::LoadTexture() {
  FlushEdit();
  std::string slot = std::to_string(FSelected && FSelected->Texture >= 0 ? FSelected->Texture : 0);
  if (!AskText("Texture", "Texture slot (0-19):", slot)) return;
  char* end = nullptr;
  long index = std::strtol(slot.c_str(), &end, 10);
  if (end == slot.c_str() || *end || index < 0 || index >= TEXTURE_SLOTS) {
    SayError("no texture slot " + slot);
    return;
  }
  std::printf("Texture Image file:\n");
  std::fflush(stdout);
  TOpenDialog dialog(nullptr);
  dialog.Title = "Texture";
  dialog.Filter = "Images (*.bmp *.png)|*.bmp;*.png|All files (*)|*";
  if (!dialog.Execute() || dialog.FileName.str().empty()) return;
  const std::string file = dialog.FileName.str();
  TPicture picture;
  try {
    picture.LoadFromFile(file.c_str());
  } catch (const std::exception& e) {
    SayError("could not load " + file + ": " + e.what());
    return;
  }
  FGl->SetPicture(static_cast<int>(index), &picture);
  if (FSelected) FSelected->SetTexture(static_cast<int>(index));
  Commit();
  FPanel->Reload();
  Say("texture " + std::to_string(index) + " from " + file);
}

void TSceneEditor::ImportModel() {
  FlushEdit();
  std::printf("Import Model file:\n");
  std::fflush(stdout);
  TOpenDialog dialog(nullptr);
  dialog.Title = "Import";
  dialog.ActionCaption = "Import";
  dialog.Filter = "Models (*.obj *.stl *.ply *.gltf *.glb *.3ds *.dae *.fbx)|"
                  "*.obj;*.stl;*.ply;*.gltf;*.glb;*.3ds;*.dae;*.fbx|All files (*)|*";
  if (!dialog.Execute() || dialog.FileName.IsEmpty()) return;
  const std::string file = dialog.FileName.str();
  std::string error, warnings;
  TPart* model = ImportModelInto(FGl, file, FSelected, error, warnings);
  if (!model) {
    SayError("could not import " + file + ": " + error);
    return;
  }
  // The whole model, its groups, meshes and texture slots, is one step to undo.
  Commit();
  RebuildTree();
  Select(model);
  Say("imported " + file + (warnings.empty() ? std::string() : " (" + warnings + ")"));
}

void TSceneEditor::ExportGltf() {
  FlushEdit();
  std::printf("Export glTF File name:\n");
  std::fflush(stdout);
  TSaveDialog dialog(nullptr);
  dialog.Title = "Export glTF";
  dialog.ActionCaption = "Export";
  dialog.Filter = "glTF binary (*.glb)|*.glb|glTF with its .bin (*.gltf)|*.gltf";
  dialog.DefaultExt = "glb";
  dialog.FileName = GltfNameFor(FFile).c_str();
  if (!dialog.Execute() || dialog.FileName.IsEmpty()) return;
  const std::string file = dialog.FileName.str();
  if (!FGl->ExportGltf(file.c_str())) {
    SayError("could not export " + file + ": " + FGl->SaveError().str());
    return;
  }
  Say("exported " + file);
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

void TSceneEditor::ToggleLights() {
  FlushEdit();
  FPanel->ShowLights(!FPanel->LightsShown());
  Say(FPanel->LightsShown() ? "lights" : "part");
}

void TSceneEditor::UpdateTitle() {
  bool modified = FPending || FHistory.Modified();
  std::string title = (modified ? "* " : "") + (FFile.empty() ? std::string("untitled") : FFile) + " - sceneedit";
  FForm->SetCaption(title.c_str());
  UpdateCommands();
}

void TSceneEditor::Say(const std::string& line) {
  std::printf("%s\n", line.c_str());
  std::fflush(stdout);
  // What could not be recorded stays in sight until a step is recorded again.
  std::string shown = FUnrecorded.empty() || line == FUnrecorded ? line : line + "   (" + FUnrecorded + ")";
  FStatusLine->Show(shown);
}

void TSceneEditor::SayError(const std::string& line) {
  std::printf("%s\n", line.c_str());
  std::fflush(stdout);
  FStatusLine->ShowError(line);
}

bool TSceneEditor::AskFile(bool save, std::string& file) {
  // The same line as a typed name's question, for whoever reads the output.
  std::printf("%s\n", save ? "Save as File name:" : "Open Scene file:");
  std::fflush(stdout);
  TOpenDialog open(nullptr);
  TSaveDialog saveAs(nullptr);
  TOpenDialog& dialog = save ? saveAs : open;
  dialog.Filter = kSceneFilter;
  if (save) dialog.DefaultExt = "scene";
  dialog.FileName = file.c_str();
  if (!dialog.Execute()) return false;
  file = dialog.FileName.str();
  return true;
}

void TSceneEditor::Remember(const std::string& file) {
  FRecent.Add(file);
  FRecent.Save();
}

bool TSceneEditor::AskText(const std::string& caption, const std::string& prompt, std::string& text) {
  std::printf("%s %s\n", caption.c_str(), prompt.c_str());
  std::fflush(stdout);
  AnsiString value = text.c_str();
  if (!InputQuery(caption.c_str(), prompt.c_str(), value)) return false;
  text = value.str();
  return true;
}

int TSceneEditor::AskYesNoCancel(const std::string& question) {
  std::printf("%s\n", question.c_str());
  std::fflush(stdout);
  return MessageDlg(question.c_str(), mtConfirmation, mbYesNoCancel);
}
