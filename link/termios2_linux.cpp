// termios2 needs the kernel's own termios definitions, which cannot share a
// file with the C library's <termios.h>.
#include <asm/ioctls.h>
#include <asm/termbits.h>
#include <sys/ioctl.h>

#include <cerrno>

namespace zet {

int SetCustomBaudRate(int fd, int baud) {
  struct termios2 tio {};
  if (ioctl(fd, TCGETS2, &tio) != 0) return errno;
  tio.c_cflag &= ~(CBAUD | (CBAUD << IBSHIFT));
  tio.c_cflag |= BOTHER | (BOTHER << IBSHIFT);
  tio.c_ispeed = static_cast<speed_t>(baud);
  tio.c_ospeed = static_cast<speed_t>(baud);
  if (ioctl(fd, TCSETS2, &tio) != 0) return errno;
  return 0;
}

}  // namespace zet
