// The package's palette images.
#pragma once

#include "framework/graphics/registry.h"

// The five images, drawn on first use; Count receives their number.
const TPackageImage* PaletteImages(int* Count);
