#pragma once
// For every pixel of a box, the first sample that lands on it. One pass over
// the recording builds it; the trace up to any position is then the pixels
// whose first sample lies before that position, so moving the sweep over a
// full memory looks at the box's pixels, not at millions of samples.
#include <cstdint>
#include <limits>
#include <vector>

#include "diagram/diagram_geometry.h"

namespace zet {

class TraceMap {
 public:
  static constexpr std::int32_t kNone = std::numeric_limits<std::int32_t>::max();  // no sample reaches it
  // No screen's diagram is larger; a larger box gets no map (64 MB).
  static constexpr long long kMaxPixels = 1LL << 24;

  TraceMap() = default;
  // Not built for an empty or too large box.
  TraceMap(const LogDocument& doc, const DiagramLayout& layout, const DiagramBox& box);

  bool Built() const { return !m_first.empty(); }
  // Built, and from these arrays for this layout and box.
  bool Fits(const LogDocument& doc, const DiagramLayout& layout, const DiagramBox& box) const;
  const DiagramBox& Box() const { return m_box; }
  int Width() const { return m_box.right - m_box.left; }
  int Height() const { return m_box.bottom - m_box.top; }
  // The first sample of each pixel of row y (0 = the box's top), Width() of them.
  const std::int32_t* Row(int y) const { return m_first.data() + static_cast<std::size_t>(y) * Width(); }

 private:
  struct Source {
    const float* east = nullptr;
    const float* north = nullptr;
    int east_count = 0, north_count = 0;
    bool operator==(const Source&) const = default;
  };
  static Source SourceOf(const LogDocument& doc);

  std::vector<std::int32_t> m_first;
  DiagramBox m_box;
  DiagramLayout m_layout;
  Source m_source;
};

}  // namespace zet
