// The network manager over real TCP on 127.0.0.1: the engine as server and as
// client of plain sockets, message framing, the connection limit, close
// events, hostile peers under the running game loop, and refused input.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "BenchSupport.h"
#include "EventNetwork.h"
#include "EventStep.h"
#include "GameManager.h"
#include "LogManager.h"
#include "NetworkManager.h"
#include "Object.h"
#include "support/CoreChecks.h"
#include "support/ProgramRunner.h"
#include "support/TestEngine.h"
#include "utility.h"

namespace {

using Clock = std::chrono::steady_clock;
using sb::Network::ACCEPT;
using sb::Network::CLOSE;
using sb::Network::CONNECT;
using sb::Network::DATA;

sb::NetworkManager &net() { return sb::NetworkManager::getInstance(); }

long long msSince(Clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

void startNetworking(int frame_time = 10) {
  ASSERT_EQ(sbtest::startEngine("headless:true,\nnetworking:true,\nframe_time:" +
                                std::to_string(frame_time) + ",\n"),
            0);
  sb::LogManager::getInstance().setLogLevel(1);
}

// A length field followed by a payload.
std::string withLength(int length, const std::string &payload) {
  unsigned char header[4];
  sb::NetworkManager::putMessageLength(header, length);
  return std::string(reinterpret_cast<char *>(header), 4) + payload;
}

// A message: its length (header included), then the payload.
std::string lengthFramed(const std::string &payload) {
  return withLength(static_cast<int>(payload.size()) + 4, payload);
}

// ---- plain sockets on the other side --------------------------------------

sockaddr_in loopback(int port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return address;
}

int rawConnect(int port, int flags = 0) {
  int fd = socket(AF_INET, SOCK_STREAM | flags, 0);
  sockaddr_in address = loopback(port);
  if (connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0 && !flags) {
    close(fd);
    return -1;
  }
  return fd;
}

// A listening socket on a free port of 127.0.0.1.
int rawListen(int &port, int backlog = 5) {
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address = loopback(0);
  socklen_t length = sizeof address;
  bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address);
  listen(fd, backlog);
  getsockname(fd, reinterpret_cast<sockaddr *>(&address), &length);
  port = ntohs(address.sin_port);
  return fd;
}

int rawAccept(int listener) {
  pollfd pfd = {listener, POLLIN, 0};
  return poll(&pfd, 1, 2000) == 1 ? accept(listener, nullptr, nullptr) : -1;
}

void writeAll(int fd, const std::string &bytes) {
  ASSERT_EQ(send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL), static_cast<ssize_t>(bytes.size()));
}

// Reads n bytes within two seconds; fewer if the peer closed (then sets
// *ended) or time ran out.
std::string readBytes(int fd, size_t n, bool *ended = nullptr) {
  std::string got;
  Clock::time_point start = Clock::now();
  while (got.size() < n && msSince(start) < 2000) {
    pollfd pfd = {fd, POLLIN, 0};
    if (poll(&pfd, 1, 20) != 1) continue;
    char buffer[4096];
    ssize_t r = recv(fd, buffer, std::min(sizeof buffer, n - got.size()), 0);
    if (r <= 0) {
      if (ended) *ended = true;
      break;
    }
    got.append(buffer, static_cast<size_t>(r));
  }
  return got;
}

// True when the peer closed (end of file or reset) within two seconds.
bool peerClosed(int fd) {
  bool ended = false;
  readBytes(fd, 1 << 20, &ended);
  return ended;
}

// Closes with a reset instead of an orderly end.
void resetClose(int fd) {
  linger hard = {1, 0};
  setsockopt(fd, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
  close(fd);
}

// ---- the engine's side ----------------------------------------------------

struct NetSeen {
  sb::Network::Label label;
  int index;
  int bytes;
};

// Records the network events; reads every complete message unless told not to.
class NetListener : public sb::Object {
 public:
  std::vector<NetSeen> events;
  std::vector<std::string> messages;  // payloads, header removed
  bool read_messages = true;
  std::function<void(const sb::EventNetwork &)> action;

  NetListener() {
    setSolidness(sb::SPECTRAL);
    registerInterest(sb::NETWORK_EVENT);
  }
  int eventHandler(const sb::Event *p_e) override {
    if (p_e->getType() != sb::NETWORK_EVENT) return 0;
    const auto &e = *static_cast<const sb::EventNetwork *>(p_e);
    events.push_back({e.getLabel(), e.getSocketIndex(), e.getBytes()});
    if (e.getLabel() == DATA && read_messages) {
      std::string buffer(static_cast<size_t>(e.getBytes()), '\0');
      int got = net().receive(&buffer[0], e.getBytes(), false, e.getSocketIndex());
      messages.push_back(got == e.getBytes() ? buffer.substr(4) : "<short read>");
    }
    if (action) action(e);
    return 1;
  }
  int count(sb::Network::Label label) const {
    return static_cast<int>(std::count_if(events.begin(), events.end(),
                                          [&](const NetSeen &s) { return s.label == label; }));
  }
};

// What the game loop does for the network, outside the loop.
void service() {
  sb::NetworkManager &nm = net();
  nm.flushLeaving();
  if (nm.isServer()) nm.accept();
  for (int i = 0; i < nm.getNumConnections();) {
    int before = nm.getNumConnections();
    nm.genDataEvents(i);
    if (nm.getNumConnections() >= before) i++;
  }
}

bool serviceUntil(const std::function<bool()> &done, int timeout_ms = 2000) {
  Clock::time_point start = Clock::now();
  while (true) {
    service();
    if (done()) return true;
    if (msSince(start) > timeout_ms) return false;
    usleep(1000);
  }
}

void serviceFor(int ms) {
  serviceUntil([] { return false; }, ms);
}

// An engine server on a free port.
int startServer() {
  if (net().setServer(true, "0") != 0) return -1;
  return net().getServerPort();
}

}  // namespace

// Every test ends with the engine shut down, which deletes its objects.
class Network : public testing::Test {
 protected:
  void TearDown() override {
    if (sb::GameManager::getInstance().isStarted()) sb::GameManager::getInstance().shutDown();
    // Back to the default limit, which the next test expects.
    if (net().getMaxConnections() != 1) net().setMaxConnections(1);
  }
};

TEST_F(Network, LengthFieldIsLittleEndianAndRoundTrips) {
  std::mt19937 random(13);
  std::vector<int> values = {0, 1, 4, 255, 256, 65536, -1, INT_MAX, INT_MIN};
  for (int i = 0; i < 1000; i++) values.push_back(static_cast<int>(random()));
  for (int value : values) {
    unsigned char header[4];
    sb::NetworkManager::putMessageLength(header, value);
    uint32_t bits = static_cast<uint32_t>(value);
    for (int b = 0; b < 4; b++) EXPECT_EQ(header[b], (bits >> (8 * b)) & 0xff);
    EXPECT_EQ(sb::NetworkManager::getMessageLength(header), value);
  }
}

TEST_F(Network, EventLabelsOutsideTheRangeAreUndefined) {
  sb::LogManager::getInstance().setLogLevel(1);
  sbtest::startEngine("headless:true,\n");
  sb::EventNetwork plain;
  EXPECT_EQ(plain.getType(), sb::NETWORK_EVENT);
  EXPECT_EQ(plain.getLabel(), sb::Network::UNDEFINED_NETWORK_LABEL);
  EXPECT_EQ(plain.getSocketIndex(), -1);
  EXPECT_EQ(plain.getBytes(), 0);
  for (int label : {-2, -1, 0, 1, 2, 3, 4, 100}) {
    sb::EventNetwork event(static_cast<sb::Network::Label>(label));
    bool defined = label >= -1 && label <= 3;
    EXPECT_EQ(event.getLabel(), defined ? label : -1) << label;
    event.setLabel(DATA);
    event.setLabel(static_cast<sb::Network::Label>(label));
    EXPECT_EQ(event.getLabel(), defined ? label : -1) << label;
    EXPECT_EQ(sbtest::countMessage(sbtest::readLog(), "EventNetwork::setLabel(): Undefined type (" +
                                                          std::to_string(label) + ")."),
              defined ? 0 : 2);
  }
}

// Refused input: byte counts, buffers, indices and port texts.
TEST_F(Network, RefusesBadArgumentsAndPortTexts) {
  startNetworking();
  sb::NetworkManager &nm = net();
  for (const std::string &name : {sb::NETWORK_EVENT, sb::NETWORK_KEYBOARD_EVENT,
                                  sb::NETWORK_MSE_EVENT, sb::NETWORK_CUSTOM_EVENT})
    EXPECT_TRUE(nm.isValid(name));
  EXPECT_FALSE(nm.isValid(sb::STEP_EVENT));
  char buffer[8] = {};
  EXPECT_EQ(nm.send(buffer, 8, 0), -1);  // index 0 == connection count
  EXPECT_EQ(nm.receive(buffer, 8, false, -1), -1);
  EXPECT_EQ(nm.isData(0), -1);
  EXPECT_EQ(nm.close(0), -1);
  EXPECT_EQ(nm.getSocket(3), -1);
  EXPECT_EQ(nm.genDataEvents(0), 0);
  EXPECT_EQ(nm.setMaxConnections(-1), -1);
  EXPECT_EQ(nm.getMaxConnections(), 1);

  for (const char *port : {"", "abc", "-1", "65536", "99999", " 80", "80x", "+80", "123456",
                           "4294967297"}) {
    EXPECT_EQ(nm.setServer(true, port), -1) << port;
    EXPECT_FALSE(nm.isServer());
    EXPECT_EQ(nm.connect("127.0.0.1", port), -1) << port;
  }
  EXPECT_EQ(nm.connect("127.0.0.1", "0"), -1);

  int port = startServer();
  ASSERT_GT(port, 0);
  int client = rawConnect(port);
  ASSERT_GE(client, 0);
  ASSERT_TRUE(serviceUntil([&] { return nm.getNumConnections() == 1; }));
  EXPECT_EQ(nm.send(nullptr, 4, 0), -1);
  EXPECT_EQ(nm.send(buffer, -1, 0), -1);
  EXPECT_EQ(nm.receive(nullptr, 4, false, 0), -1);
  EXPECT_EQ(nm.receive(buffer, -5, true, 0), -1);
  EXPECT_EQ(nm.send(buffer, 0, 0), 0);
  EXPECT_EQ(nm.receive(buffer, 0, false, 0), 0);
  nm.closeAll();
  EXPECT_EQ(readBytes(client, 1), "");  // nothing went out before the end

  std::string log = sbtest::readLog();
  EXPECT_TRUE(sbtest::hasMessage(
      log, "NetworkManager::isValid(): Error! NetworkManager does not handle sb-step."));
  EXPECT_TRUE(sbtest::hasMessage(
      log, "NetworkManager::send(): Error! Socket 0 not connected. Unable to send."));
  EXPECT_TRUE(sbtest::hasMessage(
      log, "NetworkManager::receive(): Error! Socket -1 not connected. Unable to receive."));
  EXPECT_TRUE(sbtest::hasMessage(log, "NetworkManager::close(): sock_index (0) out of range."));
  EXPECT_TRUE(sbtest::hasMessage(
      log, "NetworkManager::setServer(): Error! port '65536' is not a number from 0 to 65535."));
  EXPECT_TRUE(sbtest::hasMessage(
      log, "NetworkManager::setServer(): Ready for connections on port " + std::to_string(port) +
               "."));
  close(client);
}

TEST_F(Network, EngineServerTakesFramedMessagesFromARawClient) {
  startNetworking();
  sb::NetworkManager &nm = net();
  NetListener *listener = new NetListener;
  int port = startServer();
  ASSERT_GT(port, 0);
  EXPECT_EQ(nm.setServer(true, "0"), 0);  // a second call keeps the first socket
  EXPECT_EQ(nm.getServerPort(), port);

  int client = rawConnect(port);
  ASSERT_GE(client, 0);
  ASSERT_TRUE(serviceUntil([&] { return listener->count(ACCEPT) == 1; }));
  EXPECT_EQ(listener->events[0].index, 0);
  EXPECT_TRUE(nm.isConnected(0));

  // Two messages in one write.
  writeAll(client, lengthFramed("first") + lengthFramed("second!"));
  ASSERT_TRUE(serviceUntil([&] { return listener->messages.size() == 2; }));
  EXPECT_EQ(listener->events[1].bytes, 9);
  EXPECT_EQ(listener->events[2].bytes, 11);

  // A header split across writes raises nothing until the rest arrives.
  std::string split = lengthFramed("split header");
  writeAll(client, split.substr(0, 2));
  serviceFor(30);
  writeAll(client, split.substr(2, 3));
  serviceFor(30);
  EXPECT_EQ(listener->messages.size(), 2u);
  writeAll(client, split.substr(5));
  ASSERT_TRUE(serviceUntil([&] { return listener->messages.size() == 3; }));

  // A byte at a time: no event before the last byte.
  std::string slow = lengthFramed("one byte at a time");
  for (size_t i = 0; i < slow.size(); i++) {
    writeAll(client, slow.substr(i, 1));
    serviceFor(2);
    if (i + 1 < slow.size()) {
      ASSERT_EQ(listener->messages.size(), 3u) << i;
    }
  }
  ASSERT_TRUE(serviceUntil([&] { return listener->messages.size() == 4; }));
  EXPECT_EQ(listener->messages,
            (std::vector<std::string>{"first", "second!", "split header", "one byte at a time"}));

  // The engine answers; the client sees the same bytes.
  std::string answer = lengthFramed("answer");
  EXPECT_EQ(nm.send(answer.data(), static_cast<int>(answer.size()), 0), 0);
  EXPECT_EQ(readBytes(client, answer.size()), answer);

  // The client leaves: one close event, the connection is gone.
  close(client);
  ASSERT_TRUE(serviceUntil([&] { return listener->count(CLOSE) == 1; }));
  EXPECT_EQ(nm.getNumConnections(), 0);
  EXPECT_EQ(listener->count(DATA), 4);
}

// The engine as client; its socket takes descriptor 0, which is as good as any.
TEST_F(Network, EngineClientExchangesWithARawServer) {
  startNetworking();
  sb::NetworkManager &nm = net();
  NetListener *listener = new NetListener;
  int port = 0;
  int server = rawListen(port);
  int saved_stdin = dup(0);
  close(0);
  EXPECT_EQ(nm.connect("127.0.0.1", std::to_string(port)), 0);
  ASSERT_EQ(listener->count(CONNECT), 1);
  EXPECT_EQ(listener->events[0].index, 0);
  EXPECT_EQ(nm.getSocket(0), 0);
  EXPECT_TRUE(nm.isConnected(0));
  int peer = rawAccept(server);
  ASSERT_GE(peer, 0);

  std::string hello = lengthFramed("hello server");
  EXPECT_EQ(nm.send(hello.data(), static_cast<int>(hello.size()), 0), 0);
  EXPECT_EQ(readBytes(peer, hello.size()), hello);
  writeAll(peer, lengthFramed("hello client") + lengthFramed(""));
  ASSERT_TRUE(serviceUntil([&] { return listener->messages.size() == 2; }));
  EXPECT_EQ(listener->messages, (std::vector<std::string>{"hello client", ""}));

  // The engine closes: its own close event, and the server sees the end.
  EXPECT_EQ(nm.close(0), 0);
  EXPECT_EQ(listener->count(CLOSE), 1);
  EXPECT_EQ(nm.getNumConnections(), 0);
  EXPECT_TRUE(peerClosed(peer));
  dup2(saved_stdin, 0);
  close(saved_stdin);
  close(peer);
  close(server);
}

TEST_F(Network, ConnectionLimitAndRenumberingOnClose) {
  startNetworking();
  sb::NetworkManager &nm = net();
  NetListener *listener = new NetListener;
  int port = startServer();
  ASSERT_GT(port, 0);
  int first = rawConnect(port);
  ASSERT_TRUE(serviceUntil([&] { return nm.getNumConnections() == 1; }));

  // At the default limit of one the next client is taken and closed at once.
  int second = rawConnect(port);
  ASSERT_GE(second, 0);
  ASSERT_TRUE(serviceUntil([] { return sbtest::countOf(sbtest::readLog(), "at limit (1)") > 0; }));
  EXPECT_TRUE(peerClosed(second));
  EXPECT_EQ(nm.getNumConnections(), 1);
  EXPECT_TRUE(sbtest::hasMessage(
      sbtest::readLog(), "NetworkManager::accept(): Warning! accept() connection, but at limit (1)."));

  // With room for three, closing index 0 moves the others down.
  EXPECT_EQ(nm.setMaxConnections(3), 0);
  int third = rawConnect(port);
  int fourth = rawConnect(port);
  ASSERT_TRUE(serviceUntil([&] { return nm.getNumConnections() == 3; }));
  EXPECT_EQ(listener->count(ACCEPT), 3);
  EXPECT_EQ(nm.close(0), 0);
  ASSERT_EQ(listener->events.back().label, CLOSE);
  EXPECT_EQ(listener->events.back().index, 0);
  EXPECT_TRUE(peerClosed(first));
  for (int index : {0, 1}) {
    std::string message = lengthFramed("to " + std::to_string(index));
    EXPECT_EQ(nm.send(message.data(), static_cast<int>(message.size()), index), 0);
  }
  EXPECT_EQ(readBytes(third, 8), lengthFramed("to 0"));
  EXPECT_EQ(readBytes(fourth, 8), lengthFramed("to 1"));

  // Shutting down closes every connection and the listening socket.
  nm.shutDown();
  EXPECT_EQ(listener->count(CLOSE), 3);
  EXPECT_FALSE(nm.isServer());
  EXPECT_TRUE(peerClosed(third));
  EXPECT_TRUE(peerClosed(fourth));
  EXPECT_EQ(rawConnect(port), -1);
  for (int fd : {first, second, third, fourth}) close(fd);
}

// A close-event handler that sends, receives and closes again on the index
// being closed touches no descriptor: the one just closed may already be
// someone else's.
TEST_F(Network, CloseHandlerCannotReachTheClosedDescriptor) {
  startNetworking();
  sb::NetworkManager &nm = net();
  NetListener *listener = new NetListener;
  int port = startServer();
  int client = rawConnect(port);
  ASSERT_TRUE(serviceUntil([&] { return nm.getNumConnections() == 1; }));
  int pipe_fds[2] = {-1, -1};
  std::vector<int> results;
  listener->action = [&](const sb::EventNetwork &e) {
    if (e.getLabel() != CLOSE) return;
    EXPECT_EQ(pipe(pipe_fds), 0);  // likely takes the number just freed
    char buffer[16] = "must not leave";
    results.push_back(nm.send(buffer, sizeof buffer, e.getSocketIndex()));
    results.push_back(nm.receive(buffer, sizeof buffer, false, e.getSocketIndex()));
    results.push_back(nm.isConnected(e.getSocketIndex()) ? 1 : 0);
    results.push_back(nm.close(e.getSocketIndex()));
    results.push_back(nm.closeAll());
  };
  EXPECT_EQ(nm.close(0), 0);
  EXPECT_EQ(results, (std::vector<int>{-1, -1, 0, 0, 0}));
  EXPECT_EQ(listener->count(CLOSE), 1);
  EXPECT_EQ(nm.getNumConnections(), 0);
  // Nothing was written into (or read from) whatever took the descriptor.
  pollfd pfd = {pipe_fds[0], POLLIN, 0};
  EXPECT_EQ(poll(&pfd, 1, 0), 0);
  close(pipe_fds[0]);
  close(pipe_fds[1]);
  close(client);
}

// connect() gives up after its timeout when the server never answers (its
// backlog is full), and at once when nothing listens.
TEST_F(Network, ConnectIsBounded) {
  startNetworking();
  sb::NetworkManager &nm = net();
  int port = 0;
  int server = rawListen(port, 0);
  ASSERT_GE(server, 0);
  std::vector<int> waiting;  // fill the backlog of a server that never accepts
  for (int i = 0; i < 4; i++) waiting.push_back(rawConnect(port, SOCK_NONBLOCK));
  usleep(50000);
  EXPECT_EQ(nm.setConnectTimeout(300), 0);
  Clock::time_point start = Clock::now();
  EXPECT_EQ(nm.connect("127.0.0.1", std::to_string(port)), -1);
  long long took = msSince(start);
  EXPECT_GE(took, 250);
  EXPECT_LT(took, 1500);
  EXPECT_EQ(nm.getNumConnections(), 0);
  for (int fd : waiting) close(fd);
  close(server);

  start = Clock::now();
  EXPECT_EQ(nm.connect("127.0.0.1", std::to_string(port)), -1);  // now refused
  EXPECT_LT(msSince(start), 250);
  EXPECT_TRUE(sbtest::hasMessage(sbtest::readLog(),
                                 "NetworkManager::connect(): Error! connect() returned:"));
}

namespace {

// One hostile peer: what it does to its socket once accepted, and what the
// engine must show for it.
struct Hostile {
  std::string name;
  std::function<void(int &fd)> act;  // may close the socket (then sets fd to -1)
  std::vector<std::string> messages;  // payloads that must arrive, in order
  bool closes;                        // the engine closes the connection
  bool read = true;                   // the game reads its messages
  bool engine_sends = false;          // the engine sends to it every step
};

std::string bigPayload() { return std::string(sb::NETWORK_MAX_MESSAGE - 4, 'm'); }

std::vector<Hostile> hostilePeers() {
  auto sends = [](std::string bytes, bool then_close = false, bool reset = false) {
    return [=](int &fd) {
      writeAll(fd, bytes);
      if (reset) {
        usleep(20000);
        resetClose(fd);
        fd = -1;
      } else if (then_close) {
        close(fd);
        fd = -1;
      }
    };
  };
  std::vector<Hostile> peers;
  for (int length : {0, 1, 2, 3, -1, -4, INT_MIN, INT_MAX, sb::NETWORK_MAX_MESSAGE + 1})
    peers.push_back({"length " + std::to_string(length), sends(withLength(length, "xxxxxxxx")), {},
                     true});
  peers.push_back(
      {"length 0 after a message", sends(lengthFramed("ok") + withLength(0, "")), {"ok"}, true});
  peers.push_back({"longest message", sends(lengthFramed(bigPayload())), {bigPayload()}, false});
  peers.push_back({"truncated, left open", sends(lengthFramed("0123456789").substr(0, 9)), {}, false});
  peers.push_back({"only 3 header bytes", sends(lengthFramed("abc").substr(0, 3)), {}, false});
  peers.push_back({"truncated, then closed", sends(lengthFramed("0123456789").substr(0, 9), true), {},
                   true});
  peers.push_back({"messages, then closed", sends(lengthFramed("a") + lengthFramed("bb"), true), {"a", "bb"},
                   true});
  peers.push_back({"message and a part, then closed",
                   sends(lengthFramed("whole") + lengthFramed("part").substr(0, 5), true), {"whole"}, true});
  peers.push_back({"closed at once", sends("", true), {}, true});
  peers.push_back({"reset at once", sends("", false, true), {}, true});
  peers.push_back({"reset after a part", sends(lengthFramed("zz").substr(0, 3), false, true), {}, true});
  Hostile unread{"message nobody reads", sends(lengthFramed("ignored")), {}, false};
  unread.read = false;
  peers.push_back(unread);
  Hostile deaf{"never reads while the engine sends", [](int &fd) {
                 int small = 4096;
                 setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
               },
               {}, false};
  deaf.engine_sends = true;
  peers.push_back(deaf);
  return peers;
}

// Measures the time between step events and runs a per-step action.
class StepTimer : public sb::Object {
 public:
  std::vector<long long> step_us;
  std::function<void(int)> action;
  Clock::time_point last;
  StepTimer() {
    setSolidness(sb::SPECTRAL);
    registerInterest(sb::STEP_EVENT);
  }
  int eventHandler(const sb::Event *p_e) override {
    if (p_e->getType() != sb::STEP_EVENT) return 0;
    int n = static_cast<const sb::EventStep *>(p_e)->getStepCount();
    Clock::time_point now = Clock::now();
    if (n > 0)
      step_us.push_back(
          std::chrono::duration_cast<std::chrono::microseconds>(now - last).count());
    last = now;
    if (action) action(n);
    return 1;
  }
};

}  // namespace

// Every hostile peer, served by the running game loop: no crash, no hang, no
// event for bytes that never came, and the loop keeps its frame time.
TEST_F(Network, HostilePeersUnderTheGameLoop) {
  const int frame_time = 10, steps = 30, act_at = 3;
  startNetworking(frame_time);
  sb::NetworkManager &nm = net();
  sb::GameManager &gm = sb::GameManager::getInstance();
  int port = startServer();
  ASSERT_GT(port, 0);
  NetListener *listener = new NetListener;
  StepTimer *timer = new StepTimer;
  std::string outgoing = lengthFramed(std::string(60000, 'o'));

  for (const Hostile &peer : hostilePeers()) {
    SCOPED_TRACE(peer.name);
    listener->events.clear();
    listener->messages.clear();
    listener->read_messages = peer.read;
    timer->step_us.clear();
    int fd = rawConnect(port);
    ASSERT_GE(fd, 0);
    size_t log_from = sbtest::readLog().size();
    int refused_sends = 0;
    std::vector<int> data_steps;  // the step of every message event
    listener->action = [&](const sb::EventNetwork &e) {
      if (e.getLabel() == DATA) data_steps.push_back(gm.getStepCount());
    };
    timer->action = [&](int n) {
      if (n == act_at) peer.act(fd);
      for (int i = 0; i < 20 && peer.engine_sends && nm.isConnected(0); i++)
        if (nm.send(outgoing.data(), static_cast<int>(outgoing.size()), 0) == -1) {
          refused_sends++;
          break;
        }
      if (n == steps - 1) gm.setGameOver();
    };
    gm.run();
    std::string log = sbtest::readLog().substr(log_from);

    EXPECT_EQ(listener->count(ACCEPT), 1);
    EXPECT_EQ(listener->count(CLOSE), peer.closes ? 1 : 0);
    EXPECT_EQ(nm.getNumConnections(), peer.closes ? 0 : 1);
    EXPECT_EQ(listener->messages, peer.messages);
    if (peer.read) {
      EXPECT_EQ(listener->count(DATA), static_cast<int>(peer.messages.size()));
    } else {
      // Reported once a step, never over and over within one.
      EXPECT_TRUE(std::adjacent_find(data_steps.begin(), data_steps.end()) == data_steps.end());
      EXPECT_GT(data_steps.size(), static_cast<size_t>(steps - act_at - 5));
    }
    if (peer.engine_sends) {
      EXPECT_GT(refused_sends, 0);  // the queue filled and further sends were refused
      EXPECT_LE(nm.getQueuedBytes(0), sb::NETWORK_SEND_QUEUE_MAX);
    }
    // A message raised over and over within a step would use up the network
    // time of every step; a busy machine may make a few steps run out of it.
    EXPECT_LT(sbtest::countOf(log, "Residual network data"), steps / 3);
    std::vector<long long> sorted = timer->step_us;
    std::sort(sorted.begin(), sorted.end());
    ASSERT_FALSE(sorted.empty());
    // Loose bounds, for a loaded machine: a blocking call would take far longer.
    EXPECT_LT(sorted[sorted.size() / 2], 5 * frame_time * 1000);
    EXPECT_LT(sorted.back(), (frame_time + 1000) * 1000);

    nm.closeAll();
    if (fd >= 0) close(fd);
  }
}

// Two engines in two processes: the client sends pings, the server answers
// each, the client closes and ends with status 0; the server sees the close
// and is stopped by Ctrl-C (status 2).
TEST_F(Network, TwoEngineProcessesTalkAndShutDown) {
  const std::string config = "headless:true,\nnetworking:true,\nframe_time:10,\n";
  std::string server_log = sbtest::tempDir() + "/net-server.log";
  sbtest::ProgramRun server_run = sbtest::netPeerServer(NET_PEER_BIN, config, server_log);
  sbtest::ProgramResult server_result;
  std::thread server_thread([&] { server_result = sbtest::runProgram(server_run); });

  // The server logs the port it found.
  std::string port = sbtest::waitForServerPort(server_log, 10000);
  ASSERT_FALSE(port.empty()) << sbtest::readFile(server_log);

  sbtest::ProgramRun client_run;
  client_run.binary = NET_PEER_BIN;
  client_run.config = config;
  client_run.env = {{"NET_ROLE", "client"}, {"NET_PORT", port}, {"NET_COUNT", "5"}};
  client_run.timeout_ms = 20000;
  sbtest::ProgramResult client = sbtest::runProgram(client_run);
  server_thread.join();

  EXPECT_EQ(client.status, 0) << client.out << client.log;
  EXPECT_TRUE(sbtest::inOrder(client.out, {"connected 0\n", "got pong 0\n", "got pong 4\n",
                                           "closed 0\n", "done\n"}))
      << client.out;
  EXPECT_TRUE(server_result.interrupted);
  EXPECT_EQ(server_result.status, 2) << server_result.out << server_result.log;
  EXPECT_TRUE(sbtest::inOrder(server_result.out,
                              {"accepted 0\n", "got ping 0\n", "got ping 4\n", "closed 0\n"}))
      << server_result.out;
  EXPECT_TRUE(sbtest::inOrder(server_result.log, {"doShutDown(): Signal is 2.  Shutting down.",
                                                  "Network manager stopped",
                                                  "** Game engine stopped **"}))
      << server_result.log;
  EXPECT_TRUE(sbtest::inOrder(client.log, {"Network manager stopped", "** Game engine stopped **"}));
  for (const std::string *text : {&client.log, &server_result.log})
    EXPECT_EQ(text->find("Error!"), std::string::npos) << *text;
}

namespace {

// One pattern of traffic: messages of these sizes, written back to back by a
// plain client as fast as its socket takes them.
struct Traffic {
  std::string name;
  std::vector<std::pair<int, int>> batches;  // (message size, header included; count)
  bool engine_replies;                        // to a client that never reads
};

using bench_support::numberedMessage;

}  // namespace

// Back-to-back messages under the running game loop all arrive whole and in
// order, however large, and whether or not the peer reads what the engine
// sends back.
TEST_F(Network, BackToBackMessagesAllArrive) {
  const std::vector<Traffic> patterns = {
      {"8 KB then 60 KB", {{8 * 1024, 60}, {60 * 1024, 20}}, false},
      {"8 KB then 60 KB, replies never read", {{8 * 1024, 60}, {60 * 1024, 20}}, true},
      {"1 KB, replies never read", {{1024, 3000}}, true},
      {"longest messages", {{sb::NETWORK_MAX_MESSAGE, 30}}, false},
      {"small and large mixed", {{5, 200}, {40000, 10}, {4, 100}, {60 * 1024, 5}, {9, 50}}, true},
  };
  startNetworking(10);
  sb::NetworkManager &nm = net();
  sb::GameManager &gm = sb::GameManager::getInstance();
  int port = startServer();
  ASSERT_GT(port, 0);
  NetListener *listener = new NetListener;
  listener->read_messages = false;
  StepTimer *timer = new StepTimer;

  for (const Traffic &traffic : patterns) {
    SCOPED_TRACE(traffic.name);
    std::vector<std::string> expected;
    for (const auto &batch : traffic.batches)
      for (int i = 0; i < batch.second; i++)
        expected.push_back(numberedMessage(static_cast<int>(expected.size()), batch.first));

    int fd = rawConnect(port);
    ASSERT_GE(fd, 0);
    timeval give_up = {20, 0};  // a stalled engine ends the writer instead of hanging it
    setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &give_up, sizeof give_up);
    size_t written = 0;
    std::thread writer([&] {
      for (const std::string &message : expected) {
        if (send(fd, message.data(), message.size(), MSG_NOSIGNAL) !=
            static_cast<ssize_t>(message.size()))
          return;
        written++;
      }
    });

    std::vector<std::string> received;
    int refused_replies = 0;
    listener->action = [&](const sb::EventNetwork &e) {
      if (e.getLabel() != DATA) return;
      std::string buffer(static_cast<size_t>(e.getBytes()), '\0');
      if (nm.receive(&buffer[0], e.getBytes(), false, e.getSocketIndex()) != e.getBytes()) return;
      received.push_back(buffer);
      if (traffic.engine_replies) {
        std::string reply = numberedMessage(static_cast<int>(received.size()), 64);
        if (nm.send(reply.data(), static_cast<int>(reply.size()), e.getSocketIndex()) != 0)
          refused_replies++;
      }
    };
    Clock::time_point start = Clock::now();
    timer->action = [&](int) {
      if (received.size() == expected.size() || msSince(start) > 20000) gm.setGameOver();
    };
    gm.run();
    long long took = msSince(start);
    writer.join();

    EXPECT_EQ(written, expected.size());
    ASSERT_EQ(received.size(), expected.size());
    int differing = 0;
    for (size_t i = 0; i < expected.size(); i++)
      if (received[i] != expected[i]) differing++;
    EXPECT_EQ(differing, 0);
    EXPECT_EQ(refused_replies, 0);
    EXPECT_LT(took, 10000);  // a few seconds even on a loaded machine; a stall never ends
    nm.closeAll();
    close(fd);
  }
}

// Closing sends what is still queued to a peer that takes it, and gives up
// within a short bound, saying how much it dropped, on peers that do not.
TEST_F(Network, CloseSendsQueuedBytesWithinABound) {
  startNetworking();
  sb::NetworkManager &nm = net();
  nm.setMaxConnections(3);
  int port = startServer();
  ASSERT_GT(port, 0);
  std::vector<int> clients;
  for (int i = 0; i < 3; i++) {
    int fd = rawConnect(port);
    ASSERT_GE(fd, 0);
    int small = 4096;  // the two that never read take little
    if (i > 0) setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
    clients.push_back(fd);
  }
  ASSERT_TRUE(serviceUntil([&] { return nm.getNumConnections() == 3; }));
  // Small kernel buffers on the engine's side, so that its own queue fills.
  std::vector<std::string> sent(3);
  for (int index = 0; index < 3; index++) {
    int small = 16384;
    setsockopt(nm.getSocket(index), SOL_SOCKET, SO_SNDBUF, &small, sizeof small);
    for (int i = 0; i < 64 && nm.getQueuedBytes(index) == 0; i++) {
      std::string message = numberedMessage(i, 60 * 1024);
      ASSERT_EQ(nm.send(message.data(), static_cast<int>(message.size()), index), 0);
      sent[static_cast<size_t>(index)] += message;
    }
    ASSERT_GT(nm.getQueuedBytes(index), 0);
  }
  const std::string &outgoing = sent[0];

  // A reader that keeps up gets every byte before the end.
  std::string got;
  bool ended = false;
  std::thread reader([&] {
    got = readBytes(clients[0], outgoing.size() + 1, &ended);
  });
  EXPECT_EQ(nm.close(0), 0);
  reader.join();
  EXPECT_TRUE(ended);
  EXPECT_TRUE(got == outgoing) << got.size() << " of " << outgoing.size() << " bytes";

  // Two peers that never read: both closed within one bound, each drop logged.
  size_t log_from = sbtest::readLog().size();
  Clock::time_point start = Clock::now();
  EXPECT_EQ(nm.closeAll(), 0);
  long long took = msSince(start);
  EXPECT_GE(took, sb::NETWORK_CLOSE_FLUSH_TIME - 5);
  EXPECT_LT(took, sb::NETWORK_CLOSE_FLUSH_TIME + 400);
  EXPECT_EQ(nm.getNumConnections(), 0);
  std::string log = sbtest::readLog().substr(log_from);
  EXPECT_EQ(sbtest::countOf(log, "NetworkManager::close(): Warning! Socket 0 closed with "), 2)
      << log;
  for (int fd : clients) close(fd);
}

namespace {

// A client that takes little into its receive buffer and reads nothing.
int deafClient(int port) {
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  int small = 4096;
  setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
  sockaddr_in address = loopback(port);
  if (connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

}  // namespace

// Many peers that stop reading and then leave together (ending their side or
// sending a bad length) while the engine still has bytes queued for them:
// closing them never stalls a step, every drop is logged, and a leaving peer
// that still reads gets all that was queued for it.
TEST_F(Network, PeersLeavingTogetherNeverStallTheLoop) {
  const int frame_time = 100;
  struct Case {
    std::string name;
    int peers;
    std::function<void(int fd)> leave;
  } cases[] = {
      {"ended their side", 50, [](int fd) { shutdown(fd, SHUT_WR); }},
      {"sent a bad length", 20, [](int fd) { writeAll(fd, withLength(-7, "bad")); }},
  };
  startNetworking(frame_time);
  sb::NetworkManager &nm = net();
  sb::GameManager &gm = sb::GameManager::getInstance();
  ASSERT_EQ(nm.setMaxConnections(100), 0);
  int port = startServer();
  ASSERT_GT(port, 0);
  NetListener *listener = new NetListener;
  StepTimer *timer = new StepTimer;
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    listener->events.clear();
    timer->step_us.clear();
    std::vector<int> clients;
    for (int i = 0; i < c.peers; i++) {
      clients.push_back(deafClient(port));
      ASSERT_GE(clients.back(), 0);
      ASSERT_TRUE(serviceUntil([&] { return nm.getNumConnections() == i + 1; }));
    }
    // Fill each connection until the engine holds bytes of its own for it.
    std::string sent_to_first;
    for (int index = 0; index < c.peers; index++) {
      int small = 16384;
      setsockopt(nm.getSocket(index), SOL_SOCKET, SO_SNDBUF, &small, sizeof small);
      for (int i = 0; i < 64 && nm.getQueuedBytes(index) == 0; i++) {
        std::string message = numberedMessage(i, 60 * 1024);
        ASSERT_EQ(nm.send(message.data(), static_cast<int>(message.size()), index), 0);
        if (index == 0) sent_to_first += message;
      }
      ASSERT_GT(nm.getQueuedBytes(index), 0);
    }
    size_t log_from = sbtest::readLog().size();
    for (int fd : clients) c.leave(fd);
    // The first peer reads what it is owed after leaving.
    std::string got;
    bool ended = false;
    std::thread reader([&] { got = readBytes(clients[0], sent_to_first.size() + 1, &ended); });
    timer->action = [&](int n) {
      if (n == 20) gm.setGameOver();
    };
    gm.run();
    reader.join();
    std::string log = sbtest::readLog().substr(log_from);

    EXPECT_EQ(listener->count(CLOSE), c.peers);
    EXPECT_EQ(nm.getNumConnections(), 0);
    EXPECT_EQ(nm.getLeavingCount(), 0);
    std::vector<long long> sorted = timer->step_us;
    std::sort(sorted.begin(), sorted.end());
    ASSERT_FALSE(sorted.empty());
    // A close that waits for each peer in turn takes 100 ms a peer.
    EXPECT_LT(sorted.back(), 2 * frame_time * 1000) << "longest step";
    RecordProperty("longest_step_us_" + std::to_string(c.peers), std::to_string(sorted.back()));
    EXPECT_EQ(sbtest::countOf(log, " bytes not sent."), c.peers - 1) << log;
    EXPECT_TRUE(ended);
    EXPECT_TRUE(got == sent_to_first) << got.size() << " of " << sent_to_first.size() << " bytes";
    for (int fd : clients) close(fd);
  }
}

// A burst of clients connecting at once: every one whose connect succeeded is
// accepted, one a step, within a few seconds.
TEST_F(Network, BurstOfConnectsIsAllAccepted) {
  startNetworking();
  sb::NetworkManager &nm = net();
  const int clients = 50;
  ASSERT_EQ(nm.setMaxConnections(clients), 0);
  int port = startServer();
  ASSERT_GT(port, 0);
  std::vector<int> fds;
  for (int i = 0; i < clients; i++) fds.push_back(rawConnect(port, SOCK_NONBLOCK));
  bool all = serviceUntil([&] { return nm.getNumConnections() == clients; }, 10000);
  EXPECT_TRUE(all) << nm.getNumConnections() << " of " << clients << " accepted";
  nm.closeAll();
  for (int fd : fds) close(fd);
}
