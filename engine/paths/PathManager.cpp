#include "PathManager.h"

#include <algorithm>

#include "Clock.h"
#include "EventPath.h"
#include "LogManager.h"
#include "LoopState.h"
#include "Object.h"
#include "PathFind.h"

namespace sb {

PathManager::PathManager() : min_cycle_time(0), cycle_count(0) { setType("PathManager"); }

PathManager &PathManager::getInstance() {
  static PathManager path_manager;
  return path_manager;
}

int PathManager::startUp() {
  LogManager &log_manager = LogManager::getInstance();
  if (isStarted()) {
    log_manager.writeLog("PathManager::startup(): already started.");
    return 0;
  }
  min_cycle_time = LoopState::getInstance().getFrameTime() / 10;
  Manager::startUp();
  log_manager.writeLog(5, "PathManager::startUp(): successfully started.");
  return 0;
}

void PathManager::shutDown() {
  Manager::shutDown();
  PathFind::releaseGraphs();
  LogManager::getInstance().writeLog(5, "PathManager::shutDown(): successfully stopped.");
}

int PathManager::registerPathFind(PathFind *p_path_find) {
  if (!p_path_find || isRegistered(p_path_find)) return -1;
  // Without an object there is nobody to hand the result to.
  if (!p_path_find->getObject()) {
    LogManager::getInstance().writeLog(
        "PathManager::registerPathFind(): Error! PathFind has no Object.");
    return -1;
  }
  searches.push_back(p_path_find);
  return 0;
}

int PathManager::unregisterPathFind(PathFind *p_path_find) {
  if (!p_path_find) return -1;
  auto last = std::remove(searches.begin(), searches.end(), p_path_find);
  if (last == searches.end()) return -1;
  searches.erase(last, searches.end());
  return 0;
}

bool PathManager::isRegistered(const PathFind *p_path_find) const {
  return std::find(searches.begin(), searches.end(), p_path_find) != searches.end();
}

void PathManager::trackSearch(PathFind *p_path_find) { live.push_back(p_path_find); }

void PathManager::forgetSearch(PathFind *p_path_find) {
  unregisterPathFind(p_path_find);
  auto found = std::find(live.begin(), live.end(), p_path_find);
  if (found != live.end()) live.erase(found);
}

// A search whose target goes on to the target's last known cell; a search
// whose mover goes stops being cycled.
void PathManager::objectGone(const Object *p_o) {
  for (PathFind *p_path_find : live) {
    if (p_path_find->getTargetObject() == p_o) p_path_find->setTargetObject(nullptr);
    if (p_path_find->getObject() == p_o) {
      p_path_find->setObject(nullptr);
      unregisterPathFind(p_path_find);
    }
  }
}

void PathManager::cycle(int budget_ms) {
  static int index = 0;
  int budget = std::max(min_cycle_time, budget_ms);
  // Measured in microseconds so that the cycle ends within one expansion of its budget.
  long long budget_us = static_cast<long long>(budget) * 1000;
  Clock clock;
  long long elapsed = 0;
  std::uint64_t this_cycle = ++cycle_count;
  // A finished search is handed over once per cycle; passes go on while a
  // search is left that this cycle has not delivered.
  auto waiting = [this, this_cycle] {
    return std::any_of(searches.begin(), searches.end(),
                       [this_cycle](const PathFind *p) { return p->getDelivered() != this_cycle; });
  };
  long long work = 0;  // expansions, when the budget is work rather than time
  auto spent = [&] { return step_work > 0 ? work >= step_work : elapsed >= budget_us; };
  while (!searches.empty() && !spent() && waiting()) {
    for (index = 0; index < static_cast<int>(searches.size()); index++) {
      PathFind *p_path_find = searches[index];
      Object *p_o = p_path_find->getObject();
      if (!p_o) {  // game code took the mover away: nobody is left to tell
        searches.erase(searches.begin() + index--);
        continue;
      }
      if (p_path_find->getDelivered() == this_cycle) continue;
      int result = p_path_find->cycleOnce();
      if (result != SEARCHING) {
        p_path_find->setDelivered(this_cycle);
        EventPath event(p_path_find->getPath());
        event.setResult(static_cast<SearchResult>(result));
        event.setSource(p_path_find->getSerial());
        // The handler may drop and delete the search: it is not touched afterwards.
        p_o->eventHandler(&event);
      }
      work++;
      if (step_work == 0) elapsed = clock.split();
      if (spent()) {
        index++;
        break;
      }
    }
  }
  if (elapsed > budget_us)
    LogManager::getInstance().writeLog(5, "PathManager::cycle(): cycle time %d exceeded.", budget);
}

// The members of Object that use path finding live here, above the world.

void Object::dropPathSearches() {
  PathManager &path_manager = PathManager::getInstance();
  if (cold->p_path_find) {
    path_manager.unregisterPathFind(cold->p_path_find);
    delete cold->p_path_find;
    cold->p_path_find = nullptr;
  }
  // Other searches may lead to this object.
  path_manager.objectGone(this);
}

// The base handles only path events: a found path is followed, and the search
// that produced the event is dropped. A search started by a handler before
// it calls this one is left running.
int Object::takePathEvent(const Event *p_e) {
  const EventPath *p_path_event = dynamic_cast<const EventPath *>(p_e);
  if (!p_path_event) {
    LogManager::getInstance().writeLog(
        "Object::eventHandler(): Error! Dynamic cast to EventPath failed.");
    return 0;
  }
  if (p_path_event->getResult() == FOUND) {
    cold->path = p_path_event->getPath();
    setModified(PATH);
    setFollowPath(true);
  }
  unsigned long long source = p_path_event->getSource();
  if (cold->p_path_find && (source == 0 || source == cold->p_path_find->getSerial())) {
    PathManager::getInstance().unregisterPathFind(cold->p_path_find);
    delete cold->p_path_find;
    cold->p_path_find = nullptr;
  }
  return 1;
}

void Object::pathTo(Vector target) {
  PathManager &path_manager = PathManager::getInstance();
  if (cold->p_path_find) {
    path_manager.unregisterPathFind(cold->p_path_find);
    delete cold->p_path_find;
  }
  cold->p_path_find = new PathFind(this, position, target);
  path_manager.registerPathFind(cold->p_path_find);
  if (follow_path) {
    follow_path = false;
    setModified(FOLLOW_PATH);
  }
  avoid_collisions = true;
  setModified(AVOID_COLLISIONS);
}

void Object::pathTo(Object *p_target) {
  if (!p_target) return;
  pathTo(p_target->getPosition());
  if (cold->p_path_find)
    cold->p_path_find->setTargetObject(p_target);
  else
    LogManager::getInstance().writeLog("Object::pathTo(): path find not allocated!");
}

}  // namespace sb
