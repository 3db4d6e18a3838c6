#include "platform/pdf_text_worker.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>

#include "platform/codepage.h"
#include "platform/pdftext/pdf_text_protocol.h"
#include "platform/thread_priority.h"

namespace veldra::platform {
namespace {

namespace protocol = pdftext;

// The longest failure kind a worker may send.
constexpr size_t kMaxKindBytes = 64;

int64_t NowMs() {
  timespec now{};
  ::clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

// Waits until fd is ready for events or the deadline passes; false at the deadline.
bool WaitFor(int fd, short events, int64_t deadline_ms) {
  for (;;) {
    const int64_t left = deadline_ms - NowMs();
    if (left <= 0) return false;
    pollfd entry{fd, events, 0};
    const int ready = ::poll(&entry, 1, static_cast<int>(std::min<int64_t>(left, INT_MAX)));
    if (ready > 0) return true;
    if (ready < 0 && errno != EINTR) return true;  // let the read or write report it
  }
}

// The child between fork and exec: only async-signal-safe calls. Never returns.
[[noreturn]] void RunWorker(const char* path, char* const* argv, int connection, int status,
                            const rlimit& limit) {
  // Move both descriptors out of the way of 0..3 first, so that no dup2 below is a no-op
  // that keeps a close-on-exec flag.
  connection = ::fcntl(connection, F_DUPFD_CLOEXEC, 10);
  status = ::fcntl(status, F_DUPFD_CLOEXEC, 10);
  int error = 0;
  if (connection < 0 || status < 0 || ::dup2(connection, STDIN_FILENO) < 0 ||
      ::dup2(connection, STDOUT_FILENO) < 0) {
    error = errno;
  }
  const int null = error == 0 ? ::open("/dev/null", O_WRONLY) : -1;
  if (error == 0 && (null < 0 || (null != STDERR_FILENO && ::dup2(null, STDERR_FILENO) < 0))) {
    error = errno;
  }
  // The status pipe stays open as descriptor 3 until exec closes it; nothing else of the
  // parent's (a catalog's lock above all) reaches the worker.
  if (error == 0 && ::dup3(status, 3, O_CLOEXEC) < 0) error = errno;
  if (error == 0) {
    status = 3;
    ::close_range(4, ~0U, 0);
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    errno = 0;
    const int nice = ::getpriority(PRIO_PROCESS, 0);
    if (errno == 0 && nice < kBackgroundNice) ::setpriority(PRIO_PROCESS, 0, kBackgroundNice);
    if (::setrlimit(RLIMIT_AS, &limit) != 0) error = errno;
  }
  if (error == 0) {
    ::execv(path, argv);
    error = errno;
  }
  if (status >= 0) {
    [[maybe_unused]] const ssize_t written = ::write(status, &error, sizeof error);
  }
  ::_exit(127);
}

// The failure a worker's FAIL frame names; *sound tells whether the worker may serve on.
PdfTextFailure FailureOfKind(std::string_view kind, bool* sound) {
  *sound = kind == protocol::kFailNotPdf || kind == protocol::kFailEncrypted;
  if (kind == protocol::kFailNotPdf) return PdfTextFailure::kNotPdf;
  if (kind == protocol::kFailEncrypted) return PdfTextFailure::kEncrypted;
  if (kind == protocol::kFailMemory) return PdfTextFailure::kTooMuchMemory;
  if (kind == protocol::kFailError) return PdfTextFailure::kUnreadable;
  return PdfTextFailure::kCrashed;  // a worker that says what no worker says is broken
}

// Cuts text to at most max_bytes without leaving part of a UTF-8 sequence at its end.
void CutText(std::string* text, size_t max_bytes) {
  if (text->size() <= max_bytes) return;
  size_t cut = max_bytes;
  while (cut > 0 && (static_cast<unsigned char>((*text)[cut]) & 0xC0) == 0x80) --cut;
  text->resize(cut);
}

// A page text as callers get it: valid UTF-8 without NUL or form feed.
std::string CleanText(std::string_view text) {
  std::string clean = ValidUtf8(text);
  for (char& c : clean) {
    if (c == '\0') c = ' ';
    if (c == '\f') c = '\n';
  }
  return clean;
}

}  // namespace

const char* PdfTextFailureName(PdfTextFailure failure) {
  switch (failure) {
    case PdfTextFailure::kNone: return "";
    case PdfTextFailure::kCrashed: return "crashed";
    case PdfTextFailure::kTimedOut: return "timed-out";
    case PdfTextFailure::kTooMuchMemory: return "memory";
    case PdfTextFailure::kNotPdf: return "not-pdf";
    case PdfTextFailure::kEncrypted: return "encrypted";
    case PdfTextFailure::kUnreadable: return "unreadable";
    case PdfTextFailure::kCancelled: return "cancelled";
    case PdfTextFailure::kNotStarted: return "not-started";
  }
  return "";
}

PdfTextWorker::PdfTextWorker(std::string worker_path, PdfTextLimits limits)
    : worker_path_(std::move(worker_path)), limits_(limits) {}

PdfTextWorker::~PdfTextWorker() { Stop(); }

void PdfTextWorker::Cancel() {
  cancelled_ = true;
  std::lock_guard<std::mutex> lock(mutex_);
  if (pid_ > 0) ::kill(pid_, SIGKILL);
}

bool PdfTextWorker::Start() {
  int connection[2];
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, connection) != 0) return false;
  int status[2];
  if (::pipe2(status, O_CLOEXEC) != 0) {
    ::close(connection[0]);
    ::close(connection[1]);
    return false;
  }
  std::string argv0 = worker_path_;
  char* argv[] = {argv0.data(), nullptr};
  const rlimit limit{static_cast<rlim_t>(limits_.memory_bytes),
                     static_cast<rlim_t>(limits_.memory_bytes)};
  const pid_t pid = ::fork();
  if (pid == 0) RunWorker(worker_path_.c_str(), argv, connection[1], status[1], limit);
  ::close(connection[1]);
  ::close(status[1]);
  int error = 0;
  ssize_t got;
  do {
    got = pid > 0 ? ::read(status[0], &error, sizeof error) : 0;
  } while (got < 0 && errno == EINTR);
  ::close(status[0]);
  if (pid < 0 || got == static_cast<ssize_t>(sizeof error)) {
    if (pid > 0) ::waitpid(pid, nullptr, 0);
    ::close(connection[0]);
    return false;
  }
  {
    std::lock_guard<std::mutex> lock(mutex_);
    pid_ = pid;
    if (cancelled_) ::kill(pid, SIGKILL);
  }
  fd_ = connection[0];
  served_ = 0;
  return true;
}

void PdfTextWorker::Stop() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (pid_ > 0) {
      ::kill(pid_, SIGKILL);
      while (::waitpid(pid_, nullptr, 0) < 0 && errno == EINTR) {
      }
      pid_ = -1;
    }
  }
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

bool PdfTextWorker::Running() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (pid_ <= 0) return false;
  if (::waitpid(pid_, nullptr, WNOHANG) == 0) return true;
  pid_ = -1;  // reaped (or not ours to reap): never to be killed again
  return false;
}

PdfTextWorker::ReadStatus PdfTextWorker::Send(const std::string& frame, int64_t deadline_ms) {
  for (size_t done = 0; done < frame.size();) {
    if (!WaitFor(fd_, POLLOUT, deadline_ms)) return ReadStatus::kTimedOut;
    const ssize_t n = ::send(fd_, frame.data() + done, frame.size() - done,
                             MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    if (n <= 0) return ReadStatus::kEnded;
    done += static_cast<size_t>(n);
  }
  return ReadStatus::kOk;
}

PdfTextWorker::ReadStatus PdfTextWorker::Receive(char* out, size_t n, int64_t deadline_ms) {
  for (size_t done = 0; done < n;) {
    if (!WaitFor(fd_, POLLIN, deadline_ms)) return ReadStatus::kTimedOut;
    const ssize_t got = ::recv(fd_, out + done, n - done, MSG_DONTWAIT);
    if (got < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    if (got <= 0) return ReadStatus::kEnded;
    done += static_cast<size_t>(got);
  }
  return ReadStatus::kOk;
}

PdfTextResult PdfTextWorker::Extract(const std::string& path, int64_t offset, int64_t length) {
  PdfTextResult result;
  if (cancelled_) {
    result.failure = PdfTextFailure::kCancelled;
    return result;
  }
  protocol::Request request{Cp932ToUtf8(path), static_cast<uint64_t>(offset),
                            static_cast<uint64_t>(length)};
  const std::string frame = protocol::Frame(protocol::EncodeRequest(request));
  if (offset < 0 || length < 0 || frame.size() > protocol::kMaxRequestBytes ||
      request.path.find('\0') != std::string::npos) {
    result.failure = PdfTextFailure::kUnreadable;
    return result;
  }
  // A worker that ended while idle (killed from outside) is no fault of this PDF.
  if (served_ >= kPdfsPerProcess || !Running()) Stop();
  if (fd_ < 0 && !Start()) {
    result.failure = PdfTextFailure::kNotStarted;
    return result;
  }
  const int64_t deadline_ms = NowMs() + limits_.time_ms;
  bool sound = true;
  result = Converse(frame, deadline_ms, &sound);
  ++served_;
  if (!sound) Stop();
  if (cancelled_) {
    result = PdfTextResult();
    result.failure = PdfTextFailure::kCancelled;
  }
  if (result.failure != PdfTextFailure::kNone) result.pages.clear();
  return result;
}

PdfTextResult PdfTextWorker::Converse(const std::string& frame, int64_t deadline_ms,
                                      bool* sound) {
  PdfTextResult result;
  auto failed = [&](ReadStatus status) {
    *sound = false;
    result.failure = status == ReadStatus::kTimedOut ? PdfTextFailure::kTimedOut
                                                     : PdfTextFailure::kCrashed;
    return result;
  };
  ReadStatus status = Send(frame, deadline_ms);
  if (status != ReadStatus::kOk) return failed(status);
  uint64_t used = 0;  // the budget taken by the pages kept
  for (;;) {
    char head[protocol::kLengthBytes + protocol::kTagBytes];
    status = Receive(head, sizeof head, deadline_ms);
    if (status != ReadStatus::kOk) return failed(status);
    const uint64_t size = protocol::ReadLe(head, protocol::kLengthBytes);
    if (size < protocol::kTagBytes) return failed(ReadStatus::kEnded);
    const std::string_view tag(head + protocol::kLengthBytes, protocol::kTagBytes);
    const uint64_t rest = size - protocol::kTagBytes;
    if (tag == protocol::kDoneTag && rest == 0) return result;
    if (tag == protocol::kFailTag && rest <= kMaxKindBytes) {
      std::string kind(rest, '\0');
      status = Receive(kind.data(), kind.size(), deadline_ms);
      if (status != ReadStatus::kOk) return failed(status);
      result.failure = FailureOfKind(kind, sound);
      return result;
    }
    if (tag != protocol::kPageTag) return failed(ReadStatus::kEnded);
    // A page past the budget is cut there (one byte more is read to find the character
    // boundary); the worker, still sending, is stopped.
    const uint64_t room = protocol::kTextBudgetBytes - std::min(used, protocol::kTextBudgetBytes);
    const bool fits = rest + protocol::kPageCostBytes <= room;
    const uint64_t keep = fits ? rest : room - std::min(room, protocol::kPageCostBytes);
    std::string text(fits ? rest : keep + 1, '\0');
    status = Receive(text.data(), text.size(), deadline_ms);
    if (status != ReadStatus::kOk) return failed(status);
    used += keep + protocol::kPageCostBytes;
    if (!fits) {
      CutText(&text, keep);
      if (!text.empty()) result.pages.push_back(CleanText(text));
      result.truncated = true;
      *sound = false;
      return result;
    }
    result.pages.push_back(CleanText(text));
  }
}

std::string FindPdfTextWorker() {
  auto executable = [](const std::string& path) {
    return !path.empty() && ::access(path.c_str(), X_OK) == 0;
  };
  const char* variable = std::getenv("VELDRA_PDFTEXT");
  if (variable != nullptr && executable(variable)) return variable;
  char self[PATH_MAX];
  const ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
  if (n > 0) {
    std::string folder(self, static_cast<size_t>(n));
    folder.resize(folder.rfind('/') + 1);
    for (const char* relative : {"veldra-pdftext", "../lib/veldra/veldra-pdftext"}) {
      if (executable(folder + relative)) return folder + relative;
    }
  }
  if (executable(VELDRA_PDFTEXT_BUILD_PATH)) return VELDRA_PDFTEXT_BUILD_PATH;
  return std::string();
}

}  // namespace veldra::platform
