// Root classes of the component framework: objects, persistence, components, events,
// strings, pointer and string lists, and the framework's exceptions.
#pragma once

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

class TObject;

// A method pointer bound to its object. Cheap to copy and comparable.
class TNotifyEvent {
public:
  using Method = void (TObject::*)(TObject* Sender);

  TNotifyEvent() = default;
  TNotifyEvent(TObject* object, Method method) : FObject(object), FMethod(method) {}

  bool Assigned() const { return FObject != nullptr && FMethod != nullptr; }
  explicit operator bool() const { return Assigned(); }
  void operator()(TObject* Sender) const {
    if (Assigned()) (FObject->*FMethod)(Sender);
  }
  bool operator==(const TNotifyEvent& o) const { return FObject == o.FObject && FMethod == o.FMethod; }
  bool operator!=(const TNotifyEvent& o) const { return !(*this == o); }
  TObject* Object() const { return FObject; }

private:
  TObject* FObject = nullptr;
  Method FMethod = nullptr;
};

// Binds obj->method as a notify event; the class must derive from TObject.
template <class T>
TNotifyEvent MakeEvent(T* obj, void (T::*method)(TObject*)) {
  return TNotifyEvent(obj, static_cast<TNotifyEvent::Method>(method));
}

// A method pointer with a Sender and further arguments, bound to its object (mouse and key events).
template <class... Args>
class TMethodEvent {
public:
  using Method = void (TObject::*)(TObject* Sender, Args...);

  TMethodEvent() = default;
  TMethodEvent(TObject* object, Method method) : FObject(object), FMethod(method) {}

  bool Assigned() const { return FObject != nullptr && FMethod != nullptr; }
  explicit operator bool() const { return Assigned(); }
  void operator()(TObject* Sender, Args... args) const {
    if (Assigned()) (FObject->*FMethod)(Sender, args...);
  }
  bool operator==(const TMethodEvent& o) const { return FObject == o.FObject && FMethod == o.FMethod; }
  bool operator!=(const TMethodEvent& o) const { return !(*this == o); }

private:
  TObject* FObject = nullptr;
  Method FMethod = nullptr;
};

template <class T, class... Args>
TMethodEvent<Args...> MakeEvent(T* obj, void (T::*method)(TObject*, Args...)) {
  return TMethodEvent<Args...>(obj, static_cast<typename TMethodEvent<Args...>::Method>(method));
}

// The framework's 8-bit string.
class AnsiString {
public:
  AnsiString() = default;
  AnsiString(const char* s) : FData(s ? s : "") {}
  AnsiString(const char* s, size_t n) : FData(s ? std::string(s, n) : std::string()) {}
  AnsiString(const std::string& s) : FData(s) {}

  const char* c_str() const { return FData.c_str(); }
  int Length() const { return static_cast<int>(FData.size()); }
  bool IsEmpty() const { return FData.empty(); }
  const std::string& str() const { return FData; }

  bool operator==(const AnsiString& o) const { return FData == o.FData; }
  bool operator!=(const AnsiString& o) const { return FData != o.FData; }
  bool operator==(const char* o) const { return FData == (o ? o : ""); }
  bool operator!=(const char* o) const { return !(*this == o); }
  AnsiString operator+(const AnsiString& o) const { return AnsiString(FData + o.FData); }
  AnsiString& operator+=(const AnsiString& o) { FData += o.FData; return *this; }

private:
  std::string FData;
};

// Exceptions of the framework (never raised by the system's own code).
class Exception : public std::runtime_error {
public:
  explicit Exception(const std::string& msg) : std::runtime_error(msg) {}
};
class EStreamError : public Exception { using Exception::Exception; };
class EFCreateError : public EStreamError { using EStreamError::EStreamError; };
class EFOpenError : public EStreamError { using EStreamError::EStreamError; };
class EReadError : public EStreamError { using EStreamError::EStreamError; };
class EWriteError : public EStreamError { using EStreamError::EStreamError; };
class EInvalidGraphic : public Exception { using Exception::Exception; };
class EListError : public Exception { using Exception::Exception; };
class EConvertError : public Exception { using Exception::Exception; };
class EOutOfResources : public Exception { using Exception::Exception; };

// A window message record; the typed records (TWMSize, TWMMouse, TWMPaint) are built from its fields.
struct TMessage {
  unsigned Msg = 0;
  uintptr_t WParam = 0;
  intptr_t LParam = 0;
  intptr_t Result = 0;
};

class TObject {
public:
  TObject() = default;
  virtual ~TObject() = default;
  TObject(const TObject&) = delete;
  TObject& operator=(const TObject&) = delete;

  // Routes a message record (starting with its number) to a handler; the root ignores it.
  virtual void Dispatch(void* Message);
  virtual void DefaultHandler(void* Message);
};

class TPersistent : public TObject {
public:
  virtual void AssignTo(TPersistent* Dest);
  virtual void DefineProperties(void* Filer);
  // Copies Source into this object; unsupported sources raise EConvertError.
  virtual void Assign(TPersistent* Source);
};

class TComponent;

// Tells whether a component still exists, without keeping it: code that runs a handler which may delete
// the component (or its form) takes one first and asks it before touching the component again.
class TLiveness {
public:
  TLiveness() = default;  // watches nothing: never alive
  bool Alive() const { return !FFlag.expired(); }
  explicit operator bool() const { return Alive(); }

private:
  friend class TComponent;
  explicit TLiveness(const std::shared_ptr<char>& flag) : FFlag(flag) {}
  std::weak_ptr<char> FFlag;
};

class TComponent : public TPersistent {
public:
  explicit TComponent(TComponent* AOwner);
  ~TComponent() override;

  TComponent* Owner() const { return FOwner; }
  int ComponentCount() const { return static_cast<int>(FComponents.size()); }
  TComponent* Components(int i) const { return FComponents.at(i); }
  // Runs once after the published properties have been read (the host calls it for components made in code).
  virtual void Loaded();
  // Asks for a Notification(this, opRemove) when this component is destroyed; both sides forget on either's death.
  void FreeNotification(TComponent* AComponent);
  void RemoveFreeNotification(TComponent* AComponent);

  AnsiString Name;
  int Tag = 0;
  // A watch that reads false once this component is destroyed.
  TLiveness Liveness() const;

protected:
  enum TOperation { opInsert, opRemove };
  // Told that AComponent is going away; it must not be used afterwards.
  virtual void Notification(TComponent* AComponent, TOperation Operation);
  void InsertComponent(TComponent* c);
  void RemoveComponent(TComponent* c);
  // Deletes the owned components, last created first.
  void DestroyComponents();

private:
  TComponent* FOwner = nullptr;
  std::vector<TComponent*> FComponents;
  std::vector<TComponent*> FFreeNotifies;
  // Made when first watched; its end is what the watches see.
  mutable std::shared_ptr<char> FAlive;
};

// An ordered list of pointers.
class TList {
public:
  int Add(void* item);
  void Insert(int index, void* item);
  int IndexOf(void* item) const;
  void Delete(int index);
  int Remove(void* item);
  void Clear() { FItems.clear(); }
  int Count() const { return static_cast<int>(FItems.size()); }
  void* Items(int index) const;
  void* operator[](int index) const { return Items(index); }

private:
  std::vector<void*> FItems;
};

// A list of strings with a change event, fired after each change (once after a copy).
class TStringList : public TPersistent {
public:
  int Add(const AnsiString& s);
  void Clear();
  int Count() const { return static_cast<int>(FItems.size()); }
  AnsiString Strings(int index) const;
  void SetStrings(int index, const AnsiString& s);
  void Assign(TPersistent* Source) override;

  TNotifyEvent OnChange;

private:
  void Changed();
  std::vector<AnsiString> FItems;
};

// printf-style formatting into a string.
AnsiString Format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
