#pragma once
// The application's own settings: serial port, modem-line levels, display
// font, run counter and print margins, read and written through a store.
#include <cstdint>
#include <string>

#include "base/settings_store.h"

namespace zet {

// A font description with the fields and widths of a Windows LOGFONT.
struct LogFont {
  std::int32_t lfHeight = 0;
  std::int32_t lfWidth = 0;
  std::int32_t lfEscapement = 0;
  std::int32_t lfOrientation = 0;
  std::int32_t lfWeight = 0;
  std::uint8_t lfItalic = 0;
  std::uint8_t lfUnderline = 0;
  std::uint8_t lfStrikeOut = 0;
  std::uint8_t lfCharSet = 0;
  std::uint8_t lfOutPrecision = 0;
  std::uint8_t lfClipPrecision = 0;
  std::uint8_t lfQuality = 0;
  std::uint8_t lfPitchAndFamily = 0;
  std::string lfFaceName;  // UTF-8, at most kFaceNameMax characters

  static constexpr int kFaceNameMax = 31;
  bool operator==(const LogFont&) const = default;
};

// Print margins in hundredths of a millimetre. Kept for one run only.
struct Margins {
  int left = 2500;
  int top = 1500;
  int right = 1500;
  int bottom = 1500;
  bool operator==(const Margins&) const = default;
};

inline constexpr const char* kDefaultPortName = "COM2:";
inline constexpr const char* kBaudRate = "10416";

class AppSettings {
 public:
  explicit AppSettings(SettingsStore& store) : store_(store) {}

  std::string GetPortName();                 // empty stored name reads as "COM2:"
  void SetPortName(const std::string& name);
  std::string GetBaudRate();                 // always "10416"
  void SetBaudRate(const std::string& text);  // this run only
  std::uint32_t GetSignals();
  int SetSignals(std::uint32_t value);

  LogFont ReadFontSetting();
  int WriteFontSetting(const LogFont& font);

  // "Last"/"Measurement": the number of the next downloaded run.
  int GetMeasurementCounter();
  void SetMeasurementCounter(int next);

  SettingsStore& Store() { return store_; }

  std::string m_strPortName;
  std::string m_strBaudRate;
  std::uint32_t m_dwSignals = 0;
  Margins m_rcMargins;

 private:
  SettingsStore& store_;
};

// Cuts a UTF-8 text to at most n characters (code points).
std::string Utf8Prefix(const std::string& text, int n);

}  // namespace zet
