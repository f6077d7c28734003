// Objects and components (ownership, free notification), lists, string lists and Format.
#include "framework/core/core.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>

void TObject::Dispatch(void* Message) { DefaultHandler(Message); }
void TObject::DefaultHandler(void*) {}

void TPersistent::AssignTo(TPersistent* Dest) {
  (void)Dest;
  throw EConvertError("Cannot assign");
}
void TPersistent::DefineProperties(void*) {}
void TPersistent::Assign(TPersistent* Source) {
  if (Source) Source->AssignTo(this);
  else throw EConvertError("Cannot assign nil");
}

TComponent::TComponent(TComponent* AOwner) : FOwner(AOwner) {
  if (FOwner) FOwner->InsertComponent(this);
}

TComponent::~TComponent() {
  FAlive.reset();
  // Those who watch this component hear of its end before anything of it is gone.
  while (!FFreeNotifies.empty()) {
    TComponent* c = FFreeNotifies.back();
    FFreeNotifies.pop_back();
    c->RemoveFreeNotification(this);
    c->Notification(this, opRemove);
  }
  DestroyComponents();
  if (FOwner) FOwner->RemoveComponent(this);
}

void TComponent::DestroyComponents() {
  while (!FComponents.empty()) {
    TComponent* c = FComponents.back();
    FComponents.pop_back();
    c->FOwner = nullptr;
    delete c;
  }
}

TLiveness TComponent::Liveness() const {
  if (!FAlive) FAlive = std::make_shared<char>(0);
  return TLiveness(FAlive);
}

void TComponent::Loaded() {}
void TComponent::Notification(TComponent*, TOperation) {}

void TComponent::FreeNotification(TComponent* AComponent) {
  if (!AComponent || AComponent == this) return;
  if (std::find(FFreeNotifies.begin(), FFreeNotifies.end(), AComponent) == FFreeNotifies.end())
    FFreeNotifies.push_back(AComponent);
  // Both ways, so neither keeps a pointer to the other past its death.
  if (std::find(AComponent->FFreeNotifies.begin(), AComponent->FFreeNotifies.end(), this) ==
      AComponent->FFreeNotifies.end())
    AComponent->FFreeNotifies.push_back(this);
}

void TComponent::RemoveFreeNotification(TComponent* AComponent) {
  FFreeNotifies.erase(std::remove(FFreeNotifies.begin(), FFreeNotifies.end(), AComponent), FFreeNotifies.end());
  if (AComponent)
    AComponent->FFreeNotifies.erase(std::remove(AComponent->FFreeNotifies.begin(), AComponent->FFreeNotifies.end(), this),
                                    AComponent->FFreeNotifies.end());
}
void TComponent::InsertComponent(TComponent* c) { FComponents.push_back(c); }
void TComponent::RemoveComponent(TComponent* c) {
  auto it = std::find(FComponents.begin(), FComponents.end(), c);
  if (it != FComponents.end()) FComponents.erase(it);
}

int TList::Add(void* item) {
  FItems.push_back(item);
  return Count() - 1;
}
void TList::Insert(int index, void* item) {
  if (index < 0 || index > Count()) throw EListError("List index out of bounds");
  FItems.insert(FItems.begin() + index, item);
}
int TList::IndexOf(void* item) const {
  auto it = std::find(FItems.begin(), FItems.end(), item);
  return it == FItems.end() ? -1 : static_cast<int>(it - FItems.begin());
}
void TList::Delete(int index) {
  if (index < 0 || index >= Count()) throw EListError("List index out of bounds");
  FItems.erase(FItems.begin() + index);
}
int TList::Remove(void* item) {
  int i = IndexOf(item);
  if (i >= 0) Delete(i);
  return i;
}
void* TList::Items(int index) const {
  if (index < 0 || index >= Count()) throw EListError("List index out of bounds");
  return FItems[index];
}

int TStringList::Add(const AnsiString& s) {
  FItems.push_back(s);
  Changed();
  return Count() - 1;
}
void TStringList::Clear() {
  FItems.clear();
  Changed();
}
AnsiString TStringList::Strings(int index) const {
  if (index < 0 || index >= Count()) throw EListError("List index out of bounds");
  return FItems[index];
}
void TStringList::SetStrings(int index, const AnsiString& s) {
  if (index < 0 || index >= Count()) throw EListError("List index out of bounds");
  FItems[index] = s;
  Changed();
}
void TStringList::Assign(TPersistent* Source) {
  auto* src = dynamic_cast<TStringList*>(Source);
  if (!src) {
    TPersistent::Assign(Source);
    return;
  }
  if (src != this) FItems = src->FItems;
  Changed();
}
void TStringList::Changed() { OnChange(this); }

AnsiString Format(const char* fmt, ...) {
  va_list ap;
  va_start(ap, fmt);
  va_list ap2;
  va_copy(ap2, ap);
  int n = std::vsnprintf(nullptr, 0, fmt, ap);
  va_end(ap);
  std::string out;
  if (n > 0) {
    out.resize(static_cast<size_t>(n));
    std::vsnprintf(&out[0], out.size() + 1, fmt, ap2);
  }
  va_end(ap2);
  return AnsiString(out);
}
