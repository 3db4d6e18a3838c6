/* Kill shim: preloaded into a real veldra-cli process, it counts the calls that change
 * files (writes to regular files, truncations, syncs, renames, links, removals) and stops
 * the process with SIGKILL at one of them, so that a test can look at what a sudden death
 * at exactly that point leaves on disk.
 *
 * Environment:
 *   VELDRA_KILL_AT=N     SIGKILL just before the N-th counted call (1 = the first).
 *   VELDRA_KILL_TORN=1   when the N-th call is a write that crosses a boundary of 4096-byte
 *                        pages of the file, write its bytes up to the first such boundary,
 *                        then SIGKILL: a write cut short where a kill can cut it (the
 *                        kernel copies a write page by page and stops between pages when
 *                        the process is killed; a write inside one page is never torn).
 *   VELDRA_KILL_AFTER_US=T  SIGKILL T microseconds after the first counted call, wherever
 *                        the process then is: a kill by time, as an outside `kill -9` or a
 *                        power cut comes, not tied to any call. Counting from the first
 *                        change to a file puts the moments where the command writes, however
 *                        long its start took. A timer of the kernel sends it.
 *   VELDRA_KILL_LOG=F    append one line per counted call to F: "N OP PATH T", T being the
 *                        microseconds since the shim was loaded, so that a run without a kill
 *                        tells how many calls there are, what each one touches and when.
 *   VELDRA_KILL_SPAN=F   at the end of the process, append to F the microseconds from its
 *                        first counted call to its last: how long it writes, measured without
 *                        the cost of the log.
 * Without VELDRA_KILL_AT or VELDRA_KILL_AFTER_US nothing is stopped. Writes to pipes,
 * terminals and /dev/null are not counted, so the command's output does not move the
 * points. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/types.h>
#include <sys/uio.h>
#include <time.h>
#include <unistd.h>

static long g_count;
static struct timespec g_start;
static long long g_first_us = -1;
static long long g_last_us = -1;

static long long MicrosSinceStart(void) {
  struct timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return (long long)(now.tv_sec - g_start.tv_sec) * 1000000LL +
         (now.tv_nsec - g_start.tv_nsec) / 1000;
}

__attribute__((constructor)) static void StartClock(void) {
  clock_gettime(CLOCK_MONOTONIC, &g_start);
}

/* With VELDRA_KILL_AFTER_US, arms a timer of the kernel that sends SIGKILL itself when it
 * runs out: no thread of ours has to be scheduled in time, the kill comes as a signal from
 * outside does, however briefly the command writes. */
static void ArmKillTimer(void) {
  const char* text = getenv("VELDRA_KILL_AFTER_US");
  if (text == NULL) return;
  const long long after = atoll(text);
  struct sigevent event;
  memset(&event, 0, sizeof event);
  event.sigev_notify = SIGEV_SIGNAL;
  event.sigev_signo = SIGKILL;
  timer_t timer;
  if (timer_create(CLOCK_MONOTONIC, &event, &timer) != 0) return;
  struct itimerspec when;
  memset(&when, 0, sizeof when);
  when.it_value.tv_sec = (time_t)(after / 1000000LL);
  when.it_value.tv_nsec = (long)(after % 1000000LL) * 1000L + 1; /* 0 would disarm it */
  timer_settime(timer, 0, &when, NULL);
}

__attribute__((destructor)) static void WriteSpan(void) {
  const char* span = getenv("VELDRA_KILL_SPAN");
  if (span == NULL || g_first_us < 0) return;
  char line[64];
  int len = snprintf(line, sizeof line, "%lld\n", g_last_us - g_first_us);
  if (len < 0) return;
  int fd = (int)syscall(SYS_openat, AT_FDCWD, span, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC,
                        0644);
  if (fd < 0) return;
  syscall(SYS_write, fd, line, (size_t)len);
  syscall(SYS_close, fd);
}

static void* Real(const char* name) { return dlsym(RTLD_NEXT, name); }

static long KillAt(void) {
  static long at = -2;
  if (at == -2) {
    const char* text = getenv("VELDRA_KILL_AT");
    at = text != NULL ? atol(text) : -1;
  }
  return at;
}

static int Torn(void) {
  const char* text = getenv("VELDRA_KILL_TORN");
  return text != NULL && text[0] == '1';
}

static void Log(long n, const char* op, const char* path) {
  const char* log = getenv("VELDRA_KILL_LOG");
  if (log == NULL) return;
  char line[PATH_MAX + 96];
  int len = snprintf(line, sizeof line, "%ld %s %s %lld\n", n, op, path != NULL ? path : "-",
                     MicrosSinceStart());
  if (len < 0) return;
  if (len > (int)sizeof line) len = (int)sizeof line;
  /* Raw system calls: the log must not count itself. */
  int fd = (int)syscall(SYS_openat, AT_FDCWD, log, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC,
                        0644);
  if (fd < 0) return;
  syscall(SYS_write, fd, line, (size_t)len);
  syscall(SYS_close, fd);
}

static void FdPath(int fd, char* out, size_t size) {
  char link[64];
  snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
  ssize_t n = readlink(link, out, size - 1);
  out[n < 0 ? 0 : n] = '\0';
}

static int RegularFile(int fd) {
  struct stat st;
  return fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
}

/* Counts one call; true when the process is to die at it. */
static int Counts(const char* op, const char* path) {
  if (++g_count == 1) ArmKillTimer();
  g_last_us = MicrosSinceStart();
  if (g_first_us < 0) g_first_us = g_last_us;
  Log(g_count, op, path);
  return g_count == KillAt();
}

static int CountsFd(const char* op, int fd) {
  char path[PATH_MAX];
  FdPath(fd, path, sizeof path);
  return Counts(op, path);
}

/* How many of n bytes at offset a torn write leaves: up to the first page boundary inside
 * them; 0 when there is none. */
static size_t TornLength(off_t offset, size_t n) {
  const off_t page = 4096;
  const off_t boundary = (offset / page + 1) * page;
  return boundary < offset + (off_t)n ? (size_t)(boundary - offset) : 0;
}

static void Die(void) {
  raise(SIGKILL);
  _exit(137); /* not reached */
}

ssize_t pwrite(int fd, const void* buf, size_t n, off_t offset) {
  ssize_t (*real)(int, const void*, size_t, off_t) =
      (ssize_t(*)(int, const void*, size_t, off_t))Real("pwrite");
  if (RegularFile(fd) && CountsFd("pwrite", fd)) {
    if (Torn() && TornLength(offset, n) > 0) real(fd, buf, TornLength(offset, n), offset);
    Die();
  }
  return real(fd, buf, n, offset);
}

ssize_t pwrite64(int fd, const void* buf, size_t n, off_t offset) {
  return pwrite(fd, buf, n, offset);
}

ssize_t write(int fd, const void* buf, size_t n) {
  ssize_t (*real)(int, const void*, size_t) = (ssize_t(*)(int, const void*, size_t))Real("write");
  if (RegularFile(fd) && CountsFd("write", fd)) {
    const off_t at = lseek(fd, 0, SEEK_CUR);
    if (Torn() && at >= 0 && TornLength(at, n) > 0) real(fd, buf, TornLength(at, n));
    Die();
  }
  return real(fd, buf, n);
}

ssize_t pwritev(int fd, const struct iovec* iov, int count, off_t offset) {
  ssize_t (*real)(int, const struct iovec*, int, off_t) =
      (ssize_t(*)(int, const struct iovec*, int, off_t))Real("pwritev");
  if (RegularFile(fd) && CountsFd("pwritev", fd)) {
    if (Torn() && count > 0 && TornLength(offset, iov[0].iov_len) > 0) {
      struct iovec first = iov[0];
      first.iov_len = TornLength(offset, iov[0].iov_len);
      real(fd, &first, 1, offset);
    }
    Die();
  }
  return real(fd, iov, count, offset);
}

int ftruncate(int fd, off_t length) {
  int (*real)(int, off_t) = (int (*)(int, off_t))Real("ftruncate");
  if (CountsFd("ftruncate", fd)) Die();
  return real(fd, length);
}

int ftruncate64(int fd, off_t length) { return ftruncate(fd, length); }

int fsync(int fd) {
  int (*real)(int) = (int (*)(int))Real("fsync");
  if (CountsFd("fsync", fd)) Die();
  return real(fd);
}

int fdatasync(int fd) {
  int (*real)(int) = (int (*)(int))Real("fdatasync");
  if (CountsFd("fdatasync", fd)) Die();
  return real(fd);
}

int rename(const char* from, const char* to) {
  int (*real)(const char*, const char*) = (int (*)(const char*, const char*))Real("rename");
  if (Counts("rename", to)) Die();
  return real(from, to);
}

int renameat2(int from_dir, const char* from, int to_dir, const char* to, unsigned flags) {
  int (*real)(int, const char*, int, const char*, unsigned) =
      (int (*)(int, const char*, int, const char*, unsigned))Real("renameat2");
  if (Counts("renameat2", to)) Die();
  return real(from_dir, from, to_dir, to, flags);
}

int link(const char* from, const char* to) {
  int (*real)(const char*, const char*) = (int (*)(const char*, const char*))Real("link");
  if (Counts("link", to)) Die();
  return real(from, to);
}

int unlink(const char* path) {
  int (*real)(const char*) = (int (*)(const char*))Real("unlink");
  if (Counts("unlink", path)) Die();
  return real(path);
}

int unlinkat(int dir, const char* path, int flags) {
  int (*real)(int, const char*, int) = (int (*)(int, const char*, int))Real("unlinkat");
  if (Counts("unlinkat", path)) Die();
  return real(dir, path, flags);
}
