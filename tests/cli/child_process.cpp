#include "tests/cli/child_process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>

extern char** environ;

namespace veldra::cli::testing {

ChildProcess::ChildProcess(const std::string& program, const std::vector<std::string>& args) {
  int in[2], out[2], err[2];
  if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0 ||
      ::pipe2(err, O_CLOEXEC) != 0) {
    return;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, in[0], 0);
  posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  posix_spawn_file_actions_adddup2(&actions, err[1], 2);
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  if (::posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), environ) != 0) {
    pid_ = -1;
  }
  posix_spawn_file_actions_destroy(&actions);
  ::close(in[0]);
  ::close(out[1]);
  ::close(err[1]);
  in_fd_ = in[1];
  out_fd_ = out[0];
  err_fd_ = err[0];
}

ChildProcess::~ChildProcess() {
  if (pid_ > 0) {
    Kill(SIGKILL);
    Wait();
  }
  for (int fd : {in_fd_, out_fd_, err_fd_}) {
    if (fd >= 0) ::close(fd);
  }
}

std::string ChildProcess::ReadLine(int fd, std::string* buffer) {
  for (;;) {
    const size_t end = buffer->find('\n');
    if (end != std::string::npos) {
      std::string line = buffer->substr(0, end);
      buffer->erase(0, end + 1);
      return line;
    }
    char chunk[512];
    const ssize_t n = ::read(fd, chunk, sizeof(chunk));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      std::string rest = std::move(*buffer);
      buffer->clear();
      return rest;
    }
    buffer->append(chunk, static_cast<size_t>(n));
  }
}

std::string ChildProcess::ReadRest(int fd, std::string* buffer) {
  std::string all = std::move(*buffer);
  buffer->clear();
  char chunk[512];
  for (;;) {
    const ssize_t n = ::read(fd, chunk, sizeof(chunk));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return all;
    all.append(chunk, static_cast<size_t>(n));
  }
}

std::string ChildProcess::ReadRestOfOut() { return ReadRest(out_fd_, &out_buffer_); }

std::string ChildProcess::ReadRestOfErr() { return ReadRest(err_fd_, &err_buffer_); }

void ChildProcess::CloseInput() {
  if (in_fd_ >= 0) ::close(in_fd_);
  in_fd_ = -1;
}

void ChildProcess::Kill(int signal) {
  if (pid_ > 0) ::kill(pid_, signal);
}

int ChildProcess::ExitCodeOf(int status) {
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  return WIFSIGNALED(status) ? 128 + WTERMSIG(status) : -1;
}

int ChildProcess::Wait() {
  if (pid_ <= 0) return -1;
  int status = 0;
  while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
  }
  pid_ = -1;
  return ExitCodeOf(status);
}

int ChildProcess::WaitFor(int timeout_ms) {
  if (pid_ <= 0) return -1;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  for (;;) {
    int status = 0;
    const pid_t done = ::waitpid(pid_, &status, WNOHANG);
    if (done == pid_) {
      pid_ = -1;
      return ExitCodeOf(status);
    }
    if (done < 0 && errno != EINTR) return -1;
    if (std::chrono::steady_clock::now() >= deadline) {
      Kill(SIGKILL);
      Wait();
      return kTimedOut;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

}  // namespace veldra::cli::testing
