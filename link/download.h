#pragma once
// Reading the recorder's memory: preamble, checksummed blocks, decoding.
#include <cstdint>
#include <string>
#include <vector>

#include "base/host.h"
#include "recording/download_decode.h"
#include "link/serial_channel.h"

namespace zet {

inline constexpr const char* kBadPreambleMessage =
    "Получена неправильная преамбула данных.\nДанные не приняты.";  // 32829

// Reads and checks the 17-byte preamble; fills the header (not dMaxRange) and
// the word count. 0 on failure (no answer is reported, a bad sum is not).
int ReadPreamble(SerialChannel& channel, RecordingHeader& header, int& words);

// How a block transfer ended: all bytes in, "Прервать", the line gone (a
// port error was shown), nothing heard for the give-up time, or bytes heard
// but no block good enough to accept for that long.
enum class TransferEnd { Complete, Cancelled, PortLost, GaveUp, Spoilt };

// Receives `length` bytes in blocks of up to 512 with sum bytes and
// acknowledgements, with progress and cancel. Returns the bytes accepted.
// giveUpMs > 0 ends the transfer once no block has been accepted for that
// long, silent or spoilt (the desktop program leaves that to the user: 0).
std::size_t ReceiveImage(SerialChannel& channel, Progress& progress, std::uint8_t* buffer,
                         std::size_t length, int giveUpMs = 0, TransferEnd* end = nullptr);

struct DownloadResult {
  // TransferFailed: an exception left the transfer or the decoding (the user was told).
  enum class Status {
    PortFailed, BadPreamble, NothingReceived, Decoded, OutOfMemory, RawFileError, TransferFailed
  } status = Status::PortFailed;
  DecodedImage image;        // the runs, when decoded
  std::string message;       // for OutOfMemory / RawFileError
  RecordingHeader header;    // as the preamble left it (the input header when it was refused)
  TransferEnd ending = TransferEnd::Complete;
  std::size_t received = 0;  // bytes of the image that arrived
  std::size_t expected = 0;  // bytes the preamble announced
};

inline constexpr const char* kReadFailedMessage = "Что-то случилось при чтении !";
inline constexpr const char* kAttentionCaption = "Внимание !";

struct DownloadOptions {
  std::string rawDataPath;   // non-empty: write the received bytes there ("data")
  int giveUpMs = 0;          // > 0: end the transfer after this long without a good block
};

// The whole download after the document was emptied: open, read-memory
// frame, preamble, image, raw file, decoding, close. `header` starts as the
// document's current header (a bad period code keeps its period).
DownloadResult DownloadMemory(SerialChannel& channel, Progress& progress, RecordingHeader header,
                              const DownloadOptions& options);

}  // namespace zet
