// libFuzzer target: arbitrary bytes through TBitmap::LoadFromStream; only EInvalidGraphic may come out.
#include <cstddef>
#include <cstdint>

#include "framework/graphics/graphics.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > (1u << 24)) return 0;
  TMemoryStream m;
  if (size > 0) m.WriteBuffer(data, static_cast<int32_t>(size));
  m.SetPosition(0);
  TBitmap b;
  try {
    b.LoadFromStream(&m);
  } catch (const EInvalidGraphic&) {
    return 0;
  }
  // A decoded image must be readable everywhere and survive a save.
  volatile TColor sink = 0;
  for (int y = 0; y < b.Height(); ++y)
    for (int x = 0; x < b.Width(); ++x) sink = sink ^ b.Canvas()->GetPixel(x, y);
  TMemoryStream out;
  b.SaveToStream(&out);
  return 0;
}
