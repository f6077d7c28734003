// Alignment of a windowed control's children: edges first, then the client area.
#include <algorithm>
#include <vector>

#include "framework/controls/controls.h"

namespace {
struct AlignGuard {
  bool& flag;
  bool old;
  explicit AlignGuard(bool& f) : flag(f), old(f) { flag = true; }
  ~AlignGuard() { flag = old; }
};
}  // namespace

// Controls on one edge stack in the order of their present position, so a host that places them
// before aligning decides their order; ties keep the order in which they were inserted. Edge controls
// keep their size even past the far side (captions may run beyond a narrow strip); the client
// control gets what is left, or nothing.
void TWinControl::AlignControls() {
  if (FAligning) return;
  AlignGuard guard(FAligning);

  int left = 0, top = 0, right = std::max(0, FWidth), bottom = std::max(0, FHeight);

  auto collect = [this](TAlign a) {
    std::vector<TControl*> list;
    for (TControl* c : FControls)
      if (c->Align() == a && c->Visible()) list.push_back(c);
    return list;
  };

  std::vector<TControl*> tops = collect(alTop);
  std::stable_sort(tops.begin(), tops.end(), [](TControl* a, TControl* b) { return a->Top() < b->Top(); });
  for (TControl* c : tops) {
    c->SetBounds(left, top, right - left, c->Height());
    top += c->Height();
  }

  std::vector<TControl*> bottoms = collect(alBottom);
  std::stable_sort(bottoms.begin(), bottoms.end(), [](TControl* a, TControl* b) {
    return a->Top() + a->Height() > b->Top() + b->Height();
  });
  for (TControl* c : bottoms) {
    c->SetBounds(left, bottom - c->Height(), right - left, c->Height());
    bottom -= c->Height();
  }

  std::vector<TControl*> lefts = collect(alLeft);
  std::stable_sort(lefts.begin(), lefts.end(), [](TControl* a, TControl* b) { return a->Left() < b->Left(); });
  for (TControl* c : lefts) {
    c->SetBounds(left, top, c->Width(), bottom - top);
    left += c->Width();
  }

  std::vector<TControl*> rights = collect(alRight);
  std::stable_sort(rights.begin(), rights.end(), [](TControl* a, TControl* b) {
    return a->Left() + a->Width() > b->Left() + b->Width();
  });
  for (TControl* c : rights) {
    c->SetBounds(right - c->Width(), top, c->Width(), bottom - top);
    right -= c->Width();
  }

  for (TControl* c : collect(alClient)) c->SetBounds(left, top, right - left, bottom - top);
}
