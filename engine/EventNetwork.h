#ifndef SORBELANE_EVENT_NETWORK_H
#define SORBELANE_EVENT_NETWORK_H

#include "Event.h"

namespace sb {

namespace Network {

// What happened on a connection.
enum Label {
  UNDEFINED_NETWORK_LABEL = -1,
  ACCEPT = 0,   // a client was accepted
  CONNECT = 1,  // this side connected to a server
  CLOSE = 2,    // a connection is being closed
  DATA = 3,     // a complete message is waiting
};

}  // namespace Network

// Sent by the network manager to the objects interested in NETWORK_EVENT.
class EventNetwork : public Event {
 private:
  Network::Label label;
  int socket_index;
  int bytes;

 public:
  explicit EventNetwork(Network::Label init_label = Network::UNDEFINED_NETWORK_LABEL);
  ~EventNetwork() override;

  // A label outside UNDEFINED_NETWORK_LABEL..DATA is logged and stored as undefined.
  void setLabel(Network::Label new_label);
  Network::Label getLabel() const { return label; }
  void setSocketIndex(int new_socket_index) { socket_index = new_socket_index; }
  int getSocketIndex() const { return socket_index; }
  void setBytes(int new_bytes) { bytes = new_bytes; }
  int getBytes() const { return bytes; }
};

}  // namespace sb

#endif
