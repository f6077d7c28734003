// sceneview's window: the scene with a mouse camera, keys, picking, a status line, and a watched file.
#pragma once

#include <string>

#include "click_test.h"
#include "framework/controls/controls.h"
#include "scene_files.h"
#include "view_camera.h"

class TOpenGl;
class TOrbitCamera;
class TPart;
class TTimer;
class TStatusLine;

class TSceneViewer : public TObject {
public:
  TSceneViewer(const std::string& file, int width, int height);
  ~TSceneViewer() override;
  // Loads the file and frames it; false with a message when it cannot be shown.
  bool Open(std::string& error);
  // Shows the window until it is closed.
  void Run();

private:
  // Input.
  void KeyDown(TObject* Sender, WORD& Key, TShiftState Shift);
  void MouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
  void MouseMove(TObject* Sender, TShiftState Shift, int X, int Y);
  void MouseUp(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
  // Drawing around the scene, in the viewport's context.
  void BeforePaint(TObject* Sender);
  void AfterPaint(TObject* Sender);
  // Every half second: the file on disk, and the frame rate when it is shown.
  void Tick(TObject* Sender);

  void Pick(int x, int y);
  void Reload();
  void TakeSnapshot();
  void ToggleHelp();
  // A line for the status line and standard output.
  void Say(const std::string& line);
  void Warn(const std::string& line);
  void UpdateStatus();

  std::string FFile;
  TForm* FForm = nullptr;  // owns the controls, the camera and the timer
  TOpenGl* FGl = nullptr;
  TLabel* FStatus = nullptr;
  TStatusLine* FStatusLine = nullptr;  // wraps and grows to show a whole message; warnings in red
  bool FWarned = false;
  TOrbitCamera* FCamera = nullptr;
  TTimer* FWatch = nullptr;
  ViewCamera FFileCamera;
  FileStamp FStamp;
  TPart* FPicked = nullptr;  // in the current tree; cleared whenever the tree is replaced
  bool FWireframe = false, FStats = false, FHelp = false;
  bool FSceneAnimation = false;  // the loaded file's own Animation
  TClickTest FClick;
  std::string FMessage;
};
