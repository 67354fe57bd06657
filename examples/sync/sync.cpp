// Two engines keep a few moving objects in step over TCP.
//
//   sorbelane-sync server [PORT] [STEPS]       moves the objects and sends them
//   sorbelane-sync client HOST PORT [LEAVE]    shows copies of them
//
// The server owns the objects: whenever a client connects it sends it each one
// in full (serialize("ALL")), and then, every step, what changed in each
// (serialize("")) after its id to every client. Clients may come and go (up to
// four at once); the server forgets a client when its connection closes. The
// client makes a copy for every id it has been sent in full and reads every
// message into the copy with that id. The server counts its STEPS only while a
// client is connected; after them it stops the objects, sends the last
// changes and "done"; server and clients then print every object as "object
// ID X Y", and the server ends once the last client has gone. A client given
// LEAVE closes its connection after that many steps, prints "left" and ends.
// A server PORT of 0 takes any free port; the log names the port it listens
// on ("sync: listening on port N").
#include <cstdio>
#include <cstdlib>
#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "Sorbelane.h"

namespace {

sb::NetworkManager &net() { return sb::NetworkManager::getInstance(); }

int sendText(const std::string &text, int index) {
  std::string message(sb::NETWORK_HEADER_SIZE, '\0');
  sb::NetworkManager::putMessageLength(reinterpret_cast<unsigned char *>(&message[0]),
                       static_cast<int>(text.size()) + sb::NETWORK_HEADER_SIZE);
  message += text;
  return net().send(message.data(), static_cast<int>(message.size()), index);
}

void printObjects(const std::map<int, sb::Object *> &objects) {
  for (const auto &entry : objects) {
    sb::Vector p = entry.second->getPosition();
    printf("object %d %s %s\n", entry.first, sb::toString(p.getX()).c_str(),
           sb::toString(p.getY()).c_str());
  }
  fflush(stdout);
}

// A server's object: flies in a straight line and turns back at the edges.
class Mover : public sb::Object {
 public:
  Mover(float x, float y, sb::Vector velocity) {
    setType("Mover");
    setSolidness(sb::SPECTRAL);
    setPosition(sb::Vector(x, y));
    setVelocity(velocity);
  }

  int eventHandler(const sb::Event *p_e) override {
    if (p_e->getType() != sb::OUT_EVENT) return 0;
    sb::Box world = sb::WorldManager::getInstance().getBoundary();
    sb::Vector p = getPosition(), v = getVelocity();
    float right = world.getCorner().getX() + world.getHorizontal();
    float bottom = world.getCorner().getY() + world.getVertical();
    if (p.getX() < world.getCorner().getX() || p.getX() > right) v.setX(-v.getX());
    if (p.getY() < world.getCorner().getY() || p.getY() > bottom) v.setY(-v.getY());
    setVelocity(v);
    return 1;
  }
};

class Server : public sb::Object {
  std::map<int, sb::Object *> movers;
  std::vector<int> clients;  // socket indices of the connected clients
  int steps;
  int phase = 0;           // 0 moving, 1 stopped, 2 done sent
  int steps_left = 3000;   // a run that gets stuck ends by itself

  void sendToClients(const std::string &text) {
    for (int client : clients) sendText(text, client);
  }

  // What changed in each object since the last call goes to every client.
  void sendChanges() {
    for (auto &entry : movers) {
      // A change names its object first (a changed id is written again after it).
      std::string delta = entry.second->serialize("");
      if (!delta.empty()) sendToClients("id:" + sb::toString(entry.first) + "," + delta);
    }
  }

  void welcome(int client) {
    // The others get the changes first: writing everything clears the flags.
    sendChanges();
    clients.push_back(client);
    for (auto &entry : movers) sendText(entry.second->serialize("ALL"), client);
    if (phase == 2) sendText("done", client);
  }

  void forget(int client) {
    clients.erase(std::remove(clients.begin(), clients.end(), client), clients.end());
    // The connections after a closed one move down by one.
    for (int &other : clients)
      if (other > client) other--;
    if (phase == 2 && clients.empty()) sb::GameManager::getInstance().setGameOver();
  }

 public:
  Server(int init_steps) : steps(init_steps) {
    setSolidness(sb::SPECTRAL);
    setVisible(false);
    registerInterest(sb::STEP_EVENT);
    registerInterest(sb::NETWORK_EVENT);
    const float speeds[][2] = {{0.5f, 0.25f}, {-0.75f, 0.5f}, {0.3f, -0.6f}, {-0.4f, -0.2f}};
    for (int i = 0; i < 4; i++) {
      sb::Object *m = new Mover(10.0f + 15 * i, 5.0f + 4 * i, sb::Vector(speeds[i][0], speeds[i][1]));
      movers[m->getId()] = m;
    }
  }

  int eventHandler(const sb::Event *p_e) override {
    if (p_e->getType() == sb::NETWORK_EVENT) {
      const auto &e = *static_cast<const sb::EventNetwork *>(p_e);
      if (e.getLabel() == sb::Network::ACCEPT)
        welcome(e.getSocketIndex());
      else if (e.getLabel() == sb::Network::CLOSE)
        forget(e.getSocketIndex());
      return 1;
    }
    if (p_e->getType() != sb::STEP_EVENT) return 0;
    if (--steps_left == 0) sb::GameManager::getInstance().setGameOver();
    if (clients.empty() || phase == 2) return 1;
    if (phase == 0 && --steps <= 0) {
      for (auto &entry : movers) entry.second->setVelocity(sb::Vector(0, 0));
      phase = 1;
    }
    sendChanges();
    if (phase == 1) {
      sendToClients("done");
      printObjects(movers);
      phase = 2;
    }
    return 1;
  }
};

class Client : public sb::Object {
  std::map<int, sb::Object *> copies;
  int steps_left = 3000;
  int leave_after;  // steps before leaving, 0 to stay to the end

 public:
  int status = 3;

  explicit Client(int init_leave_after) : leave_after(init_leave_after) {
    setSolidness(sb::SPECTRAL);
    setVisible(false);
    registerInterest(sb::STEP_EVENT);
    registerInterest(sb::NETWORK_EVENT);
  }

  int eventHandler(const sb::Event *p_e) override {
    if (p_e->getType() == sb::STEP_EVENT) {
      if (--steps_left == 0) sb::GameManager::getInstance().setGameOver();
      if (leave_after > 0 && --leave_after == 0) {
        printf("left\n");
        fflush(stdout);
        status = 0;
        net().closeAll();
      }
      return 1;
    }
    if (p_e->getType() != sb::NETWORK_EVENT) return 0;
    const auto &e = *static_cast<const sb::EventNetwork *>(p_e);
    if (e.getLabel() == sb::Network::CLOSE) {
      sb::GameManager::getInstance().setGameOver();
      return 1;
    }
    if (e.getLabel() != sb::Network::DATA) return 1;
    std::string buffer(static_cast<size_t>(e.getBytes()), '\0');
    if (net().receive(&buffer[0], e.getBytes(), false, e.getSocketIndex()) != e.getBytes())
      return 1;
    std::string text = buffer.substr(sb::NETWORK_HEADER_SIZE);
    if (text == "done") {
      printObjects(copies);
      status = 0;
      net().close(e.getSocketIndex());
      sb::GameManager::getInstance().setGameOver();
      return 1;
    }
    int id = 0;
    std::string id_text = sb::AttributeList(text).value("id");
    if (id_text.empty() || !sb::readInt(id_text, id)) return 1;
    auto found = copies.find(id);
    sb::Object *copy = found != copies.end() ? found->second : nullptr;
    if (!copy) {
      if (text.find("is_active:") == std::string::npos) return 1;  // never seen in full
      copy = new sb::Object;
      copies[id] = copy;
    }
    copy->deserialize(text);
    return 1;
  }
};

}  // namespace

int main(int argc, char **argv) {
  std::string role = argc > 1 ? argv[1] : "";
  if (role != "server" && role != "client") {
    fprintf(stderr, "usage: %s server [PORT] [STEPS] | client HOST PORT [LEAVE]\n", argv[0]);
    return 2;
  }
  bool server = role == "server";
  sb::GameManager &game_manager = sb::GameManager::getInstance();
  sb::LogManager::getInstance().setFlush(true);  // the port can be read from the log at once
  if (game_manager.startUp() != 0) return 1;
  // Networking is on whatever the configuration says.
  if (!sb::Config::getInstance().getNetworking()) {
    sb::Config::getInstance().setNetworking(true);
    if (net().startUp() != 0) {
      game_manager.shutDown();
      return 1;
    }
  }
  int status = 0;
  Client *client = nullptr;
  if (server) {
    new Server(argc > 3 ? atoi(argv[3]) : 90);
    net().setMaxConnections(4);
    if (net().setServer(true, argc > 2 ? argv[2] : sb::SORBELANE_PORT) < 0)
      status = 1;
    else
      sb::LogManager::getInstance().writeLog("sync: listening on port %d", net().getServerPort());
  } else {
    client = new Client(argc > 4 ? atoi(argv[4]) : 0);
    if (argc < 4 || net().connect(argv[2], argv[3]) < 0) status = 1;
  }
  if (status == 0) game_manager.run();
  if (client) status = status ? status : client->status;
  game_manager.shutDown();
  return status;
}
