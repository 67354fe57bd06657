// The world update and drawing walk the scene graph's lists in place. Objects
// that re-file other objects while they are moved or drawn (deactivating,
// hiding, re-layering, creating them) must still be visited exactly as the
// lists stood when each walk began.
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "Object.h"
#include "WorldManager.h"
#include "support/TestEngine.h"

namespace {

class WallWalker;
std::vector<const sb::Object *> visits;       // every object moved, then every object drawn
std::vector<const sb::Object *> expected;     // the lists as they stood when each walk began
std::vector<WallWalker *> walkers;
bool moving = false;

// Expects the next visits to follow list, in order, as it stands now.
void expectWalkOf(const sb::ObjectList &list) {
  for (int i = 0; i < list.getCount(); i++) expected.push_back(list[i]);
}

class WallWalker : public sb::Object {
 public:
  WallWalker() {
    sb::Object::setPosition(
        sb::Vector(static_cast<float>(rand() % 70 + 5), static_cast<float>(rand() % 20 + 2)));
    setSolidness(sb::SPECTRAL);
    setAltitude(rand() % (sb::MAX_ALTITUDE + 1));
    walkers.push_back(this);
  }
  ~WallWalker() override {
    for (WallWalker *&p : walkers)
      if (p == this) p = nullptr;
  }

  int setPosition(sb::Vector where) override {
    if (moving) {
      if (visits.size() == expected.size())
        expectWalkOf(sb::WorldManager::getInstance().getSceneGraph().activeList());
      visits.push_back(this);
      refileSomeone();
    }
    return sb::Object::setPosition(where);
  }

  int draw() override {
    // The first drawing of a layer: its walk began just now, and this object,
    // first in the layer, is still at that altitude.
    if (visits.size() == expected.size())
      expectWalkOf(sb::WorldManager::getInstance().getSceneGraph().visibleList(getAltitude()));
    visits.push_back(this);
    refileSomeone();
    return 0;
  }

 private:
  static void refileSomeone() {
    WallWalker *p_other = walkers[static_cast<size_t>(rand()) % walkers.size()];
    if (!p_other) return;
    switch (rand() % 6) {
      case 0: p_other->setActive(!p_other->isActive()); break;
      case 1: p_other->setVisible(!p_other->isVisible()); break;
      case 2: p_other->setAltitude(rand() % (sb::MAX_ALTITUDE + 1)); break;
      case 3: new WallWalker; break;
      case 4: sb::WorldManager::getInstance().markForDelete(p_other); break;
      default: break;
    }
  }
};

TEST(WorldWalks, ObjectsRefiledDuringAWalkLeaveItAsItBegan) {
  ASSERT_EQ(sbtest::startEngine("headless:true,\n"), 0);
  sb::WorldManager &world = sb::WorldManager::getInstance();
  world.setView(sb::Box(sb::Vector(0, 0), 80, 24));
  for (unsigned seed = 1; seed <= 20; seed++) {
    srand(seed);
    for (int i = 0; i < 60; i++) (new WallWalker)->setVelocity(sb::Vector(0.01f, 0));
    for (int step = 0; step < 5; step++) {
      visits.clear();
      expected.clear();
      moving = true;
      world.update();
      moving = false;
      world.draw();
      ASSERT_EQ(visits, expected) << "seed " << seed << ", step " << step;
      // Walkers made during the update start still; give them a velocity.
      for (WallWalker *p : walkers)
        if (p) p->setVelocity(sb::Vector(0.01f, 0));
    }
    world.markForDelete(world.getAllObjects(true));
    world.update();
    walkers.clear();
  }
}

}  // namespace
