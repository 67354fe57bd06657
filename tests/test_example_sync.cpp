// The sync example: a server engine and a client engine, run as two programs
// on loopback for a few seconds, end with the same objects at the same places.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "support/ProgramRunner.h"
#include "support/TestEngine.h"

namespace {

TEST(ExampleSync, ServerAndClientEndWithTheSameObjects) {
  const std::string config = "headless:true,\n";
  sbtest::ProgramRun server_run;
  server_run.binary = SYNC_EXAMPLE_BIN;
  server_run.config = config;
  std::string server_log = sbtest::tempDir() + "/sync-server.log";
  sbtest::writeFile(server_log, "");
  server_run.env = {{"SORBELANE_LOG", server_log}};
  server_run.timeout_ms = 30000;
  server_run.args = {"server", "0", "90"};
  sbtest::ProgramResult server_result;
  std::thread server_thread([&] { server_result = sbtest::runProgram(server_run); });

  const std::string ready = "sync: listening on port ";
  std::string log;
  auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while ((log = sbtest::readFile(server_log)).find(ready) == std::string::npos &&
         std::chrono::steady_clock::now() < give_up)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  size_t at = log.find(ready);
  ASSERT_NE(at, std::string::npos) << log;
  std::string port = std::to_string(atoi(log.c_str() + at + ready.size()));

  sbtest::ProgramRun client_run;
  client_run.binary = SYNC_EXAMPLE_BIN;
  client_run.args = {"client", "127.0.0.1", port};
  client_run.config = config;
  client_run.timeout_ms = 30000;
  sbtest::ProgramResult client = sbtest::runProgram(client_run);
  server_thread.join();

  EXPECT_EQ(client.status, 0) << client.out << client.err << client.log;
  EXPECT_EQ(server_result.status, 0) << server_result.out << server_result.err;
  EXPECT_EQ(sbtest::countOf(server_result.out, "object "), 4) << server_result.out;
  EXPECT_EQ(client.out, server_result.out);
}

}  // namespace
