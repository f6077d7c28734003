// The registry of part kinds and what a kind's class does with its fields.
#include "parts/part_class.h"

#include <cstdio>
#include <cstring>

TPartClass::TPartClass(const char* name, const char* caption, int tag, const TPartClass* base, TPart* (*create)(),
                       TPartFields fields, int version)
    : FName(name),
      FCaption(caption),
      FTag(tag),
      FBase(base),
      FCreate(create),
      FFields(std::move(fields)),
      FVersion(version) {}

bool TPartClass::SaveFields(TPart& part, TSceneFile& file, bool ok) const {
  for (const auto& field : FFields) ok = ok && field->Save(part, file);
  return ok;
}

bool TPartClass::LoadFields(TPart& part, TSceneFile& file, bool ok) const {
  for (const auto& field : FFields) ok = field->Load(part, file, ok);
  return ok;
}

void TPartClass::CopyFields(const TPart& from, TPart& to) const {
  if (!FBase) return;
  FBase->CopyFields(from, to);
  for (const auto& field : FFields) field->Copy(from, to);
}

void TPartClass::ShowFields(const TPart& part, TPartFieldVisitor& visitor) const {
  EachField([&](const TPartField& field) { field.Show(part, visitor); });
}

const TPartPointList* TPartClass::PointList() const {
  const TPartPointList* found = nullptr;
  EachField([&](const TPartField& field) {
    if (!found) found = field.PointList();
  });
  return found;
}

void RegisterBuiltInPartKinds();

namespace {
std::vector<const TPartClass*>& Kinds() {
  static std::vector<const TPartClass*> kinds;
  static bool builtIn = false;
  if (!builtIn) {
    builtIn = true;
    RegisterBuiltInPartKinds();
  }
  return kinds;
}
}  // namespace

bool TPartClasses::Register(const TPartClass& kind) {
  for (const TPartClass* known : Kinds()) {
    if (known == &kind) return true;
    if (std::strcmp(known->Name(), kind.Name()) == 0 || (kind.Tag() != 0 && known->Tag() == kind.Tag())) {
      // Two kinds under one tag would make files ambiguous: the second is refused, loudly.
      std::fprintf(stderr, "parts: %s not registered: its name or record tag %d is taken by %s\n", kind.Name(),
                   kind.Tag(), known->Name());
      return false;
    }
  }
  // In tag order, whatever order the kinds' files were initialised in, so lists made from it stay put.
  auto& kinds = Kinds();
  auto at = kinds.begin();
  while (at != kinds.end() && (*at)->Tag() != 0 && ((*at)->Tag() < kind.Tag() || kind.Tag() == 0)) ++at;
  kinds.insert(at, &kind);
  return true;
}

const TPartClass* TPartClasses::ByTag(int tag) {
  if (tag == 0) return nullptr;
  for (const TPartClass* kind : Kinds())
    if (kind->Tag() == tag) return kind;
  return nullptr;
}

const TPartClass* TPartClasses::ByName(const char* name) {
  if (!name) return nullptr;
  for (const TPartClass* kind : Kinds())
    if (std::strcmp(kind->Name(), name) == 0) return kind;
  return nullptr;
}

const std::vector<const TPartClass*>& TPartClasses::All() { return Kinds(); }
