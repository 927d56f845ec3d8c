#pragma once
// The stray-current diagram's arithmetic: where a sample lands, the compass
// grid, the ring labels and the texts of a sample. Channel 2 is east, channel
// 1 north; the diagram's edge is `scale` volts.
#include <algorithm>
#include <array>
#include <optional>
#include <string>
#include <vector>

#include "recording/log_document.h"

namespace zet {

struct DiagramPoint {
  int x = 0;
  int y = 0;
  bool operator==(const DiagramPoint&) const = default;
};

// right and bottom are exclusive, as the boxes are given to the ellipse.
struct DiagramBox {
  int left = 0, top = 0, right = 0, bottom = 0;
  bool operator==(const DiagramBox&) const = default;
};

struct DiagramLine {
  DiagramPoint from, to;
  bool operator==(const DiagramLine&) const = default;
};

// The diagram in an area whose top is 0: the largest square the area holds,
// centred in it, so east and north share one scale and angles stay true.
struct DiagramLayout {
  int left = 0;  // the square's left and top
  int top = 0;
  int side = 0;
  double scale = 0;  // volts at the square's edge: display limit / zoom

  DiagramLayout() = default;
  DiagramLayout(int areaLeft, int areaWidth, int areaHeight, double limit, double zoom);

  // Points can be placed only on a real area with a finite positive scale.
  bool CanMap() const;
  // Truncated toward zero; nothing for a non-finite value, an unusable
  // layout or a place too far off to be an int (it lies outside anyway).
  std::optional<DiagramPoint> Map(double e, double n) const;
  DiagramPoint Centre() const { return {left + side / 2, top + side / 2}; }
  // The square itself: the trace and the grid are clipped to it.
  DiagramBox Square() const { return {left, top, left + side, top + side}; }
  bool operator==(const DiagramLayout&) const = default;
};

// Sample i of both channels, when both arrays hold it and it can be placed.
std::optional<DiagramPoint> SamplePoint(const LogDocument& doc, const DiagramLayout& layout, long long i);
// Calls f(i, point) for each of samples 0..count-1 that lands inside box, in
// sample order; count is cut to both arrays.
template <class F>
void ForEachTraceSample(const LogDocument& doc, const DiagramLayout& layout, int count, const DiagramBox& box, F f) {
  const int n = std::min({count, doc.Channel1Count(), doc.Channel2Count()});
  if (n <= 0 || !layout.CanMap() || box.right <= box.left || box.bottom <= box.top) return;
  const std::vector<float>& east = *doc.m_pChannel2;
  const std::vector<float>& north = *doc.m_pChannel1;
  for (int i = 0; i < n; ++i) {
    const std::optional<DiagramPoint> p = layout.Map(east[i], north[i]);
    if (p && p->x >= box.left && p->x < box.right && p->y >= box.top && p->y < box.bottom) f(i, *p);
  }
}

// The places of those samples, each place once: a long recording piles
// thousands of samples on one pixel, and only the places are drawn.
std::vector<DiagramPoint> TracePoints(const LogDocument& doc, const DiagramLayout& layout, int count,
                                      const DiagramBox& box);
// Both channels hold samples: there is something to draw.
bool HasDiagramData(const LogDocument& doc);

// Six lines through the centre every 30 degrees, long enough to be clipped.
std::array<DiagramLine, 6> GridLines(const DiagramLayout& layout);
// The rings at 0.9, 0.7, 0.5, 0.3 and 0.1 of the edge, outermost first.
std::array<DiagramBox, 5> RingBoxes(const DiagramLayout& layout);
// Their labels in volts, "%7.3f", outermost first.
std::array<std::string, 5> RingLabels(double scale);

// Azimuth from north, positive towards west, -180..180 degrees.
double AzimuthDegrees(float e, float n);
std::string AzimuthText(float e, float n);
// Magnitude of the vector, in millivolts below 1 V. The trailing blanks
// cover a longer text written before at the same place.
std::string PotentialText(float e, float n);
// The line at the foot of a printed page; empty without a recording.
std::string HeadingText(const RecordingHeader& header);

}  // namespace zet
