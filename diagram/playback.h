#pragma once
// The diagram's playback: a marker steps from sample to sample on a 40 ms
// timer, leaving the trace behind it. Every event returns what the screen must
// show, so the view only draws and the rules are tested without a window.
#include <array>
#include <optional>

namespace zet {

inline constexpr int kPlaybackTimerMs = 40;
// Timer ticks per step of the five speed buttons; 0 draws the whole trace at once.
inline constexpr std::array<int, 5> kPlaybackSpeeds = {0, 1, 3, 10, 20};
inline constexpr double kMaxDiagramZoom = 16;

// What a full repaint of the diagram shows.
struct DiagramContent {
  int trace = 0;    // samples 0..trace-1 of the trace
  int marker = -1;  // the resting marker's sample, -1 for none
  int moving = -1;  // the moving marker drawn again where it stands, -1 for none
  bool operator==(const DiagramContent&) const = default;
};

// What one timer tick changes on the screen, in this order.
struct TickDraw {
  std::optional<DiagramContent> repaint;  // full repaint of the diagram
  int erase = -1;   // the moving marker at this sample is drawn again (erased), then its trace pixel set
  int marker = -1;  // the moving marker is drawn at this sample and its three text lines written
  bool operator==(const TickDraw&) const = default;
};

// Messages of the sweep scroll bar.
enum class SweepCode { LineLeft, LineRight, PageLeft, PageRight, Thumb, LeftEnd, RightEnd, Other };

class Playback {
 public:
  int m_nTick = 0;          // timer ticks counted towards the next step
  int m_nSpeed = 1;         // ticks per step, 0 = instant
  bool m_bPaused = false;
  bool m_bMarker = false;   // the moving marker is on the screen
  int m_nPos = 0;           // current sample, 0..n
  double m_dZoom = 1;       // value-axis stretch, 1..16

  // A full repaint of a recording with n channel-2 samples. drawable: there
  // is data and room to draw; otherwise nothing is drawn and nothing changes.
  // A moving marker on the screen is drawn again, so a repaint while paused
  // (or between two steps) keeps it in sight.
  DiagramContent OnDraw(int n, bool drawable);
  TickDraw Tick(int n, bool drawable);
  // The new recording has arrived: first sample, no stretch, running.
  void Reset();
  // From the first sample again, running; zoom and speed stay.
  void Restart();
  // The sample the time, potential and azimuth texts describe: the marker's,
  // or the trace's last when it is whole; -1 without samples.
  int TextSample(int n) const;
  // index 0..4 of the speed buttons; others are ignored.
  void SetSpeed(int index);
  int SpeedIndex() const;
  void ToggleRun() { m_bPaused = !m_bPaused; }
  // Moves the position; thumb is the scroll bar's thumb for Thumb. Returns the new position.
  int Sweep(SweepCode code, int thumb, int n);
  void Stretch();
  void Compress();
};

}  // namespace zet
