// The whole-scene document: exact bytes, older versions, round trips, failed saves, and hostile input.
#include <GL/gl.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

#include "files/files.h"
#include "opengl/luce.h"
#include "opengl/opengl.h"
#include "parts/call.h"
#include "parts/primitives.h"
#include "parts/quad.h"
#include "support/document_bytes.h"
#include "support/scene_bytes.h"
#include "support/viewport_fixture.h"

namespace {

using Bytes = std::vector<uint8_t>;

using ByteWriter = SceneBytes;

using document_bytes::Save;

using document_bytes::Load;

Bytes ReadFile(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(f), {});
}

std::string TempPath(const char* name) { return std::string(::testing::TempDir()) + name; }

struct DocumentTest : ::testing::Test {
  TOpenGl* gl = nullptr;
  void SetUp() override { gl = MakeLoadedViewport<TOpenGl>(); }
  void TearDown() override { delete gl; }
};

// The root group record of a new viewport.
void PutEmptyRoot(ByteWriter& w) {
  w.Int(14).Common("__ROOT__").Int(0);
}

TEST_F(DocumentTest, ANewViewportSavesTheExactDefaultDocument) {
  ByteWriter w;
  w.Int(4).Int(0).Int(0).Floats({1, 1, 1, 10, 90});
  w.Floats({0, 0, -8, 1, 0, 0, 0, 1, 0, 1, 0, 1, 0, 0, 0, 1});
  ASSERT_EQ(w.b.size(), 96u);
  PutEmptyRoot(w);
  ASSERT_EQ(w.b.size(), 96u + 256u);
  for (int i = 0; i < 32; ++i)
    w.Int(0).Floats({0, 0, 1, 0, 0, 0, 0, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0, 0, -1, 0, 180, 1, 0, 0});
  for (int i = 0; i < 20; ++i) w.Int(0).Int(9986).Int(9728).Int(10497).Int(10497).Int(8448);
  ASSERT_EQ(w.b.size(), 4032u);

  Bytes saved = Save(gl);
  EXPECT_EQ(saved, w.b);
  // Through a real file the same bytes arrive, and nothing is left beside it.
  std::string path = TempPath("new.scene");
  ASSERT_TRUE(gl->SaveTo(path.c_str()));
  EXPECT_EQ(ReadFile(path), w.b);
  EXPECT_TRUE(ReadFile(path + ".saving~").empty());
  std::remove(path.c_str());
}

// A document of an older version: viewport, a root holding one cube named Box, lights, no texture section.
Bytes OldDocument(int version) {
  ByteWriter w;
  w.Int(version).Int(1).Int(2).Floats({2, 3, 0.5f, 50, 60});
  w.Floats({1, 2, -9, 1, 0, 0, 1, 1, 0, 1, 0, 1});
  if (version >= 2) w.Floats({0.25f, 0.5f, 0.75f, 1});
  auto common = [&](const std::string& name) {
    w.Str(name).Floats({1, 0, 0, 1, 1, 1, 0, 0, 1, 45});
    if (version >= 1) {
      w.Floats({0.1f, 0.1f, 0.1f, 1, 0.5f, 0.5f, 0.5f, 1, 0, 0, 0, 1, 0, 0, 0, 1, 8});
      w.Int(3).Int(1);
    }
    if (version >= 3)
      for (int i = 0; i < 6; ++i) w.Int(i == 0 ? 1 : 0).Floats({0, 1, 0, 0.5f});
  };
  w.Int(14);
  common("__ROOT__");
  w.Int(1).Int(10);
  common("Box");
  for (int i = 0; i < 32; ++i) {
    w.Int(i == 0 ? 1 : 2).Floats({0, 1, 0, 0, 0, 0, 0, 1, 1, 1, 1, 1, 1, 1, 1, 1});
    if (version >= 1) w.Floats({1, 0, 0, 2, 90, 1, 0.5f, 0.25f});
  }
  return w.b;
}

TEST_F(DocumentTest, OlderVersionsLoadWithTheirDefaults) {
  for (int version = 0; version <= 3; ++version) {
    SCOPED_TRACE(version);
    gl->SetTextureWrapS(3, GL_CLAMP);
    EventCounter listChanged;
    gl->OnListChanged = listChanged.Event();
    gl->AddCube(nullptr, "Old");
    listChanged.Count = 0;
    ASSERT_TRUE(Load(gl, OldDocument(version)));
    EXPECT_EQ(listChanged.Count, 3);
    EXPECT_EQ(gl->SuggestedSelection(), nullptr);
    EXPECT_TRUE(gl->Animation());
    EXPECT_FALSE(gl->ProjectionOrtho());  // only a stored 1 is true
    EXPECT_FALSE(gl->ProjectionOrtho());
    EXPECT_EQ(gl->ProjectionHeight(), 3);
    EXPECT_EQ(gl->EyePosition()->GetZ(), -9);
    TColorVector* clear = gl->ClearColor();
    if (version < 2) {
      EXPECT_EQ(clear->GetR(), 0);
      EXPECT_EQ(clear->GetA(), 0);
    } else {
      EXPECT_EQ(clear->GetB(), 0.75f);
    }
    ASSERT_EQ(gl->FindPart("Old"), nullptr);
    TPart* box = gl->FindPart("Box");
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->Parent(), gl->Root());
    EXPECT_EQ(box->Owner(), gl);
    EXPECT_EQ(box->RotationAngle, 45);
    EXPECT_EQ(box->Texture, version >= 1 ? 3 : 0);
    EXPECT_EQ(box->UseMaterial, version >= 1);
    EXPECT_FLOAT_EQ(box->AmbientR, version >= 1 ? 0.1f : 0.2f);
    EXPECT_EQ(box->GetUseClipPlane(0), version >= 3 ? 1 : 0);
    EXPECT_FLOAT_EQ(box->GetClipPlaneD(0), version >= 3 ? 0.5f : 0.0f);
    TLuce* l0 = gl->GetLight(0);
    EXPECT_TRUE(l0->Enabled);
    EXPECT_FALSE(gl->GetLight(1)->Enabled);  // a stored 2 is not true
    EXPECT_EQ(l0->PositionY, 1);
    EXPECT_EQ(l0->SpotDirX, version >= 1 ? 1 : 0);
    EXPECT_EQ(l0->SpotDirZ, version >= 1 ? 0 : -1);
    EXPECT_EQ(l0->SpotCutoff, version >= 1 ? 90 : 180);
    EXPECT_EQ(l0->SpotConstAtt, 1);
    EXPECT_TRUE(glIsEnabled(GL_LIGHT0));  // the loaded lights were sent
    EXPECT_EQ(gl->GetTextureWrapS(3), GL_CLAMP);  // no texture section before version 4
  }
}

// A scene with every part class, lights and two textured slots.
void BuildRichScene(TOpenGl* gl, bool pictures = true) {
  TPart* g = gl->AddGroup(nullptr, "Group");
  g->SetPX(1);
  g->SetUseClipPlane(2, 1);
  g->SetClipPlaneA(2, 0.1f);
  TPart* cube = gl->AddCube(g, "Cube");
  cube->SetTexture(0);
  cube->SetUseMaterial(true);
  cube->SetSpecularG(0.7f);
  auto* sphere = static_cast<TPartSphere*>(gl->AddSphere(g, "Sphere"));
  sphere->SetSlices(12);
  sphere->SetStacks(8);
  auto* cyl = static_cast<TPartCylinder*>(gl->AddCylinder(nullptr, "Cone"));
  cyl->SetTopRadius(0);
  cyl->SetHeight(2.5f);
  auto* disk = static_cast<TPartDisk*>(gl->AddDisk(nullptr, "Ring"));
  disk->SetInnerRadius(0.25f);
  disk->SetTexture(1);
  auto* quad = static_cast<TPartQuad*>(gl->AddQuad(g, "Fan"));
  quad->SetShape(GL_TRIANGLE_FAN);
  quad->SetNPoints(5);
  quad->SetY(4, 3);
  auto* call = new TPartCall;
  call->Name = "Call";
  call->SetUsedPartName("Cube");
  gl->Paste(nullptr, call);
  TLuce l;
  l.SetEnabled(true);
  l.SetSpotCutoff(30);
  gl->SetLight(0, &l);
  l.SetDiffuseB(0.25f);
  gl->SetLight(31, &l);
  for (int slot : {0, 1}) {
    if (!pictures) break;
    TPicture pic;
    TBitmap* b = pic.Bitmap();
    b->SetSize(4, 3);
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 4; ++x) b->SetPixel(x, y, static_cast<TColor>(0x102030 * (x + 1) + 0x040506 * y + slot));
    gl->SetPicture(slot, &pic);
  }
  gl->SetTextureMinFilter(1, GL_LINEAR);
  gl->SetTextureEnvMode(1, GL_REPLACE);
  TColorVector c;
  c.SetG(0.5f);
  gl->SetClearColor(&c);
  gl->SetProjectionOrtho(true);
  gl->SetAnimation(true);
}

TEST_F(DocumentTest, ScenesSurviveSaveLoadSaveWithEveryValue) {
  BuildRichScene(gl);
  Bytes first = Save(gl);
  TOpenGl* other = MakeLoadedViewport<TOpenGl>();
  ASSERT_TRUE(Load(other, first));
  EXPECT_EQ(Save(other), first);
  auto* call = dynamic_cast<TPartCall*>(other->FindPart("Call"));
  ASSERT_NE(call, nullptr);
  EXPECT_EQ(call->UsedPartName, "Cube");
  auto* fan = dynamic_cast<TPartQuad*>(other->FindPart("Fan"));
  ASSERT_NE(fan, nullptr);
  EXPECT_EQ(fan->NPoints, 5);
  EXPECT_EQ(fan->GetY(4), 3);
  EXPECT_EQ(other->GetPicture(1)->Bitmap()->Pixel(2, 1), gl->GetPicture(1)->Bitmap()->Pixel(2, 1));
  EXPECT_EQ(other->GetTextureEnvMode(1), GL_REPLACE);
  EXPECT_TRUE(other->Animation());
  delete other;

  // Without pictures, a file the system wrote loads and saves back byte for byte.
  TOpenGl* plain = MakeLoadedViewport<TOpenGl>();
  BuildRichScene(plain, false);
  Bytes v4 = Save(plain);
  TOpenGl* reader = MakeLoadedViewport<TOpenGl>();
  ASSERT_TRUE(Load(reader, v4));
  EXPECT_EQ(Save(reader), v4);
  // An older file comes out as the current version with the same content.
  ASSERT_TRUE(Load(reader, OldDocument(3)));
  Bytes upgraded = Save(reader);
  ASSERT_TRUE(Load(plain, upgraded));
  EXPECT_EQ(Save(plain), upgraded);
  delete reader;
  delete plain;
}

TEST_F(DocumentTest, AFailedSaveLeavesThePreviousFileWhole) {
  std::string path = TempPath("kept.scene");
  ASSERT_TRUE(gl->SaveTo(path.c_str()));
  Bytes before = ReadFile(path);
  // A name no reader could take back makes the save fail instead of writing an unreadable file.
  gl->AddCube(nullptr, std::string(999, 'x').c_str());
  EXPECT_FALSE(gl->SaveTo(path.c_str()));
  EXPECT_EQ(ReadFile(path), before);
  EXPECT_TRUE(ReadFile(path + ".saving~").empty());
  // A file that cannot be created raises, as the platform does.
  EXPECT_THROW(gl->SaveTo("/nonexistent-dir/x.scene"), EFCreateError);
  EXPECT_THROW(gl->LoadFrom("/nonexistent-dir/x.scene"), EFOpenError);
  std::remove(path.c_str());
}

size_t RichTextureSection();

TEST_F(DocumentTest, HostileDocumentsFailWithoutHarm) {
  BuildRichScene(gl);
  Bytes good = Save(gl);
  TOpenGl* victim = MakeLoadedViewport<TOpenGl>();
  // Every truncation and every single-byte corruption: a failed load at worst, never an exception.
  for (size_t n = 0; n < good.size(); ++n) {
    Bytes cut(good.begin(), good.begin() + static_cast<long>(n));
    EXPECT_NO_THROW(EXPECT_FALSE(Load(victim, cut)) << n);
    ASSERT_NE(victim->Root(), nullptr);
    ASSERT_EQ(victim->Root()->Name, "__ROOT__");
  }
  for (size_t i = 0; i < good.size(); ++i) {
    Bytes bad = good;
    bad[i] ^= 0xA5;
    EXPECT_NO_THROW(Load(victim, bad)) << i;
    ASSERT_NE(victim->Root(), nullptr);
  }
  // Through a file the same: a picture that does not decode is a failed load with its reason.
  Bytes badPicture = good;
  badPicture[RichTextureSection() + 4] = 'X';
  const std::string path = TempPath("bad-picture.scene");
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(badPicture.data()),
                                              static_cast<std::streamsize>(badPicture.size()));
  EXPECT_NO_THROW(EXPECT_FALSE(victim->LoadFrom(path.c_str())));
  EXPECT_EQ(victim->LoadError(), "the picture in texture slot 0 is not a valid BMP");
  std::remove(path.c_str());
  Step(30);  // the tree left behind can be compiled, painted and saved
  Save(victim);
  delete victim;
}

TEST_F(DocumentTest, ImageSizesTheFileCannotHoldAreFailedReads) {
  Bytes doc = Save(gl);
  ASSERT_EQ(doc.size(), 4032u);
  const size_t firstSlot = 4032 - 480;
  for (int32_t size : {0x7FFFFFFF, 4000}) {
    Bytes bad = doc;
    std::memcpy(&bad[firstSlot], &size, 4);
    EXPECT_FALSE(Load(gl, bad)) << size;
    EXPECT_EQ(gl->GetPicture(0)->Graphic(), nullptr);
  }
  // A point count larger than the file is refused the same way.
  ByteWriter w;
  w.b.assign(doc.begin(), doc.begin() + 96);
  w.Int(14).Common("__ROOT__").Int(1).Int(15).Common("Q");
  w.Int(7).Int(1).Int(200000000);
  EXPECT_FALSE(Load(gl, w.b));
}

TEST_F(DocumentTest, ANegativeImageSizeStoresNoImage) {
  for (int i = 0; i < TEXTURE_SLOTS; ++i) {
    gl->SetTextureWrapS(i, GL_CLAMP);
    gl->SetTextureEnvMode(i, GL_DECAL);
  }
  Bytes doc = Save(gl);
  const int32_t negative = -5;
  std::memcpy(&doc[doc.size() - 480], &negative, 4);
  TOpenGl* other = MakeLoadedViewport<TOpenGl>();
  EXPECT_TRUE(Load(other, doc));
  EXPECT_EQ(other->GetPicture(0)->Graphic(), nullptr);
  for (int i = 0; i < TEXTURE_SLOTS; ++i) {
    EXPECT_EQ(other->GetTextureWrapS(i), GL_CLAMP) << i;
    EXPECT_EQ(other->GetTextureEnvMode(i), GL_DECAL) << i;
  }
  delete other;
}

TEST_F(DocumentTest, ANegativePointCountLeavesTheRestOfTheDocument) {
  auto* quad = dynamic_cast<TPartQuad*>(gl->AddQuad(nullptr, "Q"));
  ASSERT_NE(quad, nullptr);
  quad->SetNPoints(0);
  gl->AddCube(nullptr, "after");
  gl->GetLight(5)->SetEnabled(true);
  Bytes doc = Save(gl);
  // The quad follows the root's 256 bytes: its tag, common record, shape and flag come before the count.
  const size_t count = 96 + 256 + 4 + 241 + 8;
  int32_t stored = -1;
  std::memcpy(&stored, &doc[count], 4);
  ASSERT_EQ(stored, 0);
  stored = -1;
  std::memcpy(&doc[count], &stored, 4);
  TOpenGl* other = MakeLoadedViewport<TOpenGl>();
  EXPECT_TRUE(Load(other, doc));
  EXPECT_NE(other->FindPart("Q"), nullptr);
  EXPECT_NE(other->FindPart("after"), nullptr);
  EXPECT_TRUE(other->GetLight(5)->Enabled);
  EXPECT_EQ(Save(other), Save(gl));
  delete other;
}

TEST_F(DocumentTest, EverySeedFileLoadsAndSavesAsTheCurrentVersion) {
  const char* names[] = {"v0.scene", "v1.scene", "v2.scene", "v3.scene", "v4.scene", "demo-v4.scene"};
  for (const char* name : names) {
    SCOPED_TRACE(name);
    std::string path = std::string(V3D_SOURCE_DIR) + "/fuzz/corpus/scene/" + name;
    ASSERT_TRUE(gl->LoadFrom(path.c_str()));
    EXPECT_GT(gl->Root()->Count(), 0);
    Bytes again = Save(gl);
    EXPECT_EQ(again[0], 4);
    TOpenGl* copy = MakeLoadedViewport<TOpenGl>();
    EXPECT_TRUE(Load(copy, again));
    EXPECT_EQ(Save(copy), again);
    delete copy;  // leaves no context current
    ASSERT_EQ(wglGetCurrentContext(), nullptr);
  }
  // Without a current context nothing may crash either (GLU's mipmap builder needs one).
  ASSERT_TRUE(gl->LoadFrom((std::string(V3D_SOURCE_DIR) + "/fuzz/corpus/scene/demo-v4.scene").c_str()));
  wglMakeCurrent(GetDC(gl->Handle()), reinterpret_cast<HGLRC>(gl->GetResourceContext()));
}

// The saved document with its bytes from `at` on replaced by `tail`.
Bytes Spliced(const Bytes& doc, size_t at, const Bytes& tail) {
  Bytes out(doc.begin(), doc.begin() + static_cast<long>(at));
  out.insert(out.end(), tail.begin(), tail.end());
  return out;
}

// Where the texture section of the rich scene's document starts: its two images are all that follows.
size_t RichTextureSection() {
  TOpenGl* plain = MakeLoadedViewport<TOpenGl>();
  BuildRichScene(plain, false);
  const size_t at = Save(plain).size() - 480;
  delete plain;
  return at;
}

TEST_F(DocumentTest, AFailedLoadSaysWhyAndASuccessClearsIt) {
  BuildRichScene(gl);
  const Bytes good = Save(gl);
  TOpenGl* reader = MakeLoadedViewport<TOpenGl>();
  auto why = [&](const Bytes& b) {
    EXPECT_FALSE(Load(reader, b));
    return std::string(reader->LoadError().c_str());
  };
  EXPECT_EQ(why({}), "not a scene file");
  EXPECT_EQ(why(Bytes(4, 0)), "cut short at byte 4");
  EXPECT_EQ(why(Spliced(good, 0, {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'})), "not a scene file");
  Bytes newer = good;
  newer[0] = 6;
  EXPECT_EQ(why(newer), "scene file version 6 is newer than this program reads (0 to 5)");
  EXPECT_EQ(why(Spliced(good, 1000, {})), "cut short at byte 1000");
  // No writer leaves bytes after the document.
  Bytes longer = good;
  longer.push_back(0);
  EXPECT_EQ(why(longer), "not a scene file");
  const Bytes old = OldDocument(2);
  EXPECT_EQ(why(Spliced(old, old.size(), {0, 0, 0, 0})), "not a scene file");
  // Slot 1's record follows slot 0's: its size, its image and five parameters.
  const size_t slots = RichTextureSection();
  int32_t size0 = 0;
  std::memcpy(&size0, &good[slots], 4);
  ASSERT_GT(size0, 0);
  Bytes badPicture = good;
  badPicture[slots + 4 + static_cast<size_t>(size0) + 20 + 4] = 'X';  // "BM" becomes "XM"
  EXPECT_EQ(why(badPicture), "the picture in texture slot 1 is not a valid BMP");
  ByteWriter deep;
  deep.b.assign(good.begin(), good.begin() + 96);
  for (int i = 0; i <= PART_MAX_GROUP_DEPTH; ++i) deep.Int(14).Common(i == 0 ? "__ROOT__" : "").Int(1);
  EXPECT_EQ(why(deep.b), "parts nested deeper than the limit of 1000 groups");
  // Random bytes behind a plausible header are no scene either.
  Bytes noise(2800);
  uint32_t seed = 12345;
  for (uint8_t& c : noise) c = static_cast<uint8_t>((seed = seed * 1103515245u + 12345u) >> 16);
  for (uint8_t version = 0; version <= 4; ++version) {
    noise[0] = version;
    noise[1] = noise[2] = noise[3] = 0;
    EXPECT_FALSE(why(noise).empty()) << int(version);
  }

  ASSERT_TRUE(Load(reader, good));
  EXPECT_TRUE(reader->LoadError().IsEmpty());
  // A file that cannot be opened still raises the framework's open error, and the reason stays to be read.
  EXPECT_THROW(reader->LoadFrom("/nonexistent-dir/x.scene"), EFOpenError);
  EXPECT_NE(std::string(reader->LoadError().c_str()).find("/nonexistent-dir/x.scene"), std::string::npos);
  delete reader;
}

TEST_F(DocumentTest, AFailedLoadLeavesTheViewportAsItWas) {
  // What the viewport shows: a textured cube, its own camera, lights, clear colour and filters.
  TPart* mine = gl->AddCube(nullptr, "Mine");
  mine->SetTexture(0);
  TPicture pic;
  pic.Bitmap()->SetSize(2, 2);
  for (int i = 0; i < 4; ++i) pic.Bitmap()->SetPixel(i % 2, i / 2, clYellow);
  gl->SetPicture(0, &pic);
  gl->SetTextureWrapT(0, GL_CLAMP);
  gl->GetLight(3)->SetEnabled(true);
  T3DVector eye;
  eye.SetZ(-4);
  gl->SetEyePosition(&eye);
  TColorVector blue;
  blue.SetB(1);
  gl->SetClearColor(&blue);
  Step(40);
  const Bytes before = Save(gl);
  const Pixels shown = ReadPixels(gl->Handle());
  TPartGroup* root = gl->Root();
  const unsigned list = root->DisplayList;
  ASSERT_NE(list, 0u);

  TOpenGl* source = MakeLoadedViewport<TOpenGl>();
  BuildRichScene(source);
  const Bytes other = Save(source);
  delete source;
  const size_t slots = RichTextureSection();
  Bytes badPicture = other;
  badPicture[slots + 4] = 'X';
  Bytes trailing = other;
  trailing.push_back(1);
  EventCounter listChanged;
  gl->OnListChanged = listChanged.Event();
  // Cut in the tree, in the lights, in the last slot's record; a bad picture; a byte too many.
  for (const Bytes& bad : {Spliced(other, 1000, {}), Spliced(other, slots - 1000, {}),
                           Spliced(other, other.size() - 10, {}), badPicture, trailing}) {
    SCOPED_TRACE(bad.size());
    EXPECT_FALSE(Load(gl, bad));
    EXPECT_EQ(Save(gl), before);
    ASSERT_EQ(gl->Root(), root);
    EXPECT_EQ(gl->FindPart("Mine"), mine);
    EXPECT_EQ(root->DisplayList, list);
    EXPECT_EQ(listChanged.Count, 0);
  }
  ASSERT_TRUE(wglMakeCurrent(GetDC(gl->Handle()), reinterpret_cast<HGLRC>(gl->GetResourceContext())));
  GLfloat clear[4] = {};
  glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
  EXPECT_EQ(clear[2], 1);
  GLint wrap = 0;
  glBindTexture(GL_TEXTURE_2D, gl->TextureName(0));
  glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, &wrap);
  glBindTexture(GL_TEXTURE_2D, 0);
  EXPECT_EQ(wrap, GL_CLAMP);
  gl->Perform(WM_PAINT, 0, 0);
  EXPECT_EQ(ReadPixels(gl->Handle()).rgba, shown.rgba);
}

// A save writes only what a load reads back: pictures without pixels and a renamed root.
TEST_F(DocumentTest, EverySavedDocumentLoadsBack) {
  const Bytes fresh = Save(gl);
  TPicture pic;
  pic.Bitmap()->SetSize(2, 2);
  gl->SetPicture(3, &pic);
  // An empty picture, none at all, and a bitmap left without pixels in the slot itself.
  TPicture empty;
  empty.Bitmap();
  gl->SetPicture(3, &empty);
  EXPECT_EQ(gl->GetPicture(3)->Graphic(), nullptr);
  gl->SetPicture(4, nullptr);
  gl->GetPicture(5)->Bitmap();
  const Bytes emptied = Save(gl);
  EXPECT_EQ(emptied, fresh);
  TOpenGl* reader = MakeLoadedViewport<TOpenGl>();
  EXPECT_TRUE(Load(reader, emptied)) << reader->LoadError().c_str();

  // The root keeps the host's name here and is written under the one readers take.
  gl->AddCube(nullptr, "Kept");
  const Bytes named = Save(gl);
  gl->Root()->Name = "Scene";
  EXPECT_EQ(Save(gl), named);
  EXPECT_EQ(gl->Root()->Name, "Scene");
  ASSERT_TRUE(Load(reader, named));
  EXPECT_NE(reader->FindPart("Kept"), nullptr);
  // Files whose top group is no root still load as an empty scene, as they always have.
  Bytes foreign = named;
  foreign[96 + 8] = 'X';  // "__ROOT__" becomes "X_ROOT__"
  ASSERT_TRUE(Load(reader, foreign));
  EXPECT_EQ(reader->Root()->Count(), 0);
  delete reader;
}

}  // namespace

TEST_F(DocumentTest, ALoadedSceneShowsWithItsOwnCameraClearColourAndFilters) {
  TOpenGl* source = MakeLoadedViewport<TOpenGl>();
  TColorVector red;
  red.SetR(1);
  source->SetClearColor(&red);
  T3DVector eye;
  eye.SetX(3);
  eye.SetZ(-5);
  source->SetEyePosition(&eye);
  source->SetProjectionYAngle(40);
  source->SetTextureMinFilter(2, GL_LINEAR);
  source->SetTextureWrapS(2, GL_CLAMP);
  GLdouble expected[16];
  glGetDoublev(GL_PROJECTION_MATRIX, expected);
  Bytes doc = Save(source);
  delete source;

  gl->Refresh(gl);
  Step(40);
  ASSERT_TRUE(Load(gl, doc));
  // Setters leave the context current that was; read this viewport's state in its own.
  ASSERT_TRUE(wglMakeCurrent(GetDC(gl->Handle()), reinterpret_cast<HGLRC>(gl->GetResourceContext())));
  GLdouble projection[16];
  glGetDoublev(GL_PROJECTION_MATRIX, projection);
  for (int i = 0; i < 16; ++i) EXPECT_NEAR(projection[i], expected[i], 1e-6) << i;
  Step(40);
  Rgba corner = ReadPixels(gl->Handle()).At(0, 0);
  EXPECT_EQ(corner.r, 255);
  EXPECT_EQ(corner.g, 0);
  GLint filter = 0, wrap = 0;
  glBindTexture(GL_TEXTURE_2D, gl->TextureName(2));
  glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &filter);
  glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &wrap);
  EXPECT_EQ(filter, GL_LINEAR);
  EXPECT_EQ(wrap, GL_CLAMP);
}
