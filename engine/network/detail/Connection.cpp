// One connection's traffic: sending what is queued, reading what arrived.
#include "Connection.h"

#include <poll.h>
#include <sys/ioctl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstring>

#include "LogManager.h"
#include "NetworkManager.h"

namespace sb {

// Logs an errno value and its text as "\t<error> - <its text>".
void log_network_error(int error) {
  LogManager::getInstance().writeLog("\t%d - %s", error, strerror(error));
}

// Options every connection gets: no delay for small messages. The kernel
// sizes the receive buffer itself, which lets large messages flow faster
// than any fixed size would; the engine holds its own bounded buffer.
void tuneSocket(int sock) {
  int one = 1;
  setsockopt(sock, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
}

long long nowMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

// Sends what is queued as far as the socket takes it; -1 when the socket failed.
int NetworkManager::Connection::flush() {
  while (out_at < out.size()) {
    ssize_t sent =
        ::send(sock, out.data() + out_at, out.size() - out_at, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (sent == -1) {
      if (errno == EINTR) continue;
      if (errno == EAGAIN || errno == EWOULDBLOCK) {
        // Drop what went out once it is the larger part, so the queue stays compact.
        if (out_at >= out.size() / 2) {
          out.erase(out.begin(), out.begin() + static_cast<long>(out_at));
          out_at = 0;
        }
        return 0;
      }
      int error = errno;
      LogManager::getInstance().writeLog("NetworkManager::send(): Error! send() returned:");
      log_network_error(error);
      broken = true;  // the bytes stay queued, so that closing counts them as dropped
      return -1;
    }
    out_at += static_cast<size_t>(sent);
  }
  out.clear();
  out_at = 0;
  return 0;
}

// Sends what is queued, waiting for the peer to take it until the deadline;
// 0 once all went out, -1 when bytes are left.
int NetworkManager::Connection::flushUntil(long long deadline_ms) {
  while (!broken && out_at < out.size()) {
    if (flush() == -1) break;
    if (out_at == out.size()) break;
    long long left = deadline_ms - nowMs();
    if (left <= 0) break;
    struct pollfd pfd = {sock, POLLOUT, 0};
    if (poll(&pfd, 1, static_cast<int>(left)) == -1 && errno != EINTR) break;
  }
  return out_at < out.size() ? -1 : 0;
}

// Reads what has arrived into the connection's buffer, as far as it has room.
// -1 (logged, with op naming the caller) when receiving failed.
int NetworkManager::Connection::drain(const char *op) {
  if (ended) return 0;
  if (in.empty()) in.resize(NETWORK_RECEIVE_BUFFER);
  while (true) {
    if (in_begin == in_end) {
      in_begin = in_end = 0;
    } else if (in_end == in.size() && in_begin >= in_end - in_begin) {
      // Full at the back: the unread bytes move to the front, but only when the
      // game has read at least as many, so the copying stays linear in the bytes
      // read. Otherwise more than the longest message is unread, so a complete
      // message waits for the game and the socket can wait too.
      memmove(in.data(), in.data() + in_begin, in_end - in_begin);
      in_end -= in_begin;
      in_begin = 0;
    }
    if (in_end == in.size()) return 0;  // full: TCP holds the peer back
    size_t room = in.size() - in_end;
    ssize_t got = recv(sock, in.data() + in_end, room, MSG_DONTWAIT);
    if (got > 0) {
      in_end += static_cast<size_t>(got);
      if (static_cast<size_t>(got) < room) return 0;  // the socket is empty for now
      continue;
    }
    if (got == 0) {
      ended = true;  // the peer will send nothing more
      return 0;
    }
    if (errno == EINTR) continue;
    if (errno == EAGAIN || errno == EWOULDBLOCK) return 0;
    int error = errno;
    ended = true;
    broken = true;
    if (error == ECONNRESET) return 0;  // the peer went away abruptly: no fault here
    LogManager::getInstance().writeLog("NetworkManager::%s(): Error! recv() returned:", op);
    log_network_error(error);
    return -1;
  }
}

// Queues bytes to go out: as many as the socket takes now are sent, the rest
// wait in out. -1 (logged) when the socket failed.
int NetworkManager::Connection::write(const char *data, int bytes) {
  LogManager &log = LogManager::getInstance();
  if (flush() == -1) return -1;

  size_t sent = 0;
  if (out.empty()) {
    log.writeLog(15, "NetworkManager::send(): Calling send().");
    while (sent < static_cast<size_t>(bytes)) {
      ssize_t n =
          ::send(sock, data + sent, static_cast<size_t>(bytes) - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
      if (n == -1) {
        if (errno == EINTR) continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK) break;
        int error = errno;
        log.writeLog("NetworkManager::send(): Error! send() returned:");
        log_network_error(error);
        broken = true;
        return -1;
      }
      sent += static_cast<size_t>(n);
    }
    if (sent < static_cast<size_t>(bytes))
      log.writeLog(10, "NetworkManager::send(): Warning! %d of %d bytes sent.",
                   static_cast<int>(sent), bytes);
  }
  // The rest goes out while the loop services the connection.
  if (out_at > 0 && out_at == out.size()) {
    out.clear();
    out_at = 0;
  }
  out.insert(out.end(), data + sent, data + bytes);
  return 0;
}

// Takes up to wanted received bytes into buffer, reading the socket first when
// fewer are held; 0 once the peer has gone and nothing is left, -1 for nothing yet.
int NetworkManager::Connection::read(void *buffer, size_t wanted, bool peek) {
  if (in_end - in_begin < wanted && drain("receive") == -1 && in_end == in_begin) return -1;
  size_t held = in_end - in_begin;
  if (held == 0) {
    return ended ? 0 : -1;  // the peer has gone and nothing is left, or nothing yet
  }
  size_t taken = std::min(wanted, held);
  memcpy(buffer, in.data() + in_begin, taken);
  if (!peek) {
    in_begin += taken;
    if (in_begin == in_end) in_begin = in_end = 0;
    reported_step = -1;
  }
  return static_cast<int>(taken);
}

// The bytes held and waiting in the socket; -1 (logged) when the socket cannot tell.
int NetworkManager::Connection::waiting() const {
  int in_socket = 0;
  if (!ended && ioctl(sock, FIONREAD, &in_socket) == -1) {
    int error = errno;
    LogManager::getInstance().writeLog(
        "NetworkManager::isData(): Error! ioctl()/ioctlsocket() returned:");
    log_network_error(error);
    return -1;
  }
  long long waiting = static_cast<long long>(in_end - in_begin) + in_socket;
  return static_cast<int>(std::min<long long>(waiting, INT_MAX));
}

}  // namespace sb
