/* The state file of a virtual null-modem pair, shared by the modem-line
 * library of Wine's processes and by simulated devices that read the lines of
 * the port they serve (tools/board). A text header "virtual-serial A B" (the
 * numbers of the two ends' /dev/pts devices, B "-" for an end that is no pty
 * but a device reading the file itself), zero-padded to HEADER_SIZE bytes,
 * then one slot of output lines for each end. */
#ifndef VIRTUAL_SERIAL_LINE_STATE_H
#define VIRTUAL_SERIAL_LINE_STATE_H

#include <errno.h>
#include <signal.h>
#include <stdint.h>
#include <sys/types.h>

#define HEADER_SIZE 64
#define STATE_SIZE 128

/* Each end writes only its own slot. The owner is the process that last set
 * the lines: the lines of an owner that has ended count as low, as a closed
 * port's do. */
struct end_slot {
  uint32_t lines;
  uint32_t owner;
};

struct pair_state {
  char header[HEADER_SIZE];
  struct end_slot ends[2];
};

/* The lines an end drives now (TIOCM_RTS, TIOCM_DTR). */
static inline uint32_t live_lines(struct end_slot* slot) {
  const uint32_t lines = __atomic_load_n(&slot->lines, __ATOMIC_ACQUIRE);
  const uint32_t owner = __atomic_load_n(&slot->owner, __ATOMIC_ACQUIRE);
  if (lines == 0) return 0;
  if (owner != 0 && kill((pid_t)owner, 0) != 0 && errno == ESRCH) return 0;
  return lines;
}

#endif
