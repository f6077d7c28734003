// What hosts ask of the picture: the part at a pixel, scene bounds, snapshots and the headlight.
#include <GL/gl.h>
#include <GL/glu.h>

#include <vector>

#include "framework/graphics/screenshot.h"
#include "opengl/context_scope.h"
#include "opengl/luce.h"
#include "opengl/opengl.h"
#include "parts/parts.h"

namespace {

// Selection hits: count, depth range, names. Returns the name of the nearest hit, 0 for none.
GLuint NearestHit(const std::vector<GLuint>& buffer, GLint hits) {
  GLuint best = 0, bestDepth = 0;
  size_t at = 0;
  for (GLint h = 0; h < hits && at + 3 <= buffer.size(); ++h) {
    GLuint names = buffer[at], zmin = buffer[at + 1];
    size_t next = at + 3 + names;
    if (next > buffer.size()) break;
    if (names > 0 && buffer[next - 1] != 0 && (best == 0 || zmin < bestDepth)) {
      best = buffer[next - 1];
      bestDepth = zmin;
    }
    at = next;
  }
  return best;
}

}  // namespace

TPart* TOpenGl::PartAt(int X, int Y) {
  if (X < 0 || Y < 0 || X >= Width() || Y >= Height()) return nullptr;
  TContextScope scope(FContext.get());
  if (!scope.Active()) return nullptr;
  GLint viewport[4];
  glGetIntegerv(GL_VIEWPORT, viewport);
  GLdouble projection[16];
  glGetDoublev(GL_PROJECTION_MATRIX, projection);
  GLint matrixMode = GL_MODELVIEW;
  glGetIntegerv(GL_MATRIX_MODE, &matrixMode);

  std::vector<TPart*> names;
  std::vector<GLuint> buffer(4096);
  GLint hits = -1;
  // A buffer too small for the hits reports overflow: grow it and draw again.
  for (int attempt = 0; attempt < 12 && hits < 0; ++attempt, buffer.resize(buffer.size() * 4)) {
    names.clear();
    glSelectBuffer(static_cast<GLsizei>(buffer.size()), buffer.data());
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    // Window rows run downwards, GL's upwards; the pick region is the pixel's own square.
    gluPickMatrix(X + 0.5, viewport[1] + viewport[3] - Y - 0.5, 1, 1, viewport);
    glMultMatrixd(projection);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glRenderMode(GL_SELECT);
    glInitNames();
    glPushName(0);
    TPartPickNames::Active = &names;
    // What a frame draws, host events included: a host that moves or draws the scene there picks
    // what it shows. Lists are painted instead of called while names are active.
    OnBeforePaint(this);
    if (OnPaint.Assigned())
      OnPaint(this);
    else if (FListMode == lmPerPart)
      PickPartsWalk();
    else
      FRoot->Paint();
    TPartPickNames::Active = nullptr;
    hits = glRenderMode(GL_RENDER);
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glPopAttrib();
    glMatrixMode(matrixMode);
  }
  if (hits <= 0) return nullptr;
  GLuint name = NearestHit(buffer, hits);
  return name >= 1 && name <= names.size() ? names[name - 1] : nullptr;
}

AnsiString TOpenGl::PartPath(TPart* part) {
  if (!part) return AnsiString();
  std::vector<TPart*> chain;
  // The holding groups: a parent link that a caller cleared or pointed elsewhere does not move a part.
  for (TPart* p = part; p && chain.size() <= 100000; p = p->Holder()) chain.push_back(p);
  AnsiString path;
  for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
    if (!path.IsEmpty()) path += "/";
    path += (*it)->GetName();
  }
  return path;
}

TBounds TOpenGl::SceneBounds() { return PartWorldBounds(FRoot); }

TBounds TOpenGl::PartBounds(TPart* part) { return PartWorldBounds(part); }

bool TOpenGl::ReadFrame(std::vector<uint8_t>& rgba, int& width, int& height) {
  if (Width() <= 0 || Height() <= 0) return false;
  TContextScope scope(FContext.get());
  if (!scope.Active()) return false;
  // The back buffer holds the frame until a swap: drawing there leaves the shown picture alone.
  const TLiveness alive = Liveness();
  DrawFrame();
  if (!alive) return false;
  glFinish();
  GLint viewport[4];
  glGetIntegerv(GL_VIEWPORT, viewport);
  width = viewport[2];
  height = viewport[3];
  if (width <= 0 || height <= 0) return false;
  rgba.assign(static_cast<size_t>(width) * height * 4, 0);
  glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadBuffer(GL_BACK);
  glReadPixels(viewport[0], viewport[1], width, height, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
  glPopClientAttrib();
  return true;
}

bool TOpenGl::SnapshotTo(TBitmap* Bitmap) {
  std::vector<uint8_t> rgba;
  int w = 0, h = 0;
  if (!Bitmap || !ReadFrame(rgba, w, h)) return false;
  Bitmap->SetSize(w, h);
  for (int y = 0; y < h; ++y) {
    const uint8_t* row = &rgba[static_cast<size_t>(h - 1 - y) * w * 4];
    for (int x = 0; x < w; ++x)
      Bitmap->SetPixel(x, y, TColor(row[x * 4]) | (TColor(row[x * 4 + 1]) << 8) | (TColor(row[x * 4 + 2]) << 16));
  }
  return true;
}

bool TOpenGl::SaveSnapshot(AnsiString FileName) {
  std::vector<uint8_t> rgba;
  int w = 0, h = 0;
  if (FileName.IsEmpty() || !ReadFrame(rgba, w, h)) return false;
  return WritePng(FileName.c_str(), w, h, rgba);
}

void TOpenGl::SetHeadlight(bool Value) {
  if (Value == FHeadlight) return;
  FHeadlight = Value;
  // Off: the slots' own state goes back to GL (the headlight may have borrowed a disabled slot's light).
  if (!Value) SetLuci(this);
  FHeadlightLight = -1;
  Refresh(this);
}

void TOpenGl::ApplyHeadlight() {
  GLint maxLights = 8;
  glGetIntegerv(GL_MAX_LIGHTS, &maxLights);
  int index = -1;
  for (int i = maxLights - 1; i >= 0 && index < 0; --i)
    if (i >= LIGHT_SLOTS || !FLights[i]->Enabled) index = i;
  if (index != FHeadlightLight && FHeadlightLight >= 0 && FHeadlightLight < LIGHT_SLOTS &&
      !FLights[FHeadlightLight]->Enabled)
    glDisable(GL_LIGHT0 + FHeadlightLight);
  FHeadlightLight = index;
  if (index < 0) return;
  const GLenum light = GL_LIGHT0 + index;
  // The model-view matrix is the identity here, so the eye's world position places the light.
  const GLfloat position[4] = {FEyePosition->GetX(), FEyePosition->GetY(), FEyePosition->GetZ(), 1};
  const GLfloat black[4] = {0, 0, 0, 1}, white[4] = {1, 1, 1, 1}, down[3] = {0, 0, -1};
  glLightfv(light, GL_POSITION, position);
  glLightfv(light, GL_AMBIENT, black);
  glLightfv(light, GL_DIFFUSE, white);
  glLightfv(light, GL_SPECULAR, white);
  glLightfv(light, GL_SPOT_DIRECTION, down);
  glLightf(light, GL_SPOT_EXPONENT, 0);
  glLightf(light, GL_SPOT_CUTOFF, 180);
  glLightf(light, GL_CONSTANT_ATTENUATION, 1);
  glLightf(light, GL_LINEAR_ATTENUATION, 0);
  glLightf(light, GL_QUADRATIC_ATTENUATION, 0);
  glEnable(light);
}
