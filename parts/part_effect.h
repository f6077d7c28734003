// What drawing a part leaves set for the parts drawn after it, so that a part left out of a frame
// can hand its successors the same state without drawing.
#pragma once

class TPart;
class TPartHost;

struct TPartEffect {
  // The texture unit: untouched, texturing switched off, a slot bound through the viewport, or a texture
  // name and mode seen bound by a list.
  enum TextureKind { tkKeep, tkDisable, tkSlot, tkName };
  TextureKind Texture = tkKeep;
  int Slot = 0;
  unsigned Name = 0;
  int EnvMode = 0;
  bool Material = false;
  float Ambient[4] = {}, Diffuse[4] = {}, Specular[4] = {}, Emission[4] = {};
  float Shininess = 0;
  // Capabilities a list switched on or off (bits of PartEffectCap), and texture generation modes it set.
  unsigned CapsOn = 0, CapsOff = 0;
  bool GenModes = false;
  int GenModeS = 0, GenModeT = 0;
  // The current vertex attributes the geometry left behind.
  bool Normal = false, TexCoord = false, Color = false;
  float N[3] = {}, T[4] = {}, C[4] = {};

  // The part's own state as its Paint sets it (texture slot, material), before any geometry.
  static TPartEffect OwnState(const TPart& part);
  // This effect followed by a later one.
  void Then(const TPartEffect& later);
  // Sets in GL what the effect leaves; slots bind through host (none: nothing for a slot).
  void Apply(TPartHost* host) const;
  bool Empty() const {
    return Texture == tkKeep && !Material && !Normal && !TexCoord && !Color && !CapsOn && !CapsOff && !GenModes;
  }
};

// The capabilities an effect tracks, by bit: what parts may switch on for the parts after them.
const int PART_EFFECT_CAPS = 12;
unsigned PartEffectCap(int bit);
