#include "opengl/register.h"

#include "framework/graphics/registry.h"
#include "opengl/opengl.h"
#include "pos3d/editors.h"
#include "pos3d/floatedit.h"

namespace Opengl {

void Register() {
  TComponentClass classes[5] = {
      ComponentClass<TOpenGl>("TOpenGl"),
      ComponentClass<TFloatEdit>("TFloatEdit"),
      ComponentClass<TPos3D>("TPos3D"),
      ComponentClass<TColorEdit>("TColorEdit"),
      ComponentClass<TAngleEdit>("TAngleEdit"),
  };
  RegisterComponents("3D", classes, 4);
}

}  // namespace Opengl
