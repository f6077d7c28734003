// Saving and loading the whole viewport as a scene file.
#include <GL/gl.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

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
  SaveRoot(file);
  for (TLuce* light : FLights) light->SaveTo(file);
  TMemoryStream scratch;
  for (int i = 0; i < TEXTURE_SLOTS; ++i) {
    TGraphic* g = FPictures[i]->Graphic();
    // A picture without pixels (a failed decode into the slot's own bitmap) is stored as no image.
    if (g && !g->Empty()) {
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

// Readers take the top group as the scene only under the root's own name: a root the host renamed
// is written under it, so its tree loads back. Its name here stays the host's.
void TOpenGl::SaveRoot(TSceneFile& file) {
  struct NameKept {
    TPart* part;
    AnsiString name;
    ~NameKept() { part->Name = name; }
  } kept{FRoot, FRoot->Name};
  FRoot->Name = "__ROOT__";
  FRoot->SaveTo(file);
}

// Scenes without newer kinds stay at the version older readers take; a mesh anywhere makes it 5.
static int FileVersionFor(TPartGroup* root) {
  int version = SCENE_FILE_VERSION;
  std::vector<TPart*> open{root};
  while (!open.empty()) {
    TPart* p = open.back();
    open.pop_back();
    version = std::max(version, p->PartClass().Version());
    if (auto* g = dynamic_cast<TPartGroup*>(p))
      for (int i = 0; i < g->Count(); ++i) open.push_back(g->Part(i));
  }
  return version;
}

// The previous file survives a failed save wherever it can be replaced rather than written in place.
// Why a document could not be written, in words a person can act on.
static AnsiString WriteFaultText(const TSceneFile& file) {
  if (file.Fault() == sfTooLong)
    return Format("a part's name is longer than the %d bytes a scene file holds", SCENE_STRING_MAX);
  return "the scene could not be written";
}

bool TOpenGl::SaveTo(AnsiString FileName) {
  TSafeSave save(FileName);
  FSaveError = AnsiString();
  bool written = false;
  TSceneFault fault = sfNone;
  {
    TSceneFile file(save.Stream(), true, FileVersionFor(FRoot));
    written = SaveDocument(file);
    fault = file.Fault();
    if (!written) FSaveError = WriteFaultText(file);
  }
  if (!written) {
    // A write the file system refused: the failed commit gives its words and takes the partial file away.
    if (fault != sfTooLong && !save.Commit() && !save.Error().IsEmpty()) FSaveError = save.Error();
    return false;
  }
  // The old file stays whole when the new one cannot be put in its place.
  if (!save.Commit()) {
    FSaveError = save.Error();
    return false;
  }
  return true;
}

bool TOpenGl::LoadFrom(AnsiString FileName) {
  std::unique_ptr<TSceneFile> file;
  // A file that cannot be opened raises as the platform does; the host may still ask why.
  try {
    file.reset(new TSceneFile(FileName, false, 0));
  } catch (const Exception& e) {
    FLoadError = e.what();
    throw;
  }
  return LoadDocument(*file);
}

bool TOpenGl::LoadFromStream(TStream* Stream) {
  TSceneFile file(Stream, false, 0);
  return LoadDocument(file);
}

bool TOpenGl::SaveToStream(TStream* Stream) {
  TSceneFile file(Stream, true, FileVersionFor(FRoot));
  FSaveError = AnsiString();
  if (SaveDocument(file)) return true;
  FSaveError = WriteFaultText(file);
  return false;
}

// Everything a load writes into the viewport. Pictures hold only the slots that store an image.
struct TOpenGl::TSceneDocument {
  bool Animation = false, ProjectionOrtho = false;
  float ProjectionWidth = 1, ProjectionHeight = 1, ProjectionNear = 1, ProjectionFar = 10, ProjectionYAngle = 90;
  T3DVector EyePosition, EyeTarget, EyeUp;
  TColorVector ClearColor;
  // Null when the top record is no scene root: an empty root stands in.
  std::unique_ptr<TPartGroup> Root;
  TLuce Lights[LIGHT_SLOTS];
  bool HasTextures = false;
  std::unique_ptr<TBitmap> Pictures[TEXTURE_SLOTS];
  int TextureParams[TEXTURE_SLOTS][TEXTURE_PARAMS] = {};
};

namespace {

// Headers above the versions we know but below this read as a later format, not as foreign bytes.
const int kLikelyVersions = 0x10000;

AnsiString FaultText(const TSceneFile& file) {
  switch (file.Fault()) {
    case sfCutShort:
      return Format("cut short at byte %jd", static_cast<intmax_t>(file.FaultOffset()));
    case sfTooDeep:
      return Format("parts nested deeper than the limit of %d groups", PART_MAX_GROUP_DEPTH);
    case sfBadMesh:
      return "a mesh's triangles name vertices it does not have";
    default:
      return "not a scene file";
  }
}

// Copies a value without its change event: a load has always stored straight into the members.
template <class T>
void AssignQuietly(T* target, T* source) {
  TNotifyEvent kept = target->OnChange;
  target->OnChange = TNotifyEvent();
  target->Assign(source);
  target->OnChange = kept;
}

}  // namespace

bool TOpenGl::LoadDocument(TSceneFile& file) {
  std::unique_ptr<TSceneDocument> doc(new TSceneDocument);
  for (int i = 0; i < TEXTURE_SLOTS; ++i)
    for (int p = 0; p < TEXTURE_PARAMS; ++p) doc->TextureParams[i][p] = FTextureParams[i][p];
  // A stream that raises (a disk read error) passes its exception on, with the reason kept for the host.
  try {
    if (!ReadDocument(file, *doc)) return false;
  } catch (const Exception& e) {
    FLoadError = e.what();
    throw;
  }
  FLoadError = AnsiString();
  TakeDocument(*doc);
  return true;
}

// Reads the whole file into doc; false with FLoadError set when it is not a complete scene.
bool TOpenGl::ReadDocument(TSceneFile& file, TSceneDocument& doc) {
  const int version = file.GetVersion();
  if (file.IsOk() && (version < 0 || version >= kLikelyVersions)) file.Fail(sfNotScene);
  if (file.IsOk() && version > SCENE_FILE_VERSION_READ) {
    FLoadError = Format("scene file version %d is newer than this program reads (0 to %d)", version,
                        SCENE_FILE_VERSION_READ);
    return false;
  }
  int flag = 0;
  doc.Animation = file.ReadInt(0, &flag, 0) && flag == 1;
  flag = 0;
  doc.ProjectionOrtho = file.ReadInt(0, &flag, 0) && flag == 1;
  file.ReadFloat(0, &doc.ProjectionWidth, 1.0f);
  file.ReadFloat(0, &doc.ProjectionHeight, 1.0f);
  file.ReadFloat(0, &doc.ProjectionNear, 1.0f);
  file.ReadFloat(0, &doc.ProjectionFar, 10.0f);
  file.ReadFloat(0, &doc.ProjectionYAngle, 90.0f);
  doc.EyePosition.LoadFrom(0, file, 0, 0, 0, 0);
  doc.EyeTarget.LoadFrom(0, file, 0, 0, 0, 0);
  doc.EyeUp.LoadFrom(0, file, 0, 0, 0, 0);
  doc.ClearColor.LoadFrom(2, file, 0, 0, 0, 0);

  std::unique_ptr<TPart> top(TPart::Load(file, this));
  auto* group = dynamic_cast<TPartGroup*>(top.get());
  if (group && group->Name == "__ROOT__") {
    top.release();
    doc.Root.reset(group);
  }
  top.reset();

  for (TLuce& light : doc.Lights) light.LoadFrom(file);

  doc.HasTextures = version >= 4;
  if (doc.HasTextures) {
    TMemoryStream scratch;
    for (int i = 0; i < TEXTURE_SLOTS && file.IsOk(); ++i) {
      int size = 0;
      // A negative size stores no image, like 0: the slot's parameters and the later slots still follow.
      if (!file.ReadInt(4, &size, 0) || size < 0) size = 0;
      if (size != 0) {
        // An image larger than what is left of the file cannot be there.
        if (size > file.Remaining()) {
          file.Fail(sfCutShort);
          break;
        }
        scratch.Clear();
        scratch.CopyFrom(file.Stream(), size);
        scratch.SetPosition(0);
        doc.Pictures[i].reset(new TBitmap);
        try {
          doc.Pictures[i]->LoadFromStream(&scratch);
        } catch (const Exception&) {
          FLoadError = Format("the picture in texture slot %d is not a valid BMP", i);
          return false;
        }
      }
      for (int p = 0; p < TEXTURE_PARAMS; ++p) file.ReadInt(4, &doc.TextureParams[i][p], doc.TextureParams[i][p]);
    }
  }
  // No writer leaves bytes after the document.
  if (file.IsOk() && file.Remaining() > 0) file.Fail(sfNotScene);
  if (!file.IsOk()) {
    FLoadError = FaultText(file);
    return false;
  }
  return true;
}

// Puts a completely read document in place, with the notifications a load has always given.
void TOpenGl::TakeDocument(TSceneDocument& doc) {
  FAnimation = doc.Animation;
  FProjectionOrtho = doc.ProjectionOrtho;
  FProjectionWidth = doc.ProjectionWidth;
  FProjectionHeight = doc.ProjectionHeight;
  FProjectionNear = doc.ProjectionNear;
  FProjectionFar = doc.ProjectionFar;
  FProjectionYAngle = doc.ProjectionYAngle;
  AssignQuietly<TFloatVector>(FEyePosition, &doc.EyePosition);
  AssignQuietly<TFloatVector>(FEyeTarget, &doc.EyeTarget);
  AssignQuietly<TFloatVector>(FEyeUp, &doc.EyeUp);
  AssignQuietly<TFloatVector>(FClearColor, &doc.ClearColor);

  // The detached tree and the interim root belong to nobody else: they go once the new root is in.
  std::unique_ptr<TPart> oldTree(FRoot);
  DeleteObject(FRoot);
  OnListChanged(this);
  std::unique_ptr<TPart> interim;
  if (doc.Root) {
    interim.reset(FRoot);
    FRoot = doc.Root.release();
  }
  FRoot->OnChange = MakeEvent(this, &TOpenGl::RefreshModel);
  oldTree.reset();
  interim.reset();

  for (int i = 0; i < LIGHT_SLOTS; ++i) AssignQuietly(FLights[i], &doc.Lights[i]);
  SetLuci(this);

  if (doc.HasTextures) {
    for (int i = 0; i < TEXTURE_SLOTS; ++i) {
      for (int p = 0; p < TEXTURE_PARAMS; ++p) FTextureParams[i][p] = doc.TextureParams[i][p];
      if (!doc.Pictures[i]) continue;
      TBitmap* bitmap = FPictures[i]->Bitmap();
      bitmap->Assign(doc.Pictures[i].get());
      SetTexture(i, bitmap);
    }
  }
  ApplyLoadedView();
  RefreshModel(this);
  OnListChanged(this);
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
