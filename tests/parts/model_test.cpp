// Part state without drawing: defaults, names, notifications, tree links, search and clones.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>

#include "parts/call.h"
#include "parts/parts.h"
#include "parts/primitives.h"
#include "parts/quad.h"
#include "support/test_support.h"

static AnsiString Identity(const void* p) {
  return Format("ID:%jx", static_cast<uintmax_t>(reinterpret_cast<uintptr_t>(p)));
}

TEST(PartBase, NewPartDefaultsAndClipPlaneAccessors) {
  TPartCube c;
  EXPECT_EQ(c.SX, 1);
  EXPECT_EQ(c.SY, 1);
  EXPECT_EQ(c.SZ, 1);
  EXPECT_EQ(c.RotationAngle, 0);
  EXPECT_EQ(c.RX + c.RY + c.RZ + c.PX + c.PY + c.PZ, 0);
  EXPECT_FLOAT_EQ(c.AmbientR, 0.2f);
  EXPECT_FLOAT_EQ(c.AmbientA, 1.0f);
  EXPECT_FLOAT_EQ(c.DiffuseB, 0.8f);
  EXPECT_EQ(c.SpecularG, 0);
  EXPECT_EQ(c.SpecularA, 1);
  EXPECT_EQ(c.EmissionA, 1);
  EXPECT_EQ(c.Shininess, 0);
  EXPECT_EQ(c.Texture, -2);
  EXPECT_FALSE(c.UseMaterial);
  EXPECT_EQ(c.DisplayList, 0u);
  EXPECT_TRUE(c.Name.IsEmpty());
  EXPECT_EQ(c.Parent(), nullptr);
  EXPECT_EQ(c.Owner(), nullptr);
  for (int i = 0; i < PART_CLIP_PLANES; ++i) EXPECT_EQ(c.GetUseClipPlane(i), 0);

  EventCounter ev;
  c.OnChange = ev.Event();
  c.SetClipPlaneA(6, 1.0f);
  c.SetUseClipPlane(-1, 1);
  c.SetClipPlaneD(100, 1.0f);
  EXPECT_EQ(ev.Count, 0);
  EXPECT_EQ(c.GetClipPlaneB(9), 0);
  EXPECT_EQ(c.GetUseClipPlane(-1), 0);

  c.SetClipPlaneC(5, 0.1f);
  EXPECT_EQ(c.ClipPlaneC[5], static_cast<double>(0.1f));
  EXPECT_FLOAT_EQ(c.GetClipPlaneC(5), 0.1f);
  c.SetUseClipPlane(2, -1);
  EXPECT_EQ(c.GetUseClipPlane(2), -1);
  EXPECT_EQ(ev.Count, 2);
}

TEST(PartBase, NamesCarryClassPrefixAndFullIdentity) {
  TPartCube cube;
  TPartSphere sphere;
  TPartCylinder cyl;
  TPartDisk disk;
  TPartQuad quad;
  TPartGroup group;
  TPartCall call;
  EXPECT_EQ(cube.GetName(), AnsiString("Cube ") + Identity(&cube));
  EXPECT_EQ(sphere.GetName(), AnsiString("Sphere ") + Identity(&sphere));
  EXPECT_EQ(cyl.GetName(), AnsiString("Cylinder ") + Identity(&cyl));
  EXPECT_EQ(disk.GetName(), AnsiString("Disk ") + Identity(&disk));
  EXPECT_EQ(quad.GetName(), AnsiString("Quad ") + Identity(&quad));
  EXPECT_EQ(group.GetName(), AnsiString("Group ") + Identity(&group));
  EXPECT_EQ(call.GetName(), AnsiString("Call list ") + Identity(&call));
  // No leading zeros, lowercase, and every digit of the address (more than 8 on 64-bit platforms).
  std::string id = Identity(&cube).str();
  EXPECT_EQ(id.find("ID:0"), std::string::npos);
  EXPECT_EQ(id.substr(3).find_first_not_of("0123456789abcdef"), std::string::npos);
  if (reinterpret_cast<uintptr_t>(&cube) > 0xffffffffu) {
    EXPECT_GT(id.size(), 3u + 8u);
  }
  cube.Name = "Box";
  EXPECT_EQ(cube.GetName(), "Cube Box");
}

TEST(PartBase, EverySetterNotifiesOnceEvenForTheCurrentValue) {
  TPartCylinder p;
  EventCounter ev;
  p.OnChange = ev.Event();
  std::vector<std::function<void()>> setters = {
      [&] { p.SetPX(p.PX); }, [&] { p.SetPY(1); }, [&] { p.SetPZ(1); }, [&] { p.SetSX(p.SX); }, [&] { p.SetSY(2); },
      [&] { p.SetSZ(2); }, [&] { p.SetRX(1); }, [&] { p.SetRY(1); }, [&] { p.SetRZ(1); },
      [&] { p.SetRotationAngle(30); }, [&] { p.SetAmbientR(1); }, [&] { p.SetAmbientG(1); },
      [&] { p.SetAmbientB(1); }, [&] { p.SetAmbientA(1); }, [&] { p.SetDiffuseR(1); }, [&] { p.SetDiffuseG(1); },
      [&] { p.SetDiffuseB(1); }, [&] { p.SetDiffuseA(1); }, [&] { p.SetSpecularR(1); },
      [&] { p.SetSpecularG(1); }, [&] { p.SetSpecularB(1); }, [&] { p.SetSpecularA(1); },
      [&] { p.SetEmissionR(1); }, [&] { p.SetEmissionG(1); }, [&] { p.SetEmissionB(1); },
      [&] { p.SetEmissionA(1); }, [&] { p.SetShininess(5); }, [&] { p.SetTexture(-2); },
      [&] { p.SetUseMaterial(false); }, [&] { p.SetUseClipPlane(0, 1); }, [&] { p.SetClipPlaneA(1, 1); },
      [&] { p.SetClipPlaneB(2, 1); }, [&] { p.SetClipPlaneC(3, 1); }, [&] { p.SetClipPlaneD(5, 1); },
      [&] { p.SetSlices(20); }, [&] { p.SetStacks(3); }, [&] { p.SetBaseRadius(1); },
      [&] { p.SetTopRadius(0); }, [&] { p.SetHeight(2); }};
  for (size_t i = 0; i < setters.size(); ++i) {
    setters[i]();
    ASSERT_EQ(ev.Count, static_cast<int>(i + 1)) << "setter " << i;
    EXPECT_EQ(ev.LastSender, &p);
  }
  EXPECT_EQ(p.TopRadius, 0);
  EXPECT_EQ(p.Stacks, 3);

  TPartSphere s;
  TPartDisk d;
  EventCounter es, ed;
  s.OnChange = es.Event();
  d.OnChange = ed.Event();
  s.SetSlices(20);
  s.SetStacks(20);
  d.SetSlices(1);
  d.SetLoops(2);
  d.SetInnerRadius(0);
  d.SetOuterRadius(3);
  EXPECT_EQ(es.Count, 2);
  EXPECT_EQ(ed.Count, 4);
  EXPECT_EQ(d.InnerRadius, 0);
}

TEST(PartBase, CopyToAndCrossNorm) {
  TPartCube src, dst;
  src.Name = "A";
  src.SetPX(3);
  src.SetSZ(2);
  src.SetRY(1);
  src.SetRotationAngle(45);
  src.SetDiffuseG(0.5f);
  src.SetShininess(7);
  src.SetTexture(4);
  src.SetUseMaterial(true);
  src.SetUseClipPlane(3, 1);
  src.SetClipPlaneB(3, -2);
  TPartGroup g;
  g.AddObject(&dst, nullptr);
  TNotifyEvent bound = dst.OnChange;
  dst.DisplayList = 77;
  src.CopyTo(&dst);
  EXPECT_EQ(dst.Parent(), nullptr);
  EXPECT_EQ(dst.OnChange, bound);
  EXPECT_EQ(dst.DisplayList, 77u);
  EXPECT_EQ(dst.Name, "A");
  EXPECT_EQ(dst.PX, 3);
  EXPECT_EQ(dst.SZ, 2);
  EXPECT_EQ(dst.RY, 1);
  EXPECT_EQ(dst.RotationAngle, 45);
  EXPECT_EQ(dst.DiffuseG, 0.5f);
  EXPECT_EQ(dst.Shininess, 7);
  EXPECT_EQ(dst.Texture, 4);
  EXPECT_TRUE(dst.UseMaterial);
  EXPECT_EQ(dst.GetUseClipPlane(3), 1);
  EXPECT_EQ(dst.GetClipPlaneB(3), -2);
  dst.DisplayList = 0;
  g.DeleteObject(&dst);

  float out[3] = {9, 9, 9};
  const float x[3] = {1, 0, 0}, y[3] = {0, 1, 0}, a[3] = {0, 2, 0}, b[3] = {-2, 0, 0};
  TPart::CrossNorm(x, y, out);
  EXPECT_EQ(out[0], 0);
  EXPECT_EQ(out[1], 0);
  EXPECT_EQ(out[2], 1);
  TPart::CrossNorm(a, b, out);
  EXPECT_EQ(out[2], 4);
  out[2] = 9;
  TPart::CrossNorm(a, nullptr, out);
  TPart::CrossNorm(nullptr, b, out);
  TPart::CrossNorm(a, b, nullptr);
  EXPECT_EQ(out[2], 9);
}

TEST(PartGroup, AddObjectPlacesAndAdoptsDeleteObjectReleases) {
  TPartGroup g;
  EventCounter ev;
  g.OnChange = ev.Event();
  TPart* p[4] = {new TPartCube(), new TPartSphere(), new TPartDisk(), new TPartQuad()};
  g.AddObject(p[0], nullptr);
  g.AddObject(p[1], nullptr);
  g.AddObject(p[2], nullptr);
  EXPECT_EQ(ev.Count, 3);
  TPartCube outsider;
  g.AddObject(p[3], p[2]);  // before the child at position 2
  ASSERT_EQ(g.Count(), 4);
  EXPECT_EQ(g.Part(2), p[3]);
  EXPECT_EQ(g.Part(3), p[2]);
  TPart* extra = new TPartCube();
  g.AddObject(extra, &outsider);  // not a child: appended
  EXPECT_EQ(g.Part(4), extra);
  for (int i = 0; i < g.Count(); ++i) EXPECT_EQ(g.Part(i)->Parent(), &g);

  ev.Count = 0;
  p[1]->SetPX(1);
  EXPECT_EQ(ev.Count, 1);
  EXPECT_EQ(ev.LastSender, &g);

  g.DeleteObject(&outsider);  // not a child: nothing changes but the group still reports
  EXPECT_EQ(g.Count(), 5);
  EXPECT_EQ(ev.Count, 2);

  g.DeleteObject(extra);
  EXPECT_EQ(g.Count(), 4);
  EXPECT_EQ(ev.Count, 3);
  EXPECT_EQ(extra->Parent(), nullptr);
  EXPECT_FALSE(extra->OnChange.Assigned());
  extra->SetPX(2);  // detached: reaches nobody
  EXPECT_EQ(ev.Count, 3);
  delete extra;
}

TEST(PartGroup, DetachedPartOutlivesItsGroup) {
  auto* g = new TPartGroup();
  auto* c = new TPartCube();
  g->AddObject(c, nullptr);
  g->DeleteObject(c);
  delete g;
  c->SetPY(1);  // must not call into the destroyed group
  EXPECT_EQ(c->Parent(), nullptr);
  delete c;
}

TEST(PartGroup, ChangeClimbsToRootWithEachGroupAsSender) {
  TPartGroup root;
  auto* mid = new TPartGroup();
  auto* leaf = new TPartGroup();
  auto* cube = new TPartCube();
  root.AddObject(mid, nullptr);
  mid->AddObject(leaf, nullptr);
  leaf->AddObject(cube, nullptr);
  // A listener spliced in between records who passes the change on.
  EventCounter atRoot;
  root.OnChange = atRoot.Event();
  struct Tap : TObject {
    TPart* next;
    std::vector<TObject*> senders;
    void Handle(TObject* s) {
      senders.push_back(s);
      next->Changed(s);
    }
  } tap;
  tap.next = mid;
  leaf->OnChange = MakeEvent(&tap, &Tap::Handle);
  cube->SetRZ(1);
  ASSERT_EQ(tap.senders.size(), 1u);
  EXPECT_EQ(tap.senders[0], leaf);
  ASSERT_EQ(atRoot.Count, 1);
  EXPECT_EQ(atRoot.LastSender, &root);
  EXPECT_TRUE(root.Contains(cube));
  EXPECT_TRUE(mid->Contains(leaf));
  EXPECT_TRUE(root.Contains(&root));
  EXPECT_FALSE(leaf->Contains(mid));
  EXPECT_FALSE(mid->Contains(nullptr));
}

TEST(PartGroup, FindPartIsPreOrderAndSetOwnerReachesEveryPart) {
  TPartGroup root;
  root.Name = "x";
  auto* first = new TPartGroup();
  auto* deep = new TPartCube();
  auto* later = new TPartCube();
  deep->Name = "y";
  later->Name = "y";
  auto* unnamed = new TPartDisk();
  root.AddObject(first, nullptr);
  first->AddObject(deep, nullptr);
  root.AddObject(later, nullptr);
  root.AddObject(unnamed, nullptr);
  auto* xchild = new TPartCube();
  xchild->Name = "x";
  first->AddObject(xchild, nullptr);
  EXPECT_EQ(root.FindPart("x"), &root);
  EXPECT_EQ(root.FindPart("y"), deep);
  EXPECT_EQ(root.FindPart("Y"), nullptr);
  EXPECT_EQ(root.FindPart(""), first);  // the first part without a name
  auto* owner = reinterpret_cast<TOpenGl*>(0x1000);
  root.SetOwner(owner);
  EXPECT_EQ(deep->Owner(), owner);
  EXPECT_EQ(unnamed->Owner(), owner);
  // Adoption hands the group's owner down.
  auto* late = new TPartSphere();
  first->AddObject(late, nullptr);
  EXPECT_EQ(late->Owner(), owner);
  root.SetOwner(nullptr);
}

TEST(PartClone, EveryClassCopiesItsStateAndGroupsCopyDeep) {
  auto* owner = reinterpret_cast<TOpenGl*>(0x2000);
  TPartGroup outer;
  outer.Name = "outer";
  outer.SetPX(4);
  auto* inner = new TPartGroup();
  inner->Name = "inner";
  auto* cube = new TPartCube();
  cube->Name = "cube";
  outer.AddObject(inner, nullptr);
  inner->AddObject(cube, nullptr);
  outer.SetOwner(owner);
  std::unique_ptr<TPartGroup> copy(static_cast<TPartGroup*>(outer.Clone()));
  EXPECT_EQ(copy->Name, "outer");
  EXPECT_EQ(copy->PX, 4);
  EXPECT_EQ(copy->Owner(), owner);
  EXPECT_FALSE(copy->OnChange.Assigned());
  ASSERT_EQ(copy->Count(), 1);
  auto* innerCopy = dynamic_cast<TPartGroup*>(copy->Part(0));
  ASSERT_NE(innerCopy, nullptr);
  EXPECT_NE(innerCopy, inner);
  EXPECT_EQ(innerCopy->Name, "inner");
  EXPECT_EQ(innerCopy->Parent(), copy.get());
  ASSERT_EQ(innerCopy->Count(), 1);
  EXPECT_NE(innerCopy->Part(0), cube);
  EXPECT_NE(dynamic_cast<TPartCube*>(innerCopy->Part(0)), nullptr);
  EXPECT_EQ(innerCopy->Part(0)->Name, "cube");
  EXPECT_EQ(innerCopy->Part(0)->Owner(), owner);
  copy->SetOwner(nullptr);
  outer.SetOwner(nullptr);

  TPartSphere s;
  s.SetSlices(12);
  s.SetStacks(8);
  s.SetSY(3);
  std::unique_ptr<TPartSphere> sc(static_cast<TPartSphere*>(s.Clone()));
  EXPECT_EQ(sc->Slices, 12);
  EXPECT_EQ(sc->Stacks, 8);
  EXPECT_EQ(sc->SY, 3);

  TPartCylinder c;
  c.SetSlices(5);
  c.SetStacks(6);
  c.SetBaseRadius(2);
  c.SetTopRadius(0);
  c.SetHeight(7);
  c.Name = "cyl";
  std::unique_ptr<TPartCylinder> cc(static_cast<TPartCylinder*>(c.Clone()));
  EXPECT_EQ(cc->Slices, 5);
  EXPECT_EQ(cc->Stacks, 6);
  EXPECT_EQ(cc->BaseRadius, 2);
  EXPECT_EQ(cc->TopRadius, 0);
  EXPECT_EQ(cc->Height, 7);
  EXPECT_EQ(cc->Name, "cyl");

  TPartDisk d;
  d.SetSlices(3);
  d.SetLoops(4);
  d.SetInnerRadius(0);
  d.SetOuterRadius(5);
  std::unique_ptr<TPartDisk> dc(static_cast<TPartDisk*>(d.Clone()));
  EXPECT_EQ(dc->Slices, 3);
  EXPECT_EQ(dc->Loops, 4);
  EXPECT_EQ(dc->InnerRadius, 0);
  EXPECT_EQ(dc->OuterRadius, 5);

  TPartCall call;
  call.SetUsedPartName("cube");
  call.SetCallList(9);
  call.SetPZ(2);
  std::unique_ptr<TPartCall> callc(static_cast<TPartCall*>(call.Clone()));
  EXPECT_EQ(callc->UsedPartName, "cube");
  EXPECT_EQ(callc->CallList, 9u);
  EXPECT_EQ(callc->PZ, 2);
}

TEST(PartCall, UsedPartNameIsSilentCallListIsAChange) {
  TPartCall c;
  EXPECT_EQ(c.CallList, 0u);
  EXPECT_TRUE(c.UsedPartName.IsEmpty());
  EventCounter ev;
  c.OnChange = ev.Event();
  c.SetUsedPartName("wheel");
  EXPECT_EQ(c.UsedPartName, "wheel");
  c.SetUsedPartName("wheel");
  EXPECT_EQ(ev.Count, 0);
  c.SetCallList(3);
  EXPECT_EQ(c.CallList, 3u);
  EXPECT_EQ(ev.Count, 1);
  // No owner to search: nothing resolves and the list stays.
  EXPECT_EQ(c.ResolveCallList(), 0u);
  EXPECT_EQ(c.CallList, 3u);
}
