#include "NetworkManager.h"

namespace sb {

NetworkManager::NetworkManager() { setType("NetworkManager"); }

NetworkManager &NetworkManager::getInstance() {
  static NetworkManager network_manager;
  return network_manager;
}

int NetworkManager::startUp() { return Manager::startUp(); }

void NetworkManager::shutDown() { Manager::shutDown(); }

bool NetworkManager::isValid(std::string event_type) const {
  return event_type == NETWORK_EVENT || event_type == NETWORK_KEYBOARD_EVENT ||
         event_type == NETWORK_MSE_EVENT || event_type == NETWORK_CUSTOM_EVENT;
}

bool NetworkManager::isServer() const { return false; }

int NetworkManager::accept() { return -1; }

int NetworkManager::getNumConnections() const { return 0; }

int NetworkManager::genDataEvents(int) { return 0; }

}  // namespace sb
