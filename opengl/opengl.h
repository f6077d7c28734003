// The 3-D viewport control: its GL context, paint cycle, camera, scene root, timers, textures and lights.
#pragma once

#include <cstdint>
#include <memory>

#include "framework/controls/application.h"
#include "framework/controls/controls.h"
#include "framework/graphics/graphics.h"
#include "opengl/bounds.h"
#include "parts/parts.h"
#include "pos3d/vectors.h"

class TPart;
class TPartGroup;
class TLuce;
class TSceneFile;
struct TContextHandle;

const int TEXTURE_SLOTS = 20;
const int LIGHT_SLOTS = 32;
const int TEXTURE_PARAMS = 5;

class TOpenGl : public TWinControl, public TPartHost {
public:
  explicit TOpenGl(TComponent* AOwner);
  ~TOpenGl() override;

  void Dispatch(void* Message) override;
  void Loaded() override;
  virtual void Paint();

  // Camera and projection.
  void SetProjection();
  void SetProjectionOrtho(bool Value);
  void SetProjectionWidth(float Value);
  void SetProjectionHeight(float Value);
  void SetProjectionNear(float Value);
  void SetProjectionFar(float Value);
  void SetProjectionYAngle(float Value);
  void SetEyePosition(T3DVector* Value);
  void SetEyeTarget(T3DVector* Value);
  void SetEyeUp(T3DVector* Value);
  void SetClearColor(TColorVector* Value);

  bool ProjectionOrtho() const { return FProjectionOrtho; }
  float ProjectionWidth() const { return FProjectionWidth; }
  float ProjectionHeight() const { return FProjectionHeight; }
  float ProjectionNear() const { return FProjectionNear; }
  float ProjectionFar() const { return FProjectionFar; }
  float ProjectionYAngle() const { return FProjectionYAngle; }
  T3DVector* EyePosition() const { return FEyePosition; }
  T3DVector* EyeTarget() const { return FEyeTarget; }
  T3DVector* EyeUp() const { return FEyeUp; }
  TColorVector* ClearColor() const { return FClearColor; }

  // Scene root and part management.
  void SetRoot();
  TPartGroup* Root() const override { return FRoot; }
  void AddObject(TPart* where, TPart* part);
  TPart* AddCube(TPart* where, const char* name);
  TPart* AddQuad(TPart* where, const char* name);
  TPart* AddGroup(TPart* where, const char* name);
  TPart* AddSphere(TPart* where, const char* name);
  TPart* AddCylinder(TPart* where, const char* name);
  TPart* AddDisk(TPart* where, const char* name);
  TPart* Paste(TPart* where, TPart* part);
  void DeleteObject(TPart* part);
  TPart* FindPart(AnsiString name) override;
  TPart* SuggestedSelection() const { return FSuggestedSelection; }

  // Refresh timers and animation.
  void Refresh(TObject* Sender);
  void RefreshModel(TObject* Sender);
  void OnModelRefreshTimer(TObject* Sender);
  void OnRefreshTimer(TObject* Sender);
  void SetAnimation(bool Value);
  bool Animation() const { return FAnimation; }
  float Fps() const { return FFps; }
  bool RefreshEnabled = true;

  // Texture slots.
  TPicture* GetPicture(int index);
  // A null or empty picture (no pixels) empties the slot: no picture, a texture without an image.
  void SetPicture(int index, TPicture* picture);
  unsigned SetTexture(int index, TBitmap* bitmap);
  int GetTextureMinFilter(int index);
  int GetTextureMagFilter(int index);
  int GetTextureWrapS(int index);
  int GetTextureWrapT(int index);
  int GetTextureEnvMode(int index);
  void SetTextureMinFilter(int index, int value);
  void SetTextureMagFilter(int index, int value);
  void SetTextureWrapS(int index, int value);
  void SetTextureWrapT(int index, int value);
  void SetTextureEnvMode(int index, int value);
  void UpdateTextureParams(int index);
  void BindTexture(int index) override;
  unsigned TextureName(int index) const;

  // Lights.
  TLuce* GetLight(int Index);
  void SetLight(int Index, TLuce* Value);
  void SetLuci(TObject* Sender);

  // Scene files. A failed load changes nothing in the viewport; a file that cannot be opened raises.
  bool SaveTo(AnsiString FileName);
  bool LoadFrom(AnsiString FileName);
  // The same document on a stream the caller owns.
  bool SaveToStream(TStream* Stream);
  bool LoadFromStream(TStream* Stream);
  // Why the last load failed, in words for a person; empty after a load that succeeded.
  AnsiString LoadError() const { return FLoadError; }
  // Why the last save failed (empty after a success): a name too long for the file, or what the file
  // system said ("Cannot write file ... No space left on device").
  AnsiString SaveError() const { return FSaveError; }
  // Writes the scene as glTF 2.0 by the name's extension: NAME.gltf with NAME.bin beside it, or one NAME.glb.
  // Each file is replaced only once written whole. False with the reason in SaveError().
  bool ExportGltf(AnsiString FileName);

  // Reads a model file (OBJ, STL, PLY, glTF and the other formats the Open Asset Import Library reads)
  // into a new group under Parent (the root when null): its nodes as groups, its meshes as mesh parts
  // with their materials, its textures in free slots. Null with LoadError() saying why, the scene
  // unchanged; ImportWarnings() lists what was left out (textures without a slot or a decoder).
  TPart* ImportModel(AnsiString FileName, TPart* Parent);
  AnsiString ImportWarnings() const { return FImportWarnings; }
  // Models with more triangles are refused before they are converted (default 50 million).
  void SetImportTriangleBudget(long long Value);
  long long ImportTriangleBudget() const { return FImportTriangleBudget; }

  // The innermost part drawn at a client pixel (a call part itself, not what it calls), or null.
  // Uses the viewport's own context; the picture and the GL state are left as they were.
  TPart* PartAt(int X, int Y);
  // The display names from the root down to part, joined by "/"; empty for null.
  static AnsiString PartPath(TPart* part);
  // World-space boxes of the whole scene and of one part with its subtree (Empty when nothing is drawn).
  TBounds SceneBounds();
  TBounds PartBounds(TPart* part);
  // Renders what the viewport shows into a bitmap of its size, or a PNG file; false without a context.
  bool SnapshotTo(TBitmap* Bitmap);
  bool SaveSnapshot(AnsiString FileName);
  // A white point light at the eye, for scenes that carry no light of their own. Off by default.
  // It takes the last GL light that no enabled slot uses, and follows the camera.
  bool Headlight() const { return FHeadlight; }
  void SetHeadlight(bool Value);

  // lmScene (the default) compiles the whole tree into one list at every change; lmPerPart keeps a
  // list per part and recompiles only what changed, with quadric geometry shared between parts.
  // Both run the same GL commands when a frame is drawn.
  TListMode ListMode() const { return FListMode; }
  void SetListMode(TListMode Value);
  // Shared quadric geometry lists alive in this viewport's context (per-part mode).
  int SharedGeometryCount() const;
  // Per part, a frame skips the groups and parts whose boxes lie outside the view (clip planes are not
  // counted, so they never make it skip more); the picture is the same. On by default; the
  // whole-scene mode ignores it.
  bool Culling() const { return FCulling; }
  void SetCulling(bool Value);
  // Of the last per-part frame: the parts it drew, and the parts and groups it left out whole.
  int PartsDrawn() const { return FPartsDrawn; }
  int PartsCulled() const { return FPartsCulled; }
  // Off (the default): a change reaches the screen through the two 10 ms timers. On: the changes of
  // one pass of the application's loop are rebuilt once and drawn at the end of that pass.
  bool PromptRefresh() const { return FPromptRefresh; }
  void SetPromptRefresh(bool Value);

  TCanvas* GetCanvas() { return FCanvas; }
  intptr_t GetResourceContext() const { return reinterpret_cast<intptr_t>(FResourceContext); }
  // The context as display lists remember it; its Context is null until Loaded and after destruction.
  const std::shared_ptr<TContextHandle>& ContextHandle() const { return FContext; }
  // The context as parts compile into it: null unless it is the current one.
  std::shared_ptr<TPartListContext> CurrentListContext() override;

  TNotifyEvent OnListChanged, OnFrame, OnPaint, OnInitRC, OnSetProjection, OnAfterPaint, OnBeforePaint;

  // Converts a bitmap to the bottom-up RGBA bytes that are uploaded (W x H x 4).
  static std::vector<uint8_t> BitmapToRGBA(TBitmap* bitmap);

protected:
  void CreateParams(TCreateParams& Params) override;
  // A window made again (under a new parent) gets the pixel format and surface that the context needs.
  void CreateHandle() override;
  void PaintWindow(HDC DC) override;
  void setupPixelFormat(HDC dc);
  void defaultInitRC();
  // Sends the clear colour, the lights and the texture slots' parameters stored so far.
  void SendStoredSettings();
  // Binds each slot's name once, so that the names are in use in our context and glGenTextures skips
  // them, and sends the slot's parameters.
  void ReserveTextureSlots();
  void WMPaint(TWMPaint& Message);
  void WMSize(TWMSize& Message);
  // Inserts like AddObject; false when the part is refused.
  bool InsertPart(TPart* where, TPart* part);
  bool SaveDocument(TSceneFile& File);
  void SaveRoot(TSceneFile& File);
  // Sends a bitmap into the slot's texture; the context must be current.
  void UploadTexture(int index, TBitmap* bitmap);
  // Leaves the slot's texture without an image, under the same name and with its parameters.
  void ClearTexture(int index);
  // The slot's five parameters to the bound texture and the texture unit.
  void SendTextureParams(int index);
  // Uploads what SetTexture kept while there was no context.
  void UploadPendingTextures();
  // Releases the lists and textures in this viewport's own context, then the context.
  void ReleaseContext();
  // What a load reads, kept apart until the whole file has been read.
  struct TSceneDocument;
  bool LoadDocument(TSceneFile& File);
  bool ReadDocument(TSceneFile& File, TSceneDocument& Doc);
  void TakeDocument(TSceneDocument& Doc);
  void ApplyLoadedView();
  // One frame's drawing into the back buffer: clear, events, scene; no swap.
  void DrawFrame();
  void ApplyHeadlight();
  // The per-part mode's rebuild: compiles the stale lists only.
  void UpdatePartLists();
  // The per-part frame: walks the groups, skipping what lies outside the view when culling.
  void DrawPartsWalk();
  // A pick's drawing per part: only what meets the picked pixel's ray, each part named.
  void PickPartsWalk();
  // The model rebuild itself (both modes); false while there is no context.
  bool RebuildModel();
  // Prompt refresh: at the end of a pass of the loop, the rebuild and the repaint that are due.
  void PassEnded(TObject* Sender);
  // Reads the back buffer (bottom row first); false without a context.
  bool ReadFrame(std::vector<uint8_t>& rgba, int& width, int& height);

  // Fields, in declaration order.
  HGLRC FResourceContext = nullptr;
  TTimer* FModelTimer = nullptr;
  TTimer* FRefreshTimer = nullptr;
  TLuce* FLights[LIGHT_SLOTS] = {};
  TPart* FSuggestedSelection = nullptr;
  float FFps = 0;
  bool FAnimation = false;
  bool FProjectionOrtho = false;
  float FProjectionWidth = 1, FProjectionHeight = 1, FProjectionNear = 1, FProjectionFar = 10, FProjectionYAngle = 90;
  T3DVector* FEyePosition = nullptr;
  T3DVector* FEyeTarget = nullptr;
  T3DVector* FEyeUp = nullptr;
  TControlCanvas* FCanvas = nullptr;
  TColorVector* FClearColor = nullptr;
  int64_t FCounterFrequency = 0;
  int64_t FLastFrameCount = 0;
  TPicture* FPictures[TEXTURE_SLOTS] = {};
  unsigned FTextureNames[TEXTURE_SLOTS] = {};
  int FTextureParams[TEXTURE_SLOTS][TEXTURE_PARAMS] = {};
  TPartGroup* FRoot = nullptr;
  TListMode FListMode = lmScene;
  bool FHeadlight = false;
  int FHeadlightLight = -1;  // the GL light index the headlight took at the last frame
  AnsiString FImportWarnings;
  long long FImportTriangleBudget = 50000000LL;
  // Several viewports may share a thread: every GL call goes through a scope on this handle.
  std::shared_ptr<TContextHandle> FContext;
  // Pictures given to SetTexture before the context existed, uploaded by Loaded.
  TBitmap* FPendingTextures[TEXTURE_SLOTS] = {};
  // A model rebuild that came before the context: Loaded schedules it again.
  bool FModelPending = false;
  AnsiString FLoadError;
  AnsiString FSaveError;
  bool FCulling = true;
  int FPartsDrawn = 0;
  int FPartsCulled = 0;
  bool FPromptRefresh = false;
  bool FModelDue = false;
  bool FPaintDue = false;
};
