// libFuzzer target for the .zet reader. CMake builds it with fuzz/replay_main.cpp
// as an ordinary test; for real fuzzing build it with clang:
//   clang++ -std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -I.
//     fuzz/zet_file_fuzz.cpp $(ls recording/*.cpp base/*.cpp | grep -v _win) -o zet_file_fuzz
// (the whole of both core folders but the Windows twins, so a file added to
// either keeps it linking)
// Whatever the bytes, decoding must end in a status; an accepted file must
// survive being written and read again unchanged.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <vector>

#include "recording/zet_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  zet::ZetReadResult first = zet::DecodeZet(data, size);
  if (first.status != zet::ZetStatus::Ok) {
    if (first.message.empty()) std::abort();
    return 0;
  }
  const std::vector<std::uint8_t> again = zet::EncodeZet(first.recording);
  zet::ZetReadResult second = zet::DecodeZet(again.data(), again.size());
  if (second.status != zet::ZetStatus::Ok) std::abort();
  const zet::Recording& a = first.recording;
  const zet::Recording& b = second.recording;
  if (!(a.header == b.header)) std::abort();
  if (a.comment != b.comment) std::abort();
  for (auto [x, y] : {std::pair{&a.channel1, &b.channel1}, {&a.channel2, &b.channel2}, {&a.supply, &b.supply}}) {
    if (x->has_value() != y->has_value()) std::abort();
    if (*x && ((*x)->size() != (*y)->size() ||
               std::memcmp((*x)->data(), (*y)->data(), (*x)->size() * sizeof(float)) != 0))
      std::abort();
  }
  return 0;
}
