// The values of a part kind, declared once in file order: the scene file, copies, the viewer's dump and the
// editor all read the declaration.
#pragma once

#include <cmath>
#include <functional>
#include <memory>
#include <type_traits>
#include <vector>

#include "files/files.h"
#include "framework/core/core.h"

class TPart;

// Receives a part's values by name, in declaration order.
class TPartFieldVisitor {
public:
  virtual ~TPartFieldVisitor() = default;
  virtual void Float(const char* name, float v) = 0;
  virtual void Int(const char* name, int v) = 0;
  virtual void Flag(const char* name, bool v) = 0;
  virtual void String(const char* name, const AnsiString& v) = 0;
  virtual void Ints(const char* name, const int* v, int n) = 0;
  virtual void Doubles(const char* name, const double* v, int n) = 0;
  // n points of (x, y, z), one after the other.
  virtual void Points(const char* name, const float* xyz, int n) = 0;
};

// How an editor offers a value: the editor it shares with its neighbours (up to four values side by side),
// its label there, and the range offered. Min..Max is the scroll bar's range, which a typed value beyond it
// widens; LimitMin..LimitMax (set with Limit) is what the kind can take at all, and a value outside is refused.
struct TFieldEditor {
  const char* Group = nullptr;  // null: no editor
  const char* Label = nullptr;
  float Min = 0, Max = 0;
  float LimitMin = -1e30f, LimitMax = 1e30f;
  float Step = 0;  // the scroll bar's arrow step; 0: 1 for whole numbers, 0.1 otherwise
};

// A list of points that an editor walks one at a time (a polygon's points).
class TPartPointList {
public:
  virtual ~TPartPointList() = default;
  virtual int Count(TPart& part) const = 0;
  virtual void GetPoint(TPart& part, int i, float xyz[3]) const = 0;
  virtual void SetPoint(TPart& part, int i, const float xyz[3]) const = 0;
  virtual void Resize(TPart& part, int n) const = 0;
};

class TPartField {
public:
  TPartField(const char* name, int version) : FName(name), FVersion(version) {}
  virtual ~TPartField() = default;
  TPartField(const TPartField&) = delete;
  TPartField& operator=(const TPartField&) = delete;

  const char* Name() const { return FName; }
  // The file version that brought the value: older files leave it at its default.
  int Version() const { return FVersion; }
  const TFieldEditor& Editor() const { return FEditor; }
  void SetEditor(const TFieldEditor& editor) { FEditor = editor; }

  virtual bool Save(TPart& part, TSceneFile& file) const = 0;
  // ok: whether the record read well so far. A field reads only then, unless its format says otherwise.
  virtual bool Load(TPart& part, TSceneFile& file, bool ok) const = 0;
  virtual void Copy(const TPart& from, TPart& to) const = 0;
  virtual void Show(const TPart& part, TPartFieldVisitor& visitor) const = 0;
  // A single number an editor changes through the kind's setter.
  virtual bool Numeric() const { return false; }
  virtual bool Integral() const { return false; }
  virtual double Get(const TPart&) const { return 0; }
  virtual void Set(TPart&, double) const {}
  virtual const TPartPointList* PointList() const { return nullptr; }

private:
  const char* FName;
  int FVersion;
  TFieldEditor FEditor;
};

using TPartFields = std::vector<std::unique_ptr<TPartField>>;

namespace part_field_io {
inline bool Write(TSceneFile& f, float v) { return f.WriteFloat(v); }
inline bool Write(TSceneFile& f, int v) { return f.WriteInt(v); }
inline bool Write(TSceneFile& f, bool v) { return f.WriteInt(v ? 1 : 0); }
inline bool Write(TSceneFile& f, const AnsiString& v) { return f.WriteString(v); }
inline bool Read(TSceneFile& f, int version, float* v, float def) { return f.ReadFloat(version, v, def); }
inline bool Read(TSceneFile& f, int version, int* v, int def) { return f.ReadInt(version, v, def); }
// A flag is true for a stored 1 only.
inline bool Read(TSceneFile& f, int version, bool* v, bool def) {
  int stored = 0;
  const bool ok = f.ReadInt(version, &stored, def ? 1 : 0);
  *v = stored == 1;
  return ok;
}
// A string that cannot be read leaves the reader out of step with the file: nothing after it can be trusted.
inline bool Read(TSceneFile& f, int version, AnsiString* v, const AnsiString& def) {
  if (f.ReadString(version, v, def)) return true;
  f.Fail();
  return false;
}
inline void Show(TPartFieldVisitor& v, const char* name, float x) { v.Float(name, x); }
inline void Show(TPartFieldVisitor& v, const char* name, int x) { v.Int(name, x); }
inline void Show(TPartFieldVisitor& v, const char* name, bool x) { v.Flag(name, x); }
inline void Show(TPartFieldVisitor& v, const char* name, const AnsiString& x) { v.String(name, x); }
template <class T>
double Number(const T& v) { return static_cast<double>(v); }
inline double Number(const AnsiString&) { return 0; }
}  // namespace part_field_io

// A member of kind P of type T (float, int, bool or AnsiString), with the setter an editor calls.
template <class P, class T>
class TMemberField : public TPartField {
public:
  using Setter = void (P::*)(T);
  TMemberField(const char* name, int version, T P::*member, T def, Setter setter)
      : TPartField(name, version), FMember(member), FDefault(def), FSetter(setter) {}

  bool Save(TPart& part, TSceneFile& file) const override { return part_field_io::Write(file, Of(part)); }
  bool Load(TPart& part, TSceneFile& file, bool ok) const override {
    return ok && part_field_io::Read(file, Version(), &Of(part), FDefault);
  }
  void Copy(const TPart& from, TPart& to) const override { Of(to) = Of(from); }
  void Show(const TPart& part, TPartFieldVisitor& visitor) const override {
    part_field_io::Show(visitor, Name(), Of(part));
  }
  bool Numeric() const override { return !std::is_same<T, AnsiString>::value; }
  bool Integral() const override { return std::is_same<T, int>::value || std::is_same<T, bool>::value; }
  double Get(const TPart& part) const override { return part_field_io::Number(Of(part)); }
  void Set(TPart& part, double v) const override { Assign(static_cast<P&>(part), v); }

private:
  // Fields are only ever applied to parts of the kind that declared them.
  T& Of(TPart& part) const { return static_cast<P&>(part).*FMember; }
  const T& Of(const TPart& part) const { return static_cast<const P&>(part).*FMember; }
  template <class U = T>
  typename std::enable_if<!std::is_same<U, AnsiString>::value>::type Assign(P& part, double v) const {
    const U value = std::is_same<U, float>::value ? static_cast<U>(v) : static_cast<U>(std::lround(v));
    if (FSetter)
      (part.*FSetter)(value);
    else
      part.*FMember = value;
  }
  template <class U = T>
  typename std::enable_if<std::is_same<U, AnsiString>::value>::type Assign(P&, double) const {}

  T P::*FMember;
  T FDefault;
  Setter FSetter;
};

// Declares a kind's fields in file order: `f.Float("Height", &TPartCylinder::Height, 1.0f).Edit(...)`.
template <class P>
class TPartFieldList {
public:
  explicit TPartFieldList(TPartFields& fields) : FFields(fields) {}

  // The declaration just made, to give it a setter or an editor.
  class Entry {
  public:
    explicit Entry(TPartField* field) : FField(field) {}
    Entry& Edit(const char* group, const char* label, float min, float max) {
      TFieldEditor e = FField->Editor();
      e.Group = group;
      e.Label = label;
      e.Min = min;
      e.Max = max;
      FField->SetEditor(e);
      return *this;
    }
    // The values the kind accepts at all (typed values outside are refused).
    Entry& Limit(float min, float max) {
      TFieldEditor e = FField->Editor();
      e.LimitMin = min;
      e.LimitMax = max;
      FField->SetEditor(e);
      return *this;
    }
    // What one click on the scroll bar's arrow adds (a click in its trough adds ten).
    Entry& Step(float step) {
      TFieldEditor e = FField->Editor();
      e.Step = step;
      FField->SetEditor(e);
      return *this;
    }

  private:
    TPartField* FField;
  };

  template <class T>
  Entry Value(const char* name, T P::*member, T def, int version = 0, void (P::*setter)(T) = nullptr) {
    FFields.push_back(std::make_unique<TMemberField<P, T>>(name, version, member, def, setter));
    return Entry(FFields.back().get());
  }
  Entry Float(const char* name, float P::*member, float def, int version = 0, void (P::*setter)(float) = nullptr) {
    return Value<float>(name, member, def, version, setter);
  }
  Entry Int(const char* name, int P::*member, int def, int version = 0, void (P::*setter)(int) = nullptr) {
    return Value<int>(name, member, def, version, setter);
  }
  Entry Flag(const char* name, bool P::*member, bool def, int version = 0, void (P::*setter)(bool) = nullptr) {
    return Value<bool>(name, member, def, version, setter);
  }
  Entry String(const char* name, AnsiString P::*member, int version = 0) {
    return Value<AnsiString>(name, member, AnsiString(), version, nullptr);
  }
  // A field whose format is the kind's own (arrays, point lists).
  Entry Custom(std::unique_ptr<TPartField> field) {
    FFields.push_back(std::move(field));
    return Entry(FFields.back().get());
  }

private:
  TPartFields& FFields;
};
