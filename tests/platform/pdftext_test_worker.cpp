// A stand-in for veldra-pdftext that misbehaves on command, for the client's tests
// (pdf_text_worker_test.cpp). The request's path is the command:
//   crash        dies of SIGSEGV            hang     never answers
//   balloon      allocates until refused, then says "memory" (stops at 64 GiB: no limit)
//   exit         ends without an answer     babble   answers with an unknown frame
//   fail:KIND    answers FAIL KIND          pid      one page: its process id
//   limits       one page: "nice=N as=BYTES fds=N stderr=PATH"
//   flood        20 pages of 1 MiB of "あ" and "a" (the 16 MiB cut falls inside a character)
//   dirty        one page holding bytes that are not UTF-8, a NUL and a form feed
//   slow TEXT    waits 0.2 s, then one page holding TEXT
// anything else: one page holding the path.
// A range of a file whose bytes start with "stand-in:" (a PDF in a catalog, for the
// indexer's tests) is the command that follows, up to the line's end.
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include "platform/pdftext/pdf_text_protocol.h"

namespace pdftext = veldra::platform::pdftext;

namespace {

bool Page(const std::string& text) {
  return pdftext::WriteFrame(STDOUT_FILENO, std::string(pdftext::kPageTag) + text);
}

int OpenDescriptors() {
  int count = 0;
  if (DIR* dir = ::opendir("/proc/self/fd")) {
    while (const dirent* entry = ::readdir(dir)) count += entry->d_name[0] != '.';
    ::closedir(dir);
    --count;  // the listing's own
  }
  return count;
}

std::string Limits() {
  rlimit as{};
  ::getrlimit(RLIMIT_AS, &as);
  char target[256] = {};
  [[maybe_unused]] const ssize_t n = ::readlink("/proc/self/fd/2", target, sizeof target - 1);
  return "nice=" + std::to_string(::getpriority(PRIO_PROCESS, 0)) +
         " as=" + std::to_string(as.rlim_cur) + " fds=" + std::to_string(OpenDescriptors()) +
         " stderr=" + target;
}

// Takes address space 1 MiB at a time (never touched, so no memory is used) until refused.
bool Balloon() {
  std::vector<std::unique_ptr<char[]>> blocks;
  try {
    for (int i = 0; i < 64 * 1024; ++i) blocks.emplace_back(new char[1 << 20]);
  } catch (const std::bad_alloc&) {
    blocks.clear();
    return pdftext::WriteFrame(STDOUT_FILENO, "FAILmemory");
  }
  return pdftext::WriteFrame(STDOUT_FILENO, pdftext::kDoneTag);
}

bool Serve(const std::string& command) {
  if (command == "crash") ::raise(SIGSEGV);
  if (command == "hang") ::pause();
  if (command == "exit") ::_exit(0);
  if (command == "balloon") return Balloon();
  if (command == "babble") return pdftext::WriteFrame(STDOUT_FILENO, "WHAT");
  if (command.rfind("fail:", 0) == 0) {
    return pdftext::WriteFrame(STDOUT_FILENO, "FAIL" + command.substr(5));
  }
  bool sent = true;
  if (command.rfind("slow ", 0) == 0) {
    ::usleep(200 * 1000);
    sent = Page(command.substr(5));
  } else if (command == "pid") {
    sent = Page(std::to_string(::getpid()));
  } else if (command == "limits") {
    sent = Page(Limits());
  } else if (command == "flood") {
    std::string mib;
    while (mib.size() < (1u << 20)) mib += "\xE3\x81\x82";  // あ: 3 bytes
    for (int i = 0; i < 20 && sent; ++i) sent = Page(i == 15 ? "a" + mib : mib);
  } else if (command == "dirty") {
    sent = Page(std::string("ok\xC3(\xED\xA0\x80z\0nul\ffeed", 17));
  } else {
    sent = Page(command);
  }
  return sent && pdftext::WriteFrame(STDOUT_FILENO, pdftext::kDoneTag);
}

// The command of a request: its path, or what the range of the file it names holds.
std::string CommandOf(const pdftext::Request& request) {
  constexpr std::string_view kPrefix = "stand-in:";
  const int fd = ::open(request.path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return request.path;
  char bytes[256];
  const ssize_t n = ::pread(fd, bytes, std::min<uint64_t>(request.length, sizeof bytes),
                            static_cast<off_t>(request.offset));
  ::close(fd);
  const std::string head(bytes, n > 0 ? static_cast<size_t>(n) : 0);
  if (head.rfind(kPrefix, 0) != 0) return request.path;
  return head.substr(kPrefix.size(), head.find('\n') - kPrefix.size());
}

}  // namespace

int main() {
  std::string payload;
  pdftext::Request request;
  while (pdftext::ReadFrame(STDIN_FILENO, &payload, pdftext::kMaxRequestBytes)) {
    if (!pdftext::DecodeRequest(payload, &request) || !Serve(CommandOf(request))) return 1;
  }
  return 0;
}
