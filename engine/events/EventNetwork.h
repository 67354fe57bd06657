#ifndef SORBELANE_EVENT_NETWORK_H
#define SORBELANE_EVENT_NETWORK_H

#include "Event.h"

namespace sb {

/// Names of what happens on network connections.
namespace Network {

/// What happened on a connection.
enum Label {
  UNDEFINED_NETWORK_LABEL = -1,  ///< Not set.
  ACCEPT = 0,                    ///< A client was accepted.
  CONNECT = 1,                   ///< This side connected to a server.
  CLOSE = 2,                     ///< A connection is being closed.
  DATA = 3,                      ///< A complete message is waiting.
};

}  // namespace Network

/// Sent by the network manager to the objects interested in NETWORK_EVENT.
class EventNetwork : public Event {
 private:
  Network::Label label;
  int socket_index;
  int bytes;

 public:
  /// A network event with init_label, no socket (index -1) and 0 bytes.
  explicit EventNetwork(Network::Label init_label = Network::UNDEFINED_NETWORK_LABEL);
  ~EventNetwork() override;

  /// Sets what happened; a label outside UNDEFINED_NETWORK_LABEL..DATA is
  /// logged and stored as undefined.
  void setLabel(Network::Label new_label);
  /// What happened.
  Network::Label getLabel() const { return label; }
  /// Sets the index of the connection concerned.
  void setSocketIndex(int new_socket_index) { socket_index = new_socket_index; }
  /// The index of the connection concerned, or -1.
  int getSocketIndex() const { return socket_index; }
  /// Sets the number of bytes concerned.
  void setBytes(int new_bytes) { bytes = new_bytes; }
  /// The number of bytes concerned (such as the size of a waiting message).
  int getBytes() const { return bytes; }
};

}  // namespace sb

#endif
