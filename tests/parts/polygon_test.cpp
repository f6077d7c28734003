// The polygon part: point arrays, counts, defaults and the automatic normals of every shape.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "opengl/luce.h"
#include "opengl/opengl.h"
#include "parts/quad.h"
#include "support/test_support.h"
#include "support/viewport_fixture.h"

using Vec = std::array<float, 3>;

static void SetPoints(TPartQuad& q, const std::vector<Vec>& pts) {
  q.SetNPoints(static_cast<int>(pts.size()));
  for (size_t i = 0; i < pts.size(); ++i) {
    q.SetX(static_cast<int>(i), pts[i][0]);
    q.SetY(static_cast<int>(i), pts[i][1]);
    q.SetZ(static_cast<int>(i), pts[i][2]);
  }
}

static void ExpectNormals(TPartQuad& q, const std::vector<Vec>& expected) {
  ASSERT_EQ(q.NPoints, static_cast<int>(expected.size()));
  for (int i = 0; i < q.NPoints; ++i) {
    EXPECT_FLOAT_EQ(q.GetNormX(i), expected[i][0]) << "normal " << i << " of shape " << q.Shape;
    EXPECT_FLOAT_EQ(q.GetNormY(i), expected[i][1]) << "normal " << i << " of shape " << q.Shape;
    EXPECT_FLOAT_EQ(q.GetNormZ(i), expected[i][2]) << "normal " << i << " of shape " << q.Shape;
  }
}

TEST(Polygon, NewPartIsTheSquareWithComputedNormals) {
  TPartQuad q;
  EXPECT_EQ(q.NPoints, 4);
  EXPECT_EQ(q.Shape, GL_QUADS);
  EXPECT_TRUE(q.AutoNormal);
  const float xs[] = {-1, 1, 1, -1}, ys[] = {-1, -1, 1, 1};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(q.GetX(i), xs[i]);
    EXPECT_EQ(q.GetY(i), ys[i]);
    EXPECT_EQ(q.GetZ(i), 0);
  }
  ExpectNormals(q, {{0, 0, 4}, {0, 0, 4}, {0, 0, 4}, {0, 0, 4}});
}

TEST(Polygon, CountShapeAndDefaults) {
  TPartQuad q;
  EventCounter ev;
  q.OnChange = ev.Event();
  q.SetNPoints(6);
  EXPECT_EQ(ev.Count, 2);  // the recomputation and the count each report
  EXPECT_EQ(q.GetX(2), 1);
  EXPECT_EQ(q.GetX(4), 0);
  EXPECT_EQ(q.GetY(5), 0);
  ExpectNormals(q, {{0, 0, 4}, {0, 0, 4}, {0, 0, 4}, {0, 0, 4}, {0, 0, 0}, {0, 0, 0}});

  q.SetNPoints(-3);  // refused: arrays and count stay, nobody is told
  EXPECT_EQ(q.NPoints, 6);
  EXPECT_EQ(q.GetY(3), 1);
  EXPECT_EQ(ev.Count, 2);

  q.SetShape(GL_TRIANGLES);
  EXPECT_EQ(q.NPoints, 6);
  q.SetDefaults();
  EXPECT_EQ(q.NPoints, 3);
  EXPECT_EQ(q.GetX(0), -1);
  EXPECT_EQ(q.GetY(0), -1);
  EXPECT_EQ(q.GetX(1), 1);
  EXPECT_EQ(q.GetY(1), -1);
  EXPECT_EQ(q.GetX(2), 1);
  EXPECT_EQ(q.GetY(2), 1);

  // An unknown shape keeps the count, and points past the four defaults keep their values.
  q.SetNPoints(6);
  q.SetX(5, 7);
  q.SetShape(42);
  q.SetX(0, 9);
  q.SetDefaults();
  EXPECT_EQ(q.NPoints, 6);
  EXPECT_EQ(q.GetX(0), -1);
  EXPECT_EQ(q.GetX(3), -1);
  EXPECT_EQ(q.GetY(3), 1);
  EXPECT_EQ(q.GetX(5), 7);

  q.SetShape(GL_POINTS);
  q.SetDefaults();
  EXPECT_EQ(q.NPoints, 4);
  q.SetShape(GL_TRIANGLE_FAN);
  q.SetDefaults();
  EXPECT_EQ(q.NPoints, 3);
  q.SetShape(GL_POLYGON);
  q.SetDefaults();
  EXPECT_EQ(q.NPoints, 4);
}

TEST(Polygon, PointAndNormalSettersHonourAutoNormalAndIndexRange) {
  TPartQuad q;
  EventCounter ev;
  q.OnChange = ev.Event();
  q.SetNormX(0, 5);
  EXPECT_EQ(q.GetNormX(0), 5);
  EXPECT_EQ(ev.Count, 1);
  q.SetZ(2, 0);  // a point change recomputes, overwriting the given normal
  EXPECT_EQ(q.GetNormX(0), 0);
  EXPECT_EQ(ev.Count, 2);

  q.SetAutoNormal(false);
  EXPECT_EQ(ev.Count, 3);
  q.SetX(0, -3);
  EXPECT_EQ(q.GetX(0), -3);
  EXPECT_EQ(q.GetNormZ(0), 4);  // normals stay as they were
  EXPECT_EQ(ev.Count, 4);
  q.SetNormY(1, 2);
  q.SetNPoints(2);
  EXPECT_EQ(q.GetX(0), -3);
  EXPECT_EQ(q.GetY(1), -1);
  EXPECT_EQ(q.GetNormY(1), 2);
  EXPECT_EQ(q.GetNormZ(1), 4);

  ev.Count = 0;
  EXPECT_EQ(q.GetY(2), 0);
  EXPECT_EQ(q.GetNormZ(-1), 0);
  q.SetY(2, 1);
  q.SetX(-1, 1);
  q.SetNormZ(2, 1);
  q.SetNormX(-5, 1);
  EXPECT_EQ(ev.Count, 0);
}

TEST(Polygon, NormalsOfEveryShapeWorkedByHand) {
  TPartQuad q;
  // Separate triangles; the second starts from the last point of the first (a = 2 at i = 3).
  const std::vector<Vec> tris = {{0, 0, 0}, {2, 0, 0}, {0, 2, 0}, {0, 0, 0}, {0, 0, 3}, {3, 0, 0}};
  const std::vector<Vec> trisNormals = {{0, 0, 4}, {0, 0, 4}, {0, 0, 4}, {-6, 0, 0}, {-6, 0, 0}, {-6, 0, 0}};
  for (int shape : {GL_TRIANGLES, GL_POINTS, GL_LINES, GL_LINE_LOOP, GL_LINE_STRIP, GL_POLYGON, 42, -1}) {
    q.SetShape(shape);
    SetPoints(q, tris);
    ExpectNormals(q, trisNormals);
  }

  // Quads: the second quad's first vector takes point 3, the last point of the previous quad.
  q.SetShape(GL_QUADS);
  SetPoints(q, {{-1, -1, 0}, {1, -1, 0}, {1, 1, 0}, {-1, 1, 0}, {0, 0, 0}, {0, 0, 2}, {0, 2, 2}, {0, 2, 0}});
  ExpectNormals(q, {{0, 0, 4}, {0, 0, 4}, {0, 0, 4}, {0, 0, 4}, {-2, -2, 0}, {-2, -2, 0}, {-2, -2, 0}, {-2, -2, 0}});

  // Triangle strip: every step writes three normals; later steps win.
  q.SetShape(GL_TRIANGLE_STRIP);
  SetPoints(q, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}});
  ExpectNormals(q, {{0, 0, 1}, {0, 0, 1}, {1, 1, 1}, {1, 1, 1}});

  // Quad strip: step 2, span 3.
  q.SetShape(GL_QUAD_STRIP);
  SetPoints(q, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}});
  ExpectNormals(q, {{0, 0, 1}, {0, 0, 1}, {1, 1, 1}, {1, 1, 1}});

  // Fan: every triangle shares point 0; only the first step writes normal 0.
  EventCounter ev;
  q.SetShape(GL_TRIANGLE_FAN);
  SetPoints(q, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {1, 1, 0}});
  q.OnChange = ev.Event();
  q.CalcNormals();
  EXPECT_EQ(ev.Count, 1);
  ExpectNormals(q, {{0, 0, 1}, {0, 0, 1}, {1, 0, 0}, {-1, 1, 0}, {-1, 1, 0}});
}

TEST(Polygon, TooFewPointsForTheShapeStayInsideTheArrays) {
  // Run under AddressSanitizer: every count below every span, for every shape.
  for (int shape = -1; shape <= 10; ++shape) {
    for (int n = 0; n <= 4; ++n) {
      TPartQuad q;
      q.SetShape(shape);
      q.SetNPoints(n);
      for (int i = 0; i < n; ++i) q.SetX(i, static_cast<float>(i * i));
      q.CalcNormals();
      EXPECT_EQ(q.NPoints, n);
      if (n == 0) {
        EXPECT_EQ(q.Points(), nullptr);
      }
    }
  }
  // Three points of the square drawn as quads still face +z.
  TPartQuad q;
  q.SetNPoints(3);
  ExpectNormals(q, {{0, 0, 4}, {0, 0, 4}, {0, 0, 4}});
}

// NPoints is public and writable; nothing may index the arrays by it beyond the points they hold.
TEST(Polygon, AWrittenCountBeyondTheArraysIsNeverIndexed) {
  TPartQuad q;
  q.NPoints = 8;
  q.SetX(7, 1);
  q.SetNormZ(6, 5);
  EXPECT_EQ(q.GetX(7), 0);
  EXPECT_EQ(q.GetNormZ(6), 0);
  EXPECT_EQ(q.GetX(3), -1);
  EXPECT_FLOAT_EQ(q.GetNormZ(3), 4);
  q.SetShape(GL_TRIANGLE_FAN);
  q.SetShape(GL_QUAD_STRIP);

  std::unique_ptr<TPartQuad> c(static_cast<TPartQuad*>(q.Clone()));
  ASSERT_EQ(c->NPoints, 4);
  EXPECT_EQ(c->GetX(2), 1);
  c->SetX(3, 2);
  EXPECT_EQ(c->GetX(3), 2);

  // Growing keeps the four real points and zeroes the rest.
  q.SetNPoints(6);
  EXPECT_EQ(q.GetX(1), 1);
  EXPECT_EQ(q.GetX(5), 0);
  q.SetX(5, 3);
  EXPECT_EQ(q.GetX(5), 3);

  q.NPoints = -3;
  q.CalcNormals();
  EXPECT_EQ(q.GetX(0), 0);
}

TEST(Polygon, CloneTakesNormalsButNotTheFlag) {
  TPartQuad q;
  q.SetShape(GL_TRIANGLE_FAN);
  q.SetNPoints(5);
  q.SetAutoNormal(false);
  q.SetX(4, 3);
  q.SetNormX(4, 8);
  q.Name = "fan";
  std::unique_ptr<TPartQuad> c(static_cast<TPartQuad*>(q.Clone()));
  EXPECT_TRUE(c->AutoNormal);
  EXPECT_EQ(c->Name, "fan");
  EXPECT_EQ(c->Shape, GL_TRIANGLE_FAN);
  ASSERT_EQ(c->NPoints, 5);
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(c->GetX(i), q.GetX(i));
    EXPECT_EQ(c->GetNormX(i), q.GetNormX(i));
    EXPECT_EQ(c->GetNormZ(i), q.GetNormZ(i));
  }
  EXPECT_EQ(c->GetNormX(4), 8);
}

// Points that make no whole primitive of the shape (three points as quads, two as triangles) draw
// nothing and pick nothing, through either list mode and in a pick alike; whole ones draw and pick.
TEST(PolygonDrawing, OnlyWholePrimitivesDrawAndPickInEveryPath) {
  TOpenGl* gl = MakeLoadedViewport<TOpenGl>();
  gl->GetLight(0)->SetPositionZ(1);
  gl->GetLight(0)->SetEnabled(true);
  auto* quad = static_cast<TPartQuad*>(gl->AddQuad(nullptr, "quad"));
  quad->SetSX(4);
  quad->SetSY(4);
  struct Case {
    int shape, points;
    bool drawn;
  };
  for (Case c : {Case{GL_QUADS, 3, false}, Case{GL_QUADS, 4, true}, Case{GL_TRIANGLES, 2, false},
                 Case{GL_TRIANGLES, 3, true}, Case{GL_QUAD_STRIP, 3, false}, Case{GL_POLYGON, 2, false}}) {
    quad->SetShape(c.shape);
    quad->SetNPoints(c.points);
    for (int i = 0; i < c.points && i < 4; ++i) {  // the square's corners, counter-clockwise
      quad->SetX(i, i == 1 || i == 2 ? 1.0f : -1.0f);
      quad->SetY(i, i >= 2 ? 1.0f : -1.0f);
    }
    for (TListMode mode : {lmScene, lmPerPart}) {
      SCOPED_TRACE(std::to_string(c.shape) + " with " + std::to_string(c.points) + ", mode " + std::to_string(mode));
      gl->SetListMode(mode);
      Step(40);
      Pixels p = ReadPixels(gl->Handle());
      size_t lit = 0;
      for (size_t i = 0; i < p.rgba.size(); i += 4) lit += p.rgba[i] != 0;
      EXPECT_EQ(lit > 0, c.drawn) << lit;
      // (0.5, -0.5) in the part lies inside every whole shape here; +x shows on the left.
      EXPECT_EQ(gl->PartAt(32 - 6, 24 + 6), c.drawn ? quad : nullptr);
    }
  }
  delete gl;
}
