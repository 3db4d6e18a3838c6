// The client of the text worker (veldra-pdftext, platform/pdftext/): starts the worker as a
// process of its own, hands it one PDF at a time and reads back the page texts, so that a
// PDF that crashes, hangs or balloons the engine costs one PDF and never the caller.
//
// The worker runs with an address-space limit and at low priority (nice 10 or more), set in
// the child before the program starts; its error output goes to /dev/null. One process
// serves PDF after PDF; it is started again after a failure that may have left it unsound
// (crashed, timed out, memory, unreadable) and after every kPdfsPerProcess PDFs.
#pragma once

#include <sys/types.h>

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace veldra::platform {

enum class PdfTextFailure {
  kNone,
  kCrashed,        // the worker died (a signal, or it ended before answering)
  kTimedOut,       // no answer within the time limit: the worker was killed
  kTooMuchMemory,  // the engine ran out of the address space allowed
  kNotPdf,         // no "%PDF-" in the first 1024 bytes, or not readable as a PDF
  kEncrypted,      // locked by a password
  kUnreadable,     // the range cannot be read, or the engine refused it otherwise
  kCancelled,      // Cancel() was called
  kNotStarted,     // the worker program could not be started: says nothing about the PDF
};

// The stable name of a failure ("crashed", "timed-out", "memory", "not-pdf", "encrypted",
// "unreadable", "cancelled", "not-started"; "" for kNone), as the index records it.
const char* PdfTextFailureName(PdfTextFailure failure);

struct PdfTextLimits {
  int64_t time_ms = 60000;              // from the request to the last page
  uint64_t memory_bytes = 2ull << 30;   // the worker's address space (RLIMIT_AS)
};

struct PdfTextResult {
  PdfTextFailure failure = PdfTextFailure::kNone;
  // UTF-8, page 1 first; empty unless failure is kNone. Every text is valid UTF-8 (other
  // bytes become U+FFFD) and holds no NUL and no form feed (they become a space and a line
  // feed), so that texts may be joined with "\f".
  std::vector<std::string> pages;
  // The texts passed 16 MiB in all (each page also counting as a few bytes): they are cut
  // there, on a character boundary, and the pages after the cut are left out.
  bool truncated = false;
};

// One worker process, started on the first Extract and reused. Not thread-safe, but for
// Cancel(): one PdfTextWorker per thread.
class PdfTextWorker {
 public:
  static constexpr int kPdfsPerProcess = 200;

  // worker_path: the program to run (UTF-8), normally FindPdfTextWorker().
  PdfTextWorker(std::string worker_path, PdfTextLimits limits);
  // Kills the process.
  ~PdfTextWorker();
  PdfTextWorker(const PdfTextWorker&) = delete;
  PdfTextWorker& operator=(const PdfTextWorker&) = delete;

  // The texts of the PDF that is the byte range [offset, offset + length) of the file at
  // path (CP932).
  PdfTextResult Extract(const std::string& path, int64_t offset, int64_t length);

  // From any thread: kills the process; the Extract under way, and every later one, returns
  // kCancelled at once.
  void Cancel();

 private:
  enum class ReadStatus { kOk, kEnded, kTimedOut };

  bool Start();
  // Kills the process, if any, reaps it and closes the connection.
  void Stop();
  // Whether the process lives (it may have been killed from outside while idle).
  bool Running();
  ReadStatus Send(const std::string& frame, int64_t deadline_ms);
  ReadStatus Receive(char* out, size_t n, int64_t deadline_ms);
  // Sends the request frame and reads the answer; *sound is false when the process must
  // not serve another PDF.
  PdfTextResult Converse(const std::string& frame, int64_t deadline_ms, bool* sound);

  const std::string worker_path_;
  const PdfTextLimits limits_;
  int fd_ = -1;     // the client's end of the connection, the worker's input and output
  int served_ = 0;  // PDFs answered by the current process

  std::mutex mutex_;  // guards pid_ against Cancel(): a pid is killed only until it is reaped
  pid_t pid_ = -1;
  std::atomic<bool> cancelled_{false};
};

// The worker program (UTF-8): $VELDRA_PDFTEXT, else veldra-pdftext beside the running
// executable, else in ../lib/veldra/ from it (bin/veldra-cli of an installed tree), else the
// one of the build tree; the first that is an executable file. "" when none is.
std::string FindPdfTextWorker();

}  // namespace veldra::platform
