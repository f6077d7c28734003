// Every built-in kind's triangles against what GL draws for it: the same vertices in the same order (GL's
// feedback), and the same lit pixels when the triangles are drawn in their place.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <cmath>
#include <functional>
#include <memory>
#include <vector>

#include "framework/controls/application.h"
#include "parts/mesh_data.h"
#include "parts/primitives.h"
#include "parts/quad.h"
#include "support/offscreen_gl.h"

namespace {

const int kSide = 96;

// One vertex as the feedback buffer reports it: window position and texture coordinates.
struct FedVertex {
  float x, y, z, s, t;
};
using FedTriangle = std::vector<FedVertex>;

class Tessellation : public ::testing::Test {
protected:
  OffscreenGl gl{kSide, kSide};
  void SetUp() override {
    // NOTE: Mesa keeps driver allocations past a context's end; the application's leak suppressions cover them.
    ASSERT_TRUE(Application != nullptr);
    ASSERT_TRUE(gl.Ok());
    glViewport(0, 0, kSide, kSide);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-3, 3, -3, 3, -5, 5);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    // A turn shows every side of a solid.
    glRotatef(35, 1, 0.6f, 0.2f);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_NORMALIZE);
    // NOTE: Mesa computes texture coordinates (generated ones too) only for a unit that textures.
    glBindTexture(GL_TEXTURE_2D, 0);
    const GLubyte white[4] = {255, 255, 255, 255};
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 1, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, white);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glEnable(GL_TEXTURE_2D);
  }

  // What GL produces for draw, as triangles in window coordinates.
  static std::vector<FedTriangle> Feedback(const std::function<void()>& draw) {
    std::vector<GLfloat> buffer(1 << 22);
    glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_3D_COLOR_TEXTURE, buffer.data());
    glRenderMode(GL_FEEDBACK);
    draw();
    const GLint n = glRenderMode(GL_RENDER);
    std::vector<FedTriangle> out;
    // RGBA mode: each vertex is x y z, r g b a, s t r q.
    for (GLint i = 0; i < n;) {
      const int token = static_cast<int>(buffer[i++]);
      // Points and lines are no triangles.
      if (token == GL_POINT_TOKEN || token == GL_LINE_TOKEN || token == GL_LINE_RESET_TOKEN) {
        i += (token == GL_POINT_TOKEN ? 1 : 2) * 11;
        continue;
      }
      if (token != GL_POLYGON_TOKEN) {
        ADD_FAILURE() << "unexpected feedback token " << token;
        break;
      }
      const int count = static_cast<int>(buffer[i++]);
      FedTriangle tri;
      for (int k = 0; k < count; ++k, i += 11)
        tri.push_back({buffer[i], buffer[i + 1], buffer[i + 2], buffer[i + 7], buffer[i + 8]});
      out.push_back(tri);
    }
    return out;
  }

  static void DrawMesh(const TMeshData& m) {
    glBegin(GL_TRIANGLES);
    for (uint32_t index : m.Indices) {
      if (!m.Normals.empty()) glNormal3fv(&m.Normals[index * 3]);
      if (!m.TexCoords.empty()) glTexCoord2fv(&m.TexCoords[index * 2]);
      glVertex3fv(&m.Positions[index * 3]);
    }
    glEnd();
  }

  static void DrawPart(TPart& p) {
    glDisable(GL_TEXTURE_GEN_S);
    glDisable(GL_TEXTURE_GEN_T);
    glPushMatrix();
    p.Play();
    glPopMatrix();
  }

  static std::vector<uint8_t> Lit(const std::function<void()>& draw) {
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    const GLfloat from[4] = {0.3f, 0.5f, 1, 0};
    glLightfv(GL_LIGHT0, GL_POSITION, from);
    glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, GL_TRUE);
    draw();
    glDisable(GL_LIGHTING);
    std::vector<uint8_t> px(kSide * kSide * 4);
    glReadPixels(0, 0, kSide, kSide, GL_RGBA, GL_UNSIGNED_BYTE, px.data());
    return px;
  }

  // The part's triangles match GL's, vertex for vertex (each may start at another corner); checkTex also
  // compares texture coordinates. Then both drawings light the same pixels.
  void Expect(TPart& part, bool checkTex, const char* what) {
    SCOPED_TRACE(what);
    TMeshData mesh;
    const bool has = part.Tessellate(mesh);
    const std::vector<FedTriangle> drawn = Feedback([&] { DrawPart(part); });
    std::vector<FedTriangle> ours = Feedback([&] {
      glDisable(GL_TEXTURE_GEN_S);
      glDisable(GL_TEXTURE_GEN_T);
      DrawMesh(mesh);
    });
    EXPECT_EQ(has, !drawn.empty());
    EXPECT_EQ(mesh.TriangleCount(), drawn.size());
    ASSERT_EQ(ours.size(), drawn.size());
    if (has) {
      EXPECT_EQ(mesh.Normals.size(), mesh.Positions.size());
      for (uint32_t i : mesh.Indices) ASSERT_LT(i, mesh.VertexCount());
    }
    auto same = [checkTex](const FedVertex& a, const FedVertex& b) {
      bool eq = std::fabs(a.x - b.x) < 1e-3f && std::fabs(a.y - b.y) < 1e-3f && std::fabs(a.z - b.z) < 1e-5f;
      if (checkTex) eq = eq && std::fabs(a.s - b.s) < 1e-5f && std::fabs(a.t - b.t) < 1e-5f;
      return eq;
    };
    // NOTE: Mesa's feedback splits a quad along the other diagonal than its rasteriser, whose split the
    // triangles follow (the lit pixels below hold them to it): a quad's two triangles match as four corners.
    const bool quads = part.PartClass().Tag() == PART_TAG_CUBE ||
                       (part.PartClass().Tag() == PART_TAG_QUAD && static_cast<TPartQuad&>(part).Shape == GL_QUADS);
    auto within = [&](const FedVertex& v, const std::vector<FedVertex>& corners) {
      for (const FedVertex& c : corners)
        if (same(v, c)) return true;
      return false;
    };
    int mismatched = 0;
    for (size_t k = 0; k < drawn.size(); ++k) {
      ASSERT_EQ(drawn[k].size(), 3u);
      bool found = false;
      if (quads) {
        const size_t first = k - k % 2;
        ASSERT_LT(first + 1, drawn.size());
        std::vector<FedVertex> corners(ours[first]);
        corners.insert(corners.end(), ours[first + 1].begin(), ours[first + 1].end());
        found = within(drawn[k][0], corners) && within(drawn[k][1], corners) && within(drawn[k][2], corners);
      }
      for (int r = 0; r < 3 && !found; ++r)
        found = same(drawn[k][0], ours[k][r]) && same(drawn[k][1], ours[k][(r + 1) % 3]) &&
                same(drawn[k][2], ours[k][(r + 2) % 3]);
      if (!found) ++mismatched;
    }
    EXPECT_EQ(mismatched, 0) << "of " << drawn.size() << " triangles";

    if (!has) return;
    const std::vector<uint8_t> a = Lit([&] { DrawPart(part); });
    const std::vector<uint8_t> b = Lit([&] { DrawMesh(mesh); });
    int differ = 0, lit = 0;
    for (size_t i = 0; i < a.size(); i += 4) {
      if (a[i] + a[i + 1] + a[i + 2] > 0) ++lit;
      for (int c = 0; c < 3; ++c)
        if (std::abs(a[i + c] - b[i + c]) > 3) {
          ++differ;
          break;
        }
    }
    // Only pixels on a shared edge may fall to the other triangle.
    EXPECT_LE(differ, lit / 100 + 2) << "of " << lit << " lit pixels";
  }
};

}  // namespace

TEST_F(Tessellation, SolidsMatchWhatGlDraws) {
  TPartCube cube;
  Expect(cube, false, "cube");

  TPartSphere sphere;
  Expect(sphere, true, "sphere 20 x 20");
  sphere.SetSlices(7);
  sphere.SetStacks(3);
  Expect(sphere, true, "sphere 7 x 3");
  // GLU caps its tables below 240 entries.
  sphere.SetSlices(250);
  sphere.SetStacks(2);
  Expect(sphere, true, "sphere 250 x 2");
  sphere.SetSlices(1);
  Expect(sphere, true, "sphere with one slice draws nothing");

  TPartCylinder cylinder;
  Expect(cylinder, true, "cylinder");
  cylinder.SetTopRadius(0);
  cylinder.SetHeight(2);
  cylinder.SetStacks(3);
  cylinder.SetSlices(9);
  Expect(cylinder, true, "cone");
  cylinder.SetBaseRadius(0.3f);
  cylinder.SetTopRadius(1.4f);
  Expect(cylinder, true, "widening");
  cylinder.SetHeight(-1);
  Expect(cylinder, true, "negative height draws nothing");

  TPartDisk disk;
  Expect(disk, true, "annulus");
  disk.SetInnerRadius(0);
  disk.SetLoops(3);
  disk.SetSlices(11);
  Expect(disk, true, "full disk");
  disk.SetLoops(1);
  Expect(disk, true, "full disk of one loop");
  disk.SetInnerRadius(2.5f);
  Expect(disk, true, "inner beyond outer draws nothing");
}

TEST_F(Tessellation, PolygonsSplitByTheirShape) {
  const float pts[9][3] = {{-2, -2, 0}, {-1, -2, 0.5f}, {-2, -1, 0}, {-1, -1, 0.2f}, {0, -2, 0},
                           {0, -0.5f, 1},  {1, -2, 0},    {1, 0, 0.3f},  {2, -1, 0}};
  const struct {
    int shape, points;
    const char* what;
  } cases[] = {
      {GL_TRIANGLES, 7, "triangles, one point left over"}, {GL_TRIANGLE_STRIP, 9, "triangle strip"},
      {GL_TRIANGLE_FAN, 6, "triangle fan"},                {GL_QUADS, 9, "quads, one point left over"},
      {GL_QUAD_STRIP, 9, "quad strip"},                    {GL_POLYGON, 5, "polygon"},
      {GL_POLYGON, 2, "polygon of two points"},            {GL_QUADS, 3, "three points as quads"},
      {GL_LINES, 4, "lines"},                              {GL_POINTS, 4, "points"},
  };
  for (const auto& c : cases) {
    TPartQuad quad;
    quad.SetShape(c.shape);
    quad.SetNPoints(c.points);
    for (int i = 0; i < c.points; ++i) {
      quad.SetX(i, pts[i][0]);
      quad.SetY(i, pts[i][1]);
      quad.SetZ(i, pts[i][2]);
    }
    Expect(quad, true, c.what);
  }
}
