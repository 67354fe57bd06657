#include "Pingler.h"

#include <algorithm>
#include <cstdlib>
#include <string>

#include "Config.h"
#include "DisplayManager.h"
#include "GameManager.h"
#include "LogManager.h"
#include "ObjectList.h"
#include "ParticleTypes.h"
#include "TerminalDisplay.h"
#include "WorldManager.h"
#include "utility.h"

#include "Ball.h"

int Pingler::tally = 0;

namespace {

const std::string kBallType = "ball";
const std::string kParticleType = "Particle";

// Option lookups: an absent or empty value keeps the default.
long readInt(const std::string &key, long fallback) {
  std::string value = sb::Config::getInstance().match(key);
  return value.empty() ? fallback : strtol(value.c_str(), nullptr, 10);
}

float readFloat(const std::string &key, float fallback) {
  std::string value = sb::Config::getInstance().match(key);
  return value.empty() ? fallback : static_cast<float>(strtod(value.c_str(), nullptr));
}

}  // namespace

Pingler::Pingler(bool particle, int balls_per_step, int starting_balls, int run_time,
                 int iteration_max)
    : step(0),
      frame_index(0),
      iteration(0),
      start_step(sb::GameManager::getInstance().getStepCount() - 1),
      pinglemark(0),
      particle(particle),
      balls_per_step(balls_per_step),
      starting_balls(starting_balls),
      run_time(run_time),
      iteration_max(iteration_max) {
  setSolidness(sb::SPECTRAL);
  registerInterest(sb::STEP_EVENT);
  clearRing();
  createBalls(starting_balls);
  step = 0;
  if (run_time > 0) current.step_us.reserve(static_cast<std::size_t>(run_time) + 1);
}

void Pingler::clearRing() {
  std::fill(frame_times, frame_times + kWindow, 0);
  frame_index = 0;
}

int Pingler::eventHandler(const sb::Event *p_e) {
  if (p_e->typeRef() != sb::STEP_EVENT) return 0;
  int game_step = sb::GameManager::getInstance().getStepCount();
  if (game_step < start_step) return 0;
  beginStep(game_step);
  recordStep(clock.delta());
  return 1;
}

void Pingler::beginStep(int game_step) {
  if (game_step == start_step) {
    clearRing();
    current.step_us.clear();
    createBalls(starting_balls);
    step = 1;
  } else {
    step++;
  }
  createBalls(balls_per_step);
}

void Pingler::recordStep(long long delta_us) {
  sb::LogManager &log_manager = sb::LogManager::getInstance();
  int delta = static_cast<int>(delta_us);
  log_manager.writeLog(5, "Pingler::eventHandler(): Delta is %d.", delta);
  frame_times[frame_index] = delta;
  frame_index = (frame_index + 1) % kWindow;
  current.step_us.push_back(delta);

  int median_ms = medianMs();
  // The particle test has no balls: no need to walk its particles to count none.
  int balls = particle ? 0 : sb::WorldManager::getInstance().objectsOfType(kBallType).getCount();
  log_manager.writeLog("PINGLE: Balls %d. Step %d - %ld of %.0f msec ( median %d )", balls, step,
                       static_cast<long>(delta / 1000), kThresholdMs, median_ms);

  bool done = run_time == 0 ? static_cast<double>(median_ms) >= kThresholdMs : step > run_time;
  if (done) stopPingle();
}

int Pingler::medianMs() const {
  int sorted[kWindow];
  std::copy(frame_times, frame_times + kWindow, sorted);
  std::nth_element(sorted, sorted + kMedianRank, sorted + kWindow);
  return sorted[kMedianRank] / 1000;
}

void Pingler::createBalls(int count) {
  for (int i = 0; i < count; i++) {
    if (particle)
      particleBurst();
    else
      new Ball;
  }
}

void Pingler::particleBurst() {
  // The keys are looked up for every burst; the lookups are part of the
  // particle test's measured work.
  int count = readInt("burst", 50);
  int count_spread = readInt("burst-spread", 0);
  float speed = readFloat("speed", 0.01f);
  float speed_spread = readFloat("speed-spread", 0);
  float size = readFloat("size", 1.0f);
  float size_spread = readFloat("size-spread", 0);
  float age = readInt("age", 100000);
  int age_spread = readInt("age-spread", 0);
  auto opacity = static_cast<unsigned char>(readInt("opacity", 255));
  auto opacity_spread = static_cast<char>(readInt("opacity-spread", 0));
  auto r = static_cast<unsigned char>(readInt("color-r", 255));
  auto g = static_cast<unsigned char>(readInt("color-g", 255));
  auto b = static_cast<unsigned char>(readInt("color-b", 255));
  auto color_spread = static_cast<unsigned char>(readInt("color-spread", 0));
  float direction_x = readFloat("direction-x", 0);
  float direction_y = readFloat("direction-y", 0);
  float direction_spread = readFloat("direction-spread", 0);
  float position_spread = readFloat("position-spread", 0);

  sb::DisplayManager &display = sb::DisplayManager::getInstance();
  sb::Vector center(display.getHorizontal() * 0.5f, display.getVertical() * 0.5f);
  sb::addParticles(count, count_spread, center, position_spread,
                   sb::Vector(direction_x, direction_y), direction_spread, size, size_spread, speed,
                   speed_spread, static_cast<int>(age), age_spread, opacity, opacity_spread, r, g,
                   b, color_spread, sb::PARTICLE);
}

void Pingler::startPingle() {
  clearRing();
  createBalls(starting_balls);
  step = 0;
}

void Pingler::stopPingle() {
  sb::LogManager &log_manager = sb::LogManager::getInstance();
  iteration++;
  int credited = starting_balls + balls_per_step * (step - kCreditLag);
  tally += credited;
  log_manager.writeLog("PINGLE: Iteration %d - balls: %d", iteration, credited);
  current.credited = credited;
  current.steps = step;
  results.push_back(current);
  current.step_us.clear();
  // In a terminal, what showing the full world cost: the bytes of the last frame.
  if (const sb::TerminalDisplay *p_terminal = sb::DisplayManager::getInstance().getTerminal())
    log_manager.writeLog("PINGLE: Terminal bytes in the last frame: %lld",
                         p_terminal->getLastFrameBytes());

  if (iteration == iteration_max) {
    pinglemark = tally / iteration;
    if (particle) {
      std::string burst = sb::Config::getInstance().match("burst");
      if (!burst.empty()) pinglemark *= strtol(burst.c_str(), nullptr, 10);
    }
    log_manager.writeLog("PINGLE: Average max %s: %d", particle ? "particles" : "objects",
                         pinglemark);
    sb::GameManager::getInstance().setGameOver(true);
    return;
  }

  sb::WorldManager &world = sb::WorldManager::getInstance();
  sb::ObjectList objects = world.getAllObjects(false);
  for (int i = 0; i < objects.getCount(); i++) {
    const std::string &type = objects[i]->typeRef();
    if (type == kBallType || type == kParticleType) world.markForDelete(objects[i]);
  }
  start_step = sb::GameManager::getInstance().getStepCount() + 1;
}
