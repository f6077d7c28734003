// Part records: exact bytes, round trips, older versions' defaults and hostile input.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <cstdint>
#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "files/files.h"
#include "framework/core/streams.h"
#include "parts/call.h"
#include "parts/parts.h"
#include "parts/primitives.h"
#include "parts/quad.h"
#include "support/scene_bytes.h"
#include "support/test_support.h"

namespace {

using Bytes = SceneBytes;

std::vector<uint8_t> Save(TPart& part) {
  TMemoryStream ms;
  {
    TSceneFile f(&ms, true, SCENE_FILE_VERSION);
    EXPECT_TRUE(part.SaveTo(f));
    EXPECT_TRUE(f.IsOk());
  }
  return std::vector<uint8_t>(ms.Memory() + 4, ms.Memory() + ms.Size());
}

// Loads one part record from the bytes after a version header; reports the stream's state and bytes left.
struct Loaded {
  std::unique_ptr<TPart> part;
  bool ok = false;
  int64_t left = 0;
};
Loaded Load(int version, const std::vector<uint8_t>& record) {
  TMemoryStream ms;
  Bytes head;
  head.Int(version);
  ms.Write(head.b.data(), 4);
  if (!record.empty()) ms.Write(record.data(), static_cast<int32_t>(record.size()));
  ms.SetPosition(0);
  TSceneFile f(&ms, false, 0);
  Loaded out;
  out.part.reset(TPart::Load(f, nullptr));
  out.ok = f.IsOk();
  out.left = f.Remaining();
  return out;
}

}  // namespace

TEST(PartRecords, CubeAndEmptyRootAreWrittenByteForByte) {
  TPartCube cube;
  cube.Name = "Box";
  std::vector<uint8_t> bytes = Save(cube);
  ASSERT_EQ(bytes.size(), 247u);
  const uint8_t head[] = {0x0A, 0, 0, 0, 0x03, 0, 0, 0, 0x42, 0x6F, 0x78};
  EXPECT_EQ(0, std::memcmp(bytes.data(), head, sizeof head));
  EXPECT_EQ(bytes, Bytes().Int(10).Common("Box").b);

  TPartGroup root;
  root.Name = "__ROOT__";
  bytes = Save(root);
  ASSERT_EQ(bytes.size(), 256u);
  Bytes expected;
  expected.Int(14).Str("__ROOT__");
  for (float v : {0.f, 0.f, 0.f, 1.f, 1.f, 1.f, 0.f, 0.f, 0.f, 0.f, 0.2f, 0.2f, 0.2f, 1.f, 0.8f, 0.8f, 0.8f, 1.f,
                  0.f, 0.f, 0.f, 1.f, 0.f, 0.f, 0.f, 1.f, 0.f})
    expected.Float(v);
  expected.Int(-2).Int(0);
  for (int i = 0; i < 6; ++i) expected.Int(0).Float(0).Float(0).Float(0).Float(0);
  expected.Int(0);
  EXPECT_EQ(bytes, expected.b);
  EXPECT_EQ(bytes[124], 0xFE);  // the constructor's texture, -2
}

TEST(PartRecords, GroupOfEveryClassRoundTrips) {
  TPartGroup group;
  group.Name = "g";
  group.SetRotationAngle(33);
  auto* sphere = new TPartSphere();
  sphere->SetSlices(7);
  sphere->SetStacks(9);
  sphere->SetUseMaterial(true);
  sphere->SetEmissionG(0.25f);
  auto* cyl = new TPartCylinder();
  cyl->SetBaseRadius(2);
  cyl->SetTopRadius(0);
  cyl->SetHeight(3);
  cyl->SetStacks(4);
  cyl->SetTexture(5);
  auto* disk = new TPartDisk();
  disk->SetInnerRadius(0.5f);
  disk->SetOuterRadius(4);
  disk->SetLoops(2);
  disk->SetUseClipPlane(4, 1);
  disk->SetClipPlaneC(4, 0.1f);
  group.AddObject(sphere, nullptr);
  group.AddObject(cyl, nullptr);
  group.AddObject(disk, nullptr);
  std::vector<uint8_t> bytes = Save(group);
  EXPECT_EQ(bytes.size(), 249u + 252 + 264 + 260);
  EXPECT_EQ(bytes[245], 3);  // the child count follows the group's common record

  Loaded l = Load(4, bytes);
  ASSERT_TRUE(l.ok);
  EXPECT_EQ(l.left, 0);
  auto* g = dynamic_cast<TPartGroup*>(l.part.get());
  ASSERT_NE(g, nullptr);
  EXPECT_EQ(g->Name, "g");
  EXPECT_EQ(g->RotationAngle, 33);
  ASSERT_EQ(g->Count(), 3);
  auto* s = dynamic_cast<TPartSphere*>(g->Part(0));
  auto* c = dynamic_cast<TPartCylinder*>(g->Part(1));
  auto* d = dynamic_cast<TPartDisk*>(g->Part(2));
  ASSERT_TRUE(s && c && d);
  EXPECT_EQ(s->Slices, 7);
  EXPECT_EQ(s->Stacks, 9);
  EXPECT_TRUE(s->UseMaterial);
  EXPECT_EQ(s->EmissionG, 0.25f);
  EXPECT_EQ(c->BaseRadius, 2);
  EXPECT_EQ(c->TopRadius, 0);
  EXPECT_EQ(c->Height, 3);
  EXPECT_EQ(c->Stacks, 4);
  EXPECT_EQ(c->Texture, 5);
  EXPECT_EQ(d->InnerRadius, 0.5f);
  EXPECT_EQ(d->OuterRadius, 4);
  EXPECT_EQ(d->Loops, 2);
  EXPECT_EQ(d->UseClipPlane[4], 1);
  EXPECT_EQ(d->ClipPlaneC[4], static_cast<double>(0.1f));
  for (int i = 0; i < 3; ++i) EXPECT_EQ(g->Part(i)->Parent(), g);
  EXPECT_EQ(Save(*g), bytes);
  EventCounter ev;
  g->OnChange = ev.Event();
  d->SetPX(1);
  EXPECT_EQ(ev.Count, 1);
  EXPECT_EQ(ev.LastSender, g);
}

TEST(PartRecords, PolygonAndCallPartRoundTrip) {
  TPartQuad quad;
  quad.SetShape(GL_TRIANGLE_FAN);
  quad.SetNPoints(5);
  quad.SetZ(4, 2);
  quad.SetAutoNormal(false);
  quad.SetNormY(0, 7);  // stored normals win over computed ones on loading
  std::vector<uint8_t> bytes = Save(quad);
  EXPECT_EQ(bytes.size(), 256u + 24 * 5);
  Loaded l = Load(4, bytes);
  auto* q = dynamic_cast<TPartQuad*>(l.part.get());
  ASSERT_NE(q, nullptr);
  EXPECT_TRUE(l.ok);
  EXPECT_FALSE(q->AutoNormal);
  EXPECT_EQ(q->Shape, GL_TRIANGLE_FAN);
  ASSERT_EQ(q->NPoints, 5);
  EXPECT_EQ(q->GetZ(4), 2);
  EXPECT_EQ(q->GetNormY(0), 7);
  EXPECT_EQ(Save(*q), bytes);

  // A count written past the arrays, or below what they hold, saves the points that are really there.
  for (int written : {9, 2, -3}) {
    TPartQuad odd;
    odd.SetNPoints(4);
    odd.SetX(1, 6);
    odd.NPoints = written;
    bytes = Save(odd);
    const int kept = written < 0 ? 0 : std::min(written, 4);
    EXPECT_EQ(bytes.size(), 256u + 24 * kept) << written;
    l = Load(4, bytes);
    q = dynamic_cast<TPartQuad*>(l.part.get());
    ASSERT_NE(q, nullptr);
    EXPECT_TRUE(l.ok);
    EXPECT_EQ(l.left, 0);
    EXPECT_EQ(q->NPoints, kept);
    if (kept > 1) {
      EXPECT_EQ(q->GetX(1), 6);
    }
  }

  TPartQuad empty;
  empty.SetNPoints(0);
  bytes = Save(empty);
  EXPECT_EQ(bytes.size(), 256u);
  l = Load(4, bytes);
  q = dynamic_cast<TPartQuad*>(l.part.get());
  ASSERT_NE(q, nullptr);
  EXPECT_EQ(q->NPoints, 0);
  EXPECT_EQ(q->Points(), nullptr);
  EXPECT_EQ(l.left, 0);

  // Call parts have a record of their own, so a group's count matches the records that follow.
  TPartGroup group;
  auto* call = new TPartCall();
  call->Name = "c";
  call->SetUsedPartName("wheel");
  group.AddObject(call, nullptr);
  group.AddObject(new TPartCube(), nullptr);
  bytes = Save(group);
  const size_t groupHead = 248;
  EXPECT_EQ(std::vector<uint8_t>(bytes.begin() + groupHead, bytes.begin() + groupHead + 4 + 241 + 9),
            Bytes().Int(16).Common("c").Str("wheel").b);
  l = Load(4, bytes);
  auto* g = dynamic_cast<TPartGroup*>(l.part.get());
  ASSERT_NE(g, nullptr);
  ASSERT_EQ(g->Count(), 2);
  auto* c = dynamic_cast<TPartCall*>(g->Part(0));
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(c->UsedPartName, "wheel");
  EXPECT_NE(dynamic_cast<TPartCube*>(g->Part(1)), nullptr);
  EXPECT_EQ(l.left, 0);
}

TEST(PartRecords, OlderVersionsLoadWithTheirDefaults) {
  // Version 0: placement only, then the class data; texture slot 0, no material, square-less polygon flags.
  Bytes v0;
  v0.Int(14).Common("old", 0).Int(2);
  v0.Int(10).Common("box", 0);
  v0.Int(15).Common("", 0).Int(GL_TRIANGLES).Int(1).Float(1).Float(2).Float(3).Float(0).Float(0).Float(1);
  Loaded l = Load(0, v0.b);
  ASSERT_TRUE(l.ok);
  EXPECT_EQ(l.left, 0);
  auto* g = dynamic_cast<TPartGroup*>(l.part.get());
  ASSERT_NE(g, nullptr);
  ASSERT_EQ(g->Count(), 2);
  for (TPart* p : {static_cast<TPart*>(g), g->Part(0), g->Part(1)}) {
    EXPECT_EQ(p->Texture, 0);
    EXPECT_FALSE(p->UseMaterial);
    EXPECT_FLOAT_EQ(p->AmbientG, 0.2f);
    EXPECT_FLOAT_EQ(p->DiffuseA, 1.0f);
    EXPECT_FLOAT_EQ(p->DiffuseR, 0.8f);
    EXPECT_EQ(p->SX, 1);
  }
  auto* q = dynamic_cast<TPartQuad*>(g->Part(1));
  ASSERT_NE(q, nullptr);
  EXPECT_TRUE(q->AutoNormal);
  EXPECT_EQ(q->NPoints, 1);
  EXPECT_EQ(q->GetY(0), 2);
  EXPECT_EQ(q->GetNormZ(0), 1);

  // Versions 1 and 2: material and flags present, clip planes not yet.
  for (int version : {1, 2}) {
    Bytes v;
    v.Int(11).Str("s");
    for (int i = 0; i < 10; ++i) v.Float(0);
    for (int i = 0; i < 16; ++i) v.Float(0.5f);
    v.Float(9).Int(3).Int(1);  // shininess, texture, material flag
    v.Int(5).Int(6);       // slices, stacks
    Loaded lv = Load(version, v.b);
    ASSERT_TRUE(lv.ok);
    EXPECT_EQ(lv.left, 0);
    auto* s = dynamic_cast<TPartSphere*>(lv.part.get());
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->Texture, 3);
    EXPECT_TRUE(s->UseMaterial);
    EXPECT_EQ(s->Shininess, 9);
    EXPECT_EQ(s->AmbientR, 0.5f);
    EXPECT_EQ(s->Slices, 5);
    EXPECT_EQ(s->Stacks, 6);
    for (int i = 0; i < PART_CLIP_PLANES; ++i) {
      EXPECT_EQ(s->UseClipPlane[i], 0);
      EXPECT_EQ(s->ClipPlaneA[i], 0);
      EXPECT_EQ(s->ClipPlaneD[i], 0);
    }
  }

  // A material flag other than 1 reads as false.
  Bytes flag;
  flag.Int(10).Str("").Append(Bytes());
  for (int i = 0; i < 27; ++i) flag.Float(0);
  flag.Int(0).Int(2);
  Loaded lf = Load(1, flag.b);
  ASSERT_NE(lf.part, nullptr);
  EXPECT_FALSE(lf.part->UseMaterial);
}

TEST(PartRecords, HostileCountsFailWithoutHugeAllocations) {
  // Point counts beyond what the file holds fail the read before anything is allocated.
  for (int count : {1000000000, 0x7fffffff, 2}) {
    Bytes b;
    b.Int(15).Common("q").Int(GL_QUADS).Int(1).Int(count).Float(1).Float(2).Float(3);
    Loaded l = Load(4, b.b);
    EXPECT_FALSE(l.ok) << count;
    auto* q = dynamic_cast<TPartQuad*>(l.part.get());
    ASSERT_NE(q, nullptr);
    EXPECT_EQ(q->NPoints, 0);
  }

  // A child count far beyond the records present ends with the stream.
  Bytes many;
  many.Int(14).Common("g").Int(1000000000);
  many.Int(10).Common("a");
  many.Int(10).Common("b");
  Loaded l = Load(4, many.b);
  EXPECT_FALSE(l.ok);
  auto* g = dynamic_cast<TPartGroup*>(l.part.get());
  ASSERT_NE(g, nullptr);
  EXPECT_EQ(g->Count(), 2);

  // A name or used-part name that cannot be read leaves the reader out of step: the load fails.
  l = Load(4, Bytes().Int(10).Int(999).Common("").b);
  EXPECT_FALSE(l.ok);
  l = Load(4, Bytes().Int(16).Common("c").Int(-1).b);
  EXPECT_FALSE(l.ok);
  ASSERT_NE(l.part, nullptr);
  EXPECT_TRUE(l.part->FindPart("c"));

  // An unknown tag makes nothing and reads no further.
  l = Load(4, Bytes().Int(99).Common("x").b);
  EXPECT_EQ(l.part, nullptr);
  EXPECT_TRUE(l.ok);
  EXPECT_EQ(l.left, 241);
  EXPECT_EQ(Load(4, {}).part, nullptr);
}

static Bytes Nested(int depth) {
  Bytes b;
  for (int i = 0; i < depth; ++i) b.Int(14).Common("").Int(i + 1 < depth ? 1 : 0);
  return b;
}

static int Depth(TPart* p) {
  int d = 0;
  for (auto* g = dynamic_cast<TPartGroup*>(p); g; g = g->Count() ? dynamic_cast<TPartGroup*>(g->Part(0)) : nullptr) ++d;
  return d;
}

TEST(PartRecords, ANegativePointCountStoresNoPoints) {
  // The record ends after the count, so its siblings and the rest of the file load as written.
  for (int count : {-1, -2147483647 - 1}) {
    Bytes b;
    b.Int(14).Common("g").Int(3);
    b.Int(15).Common("q").Int(GL_TRIANGLES).Int(1).Int(count);
    b.Int(10).Common("after");
    b.Int(15).Common("tri").Int(GL_TRIANGLES).Int(0).Int(1).Floats({1, 2, 3}).Floats({0, 0, 1});
    Loaded l = Load(4, b.b);
    EXPECT_TRUE(l.ok) << count;
    EXPECT_EQ(l.left, 0);
    auto* g = dynamic_cast<TPartGroup*>(l.part.get());
    ASSERT_NE(g, nullptr);
    ASSERT_EQ(g->Count(), 3);
    auto* q = dynamic_cast<TPartQuad*>(g->Part(0));
    ASSERT_NE(q, nullptr);
    EXPECT_EQ(q->NPoints, 0);
    EXPECT_EQ(q->Shape, GL_TRIANGLES);
    EXPECT_EQ(g->Part(1)->Name, "after");
    auto* tri = dynamic_cast<TPartQuad*>(g->Part(2));
    ASSERT_NE(tri, nullptr);
    ASSERT_EQ(tri->NPoints, 1);
    EXPECT_EQ(tri->GetY(0), 2);
  }
}

// Bytes that raise the platform's read error once `limit` of them have been read.
class ThrowingStream : public TMemoryStream {
public:
  int64_t limit = 0;
  int32_t Read(void* Buffer, int32_t Count) override {
    if (Position() + Count > limit) throw EReadError("Stream read error");
    return TMemoryStream::Read(Buffer, Count);
  }
};

TEST(PartRecords, AnExceptionInsideARecordLeavesNothingBehind) {
  // The innermost of three nested groups throws halfway through its common record.
  Bytes b;
  b.Int(4).Append(Nested(3));
  ThrowingStream s;
  s.Write(b.b.data(), static_cast<int32_t>(b.b.size()));
  s.SetPosition(0);
  s.limit = static_cast<int64_t>(b.b.size()) - 100;
  {
    TSceneFile f(&s, false, 0);
    EXPECT_THROW(TPart::Load(f, nullptr), EReadError);  // the parts made so far are freed (LeakSanitizer)
  }
  // No nesting level stays taken: a file nested to the limit still loads whole.
  Loaded l = Load(4, Nested(PART_MAX_GROUP_DEPTH).b);
  EXPECT_TRUE(l.ok);
  EXPECT_EQ(Depth(l.part.get()), PART_MAX_GROUP_DEPTH);
}

TEST(PartRecords, NestingIsLimitedToAThousandGroups) {
  Loaded l = Load(4, Nested(PART_MAX_GROUP_DEPTH).b);
  EXPECT_TRUE(l.ok);
  EXPECT_EQ(Depth(l.part.get()), PART_MAX_GROUP_DEPTH);

  l = Load(4, Nested(PART_MAX_GROUP_DEPTH + 1).b);
  EXPECT_FALSE(l.ok);
  EXPECT_EQ(Depth(l.part.get()), PART_MAX_GROUP_DEPTH);

  l = Load(4, Nested(5000).b);
  EXPECT_FALSE(l.ok);
  EXPECT_LE(Depth(l.part.get()), PART_MAX_GROUP_DEPTH);

  // The limit is per load: a later load starts from depth zero again.
  l = Load(4, Nested(3).b);
  EXPECT_TRUE(l.ok);
  EXPECT_EQ(Depth(l.part.get()), 3);
}

TEST(PartRecords, EveryTruncationAndByteFlipLoadsSafely) {
  TPartGroup root;
  root.Name = "__ROOT__";
  auto* inner = new TPartGroup();
  root.AddObject(inner, nullptr);
  inner->AddObject(new TPartQuad(), nullptr);
  inner->AddObject(new TPartCylinder(), nullptr);
  auto* call = new TPartCall();
  call->SetUsedPartName("x");
  root.AddObject(call, nullptr);
  root.AddObject(new TPartDisk(), nullptr);
  const std::vector<uint8_t> full = Save(root);
  for (size_t n = 0; n < full.size(); ++n) {
    Loaded l = Load(4, std::vector<uint8_t>(full.begin(), full.begin() + n));
    EXPECT_FALSE(l.ok) << n;
  }
  // Flipping bytes where counts and lengths live, and everywhere else, never reads outside a buffer.
  for (size_t i = 0; i < full.size(); ++i) {
    for (uint8_t v : {uint8_t(0xFF), uint8_t(0x80), uint8_t(0x7F)}) {
      std::vector<uint8_t> bad = full;
      bad[i] = v;
      Load(4, bad);
    }
  }
}
