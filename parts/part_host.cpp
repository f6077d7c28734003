// Viewports known to parts by the pointer a host hands them, and the links that outlive a viewport.
#include "parts/part_host.h"

#include <unordered_map>

struct TPartHost::Link {
  TOpenGl* Viewport = nullptr;
  TPartHost* Host = nullptr;
  int Refs = 1;
};

namespace {
std::unordered_map<const TOpenGl*, TPartHost::Link*>& LiveHosts() {
  static std::unordered_map<const TOpenGl*, TPartHost::Link*> hosts;
  return hosts;
}
}  // namespace

TPartHost::TPartHost(TOpenGl* viewport) : FLink(new Link{viewport, this, 1}) { LiveHosts()[viewport] = FLink; }

TPartHost::~TPartHost() {
  auto& hosts = LiveHosts();
  auto it = hosts.find(FLink->Viewport);
  if (it != hosts.end() && it->second == FLink) hosts.erase(it);
  // Parts that outlive the viewport keep the link, now naming nobody.
  FLink->Viewport = nullptr;
  FLink->Host = nullptr;
  if (--FLink->Refs == 0) delete FLink;
}

TPartOwner::TPartOwner(const TPartOwner& other) : FLink(other.FLink) {
  if (FLink) ++FLink->Refs;
}

TPartOwner& TPartOwner::operator=(const TPartOwner& other) {
  if (other.FLink) ++other.FLink->Refs;
  Drop();
  FLink = other.FLink;
  return *this;
}

TPartOwner::~TPartOwner() { Drop(); }

void TPartOwner::Drop() {
  if (FLink && --FLink->Refs == 0) delete FLink;
  FLink = nullptr;
}

void TPartOwner::Set(TOpenGl* viewport) {
  if (FLink && FLink->Host && FLink->Viewport == viewport) return;
  Drop();
  if (!viewport) return;
  auto& hosts = LiveHosts();
  auto it = hosts.find(viewport);
  if (it != hosts.end()) {
    FLink = it->second;
    ++FLink->Refs;
  } else {
    FLink = new TPartHost::Link{viewport, nullptr, 1};
  }
}

TOpenGl* TPartOwner::Viewport() const { return FLink ? FLink->Viewport : nullptr; }

TPartHost* TPartOwner::Host() const { return FLink ? FLink->Host : nullptr; }
