// Deleting many plain particles at once takes them out of the lists in one
// pass. Seeded worlds mix them with objects whose deletion must go one by one
// (other particles, objects with destructors of their own); every list, the
// step row and what each destructor sees must be as if all went one by one.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <set>
#include <vector>

#include "EventStep.h"
#include "Firework.h"
#include "GameManager.h"
#include "Particle.h"
#include "WorldManager.h"
#include "support/TestEngine.h"

namespace {

std::vector<const sb::Object *> marked_order;  // the order of deletion
std::vector<int> step_order;                     // serials of the watchers that got a step
int mismatched_views = 0;

std::vector<const sb::Object *> listed(const sb::ObjectList &list) {
  std::vector<const sb::Object *> result;
  for (int i = 0; i < list.getCount(); i++) result.push_back(list[i]);
  return result;
}

// The objects of before, in order, that are not in gone.
std::vector<const sb::Object *> without(const std::vector<const sb::Object *> &before,
                                        const std::set<const sb::Object *> &gone) {
  std::vector<const sb::Object *> result;
  for (const sb::Object *p : before)
    if (!gone.count(p)) result.push_back(p);
  return result;
}

// Gets step events, and when deleted checks that the world lists exactly the
// objects not deleted before it.
class DeletionWatcher : public sb::Object {
 public:
  int serial;
  std::vector<const sb::Object *> active_at_start;
  explicit DeletionWatcher(int serial_number) : serial(serial_number) {
    setSolidness(sb::SPECTRAL);
    registerInterest(sb::STEP_EVENT);
  }
  ~DeletionWatcher() override {
    auto me = std::find(marked_order.begin(), marked_order.end(), this);
    if (me == marked_order.end()) return;  // the clean-up of the world
    std::set<const sb::Object *> gone(marked_order.begin(), me);
    if (listed(sb::WorldManager::getInstance().getSceneGraph().activeList()) !=
        without(active_at_start, gone))
      mismatched_views++;
  }
  int eventHandler(const sb::Event *p_e) override {
    if (p_e->getKind() == sb::EVENT_STEP) step_order.push_back(serial);
    return 1;
  }
};

sb::Object *makeOne(int kind, int serial) {
  sb::Particle *p = nullptr;
  switch (kind) {
    case 0: return new DeletionWatcher(serial);
    case 1: return new sb::Firework(1, 1000, 255, 1, 2, 3);
    default: p = new sb::Particle(1, 1000, 255, 1, 2, 3); break;
  }
  if (kind == 3) p->setVisible(false);
  if (kind == 4) p->registerInterest("batch-test");  // interests beyond steps: one by one
  if (kind == 5) p->setActive(false);
  return p;
}

TEST(BatchDeletion, ManyParticlesGoAsIfOneByOne) {
  ASSERT_EQ(sbtest::startEngine("headless:true,\n"), 0);
  sb::WorldManager &world = sb::WorldManager::getInstance();
  sb::SceneGraph &graph = world.getSceneGraph();
  for (unsigned seed = 1; seed <= 12; seed++) {
    srand(seed);
    std::vector<sb::Object *> made;
    for (int i = 0; i < 400; i++) {
      int kind = rand() % 10 < 7 ? 2 : rand() % 6;
      made.push_back(makeOne(kind, i));
    }
    std::vector<const sb::Object *> active = listed(graph.activeList()),
                                     inactive = listed(graph.inactiveList());
    std::vector<std::vector<const sb::Object *>> visible;
    for (int a = 0; a <= sb::MAX_ALTITUDE; a++) visible.push_back(listed(graph.visibleList(a)));
    for (sb::Object *p : made)
      if (DeletionWatcher *w = dynamic_cast<DeletionWatcher *>(p)) w->active_at_start = active;

    // Runs of neighbours marked in order, sometimes with gaps, so that quiet
    // runs of every length come up.
    std::set<const sb::Object *> gone;
    marked_order.clear();
    for (std::size_t i = 0; i < made.size(); i++) {
      if (rand() % 8 == 0) i += static_cast<std::size_t>(rand() % 30);
      if (i >= made.size()) break;
      if (rand() % 10 < 8) {
        world.markForDelete(made[i]);
        gone.insert(made[i]);
        marked_order.push_back(made[i]);
      }
    }
    mismatched_views = 0;
    world.update();
    ASSERT_EQ(mismatched_views, 0) << "seed " << seed;
    ASSERT_EQ(listed(graph.activeList()), without(active, gone)) << "seed " << seed;
    ASSERT_EQ(listed(graph.inactiveList()), without(inactive, gone)) << "seed " << seed;
    for (int a = 0; a <= sb::MAX_ALTITUDE; a++)
      ASSERT_EQ(listed(graph.visibleList(a)), without(visible[static_cast<std::size_t>(a)], gone));

    // The step row: the survivors registered for steps, each once, in order.
    std::vector<int> expected_watchers;
    int expected_steps = 0;
    for (sb::Object *p : made) {
      if (gone.count(p) || !p->isActive()) continue;
      if (DeletionWatcher *w = dynamic_cast<DeletionWatcher *>(p)) expected_watchers.push_back(w->serial);
    }
    // Exploding fireworks leave new particles, also registered; an object
    // registered twice gets the event twice.
    const sb::ObjectList &now_active = graph.activeList();
    for (int i = 0; i < now_active.getCount(); i++)
      for (int k = 0; k < now_active[i]->getEventCount(); k++)
        expected_steps += now_active[i]->getEventName(k) == sb::STEP_EVENT;
    step_order.clear();
    sb::EventStep step(1);
    EXPECT_EQ(sb::GameManager::getInstance().onEvent(&step), expected_steps) << "seed " << seed;
    EXPECT_EQ(step_order, expected_watchers) << "seed " << seed;

    marked_order.clear();
    world.markForDelete(world.getAllObjects(true));
    world.update();
  }
}

}  // namespace
