// The viewport control: construction, destruction, context creation, the paint cycle, camera and projection.
#include "opengl/opengl.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include "framework/controls/dialogs.h"
#include "opengl/context_scope.h"
#include "opengl/luce.h"
#include "parts/parts.h"

TOpenGl::TOpenGl(TComponent* AOwner) : TWinControl(AOwner), TPartHost(this), FContext(std::make_shared<TContextHandle>()) {
  FContext->Window = this;
  FModelTimer = new TTimer(this);
  FModelTimer->SetEnabled(false);
  FModelTimer->SetInterval(10);
  FRefreshTimer = new TTimer(this);
  FRefreshTimer->SetEnabled(false);
  FRefreshTimer->SetInterval(10);
  FSuggestedSelection = nullptr;
  FClearColor = new TColorVector;
  FEyePosition = new T3DVector;
  FEyePosition->SetZ(-8);
  FEyeTarget = new T3DVector;
  FEyeUp = new T3DVector;
  FEyeUp->SetY(1);
  for (int i = 0; i < LIGHT_SLOTS; ++i) {
    FLights[i] = new TLuce;
    FLights[i]->OnChange = MakeEvent(this, &TOpenGl::SetLuci);
  }
  unsigned candidate = 1;
  for (int i = 0; i < TEXTURE_SLOTS; ++i) {
    while (candidate == 0 || glIsTexture(candidate)) ++candidate;
    FTextureNames[i] = candidate++;
    FTextureParams[i][0] = GL_NEAREST_MIPMAP_LINEAR;
    FTextureParams[i][1] = GL_NEAREST;
    FTextureParams[i][2] = GL_REPEAT;
    FTextureParams[i][3] = GL_REPEAT;
    FTextureParams[i][4] = GL_MODULATE;
  }
  FFps = 0;
  FProjectionOrtho = false;
  FProjectionWidth = 1;
  FProjectionHeight = 1;
  FProjectionNear = 1;
  FProjectionFar = 10;
  FProjectionYAngle = 90;
  FAnimation = false;
  FLastFrameCount = 0;
  QueryPerformanceFrequency(&FCounterFrequency);
  FCanvas = new TControlCanvas;
  FCanvas->Control = this;
  for (int i = 0; i < TEXTURE_SLOTS; ++i) FPictures[i] = new TPicture;
  RefreshEnabled = true;
  SetRoot();
  FModelTimer->SetOnTimer(MakeEvent(this, &TOpenGl::OnModelRefreshTimer));
  FModelTimer->SetEnabled(true);
  FRefreshTimer->SetOnTimer(MakeEvent(this, &TOpenGl::OnRefreshTimer));
  FRefreshTimer->SetEnabled(true);
}

TOpenGl::~TOpenGl() {
  Application->RemovePassEndHandler(MakeEvent(this, &TOpenGl::PassEnded));
  delete FModelTimer;
  delete FRefreshTimer;
  delete FClearColor;
  delete FEyePosition;
  delete FEyeTarget;
  delete FEyeUp;
  for (TLuce*& l : FLights) {
    delete l;
    l = nullptr;
  }
  delete FCanvas;
  FCanvas = nullptr;
  for (TPicture*& p : FPictures) {
    delete p;
    p = nullptr;
  }
  for (TBitmap*& b : FPendingTextures) {
    delete b;
    b = nullptr;
  }
  ReleaseContext();
}

void TOpenGl::ReleaseContext() {
  {
    // A tree whose lists were compiled here releases them here; with no way into our context, nowhere.
    TContextScope scope(FContext.get());
    delete FRoot;
    FRoot = nullptr;
    if (scope.Active()) glDeleteTextures(TEXTURE_SLOTS, FTextureNames);
  }
  HGLRC mine = FResourceContext;
  FResourceContext = nullptr;
  FContext->Context = nullptr;
  FContext->Window = nullptr;
  FContext->Quadrics.Clear();  // gone with the context
  if (mine) wglDeleteContext(mine);
}

void TOpenGl::CreateParams(TCreateParams& Params) {
  TWinControl::CreateParams(Params);
  Params.WindowClass.style |= CS_VREDRAW | CS_HREDRAW | CS_OWNDC;
  Params.WinClassName = "TOpenGl";
}

void TOpenGl::Loaded() {
  TWinControl::Loaded();
  // A second Loaded would leak the first context.
  if (FResourceContext) return;
  HDC dc = FCanvas->Handle();
  setupPixelFormat(dc);
  FResourceContext = wglCreateContext(FCanvas->Handle());
  // The one place the context is made current and left so.
  if (!FResourceContext || wglMakeCurrent(FCanvas->Handle(), FResourceContext) != TRUE) return;
  FContext->Context = FResourceContext;
  defaultInitRC();
  SendStoredSettings();
  OnInitRC(this);
  UploadPendingTextures();
  if (FModelPending) RefreshModel(this);
}

void TOpenGl::CreateHandle() {
  TWinControl::CreateHandle();
  if (!FResourceContext || !HandleAllocated()) return;
  // The context, its lists and its textures carry over; only the window and its surface are new.
  HDC dc = GetDC(Handle());
  setupPixelFormat(dc);
  // The old window left our context current without a surface: it goes on with the new one.
  if (wglGetCurrentContext() == FResourceContext) wglMakeCurrent(dc, FResourceContext);
  TContextScope scope(FContext.get());
  if (!scope.Active()) return;
  glViewport(0, 0, Width(), Height());
  SetProjection();
}

void TOpenGl::setupPixelFormat(HDC dc) {
  PIXELFORMATDESCRIPTOR pfd = {};
  pfd.nSize = sizeof(PIXELFORMATDESCRIPTOR);
  pfd.nVersion = 1;
  pfd.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
  pfd.iPixelType = PFD_TYPE_RGBA;
  pfd.cColorBits = 24;
  pfd.cDepthBits = 16;
  pfd.iLayerType = PFD_MAIN_PLANE;
  int format = ChoosePixelFormat(dc, &pfd);
  if (format == 0) MessageBoxA(Handle(), "ChoosePixelFormat failed.", "Error", MB_OK | MB_ICONERROR);
  if (SetPixelFormat(dc, format, &pfd) != TRUE)
    MessageBoxA(Handle(), "SetPixelFormat failed.", "Error", MB_OK | MB_ICONERROR);
}

void TOpenGl::defaultInitRC() {
  SetProjection();
  glEnable(GL_NORMALIZE);
  glEnable(GL_DEPTH_TEST);
  glCullFace(GL_BACK);
  glEnable(GL_LIGHTING);
}

// What a host set before the context existed: until now it was only stored.
void TOpenGl::SendStoredSettings() {
  glClearColor(FClearColor->GetR(), FClearColor->GetG(), FClearColor->GetB(), FClearColor->GetA());
  ReserveTextureSlots();
  SetLuci(this);
}

void TOpenGl::Dispatch(void* Message) {
  auto* m = static_cast<TMessage*>(Message);
  switch (m->Msg) {
    case WM_SIZE: {
      TWMSize size(*m);
      WMSize(size);
      m->Result = size.Result;
      break;
    }
    case WM_PAINT: {
      TWMPaint paint(*m);
      WMPaint(paint);
      m->Result = paint.Result;
      break;
    }
    default:
      TWinControl::Dispatch(Message);
  }
}

// The framework's paint cycle (the message's context, or BeginPaint and EndPaint) around our PaintWindow.
void TOpenGl::WMPaint(TWMPaint& Message) {
  TMessage m;
  m.Msg = Message.Msg;
  m.WParam = reinterpret_cast<uintptr_t>(Message.DC);
  DefaultPaint(m);
  Message.Result = m.Result;
}

void TOpenGl::WMSize(TWMSize& Message) {
  TMessage m = Message.ToMessage();
  // A host's OnResize may delete the viewport.
  const TLiveness alive = Liveness();
  TWinControl::Dispatch(&m);
  Message.Result = m.Result;
  if (!alive) return;
  TContextScope scope(FContext.get());
  if (!scope.Active()) return;
  glViewport(0, 0, Width(), Height());
  // The aspect follows the window, or the picture stays stretched until a camera setter runs.
  SetProjection();
}

void TOpenGl::PaintWindow(HDC DC) {
  TContextScope scope(FContext.get());
  if (!scope.Active()) return;
  FCanvas->Lock();
  FCanvas->SetHandle(DC);
  // A host's paint events may delete the viewport, canvas and all.
  const TLiveness alive = Liveness();
  try {
    Paint();
  } catch (...) {
    if (alive) {
      FCanvas->SetHandle(nullptr);
      FCanvas->Unlock();
    }
    throw;
  }
  if (!alive) return;
  FCanvas->SetHandle(nullptr);
  FCanvas->Unlock();
}

namespace {
// Parts without material inherit what was set before them; a frame starts from GL's defaults, so that the
// picture never depends on the part drawn last in the frame before.
void StartFromDefaultMaterial() {
  const GLfloat ambient[4] = {0.2f, 0.2f, 0.2f, 1}, diffuse[4] = {0.8f, 0.8f, 0.8f, 1}, black[4] = {0, 0, 0, 1};
  glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, ambient);
  glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, diffuse);
  glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, black);
  glMaterialfv(GL_FRONT_AND_BACK, GL_EMISSION, black);
  glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, 0);
  glBindTexture(GL_TEXTURE_2D, 0);
}
}  // namespace

void TOpenGl::DrawFrame() {
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  StartFromDefaultMaterial();
  if (FHeadlight) ApplyHeadlight();
  // Each host event may delete the viewport: nothing of it is touched after that.
  const TLiveness alive = Liveness();
  OnBeforePaint(this);
  if (!alive) return;
  if (OnPaint.Assigned()) {
    OnPaint(this);
    if (!alive) return;
  } else {
    // The root's placement and whatever its parts switch on end with the scene: hosts draw after it
    // in world coordinates, and the next frame starts as this one did.
    glPushAttrib(GL_ENABLE_BIT | GL_TRANSFORM_BIT);
    glPushMatrix();
    if (FListMode == lmPerPart)
      DrawPartsWalk();
    else
      FRoot->Play();
    glPopMatrix();
    glPopAttrib();
  }
  OnAfterPaint(this);
}

void TOpenGl::Paint() {
  const TLiveness alive = Liveness();
  DrawFrame();
  if (!alive) return;
  SwapBuffers(FCanvas->Handle());
  if (FAnimation && OnFrame.Assigned()) OnFrame(this);
  if (!alive) return;
  int64_t now = 0;
  QueryPerformanceCounter(&now);
  // Two paints within one counter tick keep the previous figure.
  if (now != FLastFrameCount)
    FFps = static_cast<float>(static_cast<double>(FCounterFrequency) / static_cast<double>(now - FLastFrameCount));
  FLastFrameCount = now;
}

void TOpenGl::SetProjection() {
  // Before the context exists the values are only stored: Loaded sends them.
  TContextScope scope(FContext.get());
  if (!scope.Active()) return;
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  if (FProjectionOrtho) {
    glOrtho(-FProjectionWidth * 0.5, FProjectionWidth * 0.5, -FProjectionHeight * 0.5, FProjectionHeight * 0.5,
            FProjectionNear, FProjectionFar);
  } else {
    // A control without height would divide by zero: take a square view then.
    double aspect = Height() != 0 ? static_cast<double>(Width()) / static_cast<double>(Height()) : 1.0;
    gluPerspective(FProjectionYAngle, aspect, FProjectionNear, FProjectionFar);
  }
  gluLookAt(FEyePosition->GetElement(0), FEyePosition->GetElement(1), FEyePosition->GetElement(2),
            FEyeTarget->GetElement(0), FEyeTarget->GetElement(1), FEyeTarget->GetElement(2),
            FEyeUp->GetElement(0), FEyeUp->GetElement(1), FEyeUp->GetElement(2));
  OnSetProjection(this);
  glMatrixMode(GL_MODELVIEW);
}

void TOpenGl::SetProjectionOrtho(bool Value) {
  FProjectionOrtho = Value;
  SetProjection();
  Refresh(this);
}

void TOpenGl::SetProjectionWidth(float Value) {
  FProjectionWidth = Value;
  SetProjection();
  Refresh(this);
}

void TOpenGl::SetProjectionHeight(float Value) {
  FProjectionHeight = Value;
  SetProjection();
  Refresh(this);
}

void TOpenGl::SetProjectionNear(float Value) {
  FProjectionNear = Value;
  SetProjection();
  Refresh(this);
}

void TOpenGl::SetProjectionFar(float Value) {
  FProjectionFar = Value;
  SetProjection();
  Refresh(this);
}

void TOpenGl::SetProjectionYAngle(float Value) {
  FProjectionYAngle = Value;
  SetProjection();
  Refresh(this);
}

void TOpenGl::SetEyePosition(T3DVector* Value) {
  FEyePosition->Assign(Value);
  SetProjection();
  Refresh(this);
}

void TOpenGl::SetEyeTarget(T3DVector* Value) {
  FEyeTarget->Assign(Value);
  SetProjection();
  Refresh(this);
}

void TOpenGl::SetEyeUp(T3DVector* Value) {
  FEyeUp->Assign(Value);
  SetProjection();
  Refresh(this);
}

void TOpenGl::SetClearColor(TColorVector* Value) {
  FClearColor->Assign(Value);
  {
    TContextScope scope(FContext.get());
    if (scope.Active())
      glClearColor(FClearColor->GetR(), FClearColor->GetG(), FClearColor->GetB(), FClearColor->GetA());
  }
  Refresh(this);
}
