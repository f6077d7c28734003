// A viewport's whole document as bytes in memory, saved and loaded through its streams.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "framework/core/streams.h"
#include "opengl/opengl.h"

namespace document_bytes {

inline std::vector<uint8_t> Save(TOpenGl* gl) {
  TMemoryStream s;
  EXPECT_TRUE(gl->SaveToStream(&s));
  return std::vector<uint8_t>(s.Memory(), s.Memory() + s.Size());
}

inline bool Load(TOpenGl* gl, const std::vector<uint8_t>& b) {
  TMemoryStream s;
  if (!b.empty()) s.Write(b.data(), static_cast<int32_t>(b.size()));
  s.SetPosition(0);
  return gl->LoadFromStream(&s);
}

}  // namespace document_bytes
