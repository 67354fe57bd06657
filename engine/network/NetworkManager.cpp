#include "NetworkManager.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "Config.h"
#include "Connection.h"
#include "LogManager.h"
#include "LoopState.h"
#include "Recorder.h"
#include "Replay.h"
#include "utility.h"

namespace sb {

namespace {

// A port given as text: decimal digits only, at most 65535; 0 only when
// allowed (any free port). -1 for anything else.
int parsePort(const std::string &port, bool allow_zero) {
  if (port.empty() || port.size() > 5) return -1;
  int value = 0;
  for (char c : port) {
    if (c < '0' || c > '9') return -1;
    value = value * 10 + (c - '0');
  }
  if (value > 65535 || (value == 0 && !allow_zero)) return -1;
  return value;
}

// A step number for the connections' reports: messages are reported once per
// game-loop step while no handler reads them.
long long currentStep() { return LoopState::getInstance().getStepCount(); }

}  // namespace

NetworkManager::NetworkManager()
    : listen_socket(-1), max_connections(1), next_id(0), connect_timeout(NETWORK_CONNECT_TIMEOUT) {
  setType("NetworkManager");
}

NetworkManager &NetworkManager::getInstance() {
  static NetworkManager network_manager;
  return network_manager;
}

int NetworkManager::startUp() {
  Manager::startUp();
  LogManager::getInstance().writeLog(5, "NetworkManager::startUp(): successfully started.");
  return 0;
}

void NetworkManager::shutDown() {
  closeAll();
  if (listen_socket != -1) ::close(listen_socket);
  listen_socket = -1;
  Manager::shutDown();
  LogManager::getInstance().writeLog(5, "NetworkManager::shutDown(): successfully stopped.");
}

bool NetworkManager::isValid(std::string event_type) const {
  if (event_type == NETWORK_EVENT || event_type == NETWORK_KEYBOARD_EVENT ||
      event_type == NETWORK_MSE_EVENT || event_type == NETWORK_CUSTOM_EVENT)
    return true;
  LogManager::getInstance().writeLog(
      "NetworkManager::isValid(): Error! NetworkManager does not handle %s.", event_type.c_str());
  return false;
}

void NetworkManager::warnIfNetworkingOff(const char *op) const {
  if (!Config::getInstance().getNetworking())
    LogManager::getInstance().writeLog(
        1, "NetworkManager::%s(): Warning! Networking is not enabled in sb-config.txt.", op);
}

int NetworkManager::setServer(bool server, std::string port) {
  LogManager &log = LogManager::getInstance();
  warnIfNetworkingOff("setServer");
  if (!server) {
    if (listen_socket != -1) ::close(listen_socket);
    listen_socket = -1;
    return 0;
  }
  if (isServer()) return 0;

  int port_number = parsePort(port, true);
  if (port_number < 0) {
    log.writeLog("NetworkManager::setServer(): Error! port '%s' is not a number from 0 to 65535.",
                 port.c_str());
    return -1;
  }
  int sock = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (sock == -1) {
    log.writeLog("NetworkManager::setServer(): Error! socket() returned:");
    log_network_error(errno);
    return -1;
  }
  // Accepted connections take the listening socket's options.
  int one = 1;
  setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  tuneSocket(sock);

  struct sockaddr_in address;
  memset(&address, 0, sizeof address);
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_ANY);
  address.sin_port = htons(static_cast<uint16_t>(port_number));
  const char *failed = nullptr;
  if (bind(sock, reinterpret_cast<struct sockaddr *>(&address), sizeof address) == -1)
    failed = "NetworkManager::setServer(): Error! bind() returned:";
  else if (listen(sock, SOMAXCONN) == -1)  // a burst of clients waits for its turn
    failed = "NetworkManager::setServer(): Error! listen() returned:";
  if (failed) {
    int error = errno;
    log.writeLog("%s", failed);
    log_network_error(error);
    ::close(sock);
    return -1;
  }
  socklen_t length = sizeof address;
  if (getsockname(sock, reinterpret_cast<struct sockaddr *>(&address), &length) == 0)
    port_number = ntohs(address.sin_port);
  listen_socket = sock;
  log.writeLog(1, "NetworkManager::setServer(): Ready for connections on port %d.", port_number);
  return 0;
}

bool NetworkManager::isServer() const { return listen_socket != -1; }

int NetworkManager::getServerPort() const {
  if (!isServer()) return -1;
  struct sockaddr_in address;
  socklen_t length = sizeof address;
  if (getsockname(listen_socket, reinterpret_cast<struct sockaddr *>(&address), &length) != 0)
    return -1;
  return ntohs(address.sin_port);
}

int NetworkManager::addConnection(int sock, Network::Label label) {
  Connection c;
  c.sock = sock;
  c.id = next_id++;
  c.out_at = 0;
  c.in_begin = 0;
  c.in_end = 0;
  c.ended = false;
  c.broken = false;
  c.reported_step = -1;
  c.give_up_ms = 0;
  c.closed_index = -1;
  connections.push_back(std::move(c));
  int index = static_cast<int>(connections.size()) - 1;
  EventNetwork event(label);
  event.setSocketIndex(index);
  event.setBytes(0);
  Recorder::getInstance().recordNetwork(event, nullptr);
  onEvent(&event);
  return index;
}

int NetworkManager::accept() {
  LogManager &log = LogManager::getInstance();
  if (!isServer()) {
    log.writeLog("NetworkManager::accept(): Error! Not setup as server.");
    return -2;
  }
  int sock = accept4(listen_socket, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
  if (sock == -1) {
    int error = errno;
    // A client that gave up before being taken is no new connection either.
    if (error == EAGAIN || error == EWOULDBLOCK || error == EINTR || error == ECONNABORTED) {
      log.writeLog(15, "NetworkManager::accept(): No new connection. Not blocking.");
      return -1;
    }
    log.writeLog("NetworkManager::accept(): Error! accept() returned:");
    log_network_error(error);
    return -2;
  }
  if (getNumConnections() >= max_connections) {
    log.writeLog(1, "NetworkManager::accept(): Warning! accept() connection, but at limit (%d).",
                 max_connections);
    log.writeLog(1, "\tUse NM.setMaxSockets() to change.");
    ::close(sock);
    return -1;
  }
  tuneSocket(sock);
  log.writeLog(1, "NetworkManager::accept(): New connection.");
  return addConnection(sock, Network::ACCEPT);
}

int NetworkManager::connect(std::string host, std::string port) {
  // A replay plays its peer from the recording.
  if (Replay::getInstance().isReplaying()) return Replay::getInstance().connect();
  LogManager &log = LogManager::getInstance();
  warnIfNetworkingOff("connect");
  log.writeLog(1, "NetworkManager::connect(): Connecting to %s, port %s.", host.c_str(),
               port.c_str());
  if (parsePort(port, false) < 0) {
    log.writeLog("NetworkManager::connect(): Error! port '%s' is not a number from 1 to 65535.",
                 port.c_str());
    return -1;
  }
  struct addrinfo hints;
  memset(&hints, 0, sizeof hints);
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_NUMERICSERV;
  struct addrinfo *found = nullptr;
  int gai = getaddrinfo(host.c_str(), port.c_str(), &hints, &found);
  if (gai != 0 || !found) {
    log.writeLog("NetworkManager::connect(): Error! getaddrinfo() returned:");
    log.writeLog("\t%d - %s", gai, gai_strerror(gai));
    if (found) freeaddrinfo(found);
    return -1;
  }
  int sock = socket(found->ai_family, found->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC,
                    found->ai_protocol);
  if (sock == -1) {
    int error = errno;
    freeaddrinfo(found);
    log.writeLog("NetworkManager::connect(): Error! socket() returned:");
    log_network_error(error);
    return -1;
  }
  tuneSocket(sock);

  int error = 0;
  if (::connect(sock, found->ai_addr, found->ai_addrlen) == -1) error = errno;
  freeaddrinfo(found);
  if (error == EINPROGRESS) {
    // Wait for the handshake, but never longer than the connect timeout.
    long long deadline = nowMs() + connect_timeout;
    error = ETIMEDOUT;
    while (true) {
      long long left = deadline - nowMs();
      if (left < 0) left = 0;
      struct pollfd pfd = {sock, POLLOUT, 0};
      int ready = poll(&pfd, 1, static_cast<int>(left));
      if (ready == -1 && errno == EINTR && left > 0) continue;
      if (ready == 1) {
        int so_error = 0;
        socklen_t length = sizeof so_error;
        error = getsockopt(sock, SOL_SOCKET, SO_ERROR, &so_error, &length) == -1 ? errno : so_error;
      }
      break;
    }
  }
  if (error != 0) {
    log.writeLog("NetworkManager::connect(): Error! connect() returned:");
    log_network_error(error);
    ::close(sock);
    return -1;
  }
  log.writeLog(1, "NetworkManager::connect(): Connection established.");
  return addConnection(sock, Network::CONNECT);
}

int NetworkManager::setConnectTimeout(int milliseconds) {
  if (milliseconds < 0) {
    LogManager::getInstance().writeLog(
        "NetworkManager::setConnectTimeout(): Error! negative timeout (%d).", milliseconds);
    return -1;
  }
  connect_timeout = milliseconds;
  return 0;
}

int NetworkManager::getConnectTimeout() const { return connect_timeout; }

int NetworkManager::setMaxConnections(int new_max_connections) {
  warnIfNetworkingOff("setMaxConnections");
  if (new_max_connections < 0) {
    LogManager::getInstance().writeLog(
        "NetworkManager::setMaxConnections(): Error! negative maximum (%d).", new_max_connections);
    return -1;
  }
  max_connections = new_max_connections;
  return 0;
}

int NetworkManager::getMaxConnections() const { return max_connections; }

int NetworkManager::getNumConnections() const { return static_cast<int>(connections.size()); }

bool NetworkManager::validIndex(int sock_index) const {
  return sock_index >= 0 && sock_index < getNumConnections();
}

int NetworkManager::findById(long long id) const {
  for (size_t i = 0; i < connections.size(); i++)
    if (connections[i].id == id) return static_cast<int>(i);
  return -1;
}

int NetworkManager::send(const void *buffer, int bytes, int sock_index) {
  if (Replay::getInstance().isReplaying()) return 0;  // the recorded peer needs nothing
  LogManager &log = LogManager::getInstance();
  if (!buffer || bytes < 0) {
    log.writeLog("NetworkManager::send(): Error! Bad buffer or byte count (%d). Unable to send.",
                 bytes);
    return -1;
  }
  if (!isConnected(sock_index)) {
    log.writeLog("NetworkManager::send(): Error! Socket %d not connected. Unable to send.",
                 sock_index);
    return -1;
  }
  Connection &c = connections[static_cast<size_t>(sock_index)];
  if (c.broken) {
    log.writeLog("NetworkManager::send(): Error! Socket %d has failed. Unable to send.",
                 sock_index);
    return -1;
  }
  if (bytes == 0) return 0;
  size_t queued = c.out.size() - c.out_at;
  // Refused whole, so that no message is ever cut short on the wire.
  if (queued + static_cast<size_t>(bytes) > static_cast<size_t>(NETWORK_SEND_QUEUE_MAX)) {
    log.writeLog(
        "NetworkManager::send(): Error! Socket %d has %d bytes waiting to go out. Unable to send "
        "%d more.",
        sock_index, static_cast<int>(queued), bytes);
    return -1;
  }
  return c.write(static_cast<const char *>(buffer), bytes);
}

int NetworkManager::getQueuedBytes(int sock_index) const {
  if (!validIndex(sock_index)) return -1;
  const Connection &c = connections[static_cast<size_t>(sock_index)];
  return static_cast<int>(c.out.size() - c.out_at);
}

int NetworkManager::receive(void *buffer, int nbytes, bool peek, int sock_index) {
  int replayed = 0;
  if (Replay::getInstance().receive(buffer, nbytes, peek, sock_index, replayed)) return replayed;
  LogManager &log = LogManager::getInstance();
  if (!buffer || nbytes < 0) {
    log.writeLog(
        "NetworkManager::receive(): Error! Bad buffer or byte count (%d). Unable to receive.",
        nbytes);
    return -1;
  }
  if (!isConnected(sock_index)) {
    log.writeLog("NetworkManager::receive(): Error! Socket %d not connected. Unable to receive.",
                 sock_index);
    return -1;
  }
  if (nbytes == 0) return 0;
  Connection &c = connections[static_cast<size_t>(sock_index)];
  return c.read(buffer, static_cast<size_t>(nbytes), peek);
}

int NetworkManager::isData(int sock_index) const {
  if (!isConnected(sock_index)) {
    LogManager::getInstance().writeLog(
        "NetworkManager::isData(): Error! Sock index %d not connected.", sock_index);
    return -1;
  }
  const Connection &c = connections[static_cast<size_t>(sock_index)];
  return c.waiting();
}

int NetworkManager::isAnyData() const {
  for (int i = 0; i < getNumConnections(); i++)
    if (isConnected(i) && isData(i) > 0) return i;
  return -1;
}

bool NetworkManager::isConnected(int sock_index) const {
  return validIndex(sock_index) && connections[static_cast<size_t>(sock_index)].sock >= 0;
}

int NetworkManager::getSocket(int sock_index) const {
  LogManager &log = LogManager::getInstance();
  log.writeLog("NetworkManager::getSocket(): sock_index is %d", sock_index);
  log.writeLog("\tm_unconnected_sock is %d", listen_socket);
  if (sock_index == -1) return listen_socket;
  if (!validIndex(sock_index)) return -1;
  return connections[static_cast<size_t>(sock_index)].sock;
}

int NetworkManager::genDataEvents(int sock_index) {
  if (!isConnected(sock_index)) return 0;
  LogManager &log = LogManager::getInstance();
  Connection &c = connections[static_cast<size_t>(sock_index)];
  if (!c.broken && c.out_at < c.out.size()) c.flush();
  int result = c.drain("genDataEvents");

  size_t held = c.in_end - c.in_begin;
  if (held >= static_cast<size_t>(NETWORK_HEADER_SIZE)) {
    int length =
        getMessageLength(reinterpret_cast<const unsigned char *>(c.in.data() + c.in_begin));
    if (length < NETWORK_HEADER_SIZE || length > NETWORK_MAX_MESSAGE) {
      log.writeLog(
          "NetworkManager::genDataEvents(): Error! Message length %d on socket %d is not from %d "
          "to %d. Closing it.",
          length, sock_index, NETWORK_HEADER_SIZE, NETWORK_MAX_MESSAGE);
      closeWithoutWaiting(sock_index);
      return 0;
    }
    if (held >= static_cast<size_t>(length)) {
      // An unread message is reported once a step, not over and over.
      long long step = currentStep();
      if (c.reported_step == step) return 0;
      c.reported_step = step;
      log.writeLog(15, "NetworkManager::genDataEvents(): have full message (%d bytes).", length);
      EventNetwork event(Network::DATA);
      event.setSocketIndex(sock_index);
      event.setBytes(length);
      Recorder::getInstance().recordNetwork(event, c.in.data() + c.in_begin);
      onEvent(&event);
      return 1;
    }
  }
  if (c.ended || c.broken) {
    // No complete message is left and none can come.
    log.writeLog(1, "NetworkManager::genDataEvents(): Socket %d closed by peer (%d bytes left).",
                 sock_index, static_cast<int>(held));
    closeWithoutWaiting(sock_index);
  }
  return result;
}

int NetworkManager::close(int sock_index) {
  return closeUntil(sock_index, nowMs() + NETWORK_CLOSE_FLUSH_TIME);
}

// Closes a connection, giving its queued bytes until the deadline to go out.
int NetworkManager::closeUntil(int sock_index, long long deadline_ms) {
  if (!validIndex(sock_index)) {
    LogManager::getInstance().writeLog("NetworkManager::close(): sock_index (%d) out of range.",
                                       sock_index);
    return -1;
  }
  Connection &c = connections[static_cast<size_t>(sock_index)];
  if (c.sock < 0) return 0;  // already closing: its own close-event handler asked again
  if (c.flushUntil(deadline_ms) == -1)
    LogManager::getInstance().writeLog(
        "NetworkManager::close(): Warning! Socket %d closed with %d bytes not sent.", sock_index,
        static_cast<int>(c.out.size() - c.out_at));
  closeDescriptor(c.sock);
  return finishClose(sock_index, c.id);
}

// Closes a connection whose peer has gone or misbehaved, without waiting for
// it: what the socket does not take now stays queued in the leaving list,
// which flushLeaving() sends on over later steps. Any peer can make the engine
// close, so no such close may hold up the game loop.
int NetworkManager::closeWithoutWaiting(int sock_index) {
  Connection &c = connections[static_cast<size_t>(sock_index)];
  if (c.sock < 0) return 0;
  if (!c.broken) c.flush();
  if (!c.broken && c.out_at < c.out.size()) {
    Connection gone;
    gone.sock = c.sock;
    gone.id = c.id;
    gone.out = std::move(c.out);
    gone.out_at = c.out_at;
    gone.in_begin = gone.in_end = 0;
    gone.ended = gone.broken = false;
    gone.reported_step = -1;
    gone.give_up_ms = nowMs() + NETWORK_LEAVE_FLUSH_TIME;
    gone.closed_index = sock_index;
    leaving.push_back(std::move(gone));
    LogManager::getInstance().writeLog(
        10, "NetworkManager::genDataEvents(): Socket %d closed, %d bytes still to send.",
        sock_index, static_cast<int>(leaving.back().out.size() - leaving.back().out_at));
  } else {
    if (c.out_at < c.out.size())
      LogManager::getInstance().writeLog(
          "NetworkManager::close(): Warning! Socket %d closed with %d bytes not sent.", sock_index,
          static_cast<int>(c.out.size() - c.out_at));
    closeDescriptor(c.sock);
  }
  return finishClose(sock_index, c.id);
}

// The end of every close: the entry no longer names a descriptor, its CLOSE
// event goes out while its index is still valid, and then it is removed.
int NetworkManager::finishClose(int sock_index, long long id) {
  Connection &c = connections[static_cast<size_t>(sock_index)];
  c.out.clear();
  c.out_at = 0;
  // The entry keeps its place during the close event but no longer names the
  // descriptor, which the system may hand out again at once.
  c.sock = -1;
  EventNetwork event(Network::CLOSE);
  event.setSocketIndex(sock_index);
  event.setBytes(0);
  Recorder::getInstance().recordNetwork(event, nullptr);
  onEvent(&event);
  // Handlers may have closed or opened other connections meanwhile.
  int at = findById(id);
  if (at >= 0) connections.erase(connections.begin() + at);
  return 0;
}

void NetworkManager::closeDescriptor(int sock) {
  if (::close(sock) == -1) {
    int error = errno;
    LogManager::getInstance().writeLog("NetworkManager::close(): Error! close() returned:");
    log_network_error(error);
  }
}

// Lets a leaving connection go, logging what it could not send.
void NetworkManager::dropLeaving(size_t at) {
  Connection &c = leaving[at];
  if (c.out_at < c.out.size())
    LogManager::getInstance().writeLog(
        "NetworkManager::close(): Warning! Socket %d closed with %d bytes not sent.",
        c.closed_index, static_cast<int>(c.out.size() - c.out_at));
  // Unread input would make the close a reset, which can destroy what the
  // peer has not read yet: take what is waiting, a bounded amount.
  char discard[4096];
  for (int i = 0; i < 16 && recv(c.sock, discard, sizeof discard, MSG_DONTWAIT) > 0; i++) {}
  closeDescriptor(c.sock);
  leaving.erase(leaving.begin() + static_cast<long>(at));
}

void NetworkManager::flushLeaving() {
  long long now = nowMs();
  for (size_t i = 0; i < leaving.size();) {
    Connection &c = leaving[i];
    if (!c.broken) c.flush();
    if (c.broken || c.out_at >= c.out.size() || now >= c.give_up_ms)
      dropLeaving(i);
    else
      i++;
  }
}

int NetworkManager::getLeavingCount() const { return static_cast<int>(leaving.size()); }

int NetworkManager::closeAll() {
  // Only the connections present now: a close handler that connects again
  // must not keep this going.
  std::vector<long long> ids;
  for (const Connection &c : connections)
    if (c.sock >= 0) ids.push_back(c.id);
  long long deadline = nowMs() + NETWORK_CLOSE_FLUSH_TIME;
  int result = 0;
  for (long long id : ids) {
    int at = findById(id);
    if (at >= 0) result += closeUntil(at, deadline);
  }
  while (!leaving.empty()) {
    leaving.back().flushUntil(deadline);
    dropLeaving(leaving.size() - 1);
  }
  return result;
}

void cleanUp(int signal) {
  LogManager &log = LogManager::getInstance();
  log.writeLog("NetworkManager cleanUp(): Signal is %d. Shutting down.", signal);
  NetworkManager::getInstance().shutDown();
  log.writeLog("NetworkManager cleanUp(): Calling game manager shutdown.");
  LoopState::getInstance().shutDownEngine();
  exit(signal);
}

// The length field at the front of a message: 4 bytes, little-endian
// whatever the machine.
void NetworkManager::putMessageLength(unsigned char *header, int length) {
  uint32_t bits = static_cast<uint32_t>(length);
  for (int i = 0; i < 4; i++) header[i] = static_cast<unsigned char>(bits >> (8 * i));
}

int NetworkManager::getMessageLength(const unsigned char *header) {
  uint32_t bits = 0;
  for (int i = 0; i < 4; i++) bits |= static_cast<uint32_t>(header[i]) << (8 * i);
  int32_t length;
  memcpy(&length, &bits, sizeof length);  // two's complement, without overflow
  return length;
}

}  // namespace sb
