#ifndef SORBELANE_NETWORK_MANAGER_H
#define SORBELANE_NETWORK_MANAGER_H

#include "Manager.h"

namespace sb {

// TCP connections between engines. Only the manager's place in start-up,
// shut-down and event interest exists so far; connections come later.
class NetworkManager : public Manager {
 private:
  NetworkManager();
  NetworkManager(const NetworkManager &) = delete;
  void operator=(const NetworkManager &) = delete;

 public:
  static NetworkManager &getInstance();

  int startUp() override;
  void shutDown() override;
  bool isValid(std::string event_type) const override;

  bool isServer() const;
  int accept();
  int getNumConnections() const;
  int genDataEvents(int index);
};

}  // namespace sb

#endif
