// Saving and loading the whole viewport as a scene file.
#include <cstdio>
#include <memory>
#include <string>
#include <unistd.h>

#include "files/files.h"
#include "opengl/luce.h"
#include "opengl/opengl.h"
#include "parts/parts.h"

namespace {
// The part of a save that lives in the temporary file; the target is replaced only on success.
bool WriteDocument(TSceneFile& file, TOpenGl* gl, bool animation, const float* projection, TPartGroup* root,
                   TLuce* const* lights, TPicture* const* pictures, const int (*params)[TEXTURE_PARAMS]) {
  file.WriteInt(animation ? 1 : 0);
  file.WriteInt(projection[0] != 0 ? 1 : 0);
  for (int i = 1; i <= 5; ++i) file.WriteFloat(projection[i]);
  gl->EyePosition()->SaveTo(file);
  gl->EyeTarget()->SaveTo(file);
  gl->EyeUp()->SaveTo(file);
  gl->ClearColor()->SaveTo(file);
  root->SaveTo(file);
  for (int i = 0; i < LIGHT_SLOTS; ++i) lights[i]->SaveTo(file);
  TMemoryStream scratch;
  for (int i = 0; i < TEXTURE_SLOTS; ++i) {
    TGraphic* g = pictures[i]->Graphic();
    if (g) {
      scratch.Clear();
      g->SaveToStream(&scratch);
      // An image the reader could not take back is a failed save, not a corrupt file.
      if (scratch.Size() > INT32_MAX) {
        file.WriteInt(0);
        return false;
      }
      if (file.WriteInt(static_cast<int>(scratch.Size())) && file.IsOk()) file.Stream()->CopyFrom(&scratch, 0);
    } else {
      file.WriteInt(0);
    }
    for (int p = 0; p < TEXTURE_PARAMS; ++p) file.WriteInt(params[i][p]);
  }
  return file.IsOk();
}
}  // namespace

bool TOpenGl::SaveTo(AnsiString FileName) {
  // Write beside the target and rename over it only when everything reached the disk,
  // so a failed save never destroys the previous file.
  std::string target = FileName.str();
  std::string temp = target + ".saving~";
  bool ok = false;
  {
    const float projection[6] = {FProjectionOrtho ? 1.0f : 0.0f, FProjectionWidth, FProjectionHeight,
                                 FProjectionNear, FProjectionFar, FProjectionYAngle};
    TSceneFile file(AnsiString(temp), true, SCENE_FILE_VERSION);
    try {
      ok = WriteDocument(file, this, FAnimation, projection, FRoot, FLights, FPictures, FTextureParams);
      ok = file.Flush() && ok;
    } catch (...) {
      std::remove(temp.c_str());
      throw;
    }
  }
  if (ok && std::rename(temp.c_str(), target.c_str()) == 0) return true;
  std::remove(temp.c_str());
  return false;
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
  const float projection[6] = {FProjectionOrtho ? 1.0f : 0.0f, FProjectionWidth, FProjectionHeight,
                               FProjectionNear, FProjectionFar, FProjectionYAngle};
  TSceneFile file(Stream, true, SCENE_FILE_VERSION);
  return WriteDocument(file, this, FAnimation, projection, FRoot, FLights, FPictures, FTextureParams);
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
      if (!file.ReadInt(4, &size, 0)) size = 0;
      if (size != 0) {
        // An image larger than what is left of the file, or of negative size, cannot be there.
        if (size < 0 || size > file.Remaining()) {
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
  RefreshModel(this);
  OnListChanged(this);
  return file.IsOk() && texturesOk;
}
