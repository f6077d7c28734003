// Interposes a few GL entry points: each records its name and arguments while recording, then forwards.
#include "support/gl_recorder.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>

namespace {
bool recording = false;
std::vector<GlCall> calls;

void Record(const char* name, std::vector<double> args) {
  if (recording) calls.push_back(GlCall{name, std::move(args)});
}

// The library's own entry point behind ours.
template <class Fn>
Fn Next(const char* name) {
  void* p = dlsym(RTLD_NEXT, name);
  if (!p) {
    std::fprintf(stderr, "gl_recorder: no %s behind the recorder\n", name);
    std::abort();
  }
  return reinterpret_cast<Fn>(p);
}
}  // namespace

namespace GlRecorder {
void Start() {
  calls.clear();
  recording = true;
}
void Stop() { recording = false; }
const std::vector<GlCall>& Calls() { return calls; }
std::vector<std::string> Names() {
  std::vector<std::string> names;
  for (const GlCall& c : calls) names.push_back(c.name);
  return names;
}
std::vector<GlCall> Only(const std::string& name) {
  std::vector<GlCall> out;
  for (const GlCall& c : calls)
    if (c.name == name) out.push_back(c);
  return out;
}
}  // namespace GlRecorder

#define FORWARD(ret, name, params, args, ...)                  \
  extern "C" ret name params {                                 \
    Record(#name, {__VA_ARGS__});                              \
    static auto next = Next<ret(*) params>(#name);             \
    return next args;                                          \
  }

FORWARD(void, glBindTexture, (GLenum target, GLuint texture), (target, texture), double(target), double(texture))
FORWARD(void, glEnable, (GLenum cap), (cap), double(cap))
FORWARD(void, glDisable, (GLenum cap), (cap), double(cap))
FORWARD(void, glMaterialfv, (GLenum face, GLenum pname, const GLfloat* p), (face, pname, p), double(face),
        double(pname), p[0], pname == GL_SHININESS ? 0.0 : p[1], pname == GL_SHININESS ? 0.0 : p[2],
        pname == GL_SHININESS ? 0.0 : p[3])
FORWARD(void, glMaterialf, (GLenum face, GLenum pname, GLfloat v), (face, pname, v), double(face), double(pname), v)
FORWARD(void, glTranslatef, (GLfloat x, GLfloat y, GLfloat z), (x, y, z), x, y, z)
FORWARD(void, glRotatef, (GLfloat a, GLfloat x, GLfloat y, GLfloat z), (a, x, y, z), a, x, y, z)
FORWARD(void, glScalef, (GLfloat x, GLfloat y, GLfloat z), (x, y, z), x, y, z)
FORWARD(void, glClipPlane, (GLenum plane, const GLdouble* e), (plane, e), double(plane), e[0], e[1], e[2], e[3])
FORWARD(void, glPushMatrix, (void), (), )
FORWARD(void, glPopMatrix, (void), (), )
FORWARD(void, glCallList, (GLuint list), (list), double(list))
FORWARD(void, glNewList, (GLuint list, GLenum mode), (list, mode), double(list), double(mode))
FORWARD(void, glEndList, (void), (), )
FORWARD(void, glDeleteLists, (GLuint list, GLsizei range), (list, range), double(list), double(range))
FORWARD(void, glBegin, (GLenum mode), (mode), double(mode))
FORWARD(void, glEnd, (void), (), )
FORWARD(void, glNormal3f, (GLfloat x, GLfloat y, GLfloat z), (x, y, z), x, y, z)
FORWARD(void, glVertex3f, (GLfloat x, GLfloat y, GLfloat z), (x, y, z), x, y, z)
FORWARD(void, glVertex3fv, (const GLfloat* v), (v), v[0], v[1], v[2])
FORWARD(GLint, gluBuild2DMipmaps,
        (GLenum target, GLint components, GLsizei w, GLsizei h, GLenum format, GLenum type, const void* data),
        (target, components, w, h, format, type, data), double(target), double(components), double(w), double(h))

// glGenLists returns the name it got, so it is recorded after forwarding.
extern "C" GLuint glGenLists(GLsizei range) {
  static auto next = Next<GLuint (*)(GLsizei)>("glGenLists");
  GLuint first = next(range);
  Record("glGenLists", {double(range), double(first)});
  return first;
}

// Lights: a spot direction has three values, every other vector four.
FORWARD(void, glLightfv, (GLenum light, GLenum pname, const GLfloat* p), (light, pname, p), double(light),
        double(pname), p[0], p[1], p[2], pname == GL_SPOT_DIRECTION ? 0.0 : p[3])
FORWARD(void, glLightf, (GLenum light, GLenum pname, GLfloat v), (light, pname, v), double(light), double(pname), v)
FORWARD(void, glLoadIdentity, (void), (), )
