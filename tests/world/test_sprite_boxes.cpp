// Objects with sprites collide by their sprite boxes, in both scene graphs.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "EventCollision.h"
#include "GameManager.h"
#include "Object.h"
#include "ResourceManager.h"
#include "WorldManager.h"
#include "support/TestEngine.h"

namespace {

using sb::Vector;

// A 5 x 3 sprite of one frame.
const char *const BOXED_BLOCK =
    "<HEADER>\nframes 1\nwidth 5\nheight 3\n</HEADER>\n<BODY>\n#####\n#   #\n#####\nend\n"
    "</BODY>\n<FOOTER>\nversion 1\n</FOOTER>\n";

class Block : public sb::Object {
 public:
  int collisions = 0;
  Block(Vector where, bool with_sprite) {
    if (with_sprite) setSprite("block");
    setPosition(where);
  }
  int eventHandler(const sb::Event *p_e) override {
    if (p_e->getType() == sb::COLLISION_EVENT) collisions++;
    return 1;
  }
};

using sbtest::contains;

TEST(SpriteBoxes, FiveByThreeSpritesCollideWhereTheirBoxesMeet) {
  ASSERT_EQ(sbtest::startEngine("headless:true,\n"), 0);
  std::istringstream in(BOXED_BLOCK);
  ASSERT_EQ(sb::ResourceManager::getInstance().loadSprite(in, "block"), 0);
  sb::WorldManager &world = sb::WorldManager::getInstance();
  Block *p_a = new Block(Vector(30, 12), true);
  Block *p_b = new Block(Vector(60, 12), true);
  EXPECT_EQ(p_a->getBox(), sb::Box(Vector(-2.5f, -1.5f), 5, 3));

  // Boxes of 5 x 3 meet, edges included, when the centres are at most 5
  // apart across and 3 apart down.
  const float cases[][3] = {{0, 0, 1},    {5, 0, 1},     {-5, 0, 1},     {5.25f, 0, 0},
                            {0, 3, 1},    {0, -3.25f, 0}, {4.5f, 2.5f, 1}, {4.5f, -3.5f, 0}};
  for (const auto &c : cases)
    EXPECT_EQ(contains(world.getCollisions(p_b, Vector(30 + c[0], 12 + c[1])), p_a), c[2] == 1)
        << c[0] << "," << c[1];

  // Moving through the world update: B runs into A when the sprite edges
  // touch, 5 cells from A's centre, far before the centres would meet.
  p_b->setVelocity(Vector(-1, 0));
  int updates = 0;
  while (p_b->collisions == 0 && updates < 40) {
    world.update();
    updates++;
  }
  EXPECT_EQ(p_b->collisions, 1);
  EXPECT_EQ(p_a->collisions, 1);
  EXPECT_EQ(updates, 25);  // from 60 the move to 35 is the first that touches
  EXPECT_EQ(p_b->getPosition(), Vector(36, 12));  // hard against hard: the move is refused

  // Without sprites the boxes are one cell: four cells apart is no collision.
  Block *p_c = new Block(Vector(30, 20), false);
  Block *p_d = new Block(Vector(50, 20), false);
  EXPECT_TRUE(world.getCollisions(p_d, Vector(34, 20)).isEmpty());
  EXPECT_TRUE(contains(world.getCollisions(p_d, Vector(30.5f, 20)), p_c));
  sb::GameManager::getInstance().shutDown();
}

}  // namespace
