// The playback driven by synthetic timer ticks, scroll messages and commands.
#include <gtest/gtest.h>

#include <climits>

#include "diagram/playback.h"

namespace zet {
namespace {

TickDraw Step(int erase, int marker) { return {std::nullopt, erase, marker}; }
TickDraw Nothing() { return {}; }

TEST(Playback, EachStepErasesTheMarkerLeavesAPixelAndMovesOn) {
  Playback p;
  const int n = 4;
  // The first tick has no marker to erase: it repaints, then steps.
  const TickDraw expected[] = {{DiagramContent{0, -1}, -1, 1}, Step(1, 2), Step(2, 3), Nothing(), Nothing()};
  for (const TickDraw& e : expected) EXPECT_EQ(p.Tick(n, true), e);
  EXPECT_EQ(p.m_nPos, 3);  // the last sample; the marker stays on it
  EXPECT_TRUE(p.m_bMarker);

  // Paused and moved back, a repaint draws the moving marker again where it
  // stands; going on, the next tick erases it there and steps.
  p.ToggleRun();
  p.Sweep(SweepCode::LineLeft, 0, n);
  EXPECT_EQ(p.OnDraw(n, true), (DiagramContent{2, -1, 2}));
  EXPECT_EQ(p.OnDraw(n, true), (DiagramContent{2, -1, 2}));
  p.ToggleRun();
  EXPECT_EQ(p.Tick(n, true), Step(2, 3));

  // With no marker on the screen (the whole trace was drawn) a position
  // moved back gets the resting marker, and the next tick repaints and steps.
  p.SetSpeed(0);
  EXPECT_EQ(p.OnDraw(n, true), (DiagramContent{4, -1, -1}));
  EXPECT_FALSE(p.m_bMarker);
  p.SetSpeed(1);
  p.Sweep(SweepCode::Thumb, 1, n);
  EXPECT_EQ(p.OnDraw(n, true), (DiagramContent{1, 1, -1}));
  EXPECT_EQ(p.Tick(n, true), (TickDraw{DiagramContent{1, 1, -1}, -1, 2}));
}

TEST(Playback, TextsDescribeTheMarkersSampleOrTheTracesLast) {
  struct Case {
    int pos, n, sample;
  } cases[] = {{0, 0, -1}, {0, 5, 0}, {3, 5, 3}, {5, 5, 4}, {7, 5, 4}};
  for (const Case& c : cases) {
    Playback p;
    p.m_nPos = c.pos;
    EXPECT_EQ(p.TextSample(c.n), c.sample) << c.pos << " of " << c.n;
  }
}

TEST(Playback, SpeedsPauseAndRecordingsTooShortToAnimate) {
  struct Case {
    int speedIndex;
    int ticks;
    int pos;
  } cases[] = {
      {1, 10, 10},  // very fast: a step every tick
      {2, 10, 3},   // fast: every third tick
      {3, 25, 2},   // slow: every tenth
      {4, 45, 2},   // very slow: every twentieth
  };
  for (const Case& c : cases) {
    Playback p;
    p.SetSpeed(c.speedIndex);
    for (int i = 0; i < c.ticks; ++i) p.Tick(1000, true);
    EXPECT_EQ(p.m_nPos, c.pos) << c.speedIndex;
  }

  // Pausing between the second and third tick keeps the count: the first
  // tick after resuming steps.
  Playback p;
  p.SetSpeed(2);
  p.Tick(1000, true);
  p.Tick(1000, true);
  p.ToggleRun();
  for (int i = 0; i < 7; ++i) EXPECT_EQ(p.Tick(1000, true), Nothing());
  EXPECT_EQ(p.m_nTick, 2);
  p.ToggleRun();
  EXPECT_EQ(p.Tick(1000, true).marker, 1);

  for (int n : {0, 1}) {
    Playback q;
    for (int i = 0; i < 5; ++i) EXPECT_EQ(q.Tick(n, true), Nothing()) << n;
    EXPECT_EQ(q.m_nPos, 0);
  }

  // Without room or data a repaint draws nothing and changes nothing, but the
  // position still moves on.
  Playback hidden;
  hidden.SetSpeed(0);
  EXPECT_EQ(hidden.Tick(50, false), (TickDraw{DiagramContent{}, -1, 1}));
}

TEST(Playback, InstantDrawsTheWholeTraceAndStaysAtTheEnd) {
  Playback p;
  p.SetSpeed(0);
  EXPECT_EQ(p.SpeedIndex(), 0);
  EXPECT_EQ(p.OnDraw(500, true), (DiagramContent{500, -1}));
  for (int i = 0; i < 3; ++i) EXPECT_EQ(p.Tick(500, true), Nothing());
  // Another speed keeps the position at the end until the bar moves it.
  p.SetSpeed(1);
  EXPECT_EQ(p.OnDraw(500, true), (DiagramContent{500, -1}));
  EXPECT_EQ(p.Tick(500, true), Nothing());
  p.SetSpeed(7);  // not a button: ignored
  EXPECT_EQ(p.m_nSpeed, 1);
}

TEST(Playback, SweepBarMovesWithinTheRecording) {
  struct Case {
    int from;
    SweepCode code;
    int thumb;
    int to;
  } cases[] = {
      {995, SweepCode::PageRight, 0, 1000}, {50, SweepCode::PageLeft, 0, 0},   {500, SweepCode::PageLeft, 0, 400},
      {0, SweepCode::LineLeft, 0, 0},       {999, SweepCode::LineRight, 0, 1000}, {1000, SweepCode::LineRight, 0, 1000},
      {10, SweepCode::Thumb, 400, 400},     {10, SweepCode::Thumb, -5, 0},     {10, SweepCode::Thumb, 5000, 1000},
      {10, SweepCode::LeftEnd, 0, 0},       {10, SweepCode::RightEnd, 0, 1000}, {10, SweepCode::Other, 77, 10},
  };
  for (const Case& c : cases) {
    Playback p;
    p.m_nPos = c.from;
    EXPECT_EQ(p.Sweep(c.code, c.thumb, 1000), c.to) << c.from << " " << static_cast<int>(c.code);
  }
  // At the end the whole trace is drawn without a marker.
  Playback p;
  p.m_nPos = 995;
  p.Sweep(SweepCode::PageRight, 0, 1000);
  EXPECT_EQ(p.OnDraw(1000, true), (DiagramContent{1000, -1}));

  Playback big;
  big.m_nPos = INT_MAX - 5;
  EXPECT_EQ(big.Sweep(SweepCode::PageRight, 0, INT_MAX), INT_MAX);
  EXPECT_EQ(big.Sweep(SweepCode::RightEnd, 0, -3), 0);
}

TEST(Playback, StretchCompressAndReset) {
  Playback p;
  double zooms[5];
  for (double& z : zooms) {
    p.Stretch();
    z = p.m_dZoom;
  }
  EXPECT_EQ(std::vector<double>(zooms, zooms + 5), (std::vector<double>{2, 4, 8, 16, 16}));
  for (int i = 0; i < 6; ++i) p.Compress();
  EXPECT_EQ(p.m_dZoom, 1);

  p.SetSpeed(3);
  p.m_nPos = 40;
  p.m_nTick = 7;
  p.m_dZoom = 8;
  p.ToggleRun();
  p.Restart();  // from the first sample, the stretch kept
  EXPECT_EQ(p.m_nPos, 0);
  EXPECT_EQ(p.m_dZoom, 8);
  EXPECT_FALSE(p.m_bPaused);
  EXPECT_EQ(p.m_nTick, 0);

  p.m_nPos = 40;
  p.m_nTick = 7;
  p.ToggleRun();
  p.Reset();
  EXPECT_EQ(p.m_nPos, 0);
  EXPECT_EQ(p.m_dZoom, 1);
  EXPECT_FALSE(p.m_bPaused);
  EXPECT_EQ(p.m_nTick, 0);
  EXPECT_EQ(p.m_nSpeed, 10);  // the chosen speed stays
}

}  // namespace
}  // namespace zet
