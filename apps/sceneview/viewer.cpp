// sceneview's window: input, picking with its outline, the status line, snapshots and reloading.
#include "viewer.h"

#include <GL/gl.h>

#include <cstdio>

#include "framework/controls/application.h"
#include "framework/core/streams.h"
#include "opengl/opengl.h"
#include "opengl/orbit_camera.h"
#include "parts/parts.h"
#include "model_files.h"
#include "scene_dump.h"
#include "tool_main.h"
#include "status_line.h"
#include "view_camera.h"

namespace {

const int kWatchMs = 500;
const char* const kKeyHelp =
    "keys: Esc or q quit; f or space fit; r the camera stored in the file; w wireframe on/off;\n"
    "      l headlight on/off; s frame rate and part count on/off; c snapshot beside the file;\n"
    "      1 front, 3 right, 7 top, with Shift back, left, bottom; 5 orthographic on/off;\n"
    "      h these keys. Mouse: left drag orbit, middle or shift+left drag pan, wheel or right drag zoom,\n"
    "      click a part to pick it.\n";

int CountParts(TPart* part) {
  auto* group = dynamic_cast<TPartGroup*>(part);
  if (!group) return 1;
  int n = 0;
  for (int i = 0; i < group->Count(); ++i) n += CountParts(group->Part(i));
  return n + 1;
}

std::string Format(const char* format, double a, double b, double c) {
  char text[128];
  std::snprintf(text, sizeof text, format, a, b, c);
  return text;
}

// Path, class, position and material of a picked part, on one line.
std::string Describe(TPart* p) {
  std::string line = TOpenGl::PartPath(p).str() + " (" + PartClassName(p) + ")";
  line += Format(" at %.3g %.3g %.3g", p->PX, p->PY, p->PZ);
  line += Format(", diffuse %.2f %.2f %.2f", p->DiffuseR, p->DiffuseG, p->DiffuseB);
  if (p->Texture >= 0) line += ", texture " + std::to_string(p->Texture);
  if (!p->UseMaterial) line += ", material off";
  return line;
}

}  // namespace

TSceneViewer::TSceneViewer(const std::string& file, int width, int height) : FFile(file) {
  FForm = new TForm(nullptr);
  FForm->SetCaption(("sceneview - " + file).c_str());
  FForm->SetBounds(0, 0, width, height);
  FForm->OnKeyDown = MakeEvent(this, &TSceneViewer::KeyDown);
  FStatusLine = new TStatusLine(FForm);
  // Two lines hold a reload error beside a long path without moving the view.
  FStatusLine->SetMinLines(2);
  FStatus = FStatusLine->Label();
  FGl = AddViewport(FForm);
  FGl->OnBeforePaint = MakeEvent(this, &TSceneViewer::BeforePaint);
  FGl->OnAfterPaint = MakeEvent(this, &TSceneViewer::AfterPaint);
  // Ours first: the camera keeps them and calls them before its own.
  FGl->OnMouseDown = MakeEvent(this, &TSceneViewer::MouseDown);
  FGl->OnMouseMove = MakeEvent(this, &TSceneViewer::MouseMove);
  FGl->OnMouseUp = MakeEvent(this, &TSceneViewer::MouseUp);
  FCamera = new TOrbitCamera(FForm);
  FCamera->SetViewport(FGl);
  FWatch = new TTimer(FForm);
  FWatch->SetEnabled(false);
  FWatch->SetInterval(kWatchMs);
  FWatch->SetOnTimer(MakeEvent(this, &TSceneViewer::Tick));
  FGl->Loaded();
}

TSceneViewer::~TSceneViewer() {
  delete FForm;
  delete FStatusLine;
}

bool TSceneViewer::Open(std::string& error) {
  FStamp = FileStamp::Of(FFile);
  if (!LoadSceneOrModel(FGl, FFile, error)) return false;
  FFileCamera = ViewCamera::Of(FGl);
  FSceneAnimation = FGl->Animation();
  FCamera->Fit();
  FMessage = FFile + "    (h: keys)";
  UpdateStatus();
  return true;
}

void TSceneViewer::Run() {
  FForm->Show();
  FWatch->SetEnabled(true);
  Application->Run();
}

void TSceneViewer::KeyDown(TObject*, WORD& Key, TShiftState Shift) {
  if (Shift & (ssCtrl | ssAlt)) return;
  StandardView view;
  if (StandardViewForKey(Key, (Shift & ssShift) != 0, view)) {
    SetStandardView(FGl, view);
    FCamera->UpdateNearFar();
    Say(std::string("view from the ") + StandardViewName(view));
    Key = 0;
    return;
  }
  switch (Key) {
    case '5':
      ToggleOrtho(FGl);
      FCamera->UpdateNearFar();
      Say(FGl->ProjectionOrtho() ? "orthographic" : "perspective");
      break;
    case VK_ESCAPE:
    case 'Q':
      FForm->Close();
      break;
    case 'F':
    case VK_SPACE:
      FCamera->Fit();
      Say("fit");
      break;
    case 'R':
      FFileCamera.ApplyTo(FGl);
      Say("camera from the file");
      break;
    case 'W':
      FWireframe = !FWireframe;
      FGl->Refresh(FGl);
      Say(FWireframe ? "wireframe on" : "wireframe off");
      break;
    case 'L':
      FGl->SetHeadlight(!FGl->Headlight());
      Say(FGl->Headlight() ? "headlight on" : "headlight off");
      break;
    case 'S':
      FStats = !FStats;
      // The frame rate means something only while frames keep coming; off, the scene's own setting.
      FGl->SetAnimation(FStats || FSceneAnimation);
      Say(FStats ? "stats on" : "stats off");
      break;
    case 'C':
      TakeSnapshot();
      break;
    case 'H':
      ToggleHelp();
      break;
    default:
      return;
  }
  Key = 0;
}

void TSceneViewer::ToggleHelp() {
  FHelp = !FHelp;
  if (FHelp) {
    std::fputs(kKeyHelp, stdout);
    std::fflush(stdout);
  }
  // All of it, over as many lines as the status line needs.
  std::string help = kKeyHelp;
  FMessage = FHelp ? help.substr(0, help.size() - 1) : "";
  UpdateStatus();
}

void TSceneViewer::MouseDown(TObject*, TMouseButton Button, TShiftState Shift, int X, int Y) {
  FClick.Press(Button, Shift, X, Y);
}

void TSceneViewer::MouseMove(TObject*, TShiftState, int X, int Y) { FClick.Move(X, Y); }

void TSceneViewer::MouseUp(TObject*, TMouseButton Button, TShiftState, int X, int Y) {
  if (FClick.Release(Button, X, Y)) Pick(X, Y);
}

void TSceneViewer::Pick(int x, int y) {
  FPicked = FGl->PartAt(x, y);
  FGl->Refresh(FGl);
  if (!FPicked) {
    Say("nothing at " + std::to_string(x) + "," + std::to_string(y));
    return;
  }
  Say("picked " + Describe(FPicked));
}

void TSceneViewer::BeforePaint(TObject*) { glPolygonMode(GL_FRONT_AND_BACK, FWireframe ? GL_LINE : GL_FILL); }

// The picked part's box in cyan, over everything.
void TSceneViewer::AfterPaint(TObject*) {
  if (!FPicked) return;
  DrawOutline(FGl->PartBounds(FPicked), 0, 1, 1);
}

void TSceneViewer::Tick(TObject*) {
  FileStamp now = FileStamp::Of(FFile);
  if (now != FStamp) {
    FStamp = now;
    Reload();
  }
  if (FStats) UpdateStatus();
}

// The new file with the camera kept; a file that fails to load leaves the last good scene on screen.
void TSceneViewer::Reload() {
  TMemoryStream good;
  bool saved = FGl->SaveToStream(&good);
  ViewCamera kept = ViewCamera::Of(FGl);
  FPicked = nullptr;
  std::string error;
  if (!LoadSceneOrModel(FGl, FFile, error)) {
    if (saved) {
      good.Seek(0, soBeginning);
      FGl->LoadFromStream(&good);
    }
    kept.ApplyTo(FGl);
    Warn("reload failed: " + FFile + ": " + error + "; showing the last good scene");
    return;
  }
  FFileCamera = ViewCamera::Of(FGl);
  FSceneAnimation = FGl->Animation();
  if (FStats) FGl->SetAnimation(true);
  kept.ApplyTo(FGl);
  FCamera->UpdateNearFar();
  Say("reloaded " + FFile);
}

void TSceneViewer::TakeSnapshot() {
  std::string error;
  std::string path = ReserveSnapshotPath(FFile, error);
  if (path.empty()) {
    Warn("snapshot failed: " + error);
    return;
  }
  if (!FGl->SaveSnapshot(path.c_str())) {
    std::remove(path.c_str());
    Warn("snapshot failed: " + path + " could not be written");
    return;
  }
  Say("snapshot " + path);
}

void TSceneViewer::Say(const std::string& line) {
  std::printf("%s\n", line.c_str());
  std::fflush(stdout);
  FMessage = line;
  FHelp = false;
  FWarned = false;
  UpdateStatus();
}

void TSceneViewer::Warn(const std::string& line) {
  std::fprintf(stderr, "sceneview: %s\n", line.c_str());
  FMessage = line;
  FHelp = false;
  FWarned = true;
  UpdateStatus();
}

void TSceneViewer::UpdateStatus() {
  std::string text = " ";
  if (FStats) {
    char stats[96];
    std::snprintf(stats, sizeof stats, "%.1f fps, %d parts, %d drawn, %d culled   ", FGl->Fps(),
                  CountParts(FGl->Root()) - 1, FGl->PartsDrawn(), FGl->PartsCulled());
    text += stats;
  }
  // A warning stays red until the next message replaces it.
  if (FWarned) {
    FStatusLine->ShowError(text.substr(1) + FMessage);
    return;
  }
  FStatusLine->ActionStarted();
  FStatusLine->Show(text.substr(1) + FMessage);
}
