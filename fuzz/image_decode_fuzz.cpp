// libFuzzer target for the decoding of a downloaded memory image. The first
// byte picks the channel count; the rest is the image. Whatever the bytes,
// decoding must end, never yield more samples than the image holds words, and
// keep the two channels of a run equally long. Build for real fuzzing with the
// .zet target's line, this file in place of fuzz/zet_file_fuzz.cpp.
#include <cstdint>
#include <cstdlib>

#include "recording/download_decode.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  zet::RecordingHeader header;
  header.nDevice = 7;
  header.bDateKnown = 1;
  header.nYear = 2024;
  header.nMonth = 5;
  header.nDay = 14;
  header.dPeriod = 1;
  header.dRange = 100;
  header.nChannels = (data[0] & 1) + 1;
  const zet::DecodedImage d = zet::DecodeImage(data + 1, size - 1, header, 1, 2024);
  std::size_t samples = 0;
  for (const zet::Recording& r : d.runs) {
    if (!r.channel1 || !r.channel2 || !r.supply) std::abort();
    if (header.nChannels == 2 && r.channel1->size() != r.channel2->size()) std::abort();
    if (header.nChannels == 1 && !r.channel2->empty()) std::abort();
    samples += r.channel1->size() + r.channel2->size() + r.supply->size();
  }
  if (samples > (size - 1) / 2) std::abort();
  if (d.ok && d.nextCounter != 1 + static_cast<int>(d.runs.size())) std::abort();
  return 0;
}
