#ifndef SORBELANE_NETWORK_MANAGER_H
#define SORBELANE_NETWORK_MANAGER_H

#include <string>
#include <vector>

#include "EventNetwork.h"
#include "Manager.h"

namespace sb {

/// A message starts with its length as a 4-byte little-endian signed integer
/// that counts the whole message, these 4 bytes included.
constexpr int NETWORK_HEADER_SIZE = 4;
/// The longest message accepted; a longer declared length closes the connection.
constexpr int NETWORK_MAX_MESSAGE = 64 * 1024;
/// Most bytes a connection holds received and not yet read by the game: the
/// longest message and as much again, so that the next message keeps coming
/// in while a complete one waits. Once it is full the engine stops reading the
/// socket and TCP holds the peer back until the game reads.
constexpr int NETWORK_RECEIVE_BUFFER = 2 * NETWORK_MAX_MESSAGE;
/// Most bytes a connection keeps queued for a peer that does not take them.
constexpr int NETWORK_SEND_QUEUE_MAX = 1024 * 1024;
/// How long connect() waits for a server, in milliseconds.
constexpr int NETWORK_CONNECT_TIMEOUT = 2000;
/// How long closing connections waits in all for queued bytes to go out, in
/// milliseconds; what is left after it is dropped (and logged).
constexpr int NETWORK_CLOSE_FLUSH_TIME = 100;
/// How long a connection that the engine closed by itself (its peer ended its
/// side or sent a bad length) goes on sending its queued bytes, in
/// milliseconds, over later steps and without ever waiting; what is left
/// after it is dropped (and logged).
constexpr int NETWORK_LEAVE_FLUSH_TIME = 1000;

/// Plain TCP connections over IPv4: a server that accepts clients, clients
/// that connect, and network events for accepts, connects, closes and complete
/// messages. Everything runs on the game loop's thread without blocking it.
/// A singleton, started by the game manager when networking is on in the
/// configuration. Each step the game loop accepts a waiting client (on a
/// server) and raises a DATA event for each complete message; objects register
/// interest in NETWORK_EVENT and read the message with receive().
/// Each time the loop services a connection, the engine reads what has arrived
/// into a buffer of the connection's own (at most NETWORK_RECEIVE_BUFFER bytes);
/// isData(), receive() and the DATA events answer from that buffer.
/// A connection is named by its socket index, its place in the list of
/// connections: closing one moves the later ones down by one.
class NetworkManager : public Manager {
 private:
  // One connection. Its socket index is its position in the connections.
  struct Connection {
    int sock;                 // descriptor; -1 once closing
    long long id;             // finds the entry again after event handlers ran
    std::vector<char> out;    // rest of partly sent data, waiting to go out
    size_t out_at;            // first byte of out not yet sent
    std::vector<char> in;     // received bytes, made NETWORK_RECEIVE_BUFFER long on first use
    size_t in_begin;          // first byte of in the game has not read
    size_t in_end;            // end of the received bytes in in
    bool ended;               // the peer sent its last byte, or receiving failed
    bool broken;              // peer gone or socket failed: close when drained
    long long reported_step;  // step whose message was reported and not yet read
    long long give_up_ms;     // closed by the engine: when to drop what is still queued
    int closed_index;         // closed by the engine: its socket index then, for the log

    int flush();
    int flushUntil(long long deadline_ms);
    int drain(const char *op);
    int write(const char *data, int bytes);
    int read(void *buffer, size_t wanted, bool peek);
    int waiting() const;
  };

  NetworkManager();
  NetworkManager(const NetworkManager &) = delete;
  void operator=(const NetworkManager &) = delete;

  int listen_socket;
  std::vector<Connection> connections;
  // Closed by the engine and out of the numbering, still sending their queued bytes.
  std::vector<Connection> leaving;
  int max_connections;
  long long next_id;
  int connect_timeout;

  bool validIndex(int sock_index) const;
  int findById(long long id) const;
  int addConnection(int sock, Network::Label label);
  int closeUntil(int sock_index, long long deadline_ms);
  int closeWithoutWaiting(int sock_index);
  int finishClose(int sock_index, long long id);
  void closeDescriptor(int sock);
  void dropLeaving(size_t at);
  void warnIfNetworkingOff(const char *op) const;

 public:
  /// Returns the one network manager.
  static NetworkManager &getInstance();

  /// Writes length into header[0..3], the length field at the front of a
  /// message: little-endian whatever the machine.
  static void putMessageLength(unsigned char *header, int length);
  /// Reads the length written by putMessageLength() from header[0..3]; it may be negative.
  static int getMessageLength(const unsigned char *header);

  /// Starts the manager. Always 0.
  int startUp() override;
  /// Closes every connection (each with its CLOSE event) and stops listening.
  void shutDown() override;
  /// True for the network events (NETWORK_EVENT and the network keyboard, mouse
  /// and custom events); any other is logged and refused.
  bool isValid(std::string event_type) const override;

  /// Listens on port (text, 1..65535, or 0 for any free port) when server is
  /// true; stops listening when false. 0 (also when already listening), or -1
  /// (logged) for a bad port or when the socket cannot be set up.
  int setServer(bool server, std::string port = SORBELANE_PORT);
  /// True while listening.
  bool isServer() const;
  /// The port the server listens on, or -1.
  int getServerPort() const;
  /// Takes at most one waiting client: its socket index, -1 if none (or at
  /// the limit), -2 if not a server or on a hard error. Raises an ACCEPT event.
  int accept();
  /// Connects to a server within the connect timeout: the new socket index, or
  /// -1 (logged) for a bad port, an unknown host, a refusal or a timeout.
  /// Raises a CONNECT event. Blocks the caller for at most the timeout.
  int connect(std::string host, std::string port = SORBELANE_PORT);
  /// Sets how long connect() waits, in milliseconds. 0, or -1 (logged) when negative.
  int setConnectTimeout(int milliseconds);
  /// Returns how long connect() waits, in milliseconds.
  int getConnectTimeout() const;

  /// Sets how many connections accept() lets in at once (1 at first). 0, or -1
  /// (logged) when negative. Connections made with connect() are not limited.
  int setMaxConnections(int new_max_connections);
  /// Returns how many connections accept() lets in at once.
  int getMaxConnections() const;
  /// Returns the number of connections; socket indices run from 0 to this less one.
  int getNumConnections() const;

  /// Sends all bytes or queues what the socket does not take now; 0, or -1
  /// (logged) for a bad buffer or count, an index not connected, a failed socket,
  /// or when the queue would pass NETWORK_SEND_QUEUE_MAX (nothing is then sent).
  int send(const void *buffer, int bytes, int sock_index);
  /// Bytes queued on a connection and not yet sent, or -1.
  int getQueuedBytes(int sock_index) const;
  /// Takes up to nbytes of what has arrived, without waiting; peek leaves the
  /// bytes to be read again. Returns the bytes taken, 0 when the peer has gone
  /// and nothing is left, or -1 when nothing is waiting, or (logged) on an
  /// error or for a bad buffer or index.
  int receive(void *buffer, int nbytes, bool peek, int sock_index);
  /// Returns the bytes waiting to be read on a connection (those the engine
  /// holds and those still in the socket), or -1 (logged) when it is not
  /// connected or on an error.
  int isData(int sock_index) const;
  /// Returns the first socket index with bytes waiting, or -1 when none has any.
  int isAnyData() const;
  /// True when sock_index names an open connection.
  bool isConnected(int sock_index) const;
  /// Returns the descriptor of a connection, that of the listening socket for
  /// -1, or -1 when there is none.
  int getSocket(int sock_index) const;

  /// Reads what has arrived on the connection and raises a DATA event when a
  /// complete message waits (1), else 0; -1 on a socket error. Closes the
  /// connection on a bad length, and once the peer has gone and no complete
  /// message is left, without waiting: its CLOSE event comes at once and
  /// bytes still queued for the peer go out over later steps (flushLeaving()).
  /// A message that no handler reads is reported again once a step.
  int genDataEvents(int sock_index);
  /// Sends on, without waiting, what is still queued for the connections that
  /// genDataEvents() closed, and lets each go once all is sent, its peer
  /// fails, or NETWORK_LEAVE_FLUSH_TIME has passed (what is dropped is logged).
  /// The game loop calls it once a step.
  void flushLeaving();
  /// How many closed connections are still sending their queued bytes.
  int getLeavingCount() const;

  /// Sends what is still queued, waiting at most NETWORK_CLOSE_FLUSH_TIME for the
  /// peer to take it (what is left is dropped and logged), closes the connection
  /// and raises its CLOSE event (the index is still valid in the handlers);
  /// afterwards the later connections move down by one. 0, or -1 (logged) for
  /// an index out of range.
  int close(int sock_index);
  /// Closes every connection open at the call, all within one
  /// NETWORK_CLOSE_FLUSH_TIME, and within the same time finishes those that
  /// genDataEvents() closed. Returns the sum of what close() returned.
  int closeAll();
};

/// Shuts the network manager and then the game manager down and exits with
/// the signal number. Not installed as a signal handler: Ctrl-C goes through
/// the game manager, which stops the network manager on its way out.
void cleanUp(int signal);

}  // namespace sb

#endif
