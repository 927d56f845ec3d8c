#include "diagram/playback.h"

#include <algorithm>

namespace zet {

DiagramContent Playback::OnDraw(int n, bool drawable) {
  if (!drawable) return {};
  if (m_nSpeed == 0) m_nPos = n;
  DiagramContent c;
  c.trace = m_nPos;
  if (m_nPos > 0 && m_nPos < n) {
    if (m_bMarker)
      c.moving = m_nPos;
    else
      c.marker = m_nPos;  // rests there until the playback moves on
  }
  m_bMarker = c.moving >= 0;
  return c;
}

TickDraw Playback::Tick(int n, bool drawable) {
  TickDraw d;
  if (m_bPaused) return d;
  if (m_nSpeed != 0) m_nTick = (m_nTick + 1) % m_nSpeed;
  if (m_nTick != 0) return d;
  if (m_nPos >= n - 1) return d;
  if (m_bMarker && m_nPos > 0 && m_nPos < n) {
    d.erase = m_nPos;
    m_bMarker = false;
  } else {
    // Whatever happened to the screen since, a repaint brings it back.
    d.repaint = OnDraw(n, drawable);
  }
  if (m_nPos >= n - 1) return d;
  ++m_nPos;
  d.marker = m_nPos;
  m_bMarker = true;
  return d;
}

void Playback::Reset() {
  m_dZoom = 1;
  Restart();
}

void Playback::Restart() {
  m_nPos = 0;
  m_bPaused = false;
  m_nTick = 0;
}

int Playback::TextSample(int n) const { return n > 0 ? std::clamp(m_nPos, 0, n - 1) : -1; }

void Playback::SetSpeed(int index) {
  if (index >= 0 && index < static_cast<int>(kPlaybackSpeeds.size())) m_nSpeed = kPlaybackSpeeds[index];
}

int Playback::SpeedIndex() const {
  auto it = std::find(kPlaybackSpeeds.begin(), kPlaybackSpeeds.end(), m_nSpeed);
  return it == kPlaybackSpeeds.end() ? -1 : static_cast<int>(it - kPlaybackSpeeds.begin());
}

int Playback::Sweep(SweepCode code, int thumb, int n) {
  n = std::max(n, 0);
  long long pos = m_nPos;  // a page step near the largest int must not overflow
  switch (code) {
    case SweepCode::LineLeft: pos -= 1; break;
    case SweepCode::LineRight: pos += 1; break;
    case SweepCode::PageLeft: pos -= n / 10; break;
    case SweepCode::PageRight: pos += n / 10; break;
    case SweepCode::Thumb: pos = thumb; break;
    case SweepCode::LeftEnd: pos = 0; break;
    case SweepCode::RightEnd: pos = n; break;
    case SweepCode::Other: break;
  }
  m_nPos = static_cast<int>(std::clamp<long long>(pos, 0, n));
  return m_nPos;
}

void Playback::Stretch() { m_dZoom = std::min(m_dZoom * 2, kMaxDiagramZoom); }

void Playback::Compress() { m_dZoom = std::max(m_dZoom * 0.5, 1.0); }

}  // namespace zet
