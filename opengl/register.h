// Design-time registration of the package's controls.
#pragma once

namespace Opengl {
// Puts the viewport and the four editors on the palette page "3D".
void Register();
}  // namespace Opengl
