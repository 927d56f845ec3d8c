#pragma once
// Spreadsheet export: tab-separated lines, one per channel-1 sample.
#include <cstddef>
#include <cstdint>
#include <string>

#include "recording/log_document.h"

namespace zet {

// Writes the export of the document's current samples to path (with
// allowStdout, "-" is standard output). Returns an empty string on success,
// else a message for the user.
std::string ExportSpreadsheet(const LogDocument& doc, const std::string& path, bool allowStdout = false);
// The same bytes in memory (tests, small recordings).
std::string ExportText(const LogDocument& doc);

// Raw data file: all received bytes in one write, replacing an earlier file.
std::string WriteRawDataFile(const std::string& path, const std::uint8_t* data, std::size_t size);

}  // namespace zet
