// Runs a real program (pingle-grid, pingle-simple) in a fresh directory with
// a configuration written by the test, and collects its outputs and its log.
#ifndef SORBELANE_TESTS_PROGRAM_RUNNER_H
#define SORBELANE_TESTS_PROGRAM_RUNNER_H

#include <map>
#include <string>
#include <vector>

namespace sbtest {

struct ProgramRun {
  std::string binary;
  std::vector<std::string> args;           // command-line arguments after the program's name
  std::string config;                      // content of the configuration file
  std::map<std::string, std::string> env;  // extra environment, set after the defaults
  std::vector<std::string> unset_env;      // variables taken out of the environment first
  int timeout_ms = 60000;                  // then the program is killed
  std::string interrupt_when;              // send SIGINT once the log holds this text
};

struct ProgramResult {
  int status = -1;  // exit status; 128 + signal if killed by one; -1 if it never ran
  bool timed_out = false;
  bool interrupted = false;
  std::string out;  // standard output
  std::string err;  // standard error
  std::string log;  // the log file after the program ended
  std::string dir;  // the working directory the program ran in
};

// Runs the program with SORBELANE_CONFIG and SORBELANE_LOG pointing into a new
// directory below tempDir(), which is also its working directory.
ProgramResult runProgram(const ProgramRun &run);

// True if every part occurs in text, each after the end of the one before.
bool inOrder(const std::string &text, const std::vector<std::string> &parts);

// The lines of text that contain every one of the needles.
int countLines(const std::string &text, const std::vector<std::string> &needles);

// What a shell command prints on standard output.
std::string commandOutput(const std::string &command);

// The net_peer test program (binary) as a server with config, logging to
// log_path (emptied first), stopped by Ctrl-C once its connection closed.
ProgramRun netPeerServer(const std::string &binary, const std::string &config,
                         const std::string &log_path);

// The port a server logs as "Ready for connections on port N", waited for
// up to timeout_ms; "" when it never logs one.
std::string waitForServerPort(const std::string &log_path, int timeout_ms);

// The example game's last logged player column ("arena: player at X Y"), or -1.
int lastPlayerColumn(const std::string &log);

// A tmux server of its own on a socket below tempDir(), killed with its
// panes when the object goes.
class Tmux {
 public:
  explicit Tmux(const std::string &name);
  ~Tmux();
  Tmux(const Tmux &) = delete;
  Tmux &operator=(const Tmux &) = delete;
  // Runs "tmux ARGS" on this server and returns what it printed.
  std::string run(const std::string &args) const;

 private:
  std::string socket;
};

}  // namespace sbtest

#endif
