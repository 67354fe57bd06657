// Message framing under a scripted peer: the input is a script of writes,
// headers, bursts of back-to-back messages up to the longest, engine sends,
// servicing, reads and peeks of any size, closes and resets, played by a
// plain client socket against the real network manager over 127.0.0.1. Every
// event is checked against the byte stream the client really wrote: a
// message event only for a complete message with a valid length, the bytes
// read or peeked are the bytes written, the bytes said to wait are never more
// than those written and not read, and a close only for a bad length or a
// peer that went away.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "Config.h"
#include "EventNetwork.h"
#include "LogManager.h"
#include "NetworkManager.h"
#include "Object.h"
#include "utility.h"

namespace {

sb::NetworkManager &net() { return sb::NetworkManager::getInstance(); }

void check(bool condition, const char *what) {
  if (condition) return;
  fprintf(stderr, "fuzz_network: %s\n", what);
  abort();
}

enum ReadMode { READ_WHOLE, READ_NONE, PEEK_THEN_READ, READ_IN_TWO };

// The engine-side game: checks every event against what the client wrote.
class Checker : public sb::Object {
 public:
  std::string written;  // every byte the client wrote, in order
  size_t consumed = 0;  // bytes the game has read
  ReadMode mode = READ_WHOLE;
  size_t cut = 0;  // where PEEK_THEN_READ peeks up to and READ_IN_TWO cuts
  bool peer_gone = false;
  bool ending = false;
  bool closed = false;
  int accepted = 0;

  Checker() {
    setSolidness(sb::SPECTRAL);
    registerInterest(sb::NETWORK_EVENT);
  }

  bool badLengthAhead() const {
    if (written.size() < consumed + 4) return false;
    int length = sb::NetworkManager::getMessageLength(reinterpret_cast<const unsigned char *>(&written[consumed]));
    return length < 4 || length > sb::NETWORK_MAX_MESSAGE;
  }

  // The bytes written and not yet read, at most n of them.
  std::string unread(size_t n) const { return written.substr(consumed, n); }

  // What the manager says is waiting is never more than what was written and not read.
  void checkWaiting(int index) const {
    if (!net().isConnected(index)) return;
    int waiting = net().isData(index);
    check(waiting >= 0 && static_cast<size_t>(waiting) <= written.size() - consumed,
          "more bytes waiting than were written");
  }

  // A read or peek of any size, between messages or inside one.
  void readAny(int index, int bytes, bool peek) {
    if (!net().isConnected(index)) return;
    std::string buffer(static_cast<size_t>(bytes) + 1, '\0');
    int got = net().receive(&buffer[0], bytes, peek, index);
    if (got <= 0) {
      check(got == -1 || bytes == 0 || peer_gone, "end of data from a peer still there");
      return;
    }
    check(got <= bytes, "read more than asked");
    check(buffer.compare(0, static_cast<size_t>(got), unread(static_cast<size_t>(got))) == 0,
          "bytes read differ from those written");
    if (!peek) consumed += static_cast<size_t>(got);
  }

  // Reads the complete messages that were reported while the game did not read.
  void catchUp(int index) {
    while (written.size() >= consumed + 4 && !badLengthAhead()) {
      int length = sb::NetworkManager::getMessageLength(reinterpret_cast<const unsigned char *>(&written[consumed]));
      if (written.size() < consumed + static_cast<size_t>(length) || net().isData(index) < length)
        return;
      readMessage(index, length);
    }
  }

  int eventHandler(const sb::Event *p_e) override {
    const auto &e = *static_cast<const sb::EventNetwork *>(p_e);
    switch (e.getLabel()) {
      case sb::Network::ACCEPT:
        accepted++;
        break;
      case sb::Network::CLOSE:
        check(ending || peer_gone || badLengthAhead(), "close without a reason");
        closed = true;
        break;
      case sb::Network::DATA: {
        int length = e.getBytes();
        check(written.size() >= consumed + 4, "message event before its header came");
        check(length == sb::NetworkManager::getMessageLength(
                            reinterpret_cast<const unsigned char *>(&written[consumed])),
              "message event with another length than the header's");
        check(length >= 4 && length <= sb::NETWORK_MAX_MESSAGE, "message event for a bad length");
        check(written.size() >= consumed + static_cast<size_t>(length),
              "message event for bytes that never came");
        check(net().isData(e.getSocketIndex()) >= length, "message event, but fewer bytes waiting");
        readMessage(e.getSocketIndex(), length);
        break;
      }
      default:
        check(false, "undefined event");
    }
    return 1;
  }

 private:
  void readInto(int index, std::string &into, int bytes, bool peek) {
    std::string buffer(static_cast<size_t>(bytes), '\0');
    int got = net().receive(&buffer[0], bytes, peek, index);
    check(got == bytes, "a complete message could not be read");
    into = buffer;
  }

  void readMessage(int index, int length) {
    std::string expected = written.substr(consumed, static_cast<size_t>(length));
    std::string got, rest;
    switch (mode) {
      case READ_NONE:
        return;
      case PEEK_THEN_READ: {
        int part = static_cast<int>(cut % static_cast<size_t>(length + 1));
        readInto(index, got, part, true);
        check(got == expected.substr(0, static_cast<size_t>(part)),
              "peeked bytes differ from those written");
        readInto(index, got, length, true);
        check(got == expected, "peeked bytes differ from those written");
        readInto(index, got, length, false);
        break;
      }
      case READ_IN_TWO: {
        int part = 1 + static_cast<int>(cut % static_cast<size_t>(length - 1));
        readInto(index, got, part, false);
        readInto(index, rest, length - part, false);
        got += rest;
        break;
      }
      case READ_WHOLE:
        readInto(index, got, length, false);
        break;
    }
    check(got == expected, "bytes read differ from those written");
    consumed += static_cast<size_t>(length);
  }
};

Checker *checker = nullptr;
int server_port = -1;

void service() {
  sb::NetworkManager &nm = net();
  for (int i = 0; i < nm.getNumConnections();) {
    int before = nm.getNumConnections();
    nm.genDataEvents(i);
    if (nm.getNumConnections() >= before) i++;
  }
}

bool clientWrite(int fd, const std::string &bytes) {
  size_t at = 0;
  while (at < bytes.size()) {
    ssize_t n = send(fd, bytes.data() + at, bytes.size() - at, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n <= 0) {
      pollfd pfd = {fd, POLLOUT, 0};
      if (n < 0 && errno == EAGAIN && poll(&pfd, 1, 100) == 1) continue;
      return false;  // the engine closed, or the peer's buffer stays full
    }
    checker->written.append(bytes, at, static_cast<size_t>(n));
    at += static_cast<size_t>(n);
  }
  return true;
}

// Writes everything, letting the engine take what arrived whenever the
// client's socket is full; false once the engine stops taking bytes.
bool clientWriteServiced(int fd, const std::string &bytes) {
  size_t at = 0;
  int idle_rounds = 0;
  while (at < bytes.size() && idle_rounds < 20) {
    ssize_t n = send(fd, bytes.data() + at, bytes.size() - at, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n > 0) {
      checker->written.append(bytes, at, static_cast<size_t>(n));
      at += static_cast<size_t>(n);
      idle_rounds = 0;
      continue;
    }
    if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) return false;
    service();
    if (checker->closed) return false;
    pollfd pfd = {fd, POLLOUT, 0};
    if (poll(&pfd, 1, 1) != 1) idle_rounds++;
  }
  return at == bytes.size();
}

void drain(int fd) {
  char buffer[4096];
  while (recv(fd, buffer, sizeof buffer, MSG_DONTWAIT) > 0) {
  }
}

void resetClose(int fd) {
  linger hard = {1, 0};
  setsockopt(fd, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
  close(fd);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
  setenv("SORBELANE_LOG", "/dev/null", 1);
  sb::Config::getInstance().setNetworking(true);
  sb::LogManager::getInstance().startUp();
  net().startUp();
  if (net().setServer(true, "0") != 0) abort();
  server_port = net().getServerPort();
  checker = new Checker;
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (!checker) LLVMFuzzerInitialize(nullptr, nullptr);
  Checker &c = *checker;
  c.written.clear();
  c.consumed = 0;
  c.mode = READ_WHOLE;
  c.cut = 0;
  c.peer_gone = c.ending = c.closed = false;
  c.accepted = 0;

  int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(server_port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0) abort();
  for (int tries = 0; tries < 2000 && c.accepted == 0; tries++)
    if (net().accept() < 0) usleep(100);
  check(c.accepted == 1 && net().getNumConnections() == 1, "client not accepted");

  size_t at = 0;
  auto next = [&]() -> uint8_t { return at < size ? data[at++] : 0; };
  bool open = true;
  while (at < size && open && !c.closed) {
    uint8_t op = next();
    switch (op % 10) {
      case 0: {  // raw bytes from the script
        size_t n = next();
        std::string bytes(reinterpret_cast<const char *>(data) + at, std::min(n, size - at));
        at += bytes.size();
        open = clientWrite(fd, bytes);
        break;
      }
      case 1: {  // a well-formed message, possibly written in two parts
        size_t n = next();
        uint8_t split = next();
        std::string payload(n, static_cast<char>(op));
        std::string message(4, '\0');
        sb::NetworkManager::putMessageLength(reinterpret_cast<unsigned char *>(&message[0]),
                             static_cast<int>(n) + 4);
        message += payload;
        size_t cut = split % (message.size() + 1);
        open = clientWrite(fd, message.substr(0, cut));
        if (open && split & 1) service();
        if (open) open = clientWrite(fd, message.substr(cut));
        break;
      }
      case 2: {  // any length field, with up to 8 bytes after it
        unsigned char header[4] = {next(), next(), next(), next()};
        std::string bytes(reinterpret_cast<char *>(header), 4);
        bytes.append(next() % 9, 'h');
        open = clientWrite(fd, bytes);
        break;
      }
      case 3:
        service();
        break;
      case 4: {  // the engine sends; the client takes what arrived
        std::string payload(next() * 16u, 's');
        if (net().isConnected(0)) net().send(payload.data(), static_cast<int>(payload.size()), 0);
        drain(fd);
        break;
      }
      case 5:
        c.mode = static_cast<ReadMode>(next() % 4);
        c.cut = next();
        if (c.mode != READ_NONE && net().isConnected(0)) c.catchUp(0);
        break;
      case 6:
        c.peer_gone = true;
        if (next() & 1) {
          shutdown(fd, SHUT_WR);
        } else {
          resetClose(fd);
          fd = -1;
        }
        open = false;
        break;
      case 7:
        usleep(next() % 4 * 100);
        service();
        break;
      case 8: {  // back-to-back messages of any length up to the longest
        int count = 1 + next() % 4;
        std::string burst;
        for (int i = 0; i < count; i++) {
          int length = 4 + ((next() << 8) | next()) % (sb::NETWORK_MAX_MESSAGE - 3);
          std::string message(static_cast<size_t>(length), static_cast<char>('a' + i));
          sb::NetworkManager::putMessageLength(reinterpret_cast<unsigned char *>(&message[0]), length);
          burst += message;
        }
        open = clientWriteServiced(fd, burst);
        break;
      }
      case 9: {  // a read or peek of any size, wherever the messages begin
        uint8_t how = next();
        int bytes = ((next() << 8) | next()) % (2 * sb::NETWORK_MAX_MESSAGE);
        c.readAny(0, bytes, how & 1);
        break;
      }
    }
    if (!c.closed) c.checkWaiting(0);
  }

  // The rest is read; a peer that went away is noticed once nothing complete is
  // left. The sockets may still hold megabytes, so rounds that read count as
  // progress, not against the bound.
  c.mode = READ_WHOLE;
  if (!c.closed && net().isConnected(0)) c.catchUp(0);
  for (int idle_rounds = 0; idle_rounds < 50 && !c.closed;) {
    size_t consumed_before = c.consumed;
    service();
    if (!c.peer_gone) break;
    if (c.consumed == consumed_before) {
      idle_rounds++;
      usleep(200);
    }
  }
  if (c.peer_gone && !c.badLengthAhead()) check(c.closed, "a peer that went away was not noticed");
  c.ending = true;
  net().closeAll();
  if (fd >= 0) resetClose(fd);
  return 0;
}
