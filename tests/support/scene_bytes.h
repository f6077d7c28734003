// Builds scene-file bytes by hand, little-endian, the way the format stores them.
#pragma once

#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

struct SceneBytes {
  std::vector<uint8_t> b;
  SceneBytes& Int(int32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(static_cast<uint32_t>(v) >> (8 * i)));
    return *this;
  }
  SceneBytes& Float(float f) {
    int32_t bits;
    std::memcpy(&bits, &f, 4);
    return Int(bits);
  }
  SceneBytes& Floats(std::initializer_list<float> fs) {
    for (float f : fs) Float(f);
    return *this;
  }
  SceneBytes& Str(const std::string& s) {
    Int(static_cast<int32_t>(s.size()));
    b.insert(b.end(), s.begin(), s.end());
    return *this;
  }
  SceneBytes& Append(const SceneBytes& o) {
    b.insert(b.end(), o.b.begin(), o.b.end());
    return *this;
  }
  // The common record of a new part named `name`, as a file of `version` holds it.
  SceneBytes& Common(const std::string& name, int version = 4) {
    Str(name).Floats({0, 0, 0, 1, 1, 1, 0, 0, 0, 0});
    if (version >= 1) Floats({0.2f, 0.2f, 0.2f, 1, 0.8f, 0.8f, 0.8f, 1, 0, 0, 0, 1, 0, 0, 0, 1, 0}).Int(-2).Int(0);
    if (version >= 3)
      for (int i = 0; i < 6; ++i) Int(0).Floats({0, 0, 0, 0});
    return *this;
  }
};
