// Pingle: a benchmark of the Sorbelane engine. Adds load every step until the
// engine can no longer keep its frame time and prints the load it carried.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "Config.h"
#include "Fraps.h"
#include "GameManager.h"
#include "LogManager.h"
#include "Replay.h"

#include "Pingler.h"
#include "Report.h"

namespace {

// An option's integer value; 0 for an absent, empty or non-numeric value
// unless a default is given for the first two.
int readOption(const char *key, int fallback) {
  std::string value = sb::Config::getInstance().match(key);
  return value.empty() ? fallback : static_cast<int>(strtol(value.c_str(), nullptr, 10));
}

// Logs a fatal option error, also on standard error, and stops the engine.
int optionError(const char *message, int value) {
  sb::LogManager::getInstance().writeLog("main(): Error! %s (is %d).", message, value);
  fprintf(stderr, "pingle: %s (is %d).\n", message, value);
  sb::GameManager::getInstance().shutDown();
  return 1;
}

// Logs that a file named in the options cannot be used, also on standard
// error, and stops the engine.
int fileError(const char *message, const std::string &file) {
  sb::LogManager::getInstance().writeLog("main(): Error! %s '%s'.", message, file.c_str());
  fprintf(stderr, "pingle: %s '%s'.\n", message, file.c_str());
  sb::GameManager::getInstance().shutDown();
  return 1;
}

// The keys a run reads, in the order it reads them.
const char *const kOptionKeys[] = {
    "particle", "balls-per-step", "iteration-max", "starting-balls", "run-time", "fraps", "report",
    "burst", "burst-spread", "speed", "speed-spread", "size", "size-spread", "age", "age-spread",
    "opacity", "opacity-spread", "color-r", "color-g", "color-b", "color-spread", "direction-x",
    "direction-y", "direction-spread", "position-spread", "frame_time", "random_seed", "headless",
    "terminal"};

// What the report says of the run, taken before the engine stops.
void fillReport(Report &report, bool particle, const Pingler &pingler) {
  sb::Config &config = sb::Config::getInstance();
  report.particle = particle;
  std::string burst = config.match("burst");
  report.burst = particle && !burst.empty() ? static_cast<int>(strtol(burst.c_str(), nullptr, 10)) : 1;
  report.pinglemark = pingler.getPingleMark();
  report.configuration = config.getConfig();
  for (const char *key : kOptionKeys) {
    std::string value = config.match(key);
    if (!value.empty()) report.options.emplace_back(key, value);
  }
  report.iterations = pingler.getResults();
}

}  // namespace

int main() {
  printf("Pingle - a Sorbelane Benchmark (v%.1f)\n", kPingleVersion);
  fflush(stdout);

  sb::LogManager &log_manager = sb::LogManager::getInstance();
  sb::GameManager &game_manager = sb::GameManager::getInstance();
  log_manager.setLogLevel(1);
  for (const char *key :
       {"particle", "balls-per-step", "starting-balls", "iteration-max", "run-time", "fraps",
        "burst", "burst-spread", "speed", "speed-spread", "size", "size-spread", "age",
        "age-spread", "opacity", "opacity-spread", "color-r", "color-g", "color-b",
        "color-spread", "direction-x", "direction-y", "direction-spread", "position-spread"})
    sb::Config::getInstance().addKey(key);
  if (game_manager.startUp() != 0) {
    log_manager.writeLog("Error starting game manager!");
    game_manager.shutDown();
    return 1;
  }

  sb::Config &config = sb::Config::getInstance();
  bool particle = config.match("particle") == "true";
  log_manager.writeLog("PINGLE: Type of test: %s", particle ? "Particle" : "Object");
  int balls_per_step = readOption("balls-per-step", 1);
  log_manager.writeLog("PINGLE: Balls per step: %d", balls_per_step);
  int iteration_max = readOption("iteration-max", 3);
  log_manager.writeLog("PINGLE: Iteration max: %d", iteration_max);
  int starting_balls = readOption("starting-balls", 0);
  log_manager.writeLog("PINGLE: Starting balls: %d", starting_balls);
  int run_time = readOption("run-time", 0);
  if (run_time != 0) log_manager.writeLog("PINGLE: Run time (frames): %d", run_time);

  // Either would never end the run: no iteration count is ever reached, and a
  // negative run time neither ends an iteration nor lets the median end it.
  if (iteration_max < 1) return optionError("iteration-max must be 1 or more", iteration_max);
  if (run_time < 0) return optionError("run-time must be 0 or more", run_time);
  // A report that cannot be written is known before the run, not after it.
  std::string report_file = config.match("report");
  if (!report_file.empty() && !Report::writable(report_file))
    return fileError("cannot write the report file", report_file);
  Report report;

  Pingler *p_pingler =
      new Pingler(particle, balls_per_step, starting_balls, run_time, iteration_max);
  if (config.match("fraps") == "true") new sb::Fraps(false);

  game_manager.run();

  int pinglemark = p_pingler->getPingleMark();
  if (!report_file.empty()) fillReport(report, particle, *p_pingler);
  game_manager.shutDown();
  printf("** %s pinglemark (average of %d %s): %d **\n", particle ? "Particles" : "Objects",
         iteration_max, iteration_max > 1 ? "iterations" : "iteration", pinglemark);
  if (!report_file.empty() && report.write(report_file) != 0) {
    fflush(stdout);
    fprintf(stderr, "pingle: cannot write the report file '%s'.\n", report_file.c_str());
    return 1;
  }
  return sb::Replay::getInstance().getExitStatus();
}
