// A relay board on the desk, simulated: an atmega328p at 16 MHz runs the given
// firmware in about real time, its UART0 is a pty of its own whose path the
// caller chooses, and every change of pin D7 (the relay's input) is reported
// on standard output as one time-stamped line, "relay ON" or "relay OFF".
//
// Like an Uno, it resets when the DTR line of its port is raised ("board
// reset (DTR)"), and runs the sketch again after its bootloader's wait
// ("board runs the sketch"). The line is read from PTY-LINK.lines, the state
// file through which the modem-line library of tools/virtual-serial serves
// the pty to Wine's processes when the link lies in that library's folder.
//
//   board FIRMWARE.elf PTY-LINK
//
// Ends on SIGTERM, SIGINT or SIGHUP with exit code 0 and removes its link and
// the line state.
// A firmware that is missing or will not load, or a pty that cannot be made,
// is reported in one line with exit code 1; a wrong command line exits with 2.
#define _GNU_SOURCE
#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdarg.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include "line_state.h"

#include "avr_ioport.h"
#include "avr_uart.h"
#include "sim_avr.h"
#include "sim_elf.h"
#include "sim_io.h"
#include "sim_irq.h"

enum { kFrequency = 16000000, kEmAvr = 83 };

// How far the simulation may fall behind the clock before it stops trying to
// catch up (the process was stopped, or the machine is busy): the firmware
// then simply lives through less time, as it would not notice.
static const uint64_t kMaxLagNs = 100 * 1000 * 1000;
// The simulation runs in slices of this much real time and sleeps between
// them; a byte from the line waits at most this long.
static const int kSliceMs = 1;
// After a reset the Uno's bootloader listens for an upload before it starts
// the sketch, which sees nothing of what arrives meanwhile. The bootloader
// announces half a second; the watchdog it sets for the wait runs a second,
// so a real board may stay deaf up to that: 1000 here would match it.
static const uint64_t kBootloaderWaitMs = 500;
// The sketch's own start (the core's set-up, then setup()) takes well under
// this much of the chip's time; "board runs the sketch" comes after it.
static const uint64_t kSketchStartNs = 10 * 1000 * 1000;

static volatile sig_atomic_t stop_requested;
static int quiet_loader = 1;

struct board {
  avr_t* avr;
  avr_irq_t* uart_input;
  int master;  // our side of the pty
  int slave;   // held open so that the far end closing never hangs the line up
  char slave_name[128];
  const char* link;
  // Bytes from the line that the UART has not yet taken.
  uint8_t pending[256];
  size_t pending_head, pending_count;
  int uart_full;
  int relay;
  // The pty's modem lines, shared with the modem-line library; NULL when
  // they cannot be had (the board then never sees DTR).
  struct pair_state* lines;
  char lines_path[4096];
  int dtr;
  uint64_t bootloader_end_ns;  // 0 unless the bootloader is waiting
  int sketch_starting;
  avr_cycle_count_t sketch_start_cycle;
};

static void on_signal(int signal_number) {
  (void)signal_number;
  stop_requested = 1;
}

// simavr's own messages: while the firmware is read they are kept back (its
// failure is told in one line below), afterwards errors go to standard error.
static void log_message(avr_t* avr, const int level, const char* format, va_list arguments) {
  (void)avr;
  if (quiet_loader || level > LOG_ERROR) return;
  fputs("board: ", stderr);
  vfprintf(stderr, format, arguments);
}

// The core's cycles in a span of real time, counted in whole microseconds so
// that the product stays far from overflowing.
static avr_cycle_count_t cycles_in(uint64_t ns) { return ns / 1000 * (kFrequency / 1000000); }

static uint64_t monotonic_ns(void) {
  struct timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return (uint64_t)now.tv_sec * 1000000000u + (uint64_t)now.tv_nsec;
}

// "14:02:11.253  relay ON", as the line monitor of the run command stamps bytes.
static void report(const char* what) {
  struct timespec now;
  struct tm local;
  char clock_text[16];
  clock_gettime(CLOCK_REALTIME, &now);
  localtime_r(&now.tv_sec, &local);
  strftime(clock_text, sizeof clock_text, "%H:%M:%S", &local);
  printf("%s.%03ld  %s\n", clock_text, now.tv_nsec / 1000000, what);
}

static void report_relay(int on) { report(on ? "relay ON" : "relay OFF"); }

static void on_relay_pin(struct avr_irq_t* irq, uint32_t value, void* parameter) {
  (void)irq;
  struct board* board = parameter;
  const int on = value != 0;
  if (on == board->relay) return;
  board->relay = on;
  report_relay(on);
}

// Hands the UART what came from the line while its receive buffer has room;
// the UART says XOFF (from inside the raise) when it is full.
static void feed_uart(struct board* board) {
  while (!board->uart_full && board->pending_count > 0) {
    const uint8_t byte = board->pending[board->pending_head];
    board->pending_head = (board->pending_head + 1) % sizeof board->pending;
    board->pending_count--;
    avr_raise_irq(board->uart_input, byte);
  }
}

static void on_uart_xon(struct avr_irq_t* irq, uint32_t value, void* parameter) {
  (void)irq;
  (void)value;
  struct board* board = parameter;
  board->uart_full = 0;
  feed_uart(board);
}

static void on_uart_xoff(struct avr_irq_t* irq, uint32_t value, void* parameter) {
  (void)irq;
  (void)value;
  ((struct board*)parameter)->uart_full = 1;
}

// What the firmware sends goes to the line; with no reader and a full pty it
// is lost, as on a wire without flow control.
static void on_uart_output(struct avr_irq_t* irq, uint32_t value, void* parameter) {
  (void)irq;
  const uint8_t byte = (uint8_t)value;
  if (write(((struct board*)parameter)->master, &byte, 1) < 0) return;
}

// The pacing does the waiting: a sleeping core only lets its cycles jump ahead.
static void no_sleep(avr_t* avr, avr_cycle_count_t how_long) {
  (void)avr;
  (void)how_long;
}

static int fail(const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  fputs("board: ", stderr);
  vfprintf(stderr, format, arguments);
  fputc('\n', stderr);
  va_end(arguments);
  return 1;
}

// An ELF file for the AVR (machine 83): anything else would be loaded as
// garbage into the flash rather than refused.
static int check_firmware(const char* path) {
  unsigned char header[20];
  FILE* file = fopen(path, "rb");
  if (!file) return fail("cannot read the firmware %s: %s", path, strerror(errno));
  const size_t got = fread(header, 1, sizeof header, file);
  fclose(file);
  if (got < sizeof header || memcmp(header, "\177ELF", 4) != 0)
    return fail("the firmware %s is not an ELF file", path);
  if ((header[18] | header[19] << 8) != kEmAvr)
    return fail("the firmware %s is not built for the AVR", path);
  return 0;
}

static int load_firmware(struct board* board, const char* path) {
  if (check_firmware(path) != 0) return 1;
  elf_firmware_t firmware;
  memset(&firmware, 0, sizeof firmware);
  if (elf_read_firmware(path, &firmware) != 0 || firmware.flashsize == 0)
    return fail("the firmware %s cannot be loaded", path);
  board->avr = avr_make_mcu_by_name("atmega328p");
  if (!board->avr || avr_init(board->avr) != 0) {
    free(firmware.flash);
    return fail("the atmega328p cannot be simulated");
  }
  avr_load_firmware(board->avr, &firmware);
  free(firmware.flash);
  free(firmware.eeprom);
  board->avr->frequency = kFrequency;
  board->avr->sleep = no_sleep;
  quiet_loader = 0;
  return 0;
}

static void wire_board(struct board* board) {
  avr_t* avr = board->avr;
  const uint32_t uart = AVR_IOCTL_UART_GETIRQ('0');
  // The UART would otherwise also print what it sends as console lines.
  uint32_t flags = 0;
  avr_ioctl(avr, AVR_IOCTL_UART_GET_FLAGS('0'), &flags);
  flags &= ~(uint32_t)AVR_UART_FLAG_STDIO;
  avr_ioctl(avr, AVR_IOCTL_UART_SET_FLAGS('0'), &flags);
  board->uart_input = avr_io_getirq(avr, uart, UART_IRQ_INPUT);
  avr_irq_register_notify(avr_io_getirq(avr, uart, UART_IRQ_OUTPUT), on_uart_output, board);
  avr_irq_register_notify(avr_io_getirq(avr, uart, UART_IRQ_OUT_XON), on_uart_xon, board);
  avr_irq_register_notify(avr_io_getirq(avr, uart, UART_IRQ_OUT_XOFF), on_uart_xoff, board);
  avr_irq_register_notify(avr_io_getirq(avr, AVR_IOCTL_IOPORT_GETIRQ('D'), IOPORT_IRQ_PIN7),
                          on_relay_pin, board);
}

// A pty of the board's own, linked at the caller's path (simavr's own pty part
// always links one fixed path, which two boards on one machine would share).
static int open_line(struct board* board) {
  struct stat existing;
  if (lstat(board->link, &existing) == 0 && !S_ISLNK(existing.st_mode))
    return fail("%s exists and is not a link: it is left as it is", board->link);
  board->master = posix_openpt(O_RDWR | O_NOCTTY);
  if (board->master < 0 || grantpt(board->master) != 0 || unlockpt(board->master) != 0 ||
      ptsname_r(board->master, board->slave_name, sizeof board->slave_name) != 0)
    return fail("cannot make a pty: %s", strerror(errno));
  board->slave = open(board->slave_name, O_RDWR | O_NOCTTY);
  if (board->slave < 0) return fail("cannot open %s: %s", board->slave_name, strerror(errno));
  struct termios raw;
  if (tcgetattr(board->slave, &raw) == 0) {
    cfmakeraw(&raw);
    tcsetattr(board->slave, TCSANOW, &raw);
  }
  fcntl(board->master, F_SETFL, fcntl(board->master, F_GETFL) | O_NONBLOCK);
  // Made under a private name and renamed: whoever waits for the link finds
  // it whole, and a link left by a killed run is replaced.
  char temporary[4096];
  snprintf(temporary, sizeof temporary, "%s.new-%ld", board->link, (long)getpid());
  unlink(temporary);
  if (symlink(board->slave_name, temporary) != 0 || rename(temporary, board->link) != 0) {
    const int error = errno;
    unlink(temporary);
    return fail("cannot link %s: %s", board->link, strerror(error));
  }
  return 0;
}

// The state file of the pty's modem lines, beside the link: the pty is the
// first end of a pair whose second end, "-", is this board, which reads the
// lines the port's opener drives. Written whole and renamed into place, so the
// library never maps half a file. Without it the board runs on, blind to DTR.
static void open_line_state(struct board* board) {
  unsigned number;
  char temporary[sizeof board->lines_path + 32];
  char header[HEADER_SIZE] = {0};
  if (sscanf(board->slave_name, "/dev/pts/%u", &number) != 1) return;
  snprintf(board->lines_path, sizeof board->lines_path, "%s.lines", board->link);
  snprintf(temporary, sizeof temporary, "%s.new-%ld", board->lines_path, (long)getpid());
  snprintf(header, sizeof header, "virtual-serial %u -\n", number);
  const int fd = open(temporary, O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  void* map = MAP_FAILED;
  if (fd >= 0 && write(fd, header, sizeof header) == (ssize_t)sizeof header &&
      ftruncate(fd, STATE_SIZE) == 0) {
    map = mmap(NULL, STATE_SIZE, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
  }
  if (fd >= 0) close(fd);
  if (map != MAP_FAILED && rename(temporary, board->lines_path) == 0) {
    board->lines = map;
    return;
  }
  fprintf(stderr, "board: no line state at %s (%s): DTR will not reset the board\n",
          board->lines_path, strerror(errno));
  if (map != MAP_FAILED) munmap(map, STATE_SIZE);
  unlink(temporary);
  board->lines_path[0] = '\0';
}

// Only a link that still leads to this board's pty is removed, with its line
// state.
static void close_line(struct board* board) {
  char target[sizeof board->slave_name];
  const ssize_t length = readlink(board->link, target, sizeof target - 1);
  if (board->lines) munmap(board->lines, STATE_SIZE);
  if (length >= 0) {
    target[length] = '\0';
    if (strcmp(target, board->slave_name) == 0) {
      unlink(board->link);
      if (board->lines_path[0]) unlink(board->lines_path);
    }
  }
  if (board->slave >= 0) close(board->slave);
  if (board->master >= 0) close(board->master);
}

static void read_line(struct board* board) {
  while (board->pending_count < sizeof board->pending) {
    const size_t tail = (board->pending_head + board->pending_count) % sizeof board->pending;
    size_t room = sizeof board->pending - board->pending_count;
    if (room > sizeof board->pending - tail) room = sizeof board->pending - tail;
    const ssize_t got = read(board->master, board->pending + tail, room);
    if (got <= 0) break;
    board->pending_count += (size_t)got;
  }
  feed_uart(board);
}

// What arrives while the bootloader waits is its own, not the sketch's.
static void discard_line(struct board* board) {
  uint8_t scrap[256];
  while (read(board->master, scrap, sizeof scrap) > 0) continue;
}

// DTR raised: on an Uno the line reaches the reset pin through a capacitor, so
// the chip restarts, its pins go back to inputs (the relay drops), and the
// bootloader waits before the sketch starts from scratch.
static void reset_board(struct board* board, uint64_t now_ns) {
  avr_reset(board->avr);
  report("board reset (DTR)");
  board->pending_head = board->pending_count = 0;
  board->uart_full = 0;
  if (board->relay) {
    board->relay = 0;
    report_relay(0);
  }
  board->bootloader_end_ns = now_ns + kBootloaderWaitMs * 1000000u;
  board->sketch_starting = 0;
}

// Follows DTR, which resets the board when it goes from low to high only;
// true while the bootloader waits.
static int bootloader_waits(struct board* board, uint64_t now_ns) {
  const int dtr = board->lines && (live_lines(&board->lines->ends[0]) & TIOCM_DTR) != 0;
  if (dtr && !board->dtr) reset_board(board, now_ns);
  board->dtr = dtr;
  if (board->bootloader_end_ns == 0) return 0;
  if (now_ns < board->bootloader_end_ns) return 1;
  board->bootloader_end_ns = 0;
  board->sketch_starting = 1;
  board->sketch_start_cycle = board->avr->cycle;
  return 0;
}

// Runs the core until it has caught up with the clock, then sleeps a slice or
// until the line has something, and again, until a stop is asked for.
// Flat out, the simulator would hold a core for ever (an Arduino sketch never
// sleeps); at the chip's own pace it still runs some 9 million instructions a
// second, a good part of a slow core, but no cheaper pace keeps millis() true.
static int run_board(struct board* board) {
  avr_t* avr = board->avr;
  uint64_t start_ns = monotonic_ns();
  avr_cycle_count_t start_cycle = avr->cycle;
  while (!stop_requested) {
    const uint64_t now_ns = monotonic_ns();
    if (bootloader_waits(board, now_ns)) {
      struct pollfd line = {board->master, POLLIN, 0};
      if (poll(&line, 1, kSliceMs) > 0 && (line.revents & POLLIN)) discard_line(board);
      // The chip's time starts again when the sketch does.
      start_ns = monotonic_ns();
      start_cycle = avr->cycle;
      continue;
    }
    avr_cycle_count_t target = start_cycle + cycles_in(now_ns - start_ns);
    if (target > avr->cycle + cycles_in(kMaxLagNs)) {
      start_ns = now_ns;
      start_cycle = target = avr->cycle;
    }
    while (avr->cycle < target) {
      const int state = avr_run(avr);
      if (state == cpu_Done)
        return fail("the firmware stopped at cycle %llu", (unsigned long long)avr->cycle);
      if (state == cpu_Crashed)
        return fail("the firmware crashed at cycle %llu", (unsigned long long)avr->cycle);
    }
    if (board->sketch_starting &&
        avr->cycle - board->sketch_start_cycle >= cycles_in(kSketchStartNs)) {
      board->sketch_starting = 0;
      report("board runs the sketch");
    }
    struct pollfd line = {board->master, board->pending_count < sizeof board->pending ? POLLIN : 0,
                          0};
    if (poll(&line, 1, kSliceMs) > 0 && (line.revents & POLLIN)) read_line(board);
    feed_uart(board);
  }
  return 0;
}

int main(int argc, char** argv) {
  if (argc != 3) {
    fputs("usage: board FIRMWARE.elf PTY-LINK\n", stderr);
    return 2;
  }
  setvbuf(stdout, NULL, _IOLBF, 0);
  avr_global_logger_set(log_message);

  struct sigaction action;
  memset(&action, 0, sizeof action);
  action.sa_handler = on_signal;
  sigaction(SIGTERM, &action, NULL);
  sigaction(SIGINT, &action, NULL);
  sigaction(SIGHUP, &action, NULL);
  signal(SIGPIPE, SIG_IGN);

  struct board board;
  memset(&board, 0, sizeof board);
  board.master = board.slave = -1;
  board.link = argv[2];
  if (load_firmware(&board, argv[1]) != 0) return 1;
  wire_board(&board);
  int code = open_line(&board);
  if (code == 0) {
    open_line_state(&board);
    fprintf(stderr, "board: atmega328p at 16 MHz running %s; UART0 at %s (%s)\n", argv[1],
            board.link, board.slave_name);
    code = run_board(&board);
  }
  close_line(&board);
  avr_terminate(board.avr);
  return code;
}
