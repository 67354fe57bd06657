// A small networked game for the tests: run as a server it answers every
// "ping N" with "pong N"; run as a client it connects, sends pings one after
// another and ends once every pong came back.
// Environment: NET_ROLE (server or client), NET_PORT (the client's server
// port), NET_COUNT (pings to send, default 5).
#include <cstdio>
#include <cstdlib>
#include <string>

#include "EventNetwork.h"
#include "EventStep.h"
#include "GameManager.h"
#include "LogManager.h"
#include "NetworkManager.h"
#include "Object.h"
#include "utility.h"

namespace {

sb::NetworkManager &net() { return sb::NetworkManager::getInstance(); }

int sendText(const std::string &text, int index) {
  std::string message(4, '\0');
  sb::NetworkManager::putMessageLength(reinterpret_cast<unsigned char *>(&message[0]),
                       static_cast<int>(text.size()) + 4);
  message += text;
  return net().send(message.data(), static_cast<int>(message.size()), index);
}

class Peer : public sb::Object {
  bool server;
  int count;
  int next = 0;
  int steps_left = 1000;  // a run that gets stuck ends by itself

 public:
  int status = 3;

  Peer(bool init_server, int init_count) : server(init_server), count(init_count) {
    setSolidness(sb::SPECTRAL);
    registerInterest(sb::NETWORK_EVENT);
    registerInterest(sb::STEP_EVENT);
  }

  int eventHandler(const sb::Event *p_e) override {
    if (p_e->getType() == sb::STEP_EVENT) {
      if (--steps_left == 0) sb::GameManager::getInstance().setGameOver();
      return 1;
    }
    if (p_e->getType() != sb::NETWORK_EVENT) return 0;
    const auto &e = *static_cast<const sb::EventNetwork *>(p_e);
    switch (e.getLabel()) {
      case sb::Network::ACCEPT:
        printf("accepted %d\n", e.getSocketIndex());
        break;
      case sb::Network::CONNECT:
        printf("connected %d\n", e.getSocketIndex());
        sendText("ping 0", e.getSocketIndex());
        break;
      case sb::Network::CLOSE:
        printf("closed %d\n", e.getSocketIndex());
        sb::LogManager::getInstance().writeLog("net_peer: connection closed");
        break;
      case sb::Network::DATA: {
        std::string buffer(static_cast<size_t>(e.getBytes()), '\0');
        if (net().receive(&buffer[0], e.getBytes(), false, e.getSocketIndex()) != e.getBytes())
          break;
        std::string text = buffer.substr(4);
        printf("got %s\n", text.c_str());
        if (server && text.compare(0, 5, "ping ") == 0) {
          sendText("pong " + text.substr(5), e.getSocketIndex());
        } else if (!server && text == "pong " + std::to_string(next)) {
          if (++next < count) {
            sendText("ping " + std::to_string(next), e.getSocketIndex());
          } else {
            net().close(e.getSocketIndex());
            status = 0;
            sb::GameManager::getInstance().setGameOver();
          }
        }
        break;
      }
      default:
        break;
    }
    fflush(stdout);
    return 1;
  }
};

}  // namespace

int main() {
  const char *role = getenv("NET_ROLE");
  const char *port = getenv("NET_PORT");
  const char *count = getenv("NET_COUNT");
  bool server = role && std::string(role) == "server";
  sb::GameManager &game_manager = sb::GameManager::getInstance();
  sb::LogManager::getInstance().setLogLevel(1);
  sb::LogManager::getInstance().setFlush(true);  // the tests read the log while it runs
  if (game_manager.startUp() != 0) return 1;
  Peer *peer = new Peer(server, count ? atoi(count) : 5);
  int ready = server ? net().setServer(true, "0")
                     : net().connect("127.0.0.1", port ? port : sb::SORBELANE_PORT);
  if (ready < 0) {
    game_manager.shutDown();
    return 1;
  }
  game_manager.run();
  int status = server ? 0 : peer->status;
  game_manager.shutDown();
  printf("done\n");
  return status;
}
