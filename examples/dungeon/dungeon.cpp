// Dungeon: a small exploration game on the engine's roguelike kit: levels
// made by the map generator from the game's seed and their depth, field of
// view, distance maps and a turn scheduler. Walk with the arrow keys (or
// WASD) to the stairs '>' and type '>' on them to go down to a new level;
// you see only what your field of view reaches, and what you have seen stays
// on the map, dimmed (fog of war). Monsters that see you chase you down a
// distance map, each at its own speed: bats 'b' move twice for each of your
// moves, goblins 'g' once, slimes 's' every other move. One that reaches you
// ends the game. '?' shows and hides the help, Q or Escape quits. The bottom
// line shows the depth and the game's seed. Keys are told apart by the
// character they type ('>' is not '.'), so the stairs key works in a window
// and in any terminal. Runs in the window, or in the terminal with
// terminal:true.
//
// Game keys in the engine's configuration file, besides the engine's own:
//   dungeon_seed:N,   the levels' seed (default: the engine's seed,
//                     random_seed, which the clock picks when it is 0)
//   dungeon_map:caves, caves instead of rooms and corridors
//   demo_steps:N,     the hero walks to the stairs by itself, and waits on
//                     them for '>', for at most N steps (a demonstration;
//                     the monsters still hunt)
// What happens is printed on standard output (in a terminal once the game
// has ended) and logged: "dungeon: level of seed S (bsp), depth D",
// "dungeon: stairs reached in N moves", "dungeon: down to depth D after N
// moves", and at the end "dungeon: caught after N moves" or "dungeon: left
// after N moves".
#include <cstdio>
#include <string>
#include <vector>

#include "HelpPanel.h"
#include "Sorbelane.h"
#include "Transcript.h"

namespace {

const int VIEW_RADIUS = 9;
const int MONSTERS = 6;
const int HERO = 0;  // the hero's name in the scheduler; monsters are 1 to MONSTERS
const int HERO_SPEED = 10;

// The monsters: symbol, colour and speed (the hero's is 10).
struct Kind {
  char symbol;
  sb::Color color;
  int speed;
};
const Kind KINDS[] = {{'g', sb::GREEN, 10}, {'b', sb::CYAN, 20}, {'s', sb::RED, 5}};

// The help panel's lines ("#[colour]" switches the colour, "#[]" goes back).
const std::vector<std::string> HELP = {
    "",
    "  #[yellow]Dungeon#[]: go down the stairs, flee the monsters",
    "",
    "  #[cyan]arrows#[] or #[cyan]WASD#[]  move",
    "  #[cyan]>#[]               take the stairs (standing on them)",
    "  #[cyan]?#[]               this help",
    "  #[cyan]Q#[] or #[cyan]Escape#[]     quit",
    "",
    "  #[yellow]@#[] you  #[magenta]>#[] stairs  #[green]g#[] goblin  #[cyan]b#[] bat",
    "  #[red]s#[] slime",
    "",
};
const int HELP_WIDTH = 62;

sb::coord_struct centre(const sb::MapRoom &r) { return {r.x + r.width / 2, r.y + r.height / 2}; }

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
  sb::Scheduler scheduler;
  sb::Random random;
  std::uint64_t seed;
  bool caves;
  int width = 0, height = 0;
  sb::coord_struct stairs{0, 0};
  Creature *p_hero = nullptr;
  std::vector<Creature *> goblins;  // the monsters, by scheduler name - 1
  std::vector<sb::Object *> level_objects;  // walls and monsters, gone with their level
  HelpPanel *p_help = nullptr;
  std::string message;  // shown after the status until the next move
  int depth = 1;
  int moves = 0, demo_steps = 0;
  bool done = false;
  bool stairs_reached = false;  // on this level

  // A random floor cell at least `apart` moves from the hero (or any floor cell
  // after many tries).
  sb::coord_struct floorCell(int apart) {
    sb::coord_struct c{width / 2, height / 2};
    for (int tries = 0; tries < 1000; tries++) {
      c = {random.between(1, width - 2), random.between(1, height - 2)};
      if (map.isWalkable(c.x, c.y) && (!to_hero.isReachable(c.x, c.y) || to_hero.getDistance(c.x, c.y) >= apart))
        return c;
    }
    for (int i = 0; i < width * height; i++)
      if (map.isWalkable(i % width, i / width)) return {i % width, i / width};
    return c;
  }

  // The level from the seed: rooms and corridors, or caves.
  void carve() {
    std::vector<sb::MapRoom> rooms;
    if (caves) sb::MapGenerator::caves(map, random);
    else sb::MapGenerator::bsp(map, random, sb::BspOptions(), rooms);
    // Walls where rock meets floor; the rock behind them is never seen or walked.
    for (int y = 0; y < height; y++)
      for (int x = 0; x < width; x++) {
        if (map.isWalkable(x, y)) continue;
        bool edge = false;
        for (int dy = -1; dy <= 1; dy++)
          for (int dx = -1; dx <= 1; dx++) edge = edge || map.isWalkable(x + dx, y + dy);
        if (edge)
          level_objects.push_back(
              new Wall(sb::Vector(static_cast<float>(x), static_cast<float>(y))));
      }
    p_hero->moveTo(rooms.empty() ? floorCell(0) : centre(rooms.front()));
    to_hero.compute(map, {p_hero->cell()});
    stairs = rooms.size() > 1 ? centre(rooms.back()) : floorCell(VIEW_RADIUS * 2);
    scheduler.add(HERO, HERO_SPEED);
    for (int i = 0; i < MONSTERS; i++) {
      const Kind &kind = KINDS[i % 3];
      sb::coord_struct at = rooms.size() > 2 ? centre(rooms[1 + i % (rooms.size() - 2)]) : floorCell(VIEW_RADIUS);
      goblins.push_back(new Creature(kind.symbol, kind.color, at));
      level_objects.push_back(goblins.back());
      scheduler.add(1 + i, kind.speed);
    }
  }

  // The level of this depth, from the game's seed and the depth (stream
  // depth - 1 of the seed's random numbers): a seed always leads down
  // through the same levels.
  void makeLevel() {
    for (sb::Object *p_o : level_objects) sb::WorldManager::getInstance().markForDelete(p_o);
    level_objects.clear();
    goblins.clear();
    scheduler.clear();
    fov.forget();
    random = sb::Random(seed, static_cast<std::uint64_t>(depth - 1));
    stairs_reached = false;
    carve();
    say("dungeon: level of seed " + std::to_string(seed) + (caves ? " (caves)" : " (bsp)") +
        ", depth " + std::to_string(depth));
    to_stairs.compute(map, {stairs});
    takeTurn();
  }

  bool onStairs() const { return p_hero->cell().x == stairs.x && p_hero->cell().y == stairs.y; }

  // '>': down the stairs the hero stands on, to a new level.
  void descend() {
    if (done) return;
    if (!onStairs()) {
      message = "No stairs here.";
      return;
    }
    depth++;
    message.clear();
    say("dungeon: down to depth " + std::to_string(depth) + " after " + std::to_string(moves) +
        " moves");
    makeLevel();
  }

  bool occupied(sb::coord_struct c) const {
    for (const Creature *p_g : goblins)
      if (p_g->cell().x == c.x && p_g->cell().y == c.y) return true;
    return false;
  }

  void finish(const char *how) {
    if (done) return;
    done = true;
    say(std::string("dungeon: ") + how + " " + std::to_string(moves) + " moves");
    sb::GameManager::getInstance().setGameOver();
  }

  // One monster's turn: when it sees the hero it steps down the distance map.
  void monsterTurn(Creature *p_monster, sb::coord_struct hero) {
    if (!p_monster->sees(p_hero, map, sight, VIEW_RADIUS)) return;
    sb::coord_struct at = p_monster->cell(), next{};
    if (to_hero.nextStep(map, at.x, at.y, next) && !occupied(next)) p_monster->moveTo(next);
    if (p_monster->cell().x == hero.x && p_monster->cell().y == hero.y) finish("caught after");
  }

  // The hero looks round; the monsters whose turns come before the hero's
  // next one take them.
  void takeTurn() {
    sb::coord_struct hero = p_hero->cell();
    to_hero.compute(map, {hero});
    for (int actor = scheduler.next(); actor != HERO && actor > 0 && !done; actor = scheduler.next())
      monsterTurn(goblins[actor - 1], hero);
    fov.compute(map, hero.x, hero.y, VIEW_RADIUS);  // the hero's view, for drawing
    if (!done && onStairs() && !stairs_reached) {
      stairs_reached = true;
      say("dungeon: stairs reached in " + std::to_string(moves) + " moves");
    }
    if (!done && onStairs()) message = "Stairs down: type > to take them.";
  }

  void step(int dx, int dy) {
    if (done) return;
    sb::coord_struct next{p_hero->cell().x + dx, p_hero->cell().y + dy};
    if (!map.isWalkable(next.x, next.y)) return;
    p_hero->moveTo(next);
    moves++;
    message.clear();
    takeTurn();
  }

 public:
  sb::FieldOfView sight;  // work space of the goblins' looking

  Dungeon(std::uint64_t new_seed, bool new_caves, int new_demo_steps)
      : random(new_seed), seed(new_seed), caves(new_caves), demo_steps(new_demo_steps) {
    setType("Dungeon");
    setSolidness(sb::SPECTRAL);
    setAltitude(0);
    sb::Box boundary = sb::WorldManager::getInstance().getBoundary();
    width = static_cast<int>(boundary.getHorizontal());
    height = static_cast<int>(boundary.getVertical()) - 1;  // the bottom line shows the seed
    g_dungeon = this;
    map.resize(width, height);
    p_hero = new Creature('@', sb::YELLOW, {0, 0});
    p_help = new HelpPanel(HELP, HELP_WIDTH);
    makeLevel();
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
        } else if (!onStairs() && to_stairs.nextStep(map, at.x, at.y, next)) {
          step(next.x - at.x, next.y - at.y);
        }
      }
      return 1;
    }
    if (p_e->getType() == sb::KEYBOARD_EVENT) {
      const sb::EventKeyboard *p_key = dynamic_cast<const sb::EventKeyboard *>(p_e);
      if (!p_key || p_key->getKeyboardAction() != sb::KEY_PRESSED) return 0;
      // '?' and '>' by the character typed: on most keyboards they share
      // their keys with '/' and '.'.
      if (p_key->getCharacter() == '?') {
        p_help->toggle();
        return 1;
      }
      if (p_key->getCharacter() == '>') {
        descend();
        return 1;
      }
      if (p_key->getKey() == sb::Keyboard::ESCAPE && p_help->isShown()) {
        p_help->hide();
        return 1;
      }
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

  // The floor in view, the remembered floor dimmed, the stairs once seen,
  // and the depth, the seed and the last message on the bottom line.
  int draw() override {
    sb::DisplayManager &display = sb::DisplayManager::getInstance();
    std::string status = "depth " + std::to_string(depth) + "  seed " + std::to_string(seed) +
                         "  moves " + std::to_string(moves) + "  turn " +
                         std::to_string(static_cast<int>(scheduler.getTime())) + "  ? help";
    if (!message.empty()) status += "  " + message;
    display.drawString(sb::Vector(0, static_cast<float>(height)), status, sb::LEFT_JUSTIFIED, sb::WHITE);
    for (int y = 0; y < height; y++)
      for (int x = 0; x < width; x++) {
        int seen = seenAs(x, y);
        if (seen == 0 || !map.isWalkable(x, y)) continue;
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
  // Every line reaches the log at once, so that it can be followed as the
  // game runs (the game logs a few lines a level).
  sb::LogManager::getInstance().setFlush(true);
  // The level comes from the game's seed (the one the engine picked when the
  // configuration left it to the clock) unless dungeon_seed names one.
  int seed = sb::Config::getInstance().getRandomSeed();
  if (!sb::Config::getInstance().match("dungeon_seed").empty()) seed = configInt("dungeon_seed", seed);
  bool caves = sb::Config::getInstance().match("dungeon_map") == "caves";
  new Dungeon(static_cast<std::uint64_t>(static_cast<unsigned>(seed)), caves, configInt("demo_steps", 0));
  game_manager.run();
  game_manager.shutDown();
  // What was said while the terminal was the game's.
  std::fputs(terminalTranscript().c_str(), stdout);
  return sb::Replay::getInstance().getExitStatus();
}
