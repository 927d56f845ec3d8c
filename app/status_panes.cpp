#include "app/status_panes.h"

#include "base/text_format.h"

namespace zet::ui {

std::string StatusPaneText(int paneId, const RecordingHeader& h) {
  const bool loaded = h.nDevice != 0;  // recorder number 0: nothing loaded
  switch (paneId) {
    case 32781: return loaded ? CFormat("Прибор № %d", static_cast<int>(h.nDevice)) : std::string();
    case 32785:
      if (!loaded) return {};
      if (h.dPeriod < 0.1) return CFormat("Интервал %5.1f мксек", h.dPeriod * 1000000.0);
      return CFormat("Интервал %5.1f сек", h.dPeriod);
    case 32780:
      // The channel count is shown even without a recorder number.
      if (h.nChannels == 1) return "Один канал";
      if (h.nChannels == 2) return "Два канала";
      return {};
    case 32827: return loaded ? CFormat("%02d.%02d.%d", h.nDay, h.nMonth, h.nYear) : std::string();
    case 32828: return loaded ? CFormat("%02d:%02d", h.nHour, h.nMinute) : std::string();
    default: return {};
  }
}

}  // namespace zet::ui
