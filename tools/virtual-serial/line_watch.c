/* Shows the modem lines that the far end of a serial line drives, one line a
 * change, time-stamped like the byte monitor of scripts/run:
 *
 *   14:02:11.253  RTS 1
 *
 * The far end's RTS arrives here as CTS, its DTR as DSR. Usage: line-watch
 * DEVICE. Polls the device's modem status every 10 ms until it is killed;
 * ends with 1 when the status cannot be read (a pty of the test world without
 * the virtual-serial library loaded, or a device that went away).
 */
#define _GNU_SOURCE
#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <string.h>
#include <sys/ioctl.h>
#include <sys/time.h>
#include <time.h>
#include <unistd.h>

static void show(const char *line, int on) {
  struct timeval now;
  struct tm local;
  char clock[16];
  gettimeofday(&now, NULL);
  localtime_r(&now.tv_sec, &local);
  strftime(clock, sizeof clock, "%H:%M:%S", &local);
  printf("%s.%03ld  %s %d\n", clock, (long)(now.tv_usec / 1000), line, on);
  fflush(stdout);
}

int main(int argc, char **argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: line-watch DEVICE\n");
    return 2;
  }
  const int fd = open(argv[1], O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    fprintf(stderr, "line-watch: cannot open %s: %s\n", argv[1], strerror(errno));
    return 1;
  }
  int shown = 0;
  for (;;) {
    int status = 0;
    if (ioctl(fd, TIOCMGET, &status) != 0) {
      fprintf(stderr, "line-watch: the modem lines of %s cannot be read: %s\n", argv[1],
              strerror(errno));
      return 1;
    }
    if ((status ^ shown) & TIOCM_CTS) show("RTS", (status & TIOCM_CTS) != 0);
    if ((status ^ shown) & TIOCM_DSR) show("DTR", (status & TIOCM_DSR) != 0);
    shown = status;
    usleep(10000);
  }
}
