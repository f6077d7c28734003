// Vector value types: defaults, element bounds, change counts and assignment across kinds.
#include <gtest/gtest.h>

#include "pos3d/vectors.h"
#include "support/test_support.h"

TEST(Vectors, KindsStartAtTheirDefaults) {
  T3DVector p;
  EXPECT_EQ(0.0f, p.GetX());
  EXPECT_EQ(0.0f, p.GetY());
  EXPECT_EQ(0.0f, p.GetZ());
  EXPECT_EQ(1.0f, p.GetW());
  TColorVector c;
  EXPECT_EQ(0.0f, c.GetR());
  EXPECT_EQ(0.0f, c.GetG());
  EXPECT_EQ(0.0f, c.GetB());
  EXPECT_EQ(1.0f, c.GetA());
  TAngle a;
  EXPECT_EQ(0.0f, a.GetDegrees());
  EXPECT_EQ(0.0f, a.GetElement(1));
  EXPECT_EQ(0.0f, a.GetElement(2));
  EXPECT_EQ(1.0f, a.GetElement(3));
  EXPECT_FALSE(a.OnChange.Assigned());
}

TEST(Vectors, IndicesOutsideTheFourElementsReadZeroAndWriteNothing) {
  TFloatVector v;
  EventCounter events;
  v.OnChange = events.Event();
  EXPECT_EQ(0.0f, v.GetElement(-1));
  EXPECT_EQ(0.0f, v.GetElement(4));
  v.SetElement(4, 9.0f);
  v.SetElement(-1, 9.0f);
  v.SetElement(1000000, 9.0f);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(0.0f, v.GetElement(i));
  EXPECT_EQ(1.0f, v.GetElement(3));
  EXPECT_EQ(0, events.Count);
}

TEST(Vectors, EveryWriteNotifiesOnceWithTheVectorAsSender) {
  T3DVector v;
  EventCounter events;
  v.OnChange = events.Event();
  v.SetY(2.5f);
  EXPECT_EQ(2.5f, v.GetElement(1));
  EXPECT_EQ(1, events.Count);
  EXPECT_EQ(&v, events.LastSender);
  // Same value again still notifies.
  v.SetY(2.5f);
  EXPECT_EQ(2, events.Count);
  TColorVector c;
  c.OnChange = events.Event();
  c.SetA(0.5f);
  EXPECT_EQ(0.5f, c.GetElement(3));
  EXPECT_EQ(&c, events.LastSender);
  TAngle a;
  a.OnChange = events.Event();
  a.SetDegrees(90.0f);
  EXPECT_EQ(90.0f, a.GetElement(0));
  EXPECT_EQ(4, events.Count);
}

TEST(Vectors, ElementsAreSinglePrecision) {
  TFloatVector v;
  v.SetElement(0, 0.1f);
  double held = v.GetElement(0);
  EXPECT_EQ(static_cast<double>(0.1f), held);
  EXPECT_NEAR(0.100000001490116, held, 1e-15);
  EXPECT_NE(0.1, held);
}

TEST(Vectors, AssignAcrossKindsCopiesAllFourAndKeepsTheTargetsHandler) {
  T3DVector src;
  src.SetX(1);
  src.SetY(2);
  src.SetZ(3);
  src.SetW(4);
  EventCounter srcEvents, dstEvents;
  src.OnChange = srcEvents.Event();
  TColorVector dst;
  dst.OnChange = dstEvents.Event();
  dst.Assign(&src);
  EXPECT_EQ(1.0f, dst.GetR());
  EXPECT_EQ(2.0f, dst.GetG());
  EXPECT_EQ(3.0f, dst.GetB());
  EXPECT_EQ(4.0f, dst.GetA());
  EXPECT_EQ(1, dstEvents.Count);
  EXPECT_EQ(&dst, dstEvents.LastSender);
  EXPECT_EQ(0, srcEvents.Count);
  EXPECT_EQ(dstEvents.Event(), dst.OnChange);
  EXPECT_EQ(srcEvents.Event(), src.OnChange);
}

TEST(Vectors, AssignFromSomethingElseIsRefusedAndChangesNothing) {
  TFloatVector v;
  EventCounter events;
  v.OnChange = events.Event();
  TStringList notAVector;
  EXPECT_THROW(v.Assign(&notAVector), EConvertError);
  EXPECT_EQ(0, events.Count);
  EXPECT_EQ(1.0f, v.GetElement(3));
}
