/* Modem lines for the test world's virtual null-modem.
 *
 * Loaded into Wine's processes with LD_PRELOAD. A pty refuses the modem-control
 * ioctls (ENOTTY), so Windows programs on a virtual port could neither set RTS
 * and DTR nor see the far end's lines. For a pty of the test world this library
 * answers TIOCMGET, TIOCMSET, TIOCMBIS and TIOCMBIC from a small state file
 * shared by both ends of the pair, crossed like a null-modem cable: one end's
 * RTS is the other end's CTS, its DTR the other end's DSR and DCD.
 *
 * The folder of the pairs is named by COMSWITCH_LINES. Whoever makes a pair
 * writes a state file "NAME.lines" there: the text "virtual-serial A B" (the
 * numbers of the two ends' /dev/pts devices), zero-padded to 64 bytes, then
 * room for each end's output lines, all zero (lines low). A simulated device
 * that serves one pty itself (the board of tools/board) writes "-" for its
 * own end, and reads the pty end's lines from the file (line_state.h).
 *
 * Wine 8 sets a line with TIOCMGET and then TIOCMSET, and waits for line
 * events (WaitCommEvent with EV_CTS, EV_DSR, EV_RLSD) by polling TIOCMGET
 * about every millisecond, never with TIOCMIWAIT: answering TIOCMGET serves
 * the line events as well. 64-bit Wine calls ioctl, 32-bit Wine glibc's
 * 64-bit-time entry point __ioctl_time64.
 *
 * The pairs' link names stand in the folder's "null-modem.pairs", one pair a
 * line ("com3 com4"), so that a pair end whose state file has gone missing is
 * told from other ptys linked there (a simulated device has no modem lines).
 * A pty counts as the test world's when a state file names its number, or a
 * link of a listed pair points at it. Everything else, and every call that
 * fails for another reason than the pty's refusal (a far end gone leaves the
 * pty hung up: EIO), passes through unchanged.
 */
#define _GNU_SOURCE
#include <dirent.h>
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <pthread.h>
#include <signal.h>
#include <stdarg.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include "line_state.h"

#define OUTPUT_LINES (TIOCM_RTS | TIOCM_DTR)
#define MAX_DEVICES 16
#define STATE_WAIT_TRIES 30

/* What this process knows of one pty it has made modem calls on. */
struct device {
  dev_t rdev;
  int used;
  struct pair_state *state; /* mapped state file, or NULL */
  int side;                 /* 0 or 1: which end of the pair */
  char path[PATH_MAX];      /* the state file */
  ino_t inode;              /* of the state file when mapped */
  struct end_slot local;    /* without a state file: lines of this end only */
  int noticed;
};

typedef int (*ioctl_fn)(int, unsigned long, ...);
typedef int (*close_fn)(int);

static pthread_mutex_t lock = PTHREAD_MUTEX_INITIALIZER;
static struct device devices[MAX_DEVICES];
/* Devices in the table: closes are looked at only once there are any. */
static int tracked;

static ioctl_fn next_symbol(const char *name) { return (ioctl_fn)dlsym(RTLD_NEXT, name); }

/* The library's own descriptors are closed past its close below. */
static int system_close(int fd) {
  static close_fn real;
  if (!real) real = (close_fn)dlsym(RTLD_NEXT, "close");
  if (!real) {
    errno = ENOSYS;
    return -1;
  }
  return real(fd);
}

static int is_modem_request(unsigned long request) {
  return request == TIOCMGET || request == TIOCMSET || request == TIOCMBIS || request == TIOCMBIC;
}

/* Unix98 pty devices (/dev/pts/N) have the majors 136 to 143. */
static int pty_number(dev_t rdev, unsigned *number) {
  const unsigned major_number = major(rdev);
  if (major_number < 136 || major_number > 143) return 0;
  *number = (major_number - 136) * 256 + minor(rdev);
  return 1;
}

static const char *lines_folder(void) {
  const char *folder = getenv("COMSWITCH_LINES");
  return folder && *folder ? folder : NULL;
}

static int ends_with(const char *text, const char *tail) {
  const size_t length = strlen(text), tail_length = strlen(tail);
  return length >= tail_length && strcmp(text + length - tail_length, tail) == 0;
}

/* The side (0 or 1) this state file gives the pty `number`, or -1. */
static int side_in_file(const char *path, unsigned number, ino_t *inode) {
  char header[HEADER_SIZE + 1] = {0};
  unsigned a, b;
  struct stat st;
  const int fd = open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return -1;
  const ssize_t got = read(fd, header, HEADER_SIZE);
  const int statted = fstat(fd, &st) == 0;
  system_close(fd);
  if (got <= 0 || !statted || st.st_size < STATE_SIZE) return -1;
  /* One number: the far end is no pty ("-"). */
  const int ends = sscanf(header, "virtual-serial %u %u", &a, &b);
  if (ends < 1) return -1;
  *inode = st.st_ino;
  if (a == number) return 0;
  if (ends == 2 && b == number) return 1;
  return -1;
}

static void unmap(struct device *d) {
  if (d->state) munmap(d->state, STATE_SIZE);
  d->state = NULL;
}

/* True when the folder's list of pairs names the link `name`. */
static int listed_pair_end(const char *folder, const char *name) {
  char path[PATH_MAX], line[256], a[128], b[128];
  int listed = 0;
  if (snprintf(path, sizeof path, "%s/null-modem.pairs", folder) >= (int)sizeof path) return 0;
  FILE *pairs = fopen(path, "re");
  if (!pairs) return 0;
  while (!listed && fgets(line, sizeof line, pairs)) {
    if (sscanf(line, "%127s %127s", a, b) == 2 && (strcmp(a, name) == 0 || strcmp(b, name) == 0)) {
      listed = 1;
    }
  }
  fclose(pairs);
  return listed;
}

/* Finds the state file of the pty among the folder's files and maps it; tells
 * whether the pty is a pair end at all: named by a state file, or pointed at by
 * a link of a listed pair. */
static void find_state(struct device *d, const char *folder, unsigned number, int *linked) {
  char target[64], link_target[PATH_MAX], path[PATH_MAX];
  struct dirent *entry;
  DIR *dir = opendir(folder);
  *linked = 0;
  unmap(d);
  if (!dir) return;
  snprintf(target, sizeof target, "/dev/pts/%u", number);
  while ((entry = readdir(dir)) != NULL) {
    if (entry->d_name[0] == '.') continue;
    if (snprintf(path, sizeof path, "%s/%s", folder, entry->d_name) >= (int)sizeof path) continue;
    if (ends_with(entry->d_name, ".lines")) {
      ino_t inode;
      const int side = side_in_file(path, number, &inode);
      if (side < 0 || d->state) continue;
      const int fd = open(path, O_RDWR | O_CLOEXEC);
      if (fd < 0) continue;
      void *map = mmap(NULL, STATE_SIZE, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
      system_close(fd);
      if (map == MAP_FAILED) continue;
      d->state = map;
      d->side = side;
      d->inode = inode;
      strcpy(d->path, path);
      continue;
    }
    const ssize_t length = readlink(path, link_target, sizeof link_target - 1);
    if (length <= 0) continue;
    link_target[length] = '\0';
    if (strcmp(link_target, target) == 0 && listed_pair_end(folder, entry->d_name)) *linked = 1;
  }
  closedir(dir);
  if (d->state) *linked = 1;
}

/* A mapping stays good while its file is the one at its path: a pair cut and
 * made again has a new file, even where its ptys got the same numbers. */
static int still_current(const struct device *d) {
  struct stat st;
  return d->state && stat(d->path, &st) == 0 && st.st_ino == d->inode;
}

static struct device *device_of(dev_t rdev) {
  struct device *free_slot = NULL;
  for (int i = 0; i < MAX_DEVICES; i++) {
    if (devices[i].used && devices[i].rdev == rdev) return &devices[i];
    if (!devices[i].used && !free_slot) free_slot = &devices[i];
  }
  if (!free_slot) return NULL;
  memset(free_slot, 0, sizeof *free_slot);
  free_slot->used = 1;
  free_slot->rdev = rdev;
  __atomic_add_fetch(&tracked, 1, __ATOMIC_RELEASE);
  return free_slot;
}

/* The device record of a test-world pty, with its state found; NULL for any
 * other file. */
static struct device *test_world_device(int fd) {
  struct stat st;
  unsigned number;
  const char *folder = lines_folder();
  if (!folder || fstat(fd, &st) != 0 || !S_ISCHR(st.st_mode) || !pty_number(st.st_rdev, &number)) {
    return NULL;
  }
  struct device *d = device_of(st.st_rdev);
  if (!d) return NULL;
  if (still_current(d)) return d;
  int linked = 0;
  find_state(d, folder, number, &linked);
  if (!linked) {
    d->used = 0;
    __atomic_sub_fetch(&tracked, 1, __ATOMIC_RELEASE);
    return NULL;
  }
  /* A pair being made has its links a moment before its state file: the
   * first look waits that moment out. */
  for (int tries = 0; !d->state && !d->noticed && tries < STATE_WAIT_TRIES; tries++) {
    usleep(10000);
    find_state(d, folder, number, &linked);
  }
  if (!d->state && !d->noticed) {
    d->noticed = 1;
    fprintf(stderr,
            "virtual-serial: no readable line state for /dev/pts/%u in %s: its modem lines start "
            "low and reach no far end\n",
            number, folder);
  }
  return d;
}

static void set_lines(struct end_slot *slot, uint32_t lines) {
  __atomic_store_n(&slot->owner, lines ? (uint32_t)getpid() : 0, __ATOMIC_RELEASE);
  __atomic_store_n(&slot->lines, lines & OUTPUT_LINES, __ATOMIC_RELEASE);
}

/* What the pty's end sees: its own outputs and the far end's, crossed. */
static int modem_status(struct device *d) {
  struct end_slot *own = d->state ? &d->state->ends[d->side] : &d->local;
  const uint32_t lines = live_lines(own);
  const uint32_t far = d->state ? live_lines(&d->state->ends[1 - d->side]) : 0;
  int status = (int)lines;
  if (far & TIOCM_RTS) status |= TIOCM_CTS;
  if (far & TIOCM_DTR) status |= TIOCM_DSR | TIOCM_CAR;
  return status;
}

static int serve_modem_request(struct device *d, unsigned long request, int *arg) {
  struct end_slot *own = d->state ? &d->state->ends[d->side] : &d->local;
  if (!arg) {
    errno = EFAULT;
    return -1;
  }
  switch (request) {
    case TIOCMGET: *arg = modem_status(d); return 0;
    case TIOCMSET: set_lines(own, (uint32_t)*arg); return 0;
    case TIOCMBIS: set_lines(own, live_lines(own) | (uint32_t)*arg); return 0;
    case TIOCMBIC: set_lines(own, live_lines(own) & ~(uint32_t)*arg); return 0;
  }
  errno = ENOTTY;
  return -1;
}

/* The real call first: only its refusal with ENOTTY of one of the four
 * modem-control calls, on a pty of the test world, is answered here. */
static int dispatch(ioctl_fn real, int fd, unsigned long request, void *arg) {
  if (!real) {
    errno = ENOSYS;
    return -1;
  }
  const int result = real(fd, request, arg);
  if (result == 0 || errno != ENOTTY || !is_modem_request(request)) return result;
  const int saved = errno;
  pthread_mutex_lock(&lock);
  struct device *d = test_world_device(fd);
  const int served = d ? serve_modem_request(d, request, arg) : -1;
  const int served_errno = errno;
  pthread_mutex_unlock(&lock);
  errno = d ? served_errno : saved;
  return d ? served : result;
}

int ioctl(int fd, unsigned long request, ...) {
  static ioctl_fn real;
  va_list args;
  va_start(args, request);
  void *arg = va_arg(args, void *);
  va_end(args);
  if (!real) real = next_symbol("ioctl");
  return dispatch(real, fd, request, arg);
}

#if defined(__i386__)
/* 32-bit programs built with 64-bit time (32-bit Wine among them) call this
 * entry point instead of ioctl. */
int __ioctl_time64(int fd, unsigned long request, ...) {
  static ioctl_fn real;
  va_list args;
  va_start(args, request);
  void *arg = va_arg(args, void *);
  va_end(args);
  if (!real) real = next_symbol("__ioctl_time64");
  return dispatch(real, fd, request, arg);
}
#endif

/* True while another descriptor of this process still refers to the device. */
static int still_open_here(dev_t rdev) {
  struct stat st;
  struct dirent *entry;
  int found = 0;
  DIR *dir = opendir("/proc/self/fd");
  if (!dir) return 1;
  while (!found && (entry = readdir(dir)) != NULL) {
    if (entry->d_name[0] == '.') continue;
    if (fstatat(dirfd(dir), entry->d_name, &st, 0) == 0 && S_ISCHR(st.st_mode) &&
        st.st_rdev == rdev) {
      found = 1;
    }
  }
  closedir(dir);
  return found;
}

/* A port closed by its last descriptor drops its lines, as a real one does. */
int close(int fd) {
  struct stat st;
  dev_t rdev = 0;
  int known = 0;
  if (__atomic_load_n(&tracked, __ATOMIC_ACQUIRE) == 0) return system_close(fd);
  const int saved = errno;
  if (fstat(fd, &st) == 0 && S_ISCHR(st.st_mode)) {
    pthread_mutex_lock(&lock);
    for (int i = 0; i < MAX_DEVICES; i++) {
      if (devices[i].used && devices[i].rdev == st.st_rdev) known = 1;
    }
    pthread_mutex_unlock(&lock);
    rdev = st.st_rdev;
  }
  errno = saved;
  const int result = system_close(fd);
  if (!known) return result;
  const int close_errno = errno;
  if (!still_open_here(rdev)) {
    pthread_mutex_lock(&lock);
    for (int i = 0; i < MAX_DEVICES; i++) {
      struct device *d = &devices[i];
      if (!d->used || d->rdev != rdev) continue;
      struct end_slot *own = still_current(d) ? &d->state->ends[d->side] : &d->local;
      /* Only the lines this process set: another opener of the device keeps its own. */
      if (__atomic_load_n(&own->owner, __ATOMIC_ACQUIRE) == (uint32_t)getpid()) set_lines(own, 0);
      /* The next open looks the device up afresh. */
      unmap(d);
      d->used = 0;
      __atomic_sub_fetch(&tracked, 1, __ATOMIC_RELEASE);
    }
    pthread_mutex_unlock(&lock);
  }
  errno = close_errno;
  return result;
}
