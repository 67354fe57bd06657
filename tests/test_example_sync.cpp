// The sync example: a server engine and client engines, run as programs on
// loopback for a few seconds, end with the same objects at the same places,
// also when a client leaves and another takes its place.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "support/ProgramRunner.h"
#include "support/TestEngine.h"

namespace {

const std::string kConfig = "headless:true,\n";

// A sync server run on a thread of its own, from its start to its end.
class SyncServer {
 public:
  sbtest::ProgramResult result;
  std::string port;  // empty if the server never said it was listening

  explicit SyncServer(const std::string &steps) {
    sbtest::ProgramRun run;
    run.binary = SYNC_EXAMPLE_BIN;
    run.config = kConfig;
    log_file = sbtest::tempDir() + "/sync-server.log";
    sbtest::writeFile(log_file, "");
    run.env = {{"SORBELANE_LOG", log_file}};
    run.timeout_ms = 40000;
    run.args = {"server", "0", steps};
    thread = std::thread([this, run] { result = sbtest::runProgram(run); });

    const std::string ready = "sync: listening on port ";
    std::string log;
    auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while ((log = sbtest::readFile(log_file)).find(ready) == std::string::npos &&
           std::chrono::steady_clock::now() < give_up)
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    size_t at = log.find(ready);
    if (at != std::string::npos) port = std::to_string(atoi(log.c_str() + at + ready.size()));
  }
  void wait() {
    if (thread.joinable()) thread.join();
  }
  ~SyncServer() { wait(); }

 private:
  std::string log_file;
  std::thread thread;
};

sbtest::ProgramResult runClient(const std::string &port, const std::string &leave = "") {
  sbtest::ProgramRun run;
  run.binary = SYNC_EXAMPLE_BIN;
  run.args = {"client", "127.0.0.1", port};
  if (!leave.empty()) run.args.push_back(leave);
  run.config = kConfig;
  run.timeout_ms = 30000;
  return sbtest::runProgram(run);
}

TEST(ExampleSync, ServerAndClientEndWithTheSameObjects) {
  SyncServer server("90");
  ASSERT_FALSE(server.port.empty());
  sbtest::ProgramResult client = runClient(server.port);
  server.wait();

  EXPECT_EQ(client.status, 0) << client.out << client.err << client.log;
  EXPECT_EQ(server.result.status, 0) << server.result.out << server.result.err;
  EXPECT_EQ(sbtest::countOf(server.result.out, "object "), 4) << server.result.out;
  EXPECT_EQ(client.out, server.result.out);
}

// The first client leaves early; the server forgets it, and the next client
// is sent the objects in full and ends with the server's objects.
TEST(ExampleSync, ANewClientAfterOneLeftGetsEveryObject) {
  SyncServer server("120");
  ASSERT_FALSE(server.port.empty());
  sbtest::ProgramResult first = runClient(server.port, "20");
  EXPECT_EQ(first.status, 0) << first.out << first.err << first.log;
  EXPECT_EQ(first.out, "left\n");
  sbtest::ProgramResult second = runClient(server.port);
  server.wait();

  EXPECT_EQ(second.status, 0) << second.out << second.err << second.log;
  EXPECT_EQ(server.result.status, 0) << server.result.out << server.result.err;
  EXPECT_EQ(sbtest::countOf(server.result.out, "object "), 4) << server.result.out;
  EXPECT_EQ(second.out, server.result.out);
  EXPECT_EQ(sbtest::countOf(server.result.log, "not connected"), 0) << server.result.log;
}

}  // namespace
