#pragma once
// Turns a received memory image into recordings, one per measurement run.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "recording/recording.h"

namespace zet {

struct DecodedImage {
  std::vector<Recording> runs;  // in image order; titles "Измерения%d"
  int nextCounter = 1;          // the run counter to store afterwards
  bool ok = false;              // false: nothing decoded (empty image or no memory)
  std::string error;            // set when memory ran out
};

// header: filled from the preamble (dMaxRange is set here). counter: the
// stored "Last"/"Measurement" value. currentYear: the PC's year for run headers.
DecodedImage DecodeImage(const std::uint8_t* bytes, std::size_t size, const RecordingHeader& header,
                         int counter, int currentYear);

std::string MeasurementTitle(int k);  // "Измерения%d"

}  // namespace zet
