// Runs a libFuzzer target without libFuzzer: over the files named on the
// command line, or over a few built-in inputs when none are named. Built with
// the normal compiler so the targets keep compiling; CTest runs it.
#include <cstdint>
#include <cstdio>
#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

int main(int argc, char** argv) {
  if (argc > 1) {
    for (int i = 1; i < argc; ++i) {
      std::ifstream in(argv[i], std::ios::binary);
      if (!in) {
        std::fprintf(stderr, "cannot read %s\n", argv[i]);
        return 1;
      }
      std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
      LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
    }
    return 0;
  }
  // Empty, the magic alone, a header cut short, and byte patterns of every length up to 200.
  std::vector<std::vector<std::uint8_t>> inputs = {{}, {'L', 'O', 'G', 0}, {'L', 'O', 'G', 0, 2, 0, 0, 0}};
  for (std::size_t n = 0; n <= 200; ++n) {
    std::vector<std::uint8_t> v(n, 0xFF);
    if (n >= 4) v[0] = 'L', v[1] = 'O', v[2] = 'G', v[3] = 0;
    inputs.push_back(v);
    std::fill(v.begin() + (n >= 4 ? 4 : 0), v.end(), 0);
    inputs.push_back(v);
  }
  for (const auto& in : inputs) LLVMFuzzerTestOneInput(in.data(), in.size());
  std::printf("%zu inputs replayed\n", inputs.size());
  return 0;
}
