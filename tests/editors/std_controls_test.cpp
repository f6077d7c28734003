// The framework controls the editors stand on: scroll bar, label, panel and alignment.
#include <gtest/gtest.h>

#include <climits>

#include "framework/controls/application.h"
#include "framework/controls/controls.h"
#include "support/test_support.h"

TEST(ScrollBar, KeepsPositionInRangeAndReportsEveryMove) {
  TScrollBar sb(nullptr);
  EventCounter changes;
  sb.OnChange = changes.Event();
  sb.SetMax(1000);
  sb.SetPosition(500);
  EXPECT_EQ(1, changes.Count);
  EXPECT_EQ(&sb, changes.LastSender);
  sb.SetPosition(500);
  EXPECT_EQ(1, changes.Count);
  sb.SetPosition(5000);
  EXPECT_EQ(1000, sb.Position());
  sb.SetMin(-100);
  sb.SetMax(200);  // clamps the position down
  EXPECT_EQ(200, sb.Position());
  EXPECT_EQ(3, changes.Count);
  EXPECT_THROW(sb.SetMin(300), EInvalidOperation);
  EXPECT_THROW(sb.SetMax(-200), EInvalidOperation);
  EXPECT_THROW(sb.SetParams(0, 10, 5), EInvalidOperation);
  EXPECT_EQ(-100, sb.Min());
  EXPECT_EQ(200, sb.Max());
  EXPECT_EQ(3, changes.Count);
  sb.SetMin(200);  // min equal to max is a valid empty range
  EXPECT_EQ(200, sb.Position());

  sb.SetParams(0, INT_MIN, INT_MAX);
  sb.Scroll(INT_MAX);
  sb.Scroll(INT_MAX);
  EXPECT_EQ(INT_MAX, sb.Position());
  sb.Scroll(INT_MIN);
  sb.Scroll(INT_MIN);
  EXPECT_EQ(INT_MIN, sb.Position());
}

TEST(ScrollBar, MouseStepsByArrowPageAndDrag) {
  TScrollBar sb(nullptr);
  sb.SetBounds(0, 0, 200, 20);
  sb.SetParams(500, 0, 1000);
  sb.SmallChange = 10;
  sb.LargeChange = 100;
  sb.MouseDown(5, 10);  // left arrow
  EXPECT_EQ(490, sb.Position());
  sb.MouseDown(195, 10);  // right arrow
  EXPECT_EQ(500, sb.Position());
  sb.MouseDown(25, 10);  // trough left of the thumb
  EXPECT_EQ(400, sb.Position());
  sb.MouseDown(175, 10);  // trough right of the thumb
  EXPECT_EQ(500, sb.Position());
  // Track 20..180, thumb 20 wide, travel 140: the thumb of 500 starts at 90.
  sb.MouseDown(95, 10);
  EXPECT_EQ(500, sb.Position());
  sb.MouseMove(95 + 70, 10, true);
  EXPECT_EQ(1000, sb.Position());
  sb.MouseMove(95 - 1000, 10, true);
  EXPECT_EQ(0, sb.Position());
  sb.MouseUp(95 + 35, 10);
  EXPECT_EQ(750, sb.Position());
  sb.MouseMove(10, 10, true);  // no drag after release
  EXPECT_EQ(750, sb.Position());
  // A bar too small for its parts still behaves.
  TScrollBar tiny(nullptr);
  tiny.SetBounds(0, 0, 3, 20);
  tiny.MouseDown(1, 1);
  tiny.MouseMove(2, 1, true);
  tiny.MouseUp(2, 1);
  EXPECT_GE(tiny.Position(), tiny.Min());
  EXPECT_LE(tiny.Position(), tiny.Max());
}

// The thumb measures Position from Min, not from 0: it sits at the track's ends at Min and Max, pages
// from the trough on either side of it, and drags map back into Min..Max.
TEST(ScrollBar, ThumbAndPagingFollowARangeThatDoesNotStartAtZero) {
  // Track 20..180, thumb 20 wide, travel 140, whatever the range.
  for (auto range : {std::pair<int, int>{100, 200}, {-300, -200}, {-50, 50}}) {
    const int lo = range.first, hi = range.second;
    SCOPED_TRACE(testing::Message() << lo << ".." << hi);
    TScrollBar sb(nullptr);
    sb.SetBounds(0, 0, 200, 20);
    sb.SetParams(lo, lo, hi);
    sb.LargeChange = 30;
    auto click = [&](int x) {
      sb.MouseDown(x, 10);
      sb.MouseUp(x, 10);
      return sb.Position();
    };
    // At Min the thumb covers 20..39: a press on it moves nothing, the trough just after it pages.
    EXPECT_EQ(click(20), lo);
    EXPECT_EQ(click(39), lo);
    EXPECT_EQ(click(40), lo + 30);
    sb.SetPosition(lo + 10);
    EXPECT_EQ(click(25), lo) << "paged back and clamped at Min";
    // At Max it covers 160..179.
    sb.SetPosition(hi);
    EXPECT_EQ(click(179), hi);
    EXPECT_EQ(click(160), hi);
    EXPECT_EQ(click(159), hi - 30);
    sb.SetPosition(hi - 10);
    EXPECT_EQ(click(175), hi) << "paged on and clamped at Max";
    // Halfway, the thumb is halfway along: 90..109.
    sb.SetPosition(lo + 50);
    EXPECT_EQ(click(89), lo + 20);
    sb.SetPosition(lo + 50);
    EXPECT_EQ(click(110), lo + 80);
    sb.SetPosition(lo + 50);
    EXPECT_EQ(click(90), lo + 50);
    // Dragging the thumb from Min by half the travel lands halfway, and past the end at Max.
    sb.SetPosition(lo);
    sb.MouseDown(25, 10);
    sb.MouseMove(25 + 70, 10, true);
    EXPECT_EQ(sb.Position(), lo + 50);
    sb.MouseMove(25 + 500, 10, true);
    EXPECT_EQ(sb.Position(), hi);
    sb.MouseUp(25 - 500, 10);
    EXPECT_EQ(sb.Position(), lo);
  }
}

// A held arrow repeats its small step after the delay and then at the repeat rate, until released;
// a held trough pages until the thumb reaches the pointer.
TEST(ScrollBar, HeldArrowAndTroughRepeatUntilReleased) {
  Application->UseManualClock(true);
  TScrollBar sb(nullptr);
  sb.SetBounds(0, 0, 200, 20);
  sb.SetParams(500, 0, 1000);
  sb.SmallChange = 10;
  sb.LargeChange = 100;
  sb.MouseDown(195, 10);  // right arrow
  EXPECT_EQ(510, sb.Position());
  Application->RunFor(TScrollBar::RepeatDelayMs - 1);
  EXPECT_EQ(510, sb.Position()) << "no repeat before the delay";
  Application->RunFor(1);
  EXPECT_EQ(520, sb.Position());
  Application->RunFor(3 * TScrollBar::RepeatIntervalMs);
  EXPECT_EQ(550, sb.Position());
  sb.MouseUp(195, 10);
  Application->RunFor(1000);
  EXPECT_EQ(550, sb.Position()) << "repeating after the release";

  // Track 20..180, thumb 20 wide, travel 140: position 0 puts the thumb at 20..40; pointer at 110.
  sb.SetPosition(0);
  sb.MouseDown(110, 10);
  EXPECT_EQ(100, sb.Position());
  Application->RunFor(2000);
  // Thumb start = 20 + pos * 140 / 1000: at 600 the thumb (104..124) lies under the pointer.
  EXPECT_EQ(600, sb.Position()) << "paging went past the pointer";
  sb.MouseUp(110, 10);

  // A release that arrives as a move without the button also stops it.
  sb.MouseDown(5, 10);  // left arrow
  EXPECT_EQ(590, sb.Position());
  sb.MouseMove(5, 10, false);
  Application->RunFor(1000);
  EXPECT_EQ(590, sb.Position());
  Application->UseManualClock(false);
}

TEST(Label, SizesToCaptionAndClicksOnlyInside) {
  TLabel l(nullptr);
  EventCounter clicks;
  l.OnClick = clicks.Event();
  l.SetCaption("");
  EXPECT_EQ(0, l.Width());
  l.SetCaption("i");
  int narrow = l.Width();
  l.SetCaption("WWWWWWWW");
  EXPECT_GT(narrow, 0);
  EXPECT_GT(l.Width(), 4 * narrow);
  EXPECT_EQ(TLabel::TextWidth("WWWWWWWW"), l.Width());
  l.MouseUp(1, 1);
  EXPECT_EQ(1, clicks.Count);
  EXPECT_EQ(&l, clicks.LastSender);
  l.MouseUp(-1, 1);
  l.MouseUp(l.Width(), 1);
  l.MouseUp(1, l.Height());
  EXPECT_EQ(1, clicks.Count);
}

TEST(Align, EdgesStackInOrderOfPositionAndClientFillsTheRest) {
  TPanel p(nullptr);
  p.SetBounds(0, 0, 400, 100);
  TPanel top(nullptr), left1(nullptr), left2(nullptr), right(nullptr), bottom(nullptr), client(nullptr),
      hidden(nullptr);
  top.SetHeight(10);
  bottom.SetHeight(20);
  left1.SetWidth(30);
  left2.SetWidth(40);
  right.SetWidth(50);
  hidden.SetWidth(60);
  hidden.SetVisible(false);
  for (TPanel* c : {&client, &left2, &top, &left1, &hidden, &right, &bottom}) c->SetParent(&p);
  // Positions decide the order on an edge, not insertion (left2 was inserted first).
  left2.SetLeft(200);
  left1.SetLeft(100);
  hidden.SetLeft(150);
  client.SetAlign(alClient);
  left1.SetAlign(alLeft);
  left2.SetAlign(alLeft);
  hidden.SetAlign(alLeft);
  top.SetAlign(alTop);
  right.SetAlign(alRight);
  bottom.SetAlign(alBottom);

  EXPECT_EQ(0, top.Top());
  EXPECT_EQ(400, top.Width());
  EXPECT_EQ(10, top.Height());
  EXPECT_EQ(80, bottom.Top());
  EXPECT_EQ(20, bottom.Height());
  EXPECT_EQ(0, left1.Left());
  EXPECT_EQ(10, left1.Top());
  EXPECT_EQ(70, left1.Height());
  EXPECT_EQ(30, left2.Left());
  EXPECT_EQ(40, left2.Width());
  EXPECT_EQ(350, right.Left());
  EXPECT_EQ(70, client.Left());
  EXPECT_EQ(10, client.Top());
  EXPECT_EQ(280, client.Width());
  EXPECT_EQ(70, client.Height());

  // Shown, the hidden one joins the stack after those left of its position; a resize lays out again.
  hidden.SetVisible(true);
  EXPECT_EQ(30, left2.Left());
  EXPECT_EQ(70, hidden.Left());
  EXPECT_EQ(130, client.Left());
  p.SetBounds(0, 0, 500, 200);
  EXPECT_EQ(450, right.Left());
  EXPECT_EQ(180, bottom.Top());
  EXPECT_EQ(170, client.Height());
  EXPECT_EQ(320, client.Width());
}
