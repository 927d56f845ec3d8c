#include "diagram/diagram_geometry.h"

#include <algorithm>
#include <cmath>

#include "base/text_format.h"

namespace zet {
namespace {

constexpr double kPi = 3.1415926;
constexpr double kRadiansPerDegree = 0.017453292222222222;
// Beyond this a coordinate is far outside any drawing surface; keeping it
// well inside int leaves room for the marker and dot offsets.
constexpr double kFarAway = 1 << 29;
constexpr long long kMaxMarkedPlaces = 1LL << 28;  // 32 MB of bits

std::optional<int> Coordinate(double v) {
  if (!std::isfinite(v) || std::fabs(v) > kFarAway) return std::nullopt;
  return static_cast<int>(v);
}

}  // namespace

DiagramLayout::DiagramLayout(int areaLeft, int areaWidth, int areaHeight, double limit, double zoom)
    : side(std::min(areaWidth, areaHeight)), scale(limit / zoom) {
  left = areaLeft + (areaWidth - side) / 2;
  top = (areaHeight - side) / 2;
}

bool DiagramLayout::CanMap() const { return side > 0 && std::isfinite(scale) && scale > 0; }

std::optional<DiagramPoint> DiagramLayout::Map(double e, double n) const {
  if (!CanMap()) return std::nullopt;
  std::optional<int> x = Coordinate((1 + e / scale) * side / 2);
  std::optional<int> y = Coordinate((1 - n / scale) * side / 2);
  if (!x || !y) return std::nullopt;
  return DiagramPoint{left + *x, top + *y};
}

bool HasDiagramData(const LogDocument& doc) { return doc.Channel1Count() > 0 && doc.Channel2Count() > 0; }

std::optional<DiagramPoint> SamplePoint(const LogDocument& doc, const DiagramLayout& layout, long long i) {
  if (i < 0 || i >= doc.Channel1Count() || i >= doc.Channel2Count()) return std::nullopt;
  return layout.Map((*doc.m_pChannel2)[i], (*doc.m_pChannel1)[i]);
}

std::vector<DiagramPoint> TracePoints(const LogDocument& doc, const DiagramLayout& layout, int count,
                                      const DiagramBox& box) {
  std::vector<DiagramPoint> out;
  const long long w = static_cast<long long>(box.right) - box.left, h = static_cast<long long>(box.bottom) - box.top;
  if (w <= 0 || h <= 0) return out;
  // One bit per place; a box too large to mark (no drawing surface is) keeps repeats.
  std::vector<bool> seen;
  if (w * h <= kMaxMarkedPlaces) seen.resize(static_cast<std::size_t>(w * h));
  ForEachTraceSample(doc, layout, count, box, [&](int, DiagramPoint p) {
    if (!seen.empty()) {
      const std::size_t bit = static_cast<std::size_t>((p.y - box.top) * w + (p.x - box.left));
      if (seen[bit]) return;
      seen[bit] = true;
    }
    out.push_back(p);
  });
  return out;
}

std::array<DiagramLine, 6> GridLines(const DiagramLayout& layout) {
  const DiagramPoint c = layout.Centre();
  std::array<DiagramLine, 6> lines;
  for (int i = 0; i < 6; ++i) {
    const double a = 30 * i * kRadiansPerDegree;
    const int dx = static_cast<int>(std::cos(a) * layout.side);
    const int dy = static_cast<int>(std::sin(a) * layout.side);
    lines[i] = {{c.x + dx, c.y + dy}, {c.x - dx, c.y - dy}};
  }
  return lines;
}

std::array<DiagramBox, 5> RingBoxes(const DiagramLayout& layout) {
  std::array<DiagramBox, 5> boxes;
  const long long s = layout.side;
  for (int i = 0; i < 5; ++i) {
    const int k = 2 * i + 1, n = 20 - k;
    boxes[i] = {layout.left + static_cast<int>(s * k / 20), layout.top + static_cast<int>(s * k / 20),
                layout.left + static_cast<int>(s * n / 20), layout.top + static_cast<int>(s * n / 20)};
  }
  return boxes;
}

std::array<std::string, 5> RingLabels(double scale) {
  std::array<std::string, 5> labels;
  for (int i = 0; i < 5; ++i) {
    const int k = 2 * i + 1;
    labels[i] = CFormat("%7.3f", (10 - k) * scale * 0.1);
  }
  return labels;
}

double AzimuthDegrees(float e, float n) {
  double a;
  if (n > 0)
    a = -std::atan(e / n);
  else if (n < 0)
    a = e > 0 ? -kPi - std::atan(e / n) : kPi - std::atan(e / n);
  else
    a = e >= 0 ? -kPi / 2 : kPi / 2;
  // + 0.0: due north reads 0, not -0.
  return a * 180 / kPi + 0.0;
}

std::string AzimuthText(float e, float n) { return CFormat("Азимут %5.0f ° ", AzimuthDegrees(e, n)); }

std::string PotentialText(float e, float n) {
  const double m = std::sqrt(static_cast<double>(e) * e + static_cast<double>(n) * n);
  if (m < 1) return CFormat("Потенциал %8.2f мВ   ", m * 1000);
  return CFormat("Потенциал %8.2f  В      ", m);
}

std::string HeadingText(const RecordingHeader& h) {
  if (h.nDevice == 0) return {};
  return RecordingHeading(h);
}

}  // namespace zet
