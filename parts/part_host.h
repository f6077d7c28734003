// What a part needs from the viewport that draws it, declared here so that parts never include the viewport.
#pragma once

#include <memory>

#include "framework/core/core.h"

class TOpenGl;
class TPart;
class TPartGroup;

// The GL context a part's display lists were compiled in.
class TPartListContext {
public:
  virtual ~TPartListContext() = default;
  // Deletes a part's own list (0: none) and drops its use of a shared geometry list (0: none) in this
  // context; issues no GL once the context is gone.
  virtual void ReleaseLists(unsigned list, unsigned sharedGeometry) = 0;
};

// Implemented by the viewport. A part reaches it only while the viewport lives: when it dies, every
// part that still names it forgets it.
class TPartHost {
public:
  explicit TPartHost(TOpenGl* viewport);
  virtual ~TPartHost();
  TPartHost(const TPartHost&) = delete;
  TPartHost& operator=(const TPartHost&) = delete;

  virtual void BindTexture(int index) = 0;
  virtual TPart* FindPart(AnsiString name) = 0;
  virtual TPartGroup* Root() const = 0;
  // The context lists are compiled in when it is the current one; null otherwise.
  virtual std::shared_ptr<TPartListContext> CurrentListContext() = 0;

  // What parts hold: the viewport and its interface, cleared when the viewport dies.
  struct Link;

private:
  Link* FLink;
};

// A part's reference to its viewport: the pointer a host gave, and the viewport's part interface for as
// long as that viewport lives. Pointers that name no live viewport are kept but reach nothing.
class TPartOwner {
public:
  TPartOwner() = default;
  TPartOwner(const TPartOwner& other);
  TPartOwner& operator=(const TPartOwner& other);
  ~TPartOwner();

  void Set(TOpenGl* viewport);
  TOpenGl* Viewport() const;
  TPartHost* Host() const;

private:
  void Drop();
  TPartHost::Link* FLink = nullptr;
};
