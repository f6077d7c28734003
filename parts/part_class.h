// Part kinds: what each kind is called, the tag of its record, how one is made, and its fields; and the one
// registry of kinds that the file reader, the viewer and the editor look kinds up in.
#pragma once

#include <memory>
#include <vector>

#include "parts/part_fields.h"

class TPart;
class TPartClass;

// The part base's own class: the common record every kind starts with.
const TPartClass& TPartBaseClass();

class TPartClass {
public:
  // tag: the record's class tag in the scene file (0: the kind has none); base: the kind it extends (its
  // fields come first), null for the part base itself.
  TPartClass(const char* name, const char* caption, int tag, const TPartClass* base, TPart* (*create)(),
             TPartFields fields, int version = 0);
  TPartClass(TPartClass&&) = default;

  // The class name ("TPartCube") and the word a person reads ("Cube").
  const char* Name() const { return FName; }
  const char* Caption() const { return FCaption; }
  int Tag() const { return FTag; }
  const TPartClass* Base() const { return FBase; }
  // The scene file version that brought the kind: a file holding one is written at least at it.
  int Version() const { return FVersion; }
  // A new part of the kind with its constructor's values; null for the part base.
  TPart* Create() const { return FCreate ? FCreate() : nullptr; }
  // The kind's own fields, after its base's.
  const TPartFields& Fields() const { return FFields; }
  // Calls f for every field, the base's first.
  template <class F>
  void EachField(F f) const {
    if (FBase) FBase->EachField(f);
    for (const auto& field : FFields) f(*field);
  }

  // The kind's own fields (not the base's), chained on success as the record is.
  bool SaveFields(TPart& part, TSceneFile& file, bool ok) const;
  bool LoadFields(TPart& part, TSceneFile& file, bool ok) const;
  // The fields down from the part base, whose own values CopyTo copies.
  void CopyFields(const TPart& from, TPart& to) const;
  void ShowFields(const TPart& part, TPartFieldVisitor& visitor) const;
  // The point list among the fields, if the kind has one.
  const TPartPointList* PointList() const;

private:
  const char* FName;
  const char* FCaption;
  int FTag;
  const TPartClass* FBase;
  TPart* (*FCreate)();
  TPartFields FFields;
  int FVersion;
};

// The kinds known to the file reader, the viewer and the editor, in the order of their tags.
class TPartClasses {
public:
  // False (and nothing registered) when another kind has the name or the tag already. The built-in kinds
  // are registered before the first look-up.
  static bool Register(const TPartClass& kind);
  static const TPartClass* ByTag(int tag);
  static const TPartClass* ByName(const char* name);
  static const std::vector<const TPartClass*>& All();
};

// Builds a kind's class: `TPartClassBuilder<TPartDisk>("TPartDisk", "Disk", 13).Fields([](auto& f) {...})`.
template <class P>
class TPartClassBuilder {
public:
  TPartClassBuilder(const char* name, const char* caption, int tag) : FName(name), FCaption(caption), FTag(tag) {}
  // The file version that brought the kind (0: every version holds it).
  TPartClassBuilder& Version(int version) {
    FVersion = version;
    return *this;
  }
  template <class Declare>
  TPartClass Fields(Declare declare, const TPartClass* base = nullptr) {
    TPartFields fields;
    TPartFieldList<P> list(fields);
    declare(list);
    return TPartClass(FName, FCaption, FTag, base ? base : &TPartBaseClass(), [] { return static_cast<TPart*>(new P); },
                      std::move(fields), FVersion);
  }

private:
  const char* FName;
  const char* FCaption;
  int FTag;
  int FVersion = 0;
};

// One line in a kind's source file adds it to the registry: `static TPartRegistration reg(TPartPyramid::Class());`
// (the built-in kinds are listed in part_kinds.cpp).
struct TPartRegistration {
  explicit TPartRegistration(const TPartClass& kind) { Registered = TPartClasses::Register(kind); }
  bool Registered;
};
