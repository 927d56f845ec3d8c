#include "diagram/trace_map.h"

namespace zet {

TraceMap::Source TraceMap::SourceOf(const LogDocument& doc) {
  Source s;
  if (doc.m_pChannel2) s.east = doc.m_pChannel2->data();
  if (doc.m_pChannel1) s.north = doc.m_pChannel1->data();
  s.east_count = doc.Channel2Count();
  s.north_count = doc.Channel1Count();
  return s;
}

TraceMap::TraceMap(const LogDocument& doc, const DiagramLayout& layout, const DiagramBox& box)
    : m_box(box), m_layout(layout), m_source(SourceOf(doc)) {
  const long long w = static_cast<long long>(box.right) - box.left, h = static_cast<long long>(box.bottom) - box.top;
  if (w <= 0 || h <= 0 || w * h > kMaxPixels) return;
  m_first.assign(static_cast<std::size_t>(w * h), kNone);
  // Samples come in order: the first to reach a pixel keeps it.
  ForEachTraceSample(doc, layout, std::numeric_limits<int>::max(), box, [&](int i, DiagramPoint p) {
    std::int32_t& first = m_first[static_cast<std::size_t>((p.y - box.top) * w + (p.x - box.left))];
    if (first == kNone) first = i;
  });
}

bool TraceMap::Fits(const LogDocument& doc, const DiagramLayout& layout, const DiagramBox& box) const {
  return Built() && box == m_box && layout == m_layout && SourceOf(doc) == m_source;
}

}  // namespace zet
