// How many back-to-back messages the engine delivers per second over loopback.
// A plain client thread writes COUNT messages of SIZE bytes (length field
// included) as fast as its socket takes them; a game object under the running
// game loop (headless, 33 ms frames unless FRAME_MS is given) reads every
// message it is told of. Timed from the client's first byte to the last
// message read; every message is checked byte for byte.
//
//   bench-network [FRAME_MS [SIZE COUNT]...]   default: 33 1024 6000 8192 1500 61440 300
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "BenchSupport.h"
#include "Sorbelane.h"

namespace {

using Clock = std::chrono::steady_clock;

sb::NetworkManager &net() { return sb::NetworkManager::getInstance(); }

using bench_support::numberedMessage;

// Reads every message and ends the loop after the last one (or after 60 s).
class Reader : public sb::Object {
  const std::vector<std::string> &expected;
  std::string buffer;

 public:
  int count, received = 0, wrong = 0;
  Clock::time_point start, last;

  explicit Reader(const std::vector<std::string> &init_expected)
      : expected(init_expected), count(static_cast<int>(init_expected.size())) {
    setSolidness(sb::SPECTRAL);
    registerInterest(sb::NETWORK_EVENT);
    registerInterest(sb::STEP_EVENT);
    start = last = Clock::now();
  }

  int eventHandler(const sb::Event *p_e) override {
    if (p_e->getType() == sb::STEP_EVENT) {
      if (Clock::now() - start > std::chrono::seconds(60)) sb::GameManager::getInstance().setGameOver();
      return 1;
    }
    const auto &e = *static_cast<const sb::EventNetwork *>(p_e);
    if (e.getLabel() != sb::Network::DATA) return 1;
    buffer.resize(static_cast<size_t>(e.getBytes()));
    if (net().receive(&buffer[0], e.getBytes(), false, e.getSocketIndex()) != e.getBytes() ||
        buffer != expected[static_cast<size_t>(received)])
      wrong++;
    last = Clock::now();
    if (++received == count) sb::GameManager::getInstance().setGameOver();
    return 1;
  }
};

void runOne(int size, int count) {
  std::vector<std::string> messages;
  for (int i = 0; i < count; i++) messages.push_back(numberedMessage(i, size));
  Reader *reader = new Reader(messages);
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(net().getServerPort()));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0) {
    perror("bench-network: connect");
    exit(1);
  }
  reader->start = Clock::now();
  std::thread writer([&] {
    for (const std::string &m : messages)
      if (send(fd, m.data(), m.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(m.size())) return;
  });
  sb::GameManager::getInstance().run();
  shutdown(fd, SHUT_RDWR);
  writer.join();
  close(fd);
  double seconds = std::chrono::duration<double>(reader->last - reader->start).count();
  printf("%6d bytes x %5d: %5d delivered, %d wrong, %.2f s, %8.0f messages/s, %7.2f MB/s\n", size,
         count, reader->received, reader->wrong, seconds, reader->received / seconds,
         reader->received * static_cast<double>(size) / seconds / 1e6);
  fflush(stdout);
  net().closeAll();
  sb::WorldManager::getInstance().markForDelete(reader);
  sb::WorldManager::getInstance().update();
}

}  // namespace

int main(int argc, char **argv) {
  int frame_ms = argc > 1 ? atoi(argv[1]) : 33;
  std::vector<std::pair<int, int>> runs;
  for (int i = 2; i + 1 < argc; i += 2) runs.push_back({atoi(argv[i]), atoi(argv[i + 1])});
  if (runs.empty()) runs = {{1024, 6000}, {8192, 1500}, {61440, 300}};
  for (const auto &run : runs)
    if (run.first < sb::NETWORK_HEADER_SIZE || run.first > sb::NETWORK_MAX_MESSAGE || run.second < 1) {
      fprintf(stderr, "bench-network: SIZE must be from %d to %d and COUNT at least 1\n",
              sb::NETWORK_HEADER_SIZE, sb::NETWORK_MAX_MESSAGE);
      return 2;
    }

  std::string config = "headless:true,\nnetworking:true,\nframe_time:" + std::to_string(frame_ms) + ",\n";
  if (!bench_support::startEngineIn("sorbelane-bench-network", config) ||
      net().setServer(true, "0") != 0)
    return 1;
  printf("frame time %d ms\n", frame_ms);
  for (const auto &run : runs) runOne(run.first, run.second);
  sb::GameManager::getInstance().shutDown();
  return 0;
}
