#include "process_runner.hpp"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <sstream>
#include <vector>

namespace tbcalc::testing {
namespace {

void close_if_open(int& fd) {
  if (fd >= 0) ::close(fd);
  fd = -1;
}

[[noreturn]] void exec_child(const std::string& path, const ProcessOptions& options, int in_read,
                             int out_write, int err_write) {
  using Input = ProcessOptions::Input;
  using Output = ProcessOptions::Output;
  ::dup2(err_write, STDERR_FILENO);
  if (options.input == Input::pipe) ::dup2(in_read, STDIN_FILENO);
  if (options.input == Input::closed) ::close(STDIN_FILENO);
  if (options.input == Input::directory) ::dup2(::open("/", O_RDONLY | O_DIRECTORY), STDIN_FILENO);
  if (options.output == Output::pipe) ::dup2(out_write, STDOUT_FILENO);
  if (options.output == Output::closed) ::close(STDOUT_FILENO);
  if (options.output == Output::dev_full) ::dup2(::open("/dev/full", O_WRONLY), STDOUT_FILENO);
  for (int fd = 3; fd < 1024; ++fd) ::close(fd);
  ::signal(SIGPIPE, options.ignore_sigpipe ? SIG_IGN : SIG_DFL);
  // TBCALC_TEST_WRAPPER runs the binary under a tool, e.g. valgrind and its flags.
  std::vector<std::string> words;
  if (const char* wrapper = std::getenv("TBCALC_TEST_WRAPPER")) {
    std::istringstream split(wrapper);
    for (std::string word; split >> word;) words.push_back(word);
  }
  words.push_back(path);
  words.insert(words.end(), options.args.begin(), options.args.end());
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  ::execvp(argv[0], argv.data());
  ::_exit(127);
}

void keep_output(ProcessResult& result, std::size_t limit, std::string_view bytes) {
  constexpr std::size_t kTail = 4096;
  result.out_bytes += bytes.size();
  if (result.out.size() < limit) {
    result.out.append(bytes.substr(0, limit - result.out.size()));
  }
  result.out_tail.append(bytes);
  if (result.out_tail.size() > 2 * kTail) result.out_tail.erase(0, result.out_tail.size() - kTail);
}

}  // namespace

ProcessResult run_process(const std::string& path, std::string_view input,
                          const ProcessOptions& options) {
  ::signal(SIGPIPE, SIG_IGN);  // the child may stop reading early
  int in_pipe[2], out_pipe[2], err_pipe[2];
  ProcessResult result;
  if (::pipe2(in_pipe, O_CLOEXEC) != 0 || ::pipe2(out_pipe, O_CLOEXEC) != 0 ||
      ::pipe2(err_pipe, O_CLOEXEC) != 0) {
    result.err = "pipe failed";
    return result;
  }
  const pid_t pid = ::fork();
  if (pid == 0) exec_child(path, options, in_pipe[0], out_pipe[1], err_pipe[1]);
  ::close(in_pipe[0]);
  ::close(out_pipe[1]);
  ::close(err_pipe[1]);
  int to_child = in_pipe[1], from_out = out_pipe[0], from_err = err_pipe[0];
  if (options.input != ProcessOptions::Input::pipe) close_if_open(to_child);
  ::fcntl(to_child, F_SETFL, O_NONBLOCK);

  const auto deadline = std::chrono::steady_clock::now() + options.deadline;
  std::size_t written = 0;
  char buffer[1 << 16];
  while (from_out >= 0 || from_err >= 0) {
    if (to_child >= 0 && written == input.size() && options.input_chunks) {
      input = options.input_chunks();
      written = 0;
    }
    if (to_child >= 0 && written == input.size()) close_if_open(to_child);
    pollfd fds[3] = {{to_child, POLLOUT, 0}, {from_out, POLLIN, 0}, {from_err, POLLIN, 0}};
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) {
      result.timed_out = true;
      ::kill(pid, SIGKILL);
      break;
    }
    if (::poll(fds, 3, int(left.count())) < 0 && errno != EINTR) break;
    if (to_child >= 0 && (fds[0].revents & (POLLOUT | POLLERR | POLLHUP))) {
      const ssize_t n = ::write(to_child, input.data() + written, input.size() - written);
      if (n > 0) written += std::size_t(n);
      if (n < 0 && errno != EAGAIN) close_if_open(to_child);  // the child stopped reading
    }
    for (int i = 1; i < 3; ++i) {
      if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLERR | POLLHUP))) continue;
      int& fd = i == 1 ? from_out : from_err;
      const ssize_t n = ::read(fd, buffer, sizeof buffer);
      if (n > 0 && i == 1) {
        keep_output(result, options.keep_output, std::string_view(buffer, std::size_t(n)));
        if (result.out_bytes >= options.close_output_after) close_if_open(fd);
      } else if (n > 0) {
        result.err.append(buffer, std::size_t(n));
      } else if (n == 0 || errno != EINTR) {
        close_if_open(fd);
      }
    }
  }
  close_if_open(to_child);
  close_if_open(from_out);
  close_if_open(from_err);

  int status = 0;
  rusage usage{};
  ::wait4(pid, &status, 0, &usage);
  result.max_rss_kib = usage.ru_maxrss;
  if (WIFEXITED(status)) result.exit_code = WEXITSTATUS(status);
  if (WIFSIGNALED(status)) result.signal = WTERMSIG(status);
  return result;
}

bool wait_for_key_by_key_reading(int terminal, std::chrono::steady_clock::time_point deadline) {
  termios mode{};
  while (::tcgetattr(terminal, &mode) == 0 && (mode.c_lflag & ICANON) != 0) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    ::usleep(1000);
  }
  return (mode.c_lflag & ICANON) == 0;
}

PipedChild spawn_piped(const std::string& path, const std::vector<std::string>& args) {
  int to_child[2], from_child[2];
  if (::pipe2(to_child, O_CLOEXEC) != 0 || ::pipe2(from_child, O_CLOEXEC) != 0) return {};
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::dup2(to_child[0], STDIN_FILENO);
    ::dup2(from_child[1], STDOUT_FILENO);
    std::vector<char*> argv = {const_cast<char*>(path.c_str())};
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    ::execv(path.c_str(), argv.data());
    ::_exit(127);
  }
  ::close(to_child[0]);
  ::close(from_child[1]);
  return {pid, to_child[1], from_child[0]};
}

int finish_piped(PipedChild& child) {
  close_if_open(child.to_child);
  close_if_open(child.from_child);
  int status = 0;
  ::waitpid(child.pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string read_until(int fd, const std::string& expected,
                       std::chrono::steady_clock::time_point deadline) {
  std::string seen;
  char buffer[4096];
  while (!seen.ends_with(expected)) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    pollfd p = {fd, POLLIN, 0};
    if (left.count() <= 0 || ::poll(&p, 1, int(left.count())) <= 0) break;
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n <= 0) break;
    seen.append(buffer, std::size_t(n));
  }
  return seen;
}

}  // namespace tbcalc::testing
