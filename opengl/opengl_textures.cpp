// The viewport's twenty texture slots: pictures, texture names, parameters, uploads and binding.
#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>
#include <cstdint>

#include "opengl/context_scope.h"
#include "opengl/opengl.h"

namespace {
bool InSlot(int index) { return index >= 0 && index < TEXTURE_SLOTS; }

// Nearest-sample copy of a w x h RGBA image at nw x nh, with the spare row GLU's scaler reads into.
std::vector<uint8_t> ScaleRGBA(const std::vector<uint8_t>& rgba, int w, int h, int nw, int nh) {
  std::vector<uint8_t> out(static_cast<size_t>(nw) * nh * 4 + static_cast<size_t>(nw) * 4 + 16, 0);
  for (int y = 0; y < nh; ++y) {
    const size_t sy = static_cast<size_t>(static_cast<uint64_t>(y) * h / nh);
    for (int x = 0; x < nw; ++x) {
      const size_t sx = static_cast<size_t>(static_cast<uint64_t>(x) * w / nw);
      const uint8_t* src = &rgba[(sy * w + sx) * 4];
      std::copy(src, src + 4, &out[(static_cast<size_t>(y) * nw + x) * 4]);
    }
  }
  return out;
}

// Builds the mipmaps of a w x h RGBA image in the current context. A side beyond GL_MAX_TEXTURE_SIZE is
// scaled down to it first: NOTE: GLU probes such sizes with proxy textures, and the driver can fail
// inside that probe instead of refusing the size.
void BuildMipmaps(std::vector<uint8_t>& rgba, int w, int h) {
  GLint max = 0;
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &max);
  if (max > 0 && (w > max || h > max)) {
    const int nw = std::min(w, static_cast<int>(max)), nh = std::min(h, static_cast<int>(max));
    rgba = ScaleRGBA(rgba, w, h, nw, nh);
    w = nw;
    h = nh;
  }
  gluBuild2DMipmaps(GL_TEXTURE_2D, 3, w, h, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
}
}  // namespace

unsigned TOpenGl::TextureName(int index) const { return InSlot(index) ? FTextureNames[index] : 0; }

TPicture* TOpenGl::GetPicture(int index) { return InSlot(index) ? FPictures[index] : nullptr; }

void TOpenGl::SetPicture(int index, TPicture* picture) {
  if (!InSlot(index)) return;
  // A bitmap without pixels would be saved as an image no reader takes back: it empties the slot.
  TGraphic* graphic = picture ? picture->Graphic() : nullptr;
  if (!graphic || graphic->Empty()) {
    FPictures[index]->Assign(nullptr);
    ClearTexture(index);
    return;
  }
  FPictures[index]->Assign(picture);
  SetTexture(index, FPictures[index]->Bitmap());
}

std::vector<uint8_t> TOpenGl::BitmapToRGBA(TBitmap* bitmap) {
  std::vector<uint8_t> buffer;
  if (!bitmap) return buffer;
  const int w = bitmap->Width(), h = bitmap->Height();
  if (w <= 0 || h <= 0) return buffer;
  buffer.resize(static_cast<size_t>(w) * h * 4);
  TCanvas* canvas = bitmap->Canvas();
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      TColor c = canvas->GetPixel(x, y);
      // The bitmap's top row becomes the texture's last: GL textures start at the lower left.
      uint8_t* p = &buffer[(static_cast<size_t>(h - 1 - y) * w + x) * 4];
      p[0] = c & 0xFF;
      p[1] = (c >> 8) & 0xFF;
      p[2] = (c >> 16) & 0xFF;
      p[3] = 255;
    }
  }
  return buffer;
}

unsigned TOpenGl::SetTexture(int index, TBitmap* bitmap) {
  if (!InSlot(index)) return 0;
  TContextScope scope(FContext.get());
  if (scope.Active()) {
    UploadTexture(index, bitmap);
    return FTextureNames[index];
  }
  // Names are alike in every context: without our own, keep the picture for Loaded.
  delete FPendingTextures[index];
  FPendingTextures[index] = nullptr;
  if (bitmap) {
    FPendingTextures[index] = new TBitmap;
    FPendingTextures[index]->Assign(bitmap);
  }
  return FTextureNames[index];
}

void TOpenGl::UploadPendingTextures() {
  for (int i = 0; i < TEXTURE_SLOTS; ++i) {
    TBitmap* pending = FPendingTextures[i];
    if (!pending) continue;
    FPendingTextures[i] = nullptr;
    SetTexture(i, pending);
    delete pending;
  }
}

void TOpenGl::UploadTexture(int index, TBitmap* bitmap) {
  glBindTexture(GL_TEXTURE_2D, FTextureNames[index]);
  SendTextureParams(index);
  Refresh(this);
  std::vector<uint8_t> buffer = BitmapToRGBA(bitmap);
  // NOTE: GLU's scaler reads a few bytes past the last row for sides that are not powers of two;
  // a spare row keeps that read inside the buffer.
  if (!buffer.empty()) buffer.resize(buffer.size() + static_cast<size_t>(bitmap->Width()) * 4 + 16, 0);
  // NOTE: GLU reads the GL version string and crashes when no context is current.
  if (!buffer.empty() && wglGetCurrentContext())
    BuildMipmaps(buffer, bitmap->Width(), bitmap->Height());
  // Texturing is switched on by the parts that use a slot, not by an upload.
  glBindTexture(GL_TEXTURE_2D, 0);
}

void TOpenGl::ClearTexture(int index) {
  delete FPendingTextures[index];
  FPendingTextures[index] = nullptr;
  TContextScope scope(FContext.get());
  if (!scope.Active()) return;
  // A fresh texture under the old name: the lists that bind the slot stay valid and show no image.
  glDeleteTextures(1, &FTextureNames[index]);
  glBindTexture(GL_TEXTURE_2D, FTextureNames[index]);
  SendTextureParams(index);
  glBindTexture(GL_TEXTURE_2D, 0);
  Refresh(this);
}

void TOpenGl::ReserveTextureSlots() {
  for (int i = 0; i < TEXTURE_SLOTS; ++i) {
    glBindTexture(GL_TEXTURE_2D, FTextureNames[i]);
    SendTextureParams(i);
  }
  glBindTexture(GL_TEXTURE_2D, 0);
}

int TOpenGl::GetTextureMinFilter(int index) { return InSlot(index) ? FTextureParams[index][0] : 0; }
int TOpenGl::GetTextureMagFilter(int index) { return InSlot(index) ? FTextureParams[index][1] : 0; }
int TOpenGl::GetTextureWrapS(int index) { return InSlot(index) ? FTextureParams[index][2] : 0; }
int TOpenGl::GetTextureWrapT(int index) { return InSlot(index) ? FTextureParams[index][3] : 0; }
int TOpenGl::GetTextureEnvMode(int index) { return InSlot(index) ? FTextureParams[index][4] : 0; }

void TOpenGl::SetTextureMinFilter(int index, int value) {
  if (!InSlot(index)) return;
  FTextureParams[index][0] = value;
  UpdateTextureParams(index);
}

void TOpenGl::SetTextureMagFilter(int index, int value) {
  if (!InSlot(index)) return;
  FTextureParams[index][1] = value;
  UpdateTextureParams(index);
}

void TOpenGl::SetTextureWrapS(int index, int value) {
  if (!InSlot(index)) return;
  FTextureParams[index][2] = value;
  UpdateTextureParams(index);
}

void TOpenGl::SetTextureWrapT(int index, int value) {
  if (!InSlot(index)) return;
  FTextureParams[index][3] = value;
  UpdateTextureParams(index);
}

void TOpenGl::SetTextureEnvMode(int index, int value) {
  if (!InSlot(index)) return;
  const bool changed = FTextureParams[index][4] != value;
  FTextureParams[index][4] = value;
  UpdateTextureParams(index);
  if (!changed) return;
  // Lists hold the mode with each binding of the slot: they are compiled again. Per part, only
  // stale lists would be.
  if (FListMode == lmPerPart) {
    TContextScope scope(FContext.get());
    if (scope.Active()) FRoot->BuildList(BUILDLIST_DELETE);
  }
  RefreshModel(this);
}

// To the texture bound now.
void TOpenGl::SendTextureParams(int index) {
  const int* p = FTextureParams[index];
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, p[0]);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, p[1]);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, p[2]);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, p[3]);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, p[4]);
}

void TOpenGl::UpdateTextureParams(int index) {
  if (!InSlot(index)) return;
  TContextScope scope(FContext.get());
  // Without the context the values wait in the slot; the upload sends them.
  if (scope.Active()) {
    glBindTexture(GL_TEXTURE_2D, FTextureNames[index]);
    SendTextureParams(index);
    // Left bound, the slot would show on a part drawn first with texture -1.
    glBindTexture(GL_TEXTURE_2D, 0);
  }
  Refresh(this);
}

void TOpenGl::BindTexture(int index) {
  if (InSlot(index)) {
    glBindTexture(GL_TEXTURE_2D, FTextureNames[index]);
    // The mode belongs to the texture unit, not to the texture: each slot brings its own.
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, FTextureParams[index][4]);
    glEnable(GL_TEXTURE_2D);
  } else if (index != -1) {
    glDisable(GL_TEXTURE_2D);
  }
}
