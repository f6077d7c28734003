// Shared test helpers: event counting, the hand-driven clock, pixel reads.
#pragma once

#include <vector>

#include "framework/core/core.h"

// Counts the notifications it receives and remembers their senders.
class EventCounter : public TObject {
public:
  int Count = 0;
  TObject* LastSender = nullptr;
  std::vector<TObject*> Senders;
  void Handle(TObject* Sender) {
    ++Count;
    LastSender = Sender;
    Senders.push_back(Sender);
  }
  TNotifyEvent Event() { return MakeEvent(this, &EventCounter::Handle); }
};

struct Rgba { unsigned char r, g, b, a; };
