// Pictures larger than the context's texture limit: what reaches GLU's mipmap builder.
#include <GL/gl.h>

#include "opengl/opengl.h"
#include "support/gl_recorder.h"
#include "support/viewport_fixture.h"

TEST(TextureLimits, SidesBeyondTheMaximumAreScaledDownBeforeTheMipmaps) {
  TOpenGl* gl = MakeLoadedViewport<TOpenGl>();
  GLint max = 0;
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &max);
  ASSERT_GT(max, 0);
  TBitmap wide;
  const int w = max * 2 + 6;
  wide.SetSize(w, 2);
  for (int x = 0; x < w; ++x) {
    wide.Canvas()->SetPixel(x, 0, x < w / 2 ? clRed : clBlue);
    wide.Canvas()->SetPixel(x, 1, x < w / 2 ? clRed : clBlue);
  }
  GlRecorder::Start();
  gl->SetTexture(1, &wide);
  GlRecorder::Stop();
  const auto builds = GlRecorder::Only("gluBuild2DMipmaps");
  ASSERT_EQ(builds.size(), 1u);
  EXPECT_EQ(builds[0].args[2], max);
  EXPECT_EQ(builds[0].args[3], 2);

  // The picture survives the scaling: red on the left, blue on the right.
  glBindTexture(GL_TEXTURE_2D, gl->TextureName(1));
  GLint tw = 0;
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &tw);
  ASSERT_EQ(tw, max);
  std::vector<uint8_t> texels(static_cast<size_t>(max) * 2 * 3);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, texels.data());
  EXPECT_EQ(texels[0], 255);
  EXPECT_EQ(texels[2], 0);
  EXPECT_EQ(texels[(max - 1) * 3], 0);
  EXPECT_EQ(texels[(max - 1) * 3 + 2], 255);
  glBindTexture(GL_TEXTURE_2D, 0);
  delete gl;
}
