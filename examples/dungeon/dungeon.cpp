// Dungeon: a small exploration game on the engine's cell map, field of view
// and distance maps. Walk with the arrow keys (or WASD) from room to room to
// the stairs '>'; you see only what your field of view reaches, and what you
// have seen stays on the map, dimmed (fog of war). Goblins 'g' that see you
// chase you down a distance map; one that reaches you ends the game. Q or
// Escape quits. Runs in the window, or in the terminal with terminal:true.
//
// Game keys in the engine's configuration file, besides the engine's own:
//   dungeon_seed:N,   the level (default 7)
//   demo_steps:N,     the hero walks to the stairs by itself for at most N
//                     steps (a demonstration; the goblins still hunt)
// The outcome is printed on standard output: "dungeon: stairs reached in N
// moves", "dungeon: caught after N moves" or "dungeon: left after N moves".
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "Sorbelane.h"

namespace {

const int VIEW_RADIUS = 9;
const int GOBLINS = 6;

struct Room {
  int x, y, w, h;
  sb::coord_struct centre() const { return {x + w / 2, y + h / 2}; }
};

class Dungeon;
Dungeon *g_dungeon = nullptr;

// What the hero's view shows of a cell: 2 in view, 1 remembered, 0 unknown.
int shown(int x, int y);

// A wall: a HARD object, so that the cell map is built from the world.
class Wall : public sb::Object {
 public:
  explicit Wall(sb::Vector where) {
    setType("Wall");
    setAltitude(1);
    setPosition(where);
  }
  int draw() override {
    int seen = shown(static_cast<int>(getPosition().getX()), static_cast<int>(getPosition().getY()));
    if (seen == 0) return 0;
    return sb::DisplayManager::getInstance().drawCh(getPosition(), '#', seen == 2 ? sb::WHITE : sb::BLUE);
  }
};

// The hero and the goblins: SPECTRAL, moved a cell at a time by the game.
class Creature : public sb::Object {
  char symbol;
  sb::Color color;

 public:
  Creature(char new_symbol, sb::Color new_color, sb::coord_struct where)
      : symbol(new_symbol), color(new_color) {
    setSolidness(sb::SPECTRAL);
    setAltitude(3);
    moveTo(where);
  }
  sb::coord_struct cell() const {
    return {static_cast<int>(getPosition().getX()), static_cast<int>(getPosition().getY())};
  }
  void moveTo(sb::coord_struct where) {
    setPosition(sb::Vector(static_cast<float>(where.x), static_cast<float>(where.y)));
  }
  int draw() override {
    if (shown(cell().x, cell().y) != 2) return 0;  // creatures show only in view
    return sb::DisplayManager::getInstance().drawCh(getPosition(), symbol, color);
  }
};

class Dungeon : public sb::Object {
  sb::CellMap map;
  sb::FieldOfView fov;
  sb::DistanceMap to_hero, to_stairs;
  std::vector<char> floor;  // the level as carved: 1 floor
  int width = 0, height = 0;
  sb::coord_struct stairs{0, 0};
  Creature *p_hero = nullptr;
  std::vector<Creature *> goblins;
  int moves = 0, demo_steps = 0;
  bool done = false;

  bool isFloor(int x, int y) const {
    return x >= 0 && y >= 0 && x < width && y < height && floor[y * width + x];
  }

  void carve(unsigned seed) {
    std::mt19937 random(seed);
    floor.assign(width * height, 0);
    std::vector<Room> rooms;
    for (int tries = 0; tries < 200 && rooms.size() < 9; tries++) {
      Room r{0, 0, 4 + static_cast<int>(random() % 9), 3 + static_cast<int>(random() % 4)};
      if (r.w > width - 4 || r.h > height - 4) continue;
      r.x = 2 + static_cast<int>(random() % (width - r.w - 3));
      r.y = 2 + static_cast<int>(random() % (height - r.h - 3));
      bool overlaps = false;
      for (const Room &o : rooms)
        overlaps = overlaps || (r.x <= o.x + o.w + 1 && o.x <= r.x + r.w + 1 && r.y <= o.y + o.h + 1 &&
                                o.y <= r.y + r.h + 1);
      if (overlaps) continue;
      for (int y = r.y; y < r.y + r.h; y++)
        for (int x = r.x; x < r.x + r.w; x++) floor[y * width + x] = 1;
      if (!rooms.empty()) {  // an L-shaped corridor from the previous room
        sb::coord_struct a = rooms.back().centre(), b = r.centre();
        for (int x = std::min(a.x, b.x); x <= std::max(a.x, b.x); x++) floor[a.y * width + x] = 1;
        for (int y = std::min(a.y, b.y); y <= std::max(a.y, b.y); y++) floor[y * width + b.x] = 1;
      }
      rooms.push_back(r);
    }
    // Walls where rock meets floor; the rock behind them is never seen or walked.
    for (int y = 0; y < height; y++)
      for (int x = 0; x < width; x++) {
        if (floor[y * width + x]) continue;
        bool edge = false;
        for (int dy = -1; dy <= 1; dy++)
          for (int dx = -1; dx <= 1; dx++) edge = edge || isFloor(x + dx, y + dy);
        if (edge) new Wall(sb::Vector(static_cast<float>(x), static_cast<float>(y)));
      }
    p_hero = new Creature('@', sb::YELLOW, rooms.front().centre());
    stairs = rooms.back().centre();
    for (int i = 0; i < GOBLINS && rooms.size() > 2; i++)
      goblins.push_back(new Creature('g', sb::GREEN, rooms[1 + i % (rooms.size() - 2)].centre()));
  }

  bool occupied(sb::coord_struct c) const {
    for (const Creature *p_g : goblins)
      if (p_g->cell().x == c.x && p_g->cell().y == c.y) return true;
    return false;
  }

  void finish(const char *how) {
    if (done) return;
    done = true;
    std::printf("dungeon: %s %d moves\n", how, moves);
    std::fflush(stdout);
    sb::GameManager::getInstance().setGameOver();
  }

  // The hero looks round; goblins that see the hero chase it down the distance map.
  void takeTurn() {
    sb::coord_struct hero = p_hero->cell();
    fov.compute(map, hero.x, hero.y, VIEW_RADIUS);
    to_hero.compute(map, {hero});
    for (Creature *p_goblin : goblins) {
      if (!p_goblin->sees(p_hero, map, sight, VIEW_RADIUS)) continue;
      sb::coord_struct at = p_goblin->cell(), next{};
      if (to_hero.nextStep(map, at.x, at.y, next) && !occupied(next)) p_goblin->moveTo(next);
      if (p_goblin->cell().x == hero.x && p_goblin->cell().y == hero.y) return finish("caught after");
    }
    fov.compute(map, hero.x, hero.y, VIEW_RADIUS);  // the hero's view again, for drawing
    if (hero.x == stairs.x && hero.y == stairs.y) finish("stairs reached in");
  }

  void step(int dx, int dy) {
    if (done) return;
    sb::coord_struct next{p_hero->cell().x + dx, p_hero->cell().y + dy};
    if (!map.isWalkable(next.x, next.y)) return;
    p_hero->moveTo(next);
    moves++;
    takeTurn();
  }

 public:
  sb::FieldOfView sight;  // work space of the goblins' looking

  Dungeon(unsigned seed, int new_demo_steps) : demo_steps(new_demo_steps) {
    setType("Dungeon");
    setSolidness(sb::SPECTRAL);
    setAltitude(0);
    sb::Box boundary = sb::WorldManager::getInstance().getBoundary();
    width = static_cast<int>(boundary.getHorizontal());
    height = static_cast<int>(boundary.getVertical());
    g_dungeon = this;
    carve(seed);
    map.buildFromWorld();  // walls are the level's only HARD objects
    to_stairs.compute(map, {stairs});
    takeTurn();
    registerInterest(sb::KEYBOARD_EVENT);
    registerInterest(sb::STEP_EVENT);
  }
  ~Dungeon() override { g_dungeon = nullptr; }

  int seenAs(int x, int y) const { return fov.isVisible(x, y) ? 2 : fov.wasSeen(x, y) ? 1 : 0; }

  int eventHandler(const sb::Event *p_e) override {
    if (p_e->getType() == sb::STEP_EVENT) {
      if (demo_steps > 0 && !done) {
        sb::coord_struct at = p_hero->cell(), next{};
        if (sb::GameManager::getInstance().getStepCount() >= demo_steps) {
          finish("left after");
        } else if (to_stairs.nextStep(map, at.x, at.y, next)) {
          step(next.x - at.x, next.y - at.y);
        }
      }
      return 1;
    }
    if (p_e->getType() == sb::KEYBOARD_EVENT) {
      const sb::EventKeyboard *p_key = dynamic_cast<const sb::EventKeyboard *>(p_e);
      if (!p_key || p_key->getKeyboardAction() != sb::KEY_PRESSED) return 0;
      switch (p_key->getKey()) {
        case sb::Keyboard::LEFTARROW: case sb::Keyboard::A: step(-1, 0); break;
        case sb::Keyboard::RIGHTARROW: case sb::Keyboard::D: step(1, 0); break;
        case sb::Keyboard::UPARROW: case sb::Keyboard::W: step(0, -1); break;
        case sb::Keyboard::DOWNARROW: case sb::Keyboard::S: step(0, 1); break;
        case sb::Keyboard::Q: case sb::Keyboard::ESCAPE: finish("left after"); break;
        default: return 0;
      }
      return 1;
    }
    return 0;
  }

  // The floor in view, the remembered floor dimmed, and the stairs once seen.
  int draw() override {
    sb::DisplayManager &display = sb::DisplayManager::getInstance();
    for (int y = 0; y < height; y++)
      for (int x = 0; x < width; x++) {
        int seen = seenAs(x, y);
        if (seen == 0 || !floor[y * width + x]) continue;
        char ch = x == stairs.x && y == stairs.y ? '>' : '.';
        display.drawCh(sb::Vector(static_cast<float>(x), static_cast<float>(y)), ch,
                       seen == 2 ? (ch == '>' ? sb::MAGENTA : sb::WHITE) : sb::BLUE);
      }
    return 0;
  }
};

int shown(int x, int y) { return g_dungeon ? g_dungeon->seenAs(x, y) : 0; }

int configInt(const std::string &key, int fallback) {
  int value = 0;
  if (!sb::readInt(sb::Config::getInstance().match(key), value) || value < 0) return fallback;
  return value;
}

}  // namespace

int main() {
  sb::GameManager &game_manager = sb::GameManager::getInstance();
  for (const char *key : {"dungeon_seed", "demo_steps"}) sb::Config::getInstance().addKey(key);
  if (game_manager.startUp() != 0) {
    std::fprintf(stderr, "dungeon: the engine did not start (see its log)\n");
    return 1;
  }
  new Dungeon(static_cast<unsigned>(configInt("dungeon_seed", 7)), configInt("demo_steps", 0));
  game_manager.run();
  game_manager.shutDown();
  return sb::Replay::getInstance().getExitStatus();
}
