#include "base/settings.h"

namespace zet {
namespace {
constexpr const char* kPort = "Port";
constexpr const char* kFont = "Font";
}  // namespace

std::string AppSettings::GetPortName() {
  std::string name = store_.ReadString(kPort, "Name", "");
  if (name.empty()) name = kDefaultPortName;
  m_strPortName = name;
  return name;
}

void AppSettings::SetPortName(const std::string& name) {
  store_.WriteString(kPort, "Name", name);
  m_strPortName = name;
}

std::string AppSettings::GetBaudRate() {
  m_strBaudRate = kBaudRate;
  return m_strBaudRate;
}

void AppSettings::SetBaudRate(const std::string& text) { m_strBaudRate = text; }

std::uint32_t AppSettings::GetSignals() {
  m_dwSignals = static_cast<std::uint32_t>(store_.ReadInt(kPort, "Signals", 0));
  return m_dwSignals;
}

int AppSettings::SetSignals(std::uint32_t value) {
  store_.WriteInt(kPort, "Signals", static_cast<int>(value));
  m_dwSignals = value;
  return 1;
}

LogFont AppSettings::ReadFontSetting() {
  LogFont f;
  auto byte = [&](const char* key, int def) {
    return static_cast<std::uint8_t>(store_.ReadInt(kFont, key, def) & 0xFF);
  };
  f.lfHeight = store_.ReadInt(kFont, "Height", 10);
  f.lfWidth = store_.ReadInt(kFont, "Width", 0);
  f.lfEscapement = store_.ReadInt(kFont, "Escapement", 0);
  f.lfOrientation = store_.ReadInt(kFont, "Orientation", 0);
  f.lfWeight = store_.ReadInt(kFont, "Weight", 0);
  f.lfItalic = byte("Italic", 0);
  f.lfUnderline = byte("Underline", 0);
  f.lfStrikeOut = byte("StrikeOut", 0);
  f.lfCharSet = byte("CharSet", 204);
  f.lfOutPrecision = byte("OutPrecision", 0);
  f.lfClipPrecision = byte("ClipPrecision", 0);
  f.lfQuality = byte("Quality", 0);
  f.lfPitchAndFamily = byte("PitchAndFamily", 0);
  f.lfFaceName = Utf8Prefix(store_.ReadString(kFont, "FaceName", "Arial"), LogFont::kFaceNameMax);
  return f;
}

int AppSettings::WriteFontSetting(const LogFont& f) {
  store_.WriteInt(kFont, "Height", f.lfHeight);
  store_.WriteInt(kFont, "Width", f.lfWidth);
  store_.WriteInt(kFont, "Escapement", f.lfEscapement);
  store_.WriteInt(kFont, "Orientation", f.lfOrientation);
  store_.WriteInt(kFont, "Weight", f.lfWeight);
  store_.WriteInt(kFont, "Italic", f.lfItalic);
  store_.WriteInt(kFont, "Underline", f.lfUnderline);
  store_.WriteInt(kFont, "StrikeOut", f.lfStrikeOut);
  store_.WriteInt(kFont, "CharSet", f.lfCharSet);
  store_.WriteInt(kFont, "OutPrecision", f.lfOutPrecision);
  store_.WriteInt(kFont, "ClipPrecision", f.lfClipPrecision);
  store_.WriteInt(kFont, "Quality", f.lfQuality);
  store_.WriteInt(kFont, "PitchAndFamily", f.lfPitchAndFamily);
  store_.WriteString(kFont, "FaceName", Utf8Prefix(f.lfFaceName, LogFont::kFaceNameMax));
  return 1;
}

int AppSettings::GetMeasurementCounter() { return store_.ReadInt("Last", "Measurement", 1); }

void AppSettings::SetMeasurementCounter(int next) { store_.WriteInt("Last", "Measurement", next); }

std::string Utf8Prefix(const std::string& text, int n) {
  std::size_t i = 0;
  int chars = 0;
  while (i < text.size() && chars < n) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    std::size_t len = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 1;
    if (i + len > text.size()) break;
    i += len;
    ++chars;
  }
  return text.substr(0, i);
}

}  // namespace zet
