// Plain particles drawn into a terminal go to the display in runs. Over
// seeded random worlds (particles of every size, opacity and colour, runs of
// one shape, particles that draw more themselves, characters, shapes of other
// objects, view objects, every altitude, a moved view) each frame's cells
// equal those of drawing every object by itself, in the order of the layers.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <pty.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "Sorbelane.h"
#include "support/TestEngine.h"

namespace {

// Standard input, output and error on a pseudo-terminal of columns x rows
// cells (TERM xterm-256color) while the object lives; drain() empties it.
class OnPty {
 public:
  OnPty(int columns, int rows) {
    struct winsize size = {};
    size.ws_col = static_cast<unsigned short>(columns);
    size.ws_row = static_cast<unsigned short>(rows);
    if (openpty(&master, &slave, nullptr, nullptr, &size) != 0) return;
    fcntl(master, F_SETFL, O_NONBLOCK);
    fflush(stdout);
    fflush(stderr);
    for (int fd = 0; fd < 3; fd++) {
      saved[fd] = dup(fd);
      dup2(slave, fd);
    }
    const char *term = getenv("TERM");
    had_term = term != nullptr;
    if (term) saved_term = term;
    setenv("TERM", "xterm-256color", 1);
    ok = true;
  }
  ~OnPty() {
    if (!ok) return;
    drain();
    fflush(stdout);
    fflush(stderr);
    for (int fd = 0; fd < 3; fd++) {
      dup2(saved[fd], fd);
      close(saved[fd]);
    }
    if (had_term)
      setenv("TERM", saved_term.c_str(), 1);
    else
      unsetenv("TERM");
    close(master);
    close(slave);
  }
  void drain() const {
    char buffer[4096];
    while (read(master, buffer, sizeof buffer) > 0) {}
  }
  bool ok = false;

 private:
  int master = -1, slave = -1;
  int saved[3] = {-1, -1, -1};
  bool had_term = false;
  std::string saved_term;
};

// A particle that draws a character under itself: its own draw(), so never
// part of a run.
class MarkedParticle : public sb::Particle {
 public:
  using sb::Particle::Particle;
  int draw() override {
    sb::DisplayManager::getInstance().drawCh(getPosition(), '*', sb::YELLOW);
    return sb::Particle::draw();
  }
};

// An object drawn as one character.
class Glyph : public sb::Object {
 public:
  explicit Glyph(char new_ch) : ch(new_ch) { setSolidness(sb::SPECTRAL); }
  int draw() override {
    return sb::DisplayManager::getInstance().drawCh(getPosition(), ch, sb::CYAN);
  }

 private:
  char ch;
};

const int COLUMNS = 40, ROWS = 12;

std::vector<std::uint64_t> cells() {
  std::vector<std::uint64_t> all;
  sb::TerminalDisplay *p_terminal = sb::DisplayManager::getInstance().getTerminal();
  for (int row = 0; row < ROWS; row++)
    for (int column = 0; column < COLUMNS; column++) all.push_back(p_terminal->cellAt(column, row));
  return all;
}

// What drawing did before runs: every visible object by itself, layer by
// layer in the order the objects were made (no object here changes layer or
// visibility after it is made).
void drawOneByOne(const std::vector<sb::Object *> &objects) {
  sb::Box view = sb::WorldManager::getInstance().getView();
  for (int altitude = 0; altitude <= sb::MAX_ALTITUDE; altitude++)
    for (sb::Object *p_o : objects)
      if (p_o->getAltitude() == altitude && p_o->isVisible() &&
          (sb::boxIntersectsBox(sb::getWorldBox(p_o), view) ||
           dynamic_cast<sb::ViewObject *>(p_o) != nullptr))
        p_o->draw();
}

float sizeOf(std::mt19937 &random) {
  switch (random() % 8) {
    case 0: return std::uniform_real_distribution<float>(0, 40)(random);
    case 1: return -std::uniform_real_distribution<float>(0, 10)(random);
    case 2: return 0;
    case 3: return random() % 50 == 0 ? NAN : 3.5f;
    default: return 1.0f;  // runs of one shape, as bursts make
  }
}

// Makes one random object of the world; particles mostly.
sb::Object *makeObject(std::mt19937 &random, bool marked_ok) {
  auto byte = [&random]() { return static_cast<unsigned char>(random() % 256); };
  int kind = static_cast<int>(random() % 20);
  sb::Object *p_o = nullptr;
  if (kind < 14 || (kind == 14 && !marked_ok)) {
    unsigned char opacity = random() % 3 == 0 ? 255 : (random() % 5 == 0 ? 0 : byte());
    p_o = new sb::Particle(sizeOf(random), 1000, opacity, byte(), byte(), byte());
    if (random() % 10 == 0) {  // a particle given another shape or a named colour
      sb::Shape shape = p_o->getShape();
      shape.setType(static_cast<sb::ShapeType>(random() % 3));
      if (random() % 2) shape.setColor(static_cast<sb::Color>(random() % 8));
      p_o->setShape(shape);
    }
  } else if (kind == 14) {
    p_o = new MarkedParticle(1.0f, 1000, byte(), byte(), byte(), byte());
  } else if (kind < 18) {
    p_o = new Glyph(static_cast<char>('a' + random() % 26));
  } else {
    p_o = new sb::Object;
    p_o->setSolidness(sb::SPECTRAL);
    sb::Shape shape;
    shape.setType(static_cast<sb::ShapeType>(random() % 3));
    shape.setSize(std::uniform_real_distribution<float>(0, 30)(random));
    shape.setColor(static_cast<sb::Color>(random() % 8));
    shape.setOpacity(byte());
    p_o->setShape(shape);
  }
  p_o->setPosition(sb::Vector(std::uniform_real_distribution<float>(-3, COLUMNS + 3)(random),
                              std::uniform_real_distribution<float>(-3, ROWS + 3)(random)));
  if (random() % 4 == 0) p_o->setAltitude(static_cast<int>(random() % (sb::MAX_ALTITUDE + 1)));
  if (random() % 30 == 0) p_o->setVisible(false);
  return p_o;
}

// A burst: hundreds of particles of one size in a row, mostly opaque.
void addBurst(std::mt19937 &random, std::vector<sb::Object *> &objects) {
  float size = sizeOf(random);
  bool opaque = random() % 4 != 0;
  int count = 100 + static_cast<int>(random() % 400);
  for (int i = 0; i < count; i++) {
    auto byte = static_cast<unsigned char>(random() % 256);
    sb::Object *p_o = new sb::Particle(size, 1000, opaque ? 255 : byte, byte, 255, 0);
    p_o->setPosition(sb::Vector(std::uniform_real_distribution<float>(-3, COLUMNS + 3)(random),
                                std::uniform_real_distribution<float>(-3, ROWS + 3)(random)));
    objects.push_back(p_o);
  }
}

struct Outcome {
  int started = -1;
  std::string failure;  // the first cell that differs, or what went wrong
  long long drawn = 0;  // cells the frames drew on
};

// The frames, with the engine in a terminal; nothing may be reported while
// standard output is the pseudo-terminal.
Outcome drawFrames() {
  Outcome outcome;
  OnPty pty(COLUMNS, ROWS);
  if (!pty.ok) {
    outcome.failure = "no pseudo-terminal";
    return outcome;
  }
  outcome.started =
      sbtest::startEngine("terminal:true,\nwindow_horizontal_chars:" + std::to_string(COLUMNS) +
                          ",\nwindow_vertical_chars:" + std::to_string(ROWS) +
                          ",\nwindow_horizontal_pixels:400,\nwindow_vertical_pixels:300,\n");
  if (outcome.started == 0 && !sb::DisplayManager::getInstance().isTerminal())
    outcome.failure = "no terminal";
  sb::WorldManager &world_manager = sb::WorldManager::getInstance();
  std::mt19937 random(43);
  for (int frame = 0; frame < 60 && outcome.started == 0 && outcome.failure.empty(); frame++) {
    world_manager.setBoundary(sb::Box(sb::Vector(-20, -20), COLUMNS + 40, ROWS + 40));
    std::vector<sb::Object *> objects;
    int count = 1 + static_cast<int>(random() % 700);
    for (int i = 0; i < count; i++) objects.push_back(makeObject(random, frame % 2 == 0));
    if (frame % 2 == 1) addBurst(random, objects);
    if (frame % 3 == 0) objects.push_back(new sb::ViewObject);
    float dx = std::uniform_real_distribution<float>(-4, 4)(random);
    float dy = std::uniform_real_distribution<float>(-4, 4)(random);
    world_manager.setView(sb::Box(sb::Vector(dx, dy), COLUMNS, ROWS));
    std::vector<std::uint64_t> blank = cells();
    world_manager.draw();
    std::vector<std::uint64_t> in_runs = cells();
    sb::DisplayManager::getInstance().swapBuffers();  // blanks the cells
    pty.drain();
    drawOneByOne(objects);
    std::vector<std::uint64_t> one_by_one = cells();
    sb::DisplayManager::getInstance().swapBuffers();
    pty.drain();
    for (std::size_t i = 0; i < in_runs.size(); i++) {
      outcome.drawn += in_runs[i] != blank[i];
      if (in_runs[i] != one_by_one[i] && outcome.failure.empty())
        outcome.failure = "frame " + std::to_string(frame) + ", cell " +
                          std::to_string(i % COLUMNS) + "," + std::to_string(i / COLUMNS) + ": " +
                          std::to_string(in_runs[i]) + " in runs, " +
                          std::to_string(one_by_one[i]) + " one by one";
    }
    for (sb::Object *p_o : objects) delete p_o;
  }
  sb::GameManager::getInstance().shutDown();
  return outcome;
}

}  // namespace

TEST(TerminalDrawRuns, EveryFrameHasTheCellsOfDrawingObjectByObject) {
  Outcome outcome = drawFrames();
  EXPECT_EQ(outcome.started, 0) << sbtest::readLog();
  EXPECT_EQ(outcome.failure, "");
  EXPECT_GT(outcome.drawn, 60 * COLUMNS * ROWS / 4);
}
