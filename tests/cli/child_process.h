// A program run as a process of its own, for the tests where two processes meet over one
// catalog: its input, output and error output are pipes to the test.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace veldra::cli::testing {

class ChildProcess {
 public:
  // Starts program with args (argv without the program name).
  ChildProcess(const std::string& program, const std::vector<std::string>& args);
  // A process still running is killed.
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  bool started() const { return pid_ > 0; }
  // The next line of the output or the error output, without its line feed; blocks until
  // it is complete. "" at the end of the stream.
  std::string ReadOutLine() { return ReadLine(out_fd_, &out_buffer_); }
  std::string ReadErrLine() { return ReadLine(err_fd_, &err_buffer_); }
  // Everything the output still holds, up to its end.
  std::string ReadRestOfOut();
  // Ends the process's input.
  void CloseInput();
  void Kill(int signal);
  // Waits for the end: the exit code, or 128 + the signal that ended the process.
  int Wait();
  // As Wait, for at most timeout_ms: a process still running then is killed and the
  // result is kTimedOut, so a test of something that must never wait cannot hang.
  static constexpr int kTimedOut = -2;
  int WaitFor(int timeout_ms);
  // Everything the error output still holds, up to its end.
  std::string ReadRestOfErr();

 private:
  static std::string ReadLine(int fd, std::string* buffer);
  static std::string ReadRest(int fd, std::string* buffer);
  static int ExitCodeOf(int status);

  pid_t pid_ = -1;
  int in_fd_ = -1;
  int out_fd_ = -1;
  int err_fd_ = -1;
  std::string out_buffer_;
  std::string err_buffer_;
};

}  // namespace veldra::cli::testing
