// Saving and loading the whole viewport as a scene file.
#include <GL/gl.h>

#include <cstdint>
#include <memory>

#include "files/files.h"
#include "opengl/context_scope.h"
#include "framework/core/safe_save.h"
#include "opengl/luce.h"
#include "opengl/opengl.h"
#include "parts/parts.h"

// The document in the order readers expect it; the image bytes go through the stream directly.
bool TOpenGl::SaveDocument(TSceneFile& file) {
  file.WriteInt(FAnimation ? 1 : 0);
  file.WriteInt(FProjectionOrtho ? 1 : 0);
  file.WriteFloat(FProjectionWidth);
  file.WriteFloat(FProjectionHeight);
  file.WriteFloat(FProjectionNear);
  file.WriteFloat(FProjectionFar);
  file.WriteFloat(FProjectionYAngle);
  FEyePosition->SaveTo(file);
  FEyeTarget->SaveTo(file);
  FEyeUp->SaveTo(file);
  FClearColor->SaveTo(file);
  FRoot->SaveTo(file);
  for (TLuce* light : FLights) light->SaveTo(file);
  TMemoryStream scratch;
  for (int i = 0; i < TEXTURE_SLOTS; ++i) {
    TGraphic* g = FPictures[i]->Graphic();
    if (g) {
      scratch.Clear();
      g->SaveToStream(&scratch);
      // An image the reader could not take back is a failed save, not a corrupt file.
      if (scratch.Size() > INT32_MAX) return false;
      if (file.WriteInt(static_cast<int>(scratch.Size())) && file.IsOk()) file.Stream()->CopyFrom(&scratch, 0);
    } else {
      file.WriteInt(0);
    }
    for (int p = 0; p < TEXTURE_PARAMS; ++p) file.WriteInt(FTextureParams[i][p]);
  }
  return file.IsOk();
}

// The previous file survives a failed save wherever it can be replaced rather than written in place.
bool TOpenGl::SaveTo(AnsiString FileName) {
  TSafeSave save(FileName);
  bool ok = false;
  {
    TSceneFile file(save.Stream(), true, SCENE_FILE_VERSION);
    ok = SaveDocument(file);
  }
  return ok && save.Commit();
}

bool TOpenGl::LoadFrom(AnsiString FileName) {
  TSceneFile file(FileName, false, 0);
  return LoadDocument(file);
}

bool TOpenGl::LoadFromStream(TStream* Stream) {
  TSceneFile file(Stream, false, 0);
  return LoadDocument(file);
}

bool TOpenGl::SaveToStream(TStream* Stream) {
  TSceneFile file(Stream, true, SCENE_FILE_VERSION);
  return SaveDocument(file);
}

bool TOpenGl::LoadDocument(TSceneFile& file) {
  int flag = 0;
  FAnimation = file.ReadInt(0, &flag, 0) && flag == 1;
  flag = 0;
  FProjectionOrtho = file.ReadInt(0, &flag, 0) && flag == 1;
  file.ReadFloat(0, &FProjectionWidth, 1.0f);
  file.ReadFloat(0, &FProjectionHeight, 1.0f);
  file.ReadFloat(0, &FProjectionNear, 1.0f);
  file.ReadFloat(0, &FProjectionFar, 10.0f);
  file.ReadFloat(0, &FProjectionYAngle, 90.0f);
  FEyePosition->LoadFrom(0, file, 0, 0, 0, 0);
  FEyeTarget->LoadFrom(0, file, 0, 0, 0, 0);
  FEyeUp->LoadFrom(0, file, 0, 0, 0, 0);
  FClearColor->LoadFrom(2, file, 0, 0, 0, 0);

  // The detached tree and a replaced interim root belong to nobody else: they go when the load ends,
  // also when an image exception leaves it.
  std::unique_ptr<TPart> oldTree(FRoot);
  DeleteObject(FRoot);
  OnListChanged(this);
  std::unique_ptr<TPart> interim;
  TPart* top = TPart::Load(file, this);
  auto* group = dynamic_cast<TPartGroup*>(top);
  if (group && group->Name == "__ROOT__") {
    interim.reset(FRoot);
    FRoot = group;
  } else {
    delete top;
  }
  FRoot->OnChange = MakeEvent(this, &TOpenGl::RefreshModel);
  oldTree.reset();
  interim.reset();

  for (int i = 0; i < LIGHT_SLOTS; ++i) FLights[i]->LoadFrom(file);
  SetLuci(this);

  bool texturesOk = true;
  if (file.GetVersion() >= 4) {
    TMemoryStream scratch;
    for (int i = 0; i < TEXTURE_SLOTS; ++i) {
      int size = 0;
      // A negative size stores no image, like 0: the slot's parameters and the later slots still follow.
      if (!file.ReadInt(4, &size, 0) || size < 0) size = 0;
      if (size != 0) {
        // An image larger than what is left of the file cannot be there.
        if (size > file.Remaining()) {
          texturesOk = false;
          break;
        }
        scratch.Clear();
        scratch.CopyFrom(file.Stream(), size);
        scratch.SetPosition(0);
        TBitmap* bitmap = FPictures[i]->Bitmap();
        bitmap->LoadFromStream(&scratch);
        SetTexture(i, bitmap);
      }
      for (int p = 0; p < TEXTURE_PARAMS; ++p) file.ReadInt(4, &FTextureParams[i][p], FTextureParams[i][p]);
    }
  }
  ApplyLoadedView();
  RefreshModel(this);
  OnListChanged(this);
  return file.IsOk() && texturesOk;
}

// A freshly loaded scene shows with its own camera, clear colour and filters from the first frame.
void TOpenGl::ApplyLoadedView() {
  SetProjection();
  for (int i = 0; i < TEXTURE_SLOTS; ++i) UpdateTextureParams(i);
  TContextScope scope(FContext.get());
  // Without a context the values wait for Loaded, as for every setter.
  if (scope.Active())
    glClearColor(FClearColor->GetR(), FClearColor->GetG(), FClearColor->GetB(), FClearColor->GetA());
  Refresh(this);
}
