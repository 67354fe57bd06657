#include "EventNetwork.h"

#include "LogManager.h"

namespace sb {

EventNetwork::EventNetwork(Network::Label init_label)
    : label(Network::UNDEFINED_NETWORK_LABEL), socket_index(-1), bytes(0) {
  setType(NETWORK_EVENT);
  setLabel(init_label);
}

EventNetwork::~EventNetwork() = default;

void EventNetwork::setLabel(Network::Label new_label) {
  int value = static_cast<int>(new_label);
  if (value < Network::UNDEFINED_NETWORK_LABEL || value > Network::DATA) {
    LogManager::getInstance().writeLog("EventNetwork::setLabel(): Undefined type (%d).", value);
    label = Network::UNDEFINED_NETWORK_LABEL;
    return;
  }
  label = new_label;
}

}  // namespace sb
