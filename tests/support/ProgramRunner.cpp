#include "support/ProgramRunner.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "support/TestDisplay.h"
#include "support/TestEngine.h"

namespace sbtest {

namespace {

long long nowMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

std::string freshDir() {
  std::string pattern = tempDir() + "/run-XXXXXX";
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  const char *made = mkdtemp(buffer.data());
  return made ? made : tempDir();
}

[[noreturn]] void execChild(const ProgramRun &run, const std::string &dir,
                            const std::string &log_path, int out_fd, int err_fd) {
  int null_fd = open("/dev/null", O_RDONLY);
  if (null_fd >= 0) dup2(null_fd, STDIN_FILENO);
  dup2(out_fd, STDOUT_FILENO);
  dup2(err_fd, STDERR_FILENO);
  if (chdir(dir.c_str()) != 0) _exit(126);
  setenv("SORBELANE_CONFIG", (dir + "/sb-config.txt").c_str(), 1);
  setenv("SORBELANE_LOG", log_path.c_str(), 1);
  for (const std::string &name : run.unset_env) unsetenv(name.c_str());
  for (const auto &entry : run.env) setenv(entry.first.c_str(), entry.second.c_str(), 1);
  std::vector<char *> argv;
  argv.push_back(const_cast<char *>(run.binary.c_str()));
  for (const std::string &arg : run.args) argv.push_back(const_cast<char *>(arg.c_str()));
  argv.push_back(nullptr);
  execv(run.binary.c_str(), argv.data());
  _exit(127);
}

// Appends what is readable on fd; false once it reached end of file.
bool drain(int fd, std::string &into) {
  char buffer[4096];
  ssize_t got = read(fd, buffer, sizeof buffer);
  if (got > 0) into.append(buffer, static_cast<size_t>(got));
  return got > 0 || (got < 0 && errno == EINTR);
}

}  // namespace

ProgramResult runProgram(const ProgramRun &run) {
  ProgramResult result;
  result.dir = freshDir();
  writeFile(result.dir + "/sb-config.txt", run.config);
  auto log_entry = run.env.find("SORBELANE_LOG");
  std::string log_path =
      log_entry != run.env.end() ? log_entry->second : result.dir + "/sorbelane.log";

  int out_pipe[2], err_pipe[2];
  if (pipe(out_pipe) != 0) return result;
  if (pipe(err_pipe) != 0) {
    close(out_pipe[0]);
    close(out_pipe[1]);
    return result;
  }
  pid_t pid = fork();
  if (pid == 0) {
    close(out_pipe[0]);
    close(err_pipe[0]);
    execChild(run, result.dir, log_path, out_pipe[1], err_pipe[1]);
  }
  close(out_pipe[1]);
  close(err_pipe[1]);
  if (pid < 0) {
    close(out_pipe[0]);
    close(err_pipe[0]);
    return result;
  }

  long long deadline = nowMs() + run.timeout_ms;
  bool out_open = true, err_open = true;
  while (out_open || err_open) {
    if (nowMs() > deadline) {
      kill(pid, SIGKILL);
      result.timed_out = true;
      break;
    }
    if (!run.interrupt_when.empty() && !result.interrupted &&
        readFile(log_path).find(run.interrupt_when) != std::string::npos) {
      kill(pid, SIGINT);
      result.interrupted = true;
    }
    struct pollfd fds[2] = {{out_pipe[0], POLLIN, 0}, {err_pipe[0], POLLIN, 0}};
    if (poll(fds, 2, 50) < 0 && errno != EINTR) break;
    if (out_open && (fds[0].revents & (POLLIN | POLLHUP)))
      out_open = drain(out_pipe[0], result.out);
    if (err_open && (fds[1].revents & (POLLIN | POLLHUP)))
      err_open = drain(err_pipe[0], result.err);
  }
  close(out_pipe[0]);
  close(err_pipe[0]);

  int wait_status = 0;
  if (waitpid(pid, &wait_status, 0) == pid) {
    if (WIFEXITED(wait_status)) result.status = WEXITSTATUS(wait_status);
    if (WIFSIGNALED(wait_status)) result.status = 128 + WTERMSIG(wait_status);
  }
  result.log = readFile(log_path);
  return result;
}

bool inOrder(const std::string &text, const std::vector<std::string> &parts) {
  size_t at = 0;
  for (const std::string &part : parts) {
    at = text.find(part, at);
    if (at == std::string::npos) return false;
    at += part.size();
  }
  return true;
}

int countLines(const std::string &text, const std::vector<std::string> &needles) {
  std::istringstream lines(text);
  std::string line;
  int count = 0;
  while (std::getline(lines, line)) {
    bool all = true;
    for (const std::string &needle : needles) all = all && line.find(needle) != std::string::npos;
    if (all) count++;
  }
  return count;
}

std::string commandOutput(const std::string &command) {
  std::string out;
  FILE *p = popen(command.c_str(), "r");
  if (!p) return out;
  char buffer[256];
  while (fgets(buffer, sizeof buffer, p)) out += buffer;
  pclose(p);
  return out;
}

int lastPlayerColumn(const std::string &log) {
  int column = -1;
  const std::string head = "arena: player at ";
  for (size_t at = log.find(head); at != std::string::npos; at = log.find(head, at + 1))
    column = std::atoi(log.c_str() + at + head.size());
  return column;
}

Tmux::Tmux(const std::string &name) : socket(tempDir() + "/tmux-" + name) {}

Tmux::~Tmux() { run("kill-server"); }

std::string Tmux::run(const std::string &args) const {
  return commandOutput("env -u TMUX tmux -S '" + socket + "' " + args + " 2>&1");
}

ProgramRun netPeerServer(const std::string &binary, const std::string &config,
                         const std::string &log_path) {
  ProgramRun run;
  run.binary = binary;
  run.config = config;
  writeFile(log_path, "");
  run.env = {{"NET_ROLE", "server"}, {"SORBELANE_LOG", log_path}};
  run.timeout_ms = 20000;
  run.interrupt_when = "net_peer: connection closed";
  return run;
}

std::string waitForServerPort(const std::string &log_path, int timeout_ms) {
  const std::string ready = "Ready for connections on port ";
  std::string log;
  if (!waitUntil([&] { return (log = readFile(log_path)).find(ready) != std::string::npos; },
                 timeout_ms))
    return "";
  return std::to_string(atoi(log.c_str() + log.find(ready) + ready.size()));
}

}  // namespace sbtest
