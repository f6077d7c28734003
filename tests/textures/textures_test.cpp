// Texture slots: conversion, upload, parameters read back from GL, binding, and textured drawing.
#include <GL/gl.h>

#include "opengl/opengl.h"
#include "support/viewport_fixture.h"

namespace {

struct TexturesTest : ::testing::Test {
  TOpenGl* gl = nullptr;
  void SetUp() override { gl = MakeLoadedViewport<TOpenGl>(); }
  void TearDown() override { delete gl; }
};

TEST(TextureConversion, RowsGoBottomUpWithOpaqueAlpha) {
  TBitmap wide;
  wide.SetSize(2, 1);
  wide.Canvas()->SetPixel(0, 0, clRed);
  wide.Canvas()->SetPixel(1, 0, clBlue);
  EXPECT_EQ(TOpenGl::BitmapToRGBA(&wide), (std::vector<uint8_t>{255, 0, 0, 255, 0, 0, 255, 255}));
  TBitmap tall;
  tall.SetSize(1, 2);
  tall.Canvas()->SetPixel(0, 0, clRed);
  tall.Canvas()->SetPixel(0, 1, clBlue);
  EXPECT_EQ(TOpenGl::BitmapToRGBA(&tall), (std::vector<uint8_t>{0, 0, 255, 255, 255, 0, 0, 255}));
  TBitmap empty;
  EXPECT_TRUE(TOpenGl::BitmapToRGBA(&empty).empty());
  EXPECT_TRUE(TOpenGl::BitmapToRGBA(nullptr).empty());
}

TEST_F(TexturesTest, DefaultsAndOutOfRangeIndices) {
  for (int i = 0; i < TEXTURE_SLOTS; ++i) {
    EXPECT_EQ(gl->GetTextureMinFilter(i), GL_NEAREST_MIPMAP_LINEAR);
    EXPECT_EQ(gl->GetTextureMagFilter(i), GL_NEAREST);
    EXPECT_EQ(gl->GetTextureWrapS(i), GL_REPEAT);
    EXPECT_EQ(gl->GetTextureWrapT(i), GL_REPEAT);
    EXPECT_EQ(gl->GetTextureEnvMode(i), GL_MODULATE);
    ASSERT_NE(gl->GetPicture(i), nullptr);
    EXPECT_EQ(gl->GetPicture(i)->Graphic(), nullptr);
  }
  for (int bad : {-1, 20, 25}) {
    EXPECT_EQ(gl->GetTextureMinFilter(bad), 0);
    EXPECT_EQ(gl->GetTextureEnvMode(bad), 0);
    EXPECT_EQ(gl->GetPicture(bad), nullptr);
  }
  GLint bound = -1;
  glBindTexture(GL_TEXTURE_2D, 0);
  gl->SetTextureWrapS(25, GL_CLAMP);  // ignored: nothing bound, nothing stored
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
  EXPECT_EQ(bound, 0);
  EXPECT_EQ(gl->SetTexture(-3, nullptr), 0u);
}

TEST_F(TexturesTest, ParametersReachGLForTheSlot) {
  gl->SetTextureMinFilter(4, GL_LINEAR);
  gl->SetTextureMagFilter(4, GL_LINEAR);
  gl->SetTextureWrapS(4, GL_CLAMP);
  gl->SetTextureWrapT(4, GL_CLAMP_TO_EDGE);
  gl->SetTextureEnvMode(4, GL_DECAL);
  GLint bound = -1, v = 0;
  // As after an upload, name 0 is bound again: a part drawn first with texture -1 must not show slot 4.
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
  EXPECT_EQ(bound, 0);
  glBindTexture(GL_TEXTURE_2D, gl->TextureName(4));
  glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &v);
  EXPECT_EQ(v, GL_LINEAR);
  glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &v);
  EXPECT_EQ(v, GL_LINEAR);
  glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &v);
  EXPECT_EQ(v, GL_CLAMP);
  glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, &v);
  EXPECT_EQ(v, GL_CLAMP_TO_EDGE);
  glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &v);
  EXPECT_EQ(v, GL_DECAL);
  EXPECT_EQ(gl->GetTextureWrapT(4), GL_CLAMP_TO_EDGE);
}

TEST_F(TexturesTest, ALoadWithPicturesLeavesNameZeroBound) {
  TOpenGl* source = MakeLoadedViewport<TOpenGl>();
  TPicture pic;
  pic.Bitmap()->SetSize(2, 2);
  pic.Bitmap()->Canvas()->SetPixel(0, 0, clRed);
  for (int slot : {0, 19}) source->SetPicture(slot, &pic);
  TMemoryStream doc;
  ASSERT_TRUE(source->SaveToStream(&doc));
  delete source;
  doc.SetPosition(0);
  ASSERT_TRUE(wglMakeCurrent(GetDC(gl->Handle()), reinterpret_cast<HGLRC>(gl->GetResourceContext())));
  ASSERT_TRUE(gl->LoadFromStream(&doc));
  GLint bound = -1;
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
  EXPECT_EQ(bound, 0);
}

TEST_F(TexturesTest, UploadLeavesTexturingAsItWasWithNameZeroBound) {
  TBitmap bmp;
  bmp.SetSize(2, 1);
  bmp.Canvas()->SetPixel(0, 0, clRed);
  bmp.Canvas()->SetPixel(1, 0, clBlue);
  EXPECT_EQ(gl->SetTexture(2, &bmp), gl->TextureName(2));
  GLint bound = -1;
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
  EXPECT_EQ(bound, 0);
  EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
  glBindTexture(GL_TEXTURE_2D, gl->TextureName(2));
  GLint w = 0, h = 0, fmt = 0;
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &w);
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &h);
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT, &fmt);
  EXPECT_EQ(w, 2);
  EXPECT_EQ(h, 1);
  EXPECT_TRUE(fmt == 3 || fmt == GL_RGB) << fmt;  // three components: alpha is dropped
  uint8_t texels[6] = {};
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, texels);
  EXPECT_EQ(std::vector<uint8_t>(texels, texels + 6), (std::vector<uint8_t>{255, 0, 0, 0, 0, 255}));
}

// An empty picture empties the slot: no picture to save, no image left in its texture, its name kept.
TEST_F(TexturesTest, AnEmptyPictureEmptiesTheSlot) {
  TPicture pic;
  pic.Bitmap()->SetSize(2, 2);
  TPicture empty;
  empty.Bitmap();
  gl->SetTextureWrapS(6, GL_CLAMP);
  for (TPicture* clear : {&empty, static_cast<TPicture*>(nullptr)}) {
    gl->SetPicture(6, &pic);
    gl->SetPicture(6, clear);
    EXPECT_EQ(gl->GetPicture(6)->Graphic(), nullptr);
    GLint bound = -1, w = -1, wrap = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(bound, 0);
    glBindTexture(GL_TEXTURE_2D, gl->TextureName(6));
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &w);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &wrap);
    glBindTexture(GL_TEXTURE_2D, 0);
    EXPECT_EQ(w, 0);
    EXPECT_EQ(wrap, GL_CLAMP);
    EXPECT_TRUE(glIsTexture(gl->TextureName(6)));
  }
}

TEST_F(TexturesTest, BindTextureSelectsInheritsOrDisables) {
  gl->BindTexture(7);
  GLint bound = 0;
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
  EXPECT_EQ(static_cast<unsigned>(bound), gl->TextureName(7));
  EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
  gl->BindTexture(-1);
  EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
  gl->BindTexture(-2);
  EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
  gl->BindTexture(3);
  gl->BindTexture(20);
  EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
}

// The slots' names are in use from the moment the context exists: a host's own texture gets another
// name, and its upload leaves the slots' pictures alone.
TEST(TextureNames, AHostsOwnTexturesNeverTakeASlotsName) {
  TOpenGl* gl = MakeLoadedViewport<TOpenGl>();
  GLuint mine[4] = {};
  glGenTextures(4, mine);
  for (GLuint name : mine)
    for (int slot = 0; slot < TEXTURE_SLOTS; ++slot) EXPECT_NE(name, gl->TextureName(slot)) << slot;
  EXPECT_EQ(gl->TextureName(0), 1u);  // the names themselves stay as they were
  glDeleteTextures(4, mine);
  delete gl;
}

// The environment mode belongs to the texture unit: each slot's own mode is in force where a part
// draws with it, whichever slot sent its parameters last, in both list modes and after a change.
TEST_F(TexturesTest, EachSlotDrawsWithItsOwnEnvironmentMode) {
  TBitmap white;
  white.SetSize(2, 2);
  for (int i = 0; i < 4; ++i) white.SetPixel(i % 2, i / 2, clWhite);
  gl->SetTexture(0, &white);
  gl->SetTexture(1, &white);
  gl->SetTextureEnvMode(0, GL_REPLACE);
  gl->SetTextureEnvMode(1, GL_MODULATE);  // sent last
  // No light is on: a lit material is black, and only a replacing texture shows white.
  TPart* replaced = gl->AddQuad(nullptr, "replaced");
  replaced->SetPX(-2);
  replaced->SetTexture(0);
  TPart* modulated = gl->AddQuad(nullptr, "modulated");
  modulated->SetPX(2);
  modulated->SetTexture(1);
  for (TListMode mode : {lmScene, lmPerPart}) {
    SCOPED_TRACE(mode);
    gl->SetListMode(mode);
    Step(40);
    Pixels p = ReadPixels(gl->Handle());
    // The eye looks along +z: x = -2 shows on the right.
    EXPECT_EQ(p.At(38, 24).r, 255);
    EXPECT_LT(p.At(26, 24).r, 60);
    gl->SetTextureEnvMode(0, GL_MODULATE);
    Step(40);
    p = ReadPixels(gl->Handle());
    EXPECT_LT(p.At(38, 24).r, 60);
    EXPECT_LT(p.At(26, 24).r, 60);
    gl->SetTextureEnvMode(0, GL_REPLACE);
  }
}

class TexturedQuad : public TObject {
public:
  TOpenGl* gl = nullptr;
  void Draw(TObject*) {
    glDisable(GL_LIGHTING);
    glColor3f(1, 1, 1);
    gl->BindTexture(0);
    glBegin(GL_QUADS);
    glTexCoord2f(0, 0);
    glVertex3f(4, -4, 0);
    glTexCoord2f(1, 0);
    glVertex3f(-4, -4, 0);
    glTexCoord2f(1, 1);
    glVertex3f(-4, 4, 0);
    glTexCoord2f(0, 1);
    glVertex3f(4, 4, 0);
    glEnd();
  }
};

TEST_F(TexturesTest, TexturedQuadShowsThePictureColours) {
  TPicture pic;
  TBitmap* bmp = pic.Bitmap();
  bmp->SetSize(2, 2);
  bmp->Canvas()->SetPixel(0, 0, clRed);
  bmp->Canvas()->SetPixel(1, 0, clLime);
  bmp->Canvas()->SetPixel(0, 1, clBlue);
  bmp->Canvas()->SetPixel(1, 1, clYellow);
  gl->SetPicture(0, &pic);
  EXPECT_NE(gl->GetPicture(0), &pic);
  EXPECT_EQ(gl->GetPicture(0)->Bitmap()->Pixel(1, 1), clYellow);
  TexturedQuad q;
  q.gl = gl;
  gl->OnPaint = MakeEvent(&q, &TexturedQuad::Draw);
  gl->Perform(WM_PAINT, 0, 0);
  Pixels p = ReadPixels(gl->Handle());
  // The quad's texture left edge (x = +4) shows on screen at the left; the top row of the bitmap at the top.
  Rgba tl = p.At(24, 18), tr = p.At(40, 18), bl = p.At(24, 30), br = p.At(40, 30);
  EXPECT_EQ(tl.r, 255); EXPECT_EQ(tl.g, 0);   EXPECT_EQ(tl.b, 0);
  EXPECT_EQ(tr.r, 0);   EXPECT_EQ(tr.g, 255); EXPECT_EQ(tr.b, 0);
  EXPECT_EQ(bl.r, 0);   EXPECT_EQ(bl.g, 0);   EXPECT_EQ(bl.b, 255);
  EXPECT_EQ(br.r, 255); EXPECT_EQ(br.g, 255); EXPECT_EQ(br.b, 0);
}

}  // namespace
