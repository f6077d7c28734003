// Writes a viewport's scene as JSON, with the member and property names as keys.
#include "scene_dump.h"

#include <cmath>
#include <vector>

#include "opengl/luce.h"
#include "opengl/opengl.h"
#include "parts/parts.h"

std::string JsonNumber(double v, int digits) {
  if (std::isnan(v)) return "\"NaN\"";
  if (std::isinf(v)) return v > 0 ? "\"Infinity\"" : "\"-Infinity\"";
  char text[40];
  std::snprintf(text, sizeof text, "%.*g", digits, v);
  return text;
}

std::string JsonString(const std::string& s) {
  std::string out = "\"";
  for (unsigned char c : s) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20 || c >= 0x7F) {
      char esc[8];
      std::snprintf(esc, sizeof esc, "\\u%04x", c);
      out += esc;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

namespace {

// A JSON object written member by member, indented by depth.
class Writer {
public:
  Writer(FILE* out) : FOut(out) {}
  void Open(char bracket) {
    std::fputc(bracket, FOut);
    FFirst.push_back(true);
  }
  void Close(char bracket) {
    bool empty = FFirst.back();
    FFirst.pop_back();
    if (!empty) Newline();
    std::fputc(bracket, FOut);
  }
  void Key(const char* key) {
    Next();
    std::fprintf(FOut, "%s: ", JsonString(key).c_str());
  }
  void Item() { Next(); }
  void Raw(const std::string& text) { std::fputs(text.c_str(), FOut); }
  void Float(const char* key, float v) { Key(key); Raw(JsonNumber(v, 9)); }
  void Int(const char* key, long long v) { Key(key); Raw(std::to_string(v)); }
  void Bool(const char* key, bool v) { Key(key); Raw(v ? "true" : "false"); }
  void String(const char* key, const std::string& v) { Key(key); Raw(JsonString(v)); }
  // A flat array on one line.
  template <class T>
  void Array(const char* key, const T* v, int n, int digits) {
    Key(key);
    std::string text = "[";
    for (int i = 0; i < n; ++i) text += (i ? ", " : "") + JsonNumber(static_cast<double>(v[i]), digits);
    Raw(text + "]");
  }

private:
  void Next() {
    if (!FFirst.back()) std::fputc(',', FOut);
    FFirst.back() = false;
    Newline();
  }
  void Newline() {
    std::fputc('\n', FOut);
    for (size_t i = 0; i < FFirst.size(); ++i) std::fputs("  ", FOut);
  }
  FILE* FOut;
  std::vector<bool> FFirst;
};

void Vector(Writer& w, const char* key, TFloatVector* v) {
  float e[4] = {v->GetElement(0), v->GetElement(1), v->GetElement(2), v->GetElement(3)};
  w.Array(key, e, 4, 9);
}

}  // namespace

const char* PartClassName(TPart* p) { return p->PartClass().Name(); }

namespace {

// A part's fields as JSON members, in the order its kind declares them.
class FieldWriter : public TPartFieldVisitor {
public:
  explicit FieldWriter(Writer& w) : w(w) {}
  void Float(const char* name, float v) override { w.Float(name, v); }
  void Int(const char* name, int v) override { w.Int(name, v); }
  void Flag(const char* name, bool v) override { w.Bool(name, v); }
  void String(const char* name, const AnsiString& v) override { w.String(name, v.str()); }
  void Ints(const char* name, const int* v, int n) override { w.Array(name, v, n, 10); }
  void Doubles(const char* name, const double* v, int n) override { w.Array(name, v, n, 17); }
  void Points(const char* name, const float* xyz, int n) override {
    w.Key(name);
    w.Open('[');
    for (int i = 0; xyz && i < n; ++i) {
      w.Item();
      std::string text = "[";
      for (int k = 0; k < 3; ++k) text += (k ? ", " : "") + JsonNumber(xyz[i * 3 + k], 9);
      w.Raw(text + "]");
    }
    w.Close(']');
  }

private:
  Writer& w;
};

void Part(Writer& w, TPart* p) {
  w.Open('{');
  w.String("class", PartClassName(p));
  FieldWriter fields(w);
  p->PartClass().ShowFields(*p, fields);
  // The one structure every scene has: groups hold parts.
  if (auto* g = dynamic_cast<TPartGroup*>(p)) {
    w.Key("Parts");
    w.Open('[');
    for (int i = 0; i < g->Count(); ++i) {
      w.Item();
      Part(w, g->Part(i));
    }
    w.Close(']');
  }
  w.Close('}');
}

void Light(Writer& w, TLuce* l) {
  static const char* const names[24] = {
      "PositionX", "PositionY", "PositionZ", "PositionW", "AmbientR",  "AmbientG",     "AmbientB",   "AmbientA",
      "DiffuseR",  "DiffuseG",  "DiffuseB",  "DiffuseA",  "SpecularR", "SpecularG",    "SpecularB",  "SpecularA",
      "SpotDirX",  "SpotDirY",  "SpotDirZ",  "SpotExponent", "SpotCutoff", "SpotConstAtt", "SpotLinearAtt",
      "SpotQuadAtt"};
  w.Open('{');
  w.Bool("Enabled", l->Enabled);
  const float* v = l->Floats();
  for (int i = 0; i < 24; ++i) w.Float(names[i], v[i]);
  w.Close('}');
}

}  // namespace

void DumpScene(FILE* out, TOpenGl* gl) {
  Writer w(out);
  w.Open('{');
  w.Bool("Animation", gl->Animation());
  w.Bool("ProjectionOrtho", gl->ProjectionOrtho());
  w.Float("ProjectionWidth", gl->ProjectionWidth());
  w.Float("ProjectionHeight", gl->ProjectionHeight());
  w.Float("ProjectionNear", gl->ProjectionNear());
  w.Float("ProjectionFar", gl->ProjectionFar());
  w.Float("ProjectionYAngle", gl->ProjectionYAngle());
  Vector(w, "EyePosition", gl->EyePosition());
  Vector(w, "EyeTarget", gl->EyeTarget());
  Vector(w, "EyeUp", gl->EyeUp());
  Vector(w, "ClearColor", gl->ClearColor());
  w.Key("Root");
  Part(w, gl->Root());
  w.Key("Lights");
  w.Open('[');
  for (int i = 0; i < LIGHT_SLOTS; ++i) {
    w.Item();
    Light(w, gl->GetLight(i));
  }
  w.Close(']');
  w.Key("Textures");
  w.Open('[');
  for (int i = 0; i < TEXTURE_SLOTS; ++i) {
    w.Item();
    w.Open('{');
    TPicture* picture = gl->GetPicture(i);
    TGraphic* graphic = picture ? picture->Graphic() : nullptr;
    bool empty = !graphic || graphic->Empty();
    w.Int("Width", empty ? 0 : graphic->Width());
    w.Int("Height", empty ? 0 : graphic->Height());
    w.Int("TextureMinFilter", gl->GetTextureMinFilter(i));
    w.Int("TextureMagFilter", gl->GetTextureMagFilter(i));
    w.Int("TextureWrapS", gl->GetTextureWrapS(i));
    w.Int("TextureWrapT", gl->GetTextureWrapT(i));
    w.Int("TextureEnvMode", gl->GetTextureEnvMode(i));
    w.Close('}');
  }
  w.Close(']');
  w.Close('}');
  std::fputc('\n', out);
}
