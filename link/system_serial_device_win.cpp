#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <string>

#include "base/wide_text.h"
#include "link/system_serial_device.h"

namespace zet {
namespace {

// The port a read may be blocked on, for a console Ctrl+C to cut the wait short.
std::atomic<HANDLE> g_waitingPort{nullptr};

HANDLE Handle(void* h) { return static_cast<HANDLE>(h); }

// "COMn" or "COMn:" (any case, n 1..255): n; otherwise 0.
int ComNumber(const std::string& name) {
  if (name.size() < 4 || std::toupper(static_cast<unsigned char>(name[0])) != 'C' ||
      std::toupper(static_cast<unsigned char>(name[1])) != 'O' ||
      std::toupper(static_cast<unsigned char>(name[2])) != 'M')
    return 0;
  std::size_t end = name.size();
  if (name[end - 1] == ':') --end;
  if (end <= 3 || end > 6) return 0;
  int n = 0;
  for (std::size_t i = 3; i < end; ++i) {
    if (!std::isdigit(static_cast<unsigned char>(name[i]))) return 0;
    n = n * 10 + (name[i] - '0');
  }
  return (name[3] != '0' && n >= 1 && n <= 255) ? n : 0;
}

// Errors after which the port will give nothing more until it is opened
// again: the adapter was pulled or the driver gave the line up.
bool IsLineGone(DWORD err) {
  return err == ERROR_DEVICE_REMOVED || err == ERROR_BAD_COMMAND || err == ERROR_GEN_FAILURE ||
         err == ERROR_ACCESS_DENIED || err == ERROR_INVALID_HANDLE || err == ERROR_IO_DEVICE ||
         err == ERROR_DEV_NOT_EXIST || err == ERROR_NOT_READY || err == ERROR_BROKEN_PIPE;
}

}  // namespace

void CancelSerialWaits() {
  if (HANDLE h = g_waitingPort.load()) CancelIoEx(h, nullptr);
}

bool SystemSerialDevice::IsOpen() const { return handle_ != nullptr; }

std::string SystemDeviceName(const std::string& name) {
  if (name.rfind("\\\\.\\", 0) == 0 && name.size() > 4) return name;
  const int n = ComNumber(name);
  if (n == 0) return {};
  // The first six ports open by their plain names, as the program always did;
  // higher numbers only through the device namespace.
  if (n <= 6 && name.back() == ':') return "COM" + std::to_string(n) + ":";
  return "\\\\.\\COM" + std::to_string(n);
}

bool SystemSerialDevice::Fail() {
  error_ = static_cast<long>(GetLastError());
  if (IsLineGone(static_cast<DWORD>(error_))) hungUp_ = true;
  return false;
}

bool SystemSerialDevice::Open(const std::string& name) {
  Close();
  const std::string path = SystemDeviceName(name);
  if (path.empty()) {
    error_ = ERROR_FILE_NOT_FOUND;
    return false;
  }
  HANDLE h = CreateFileW(WideFromUtf8(path).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return Fail();
  if (GetFileType(h) != FILE_TYPE_CHAR) {  // a disk file or a pipe is no port
    CloseHandle(h);
    error_ = ERROR_FILE_NOT_FOUND;
    return false;
  }
  handle_ = h;
  hungUp_ = false;
  return true;
}

bool SystemSerialDevice::Configure(int baud) {
  if (!handle_) {
    error_ = ERROR_INVALID_HANDLE;
    return false;
  }
  if (baud <= 0) {
    error_ = ERROR_INVALID_PARAMETER;
    return false;
  }
  COMMTIMEOUTS timeouts{};
  timeouts.ReadIntervalTimeout = static_cast<DWORD>(intervalMs_);
  timeouts.ReadTotalTimeoutMultiplier = static_cast<DWORD>(perByteMs_);
  timeouts.ReadTotalTimeoutConstant = static_cast<DWORD>(totalMs_);
  timeouts.WriteTotalTimeoutMultiplier = 0;
  timeouts.WriteTotalTimeoutConstant = 0;
  if (!SetCommTimeouts(Handle(handle_), &timeouts)) return Fail();
  DCB dcb{};
  dcb.DCBlength = sizeof dcb;
  if (!GetCommState(Handle(handle_), &dcb)) return Fail();
  // Only the line format is ours; every other field stays as the driver has it.
  dcb.BaudRate = static_cast<DWORD>(baud);
  dcb.ByteSize = 8;
  dcb.Parity = EVENPARITY;
  dcb.StopBits = ONESTOPBIT;
  if (!SetCommState(Handle(handle_), &dcb)) return Fail();
  if (!SetupComm(Handle(handle_), 1024, 512)) return Fail();
  return true;
}

bool SystemSerialDevice::Write(const std::uint8_t* data, std::size_t n) {
  if (!handle_) {
    error_ = ERROR_INVALID_HANDLE;
    return false;
  }
  std::size_t done = 0;
  while (done < n) {
    DWORD wrote = 0;
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(n - done, 1u << 20));
    if (!WriteFile(Handle(handle_), data + done, chunk, &wrote, nullptr)) return Fail();
    if (wrote == 0) {  // the driver took nothing: the line is stuck
      error_ = ERROR_WRITE_FAULT;
      return false;
    }
    done += wrote;
  }
  return true;
}

std::size_t SystemSerialDevice::Read(std::uint8_t* buf, std::size_t n) {
  if (!handle_) {
    error_ = ERROR_INVALID_HANDLE;
    return 0;
  }
  if (n == 0 || (interrupt_ && *interrupt_)) return 0;
  // One ReadFile ends by the port's own time-outs: n bytes, 5000 + 10 n ms in
  // all, or 2000 ms of silence after a byte.
  const DWORD want = static_cast<DWORD>(std::min<std::size_t>(n, 1u << 20));
  DWORD got = 0;
  g_waitingPort.store(Handle(handle_));
  const BOOL ok = ReadFile(Handle(handle_), buf, want, &got, nullptr);
  const DWORD err = ok ? 0 : GetLastError();
  g_waitingPort.store(nullptr);
  if (!ok) {
    if (err == ERROR_OPERATION_ABORTED && interrupt_ && *interrupt_) {
      error_ = static_cast<long>(err);
    } else {
      SetLastError(err);
      Fail();
    }
  }
  return got;
}

bool SystemSerialDevice::SetModemLine(int function, bool) {
  if (!handle_) {
    error_ = ERROR_INVALID_HANDLE;
    return false;
  }
  // A port without modem lines (a virtual one) refuses; there is nothing to set there.
  if (!EscapeCommFunction(Handle(handle_), static_cast<DWORD>(function))) {
    const DWORD err = GetLastError();
    if (err == ERROR_NOT_SUPPORTED || err == ERROR_INVALID_PARAMETER || err == ERROR_INVALID_FUNCTION) return true;
    SetLastError(err);
    return Fail();
  }
  return true;
}

bool SystemSerialDevice::SetRts(bool on) { return SetModemLine(on ? SETRTS : CLRRTS, on); }

bool SystemSerialDevice::SetDtr(bool on) { return SetModemLine(on ? SETDTR : CLRDTR, on); }

bool SystemSerialDevice::Purge() {
  if (!handle_) {
    error_ = ERROR_INVALID_HANDLE;
    return false;
  }
  if (!PurgeComm(Handle(handle_), PURGE_TXCLEAR | PURGE_RXCLEAR)) return Fail();
  return true;
}

void SystemSerialDevice::Close() {
  if (!handle_) return;
  CloseHandle(Handle(handle_));
  handle_ = nullptr;
}

}  // namespace zet
