// Geometry values and the boundary rules of every intersection and
// containment test, view conversion and the contact normal.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "Box.h"
#include "Circle.h"
#include "Line.h"
#include "LogManager.h"
#include "Object.h"
#include "Vector.h"
#include "WorldManager.h"
#include "utility.h"
#include "support/CoreChecks.h"
#include "support/TestEngine.h"

namespace {

using sb::Box;
using sb::Circle;
using sb::Line;
using sb::Vector;

TEST(Geometry, VectorOperations) {
  Vector zero;
  zero.normalize();
  EXPECT_EQ(zero, Vector(0, 0));
  EXPECT_TRUE(!zero);

  Vector v(3, 4);
  EXPECT_FLOAT_EQ(v.getMagnitude(), 5.0f);
  v.normalize();
  EXPECT_FLOAT_EQ(v.getX(), 0.6f);
  EXPECT_FLOAT_EQ(v.getY(), 0.8f);
  EXPECT_FALSE(!v);

  Vector neg(-6, 8);
  neg.normalize();
  EXPECT_FLOAT_EQ(neg.getX(), -0.6f);
  EXPECT_FLOAT_EQ(neg.getY(), 0.8f);

  Vector s(1.5f, -2);
  s.scale(2);
  EXPECT_EQ(s, Vector(3, -4));
  Vector sum = Vector(1, 2) + Vector(3, 4);
  EXPECT_EQ(sum, Vector(4, 6));
  EXPECT_EQ(Vector(1, 2) - Vector(3, 5), Vector(-2, -3));
  Vector acc(1, 1);
  (acc += Vector(1, 2)) += Vector(1, 0);
  EXPECT_EQ(acc, Vector(3, 3));

  EXPECT_TRUE(Vector(0.1f, 0.2f) == Vector(0.1f, 0.2f));
  float next = std::nextafter(0.2f, 1.0f);
  EXPECT_FALSE(Vector(0.1f, 0.2f) == Vector(0.1f, next));
  EXPECT_TRUE(Vector(0.1f, 0.2f) != Vector(0.1f, next));
  float nan = std::numeric_limits<float>::quiet_NaN();
  EXPECT_FALSE(Vector(nan, 0) == Vector(nan, 0));
  EXPECT_FALSE(!Vector(0, 0.0001f));
}

TEST(Geometry, TextForms) {
  EXPECT_EQ(Vector(3, 4.5f).toString(), "(3,4.5)");
  EXPECT_EQ(Vector(-1, 1.0f / 3.0f).toString(), "(-1,0.333333)");
  EXPECT_EQ(Box(Vector(1, 2), 3, 4).toString(), "(1,2) h: 3 v: 4");
  EXPECT_EQ(Box().toString(), "(0,0) h: 0 v: 0");
  EXPECT_EQ(Line(Vector(0, 0), Vector(5, 5)).toString(), "[(0,0)(5,5)]");
  EXPECT_EQ(Circle(Vector(2, 2), 1.5f).toString(), "(2,2) r: 1.5");
  EXPECT_EQ(Circle().toString(), "(0,0) r: 0");
}

TEST(Geometry, BoxBoundaries) {
  Box a(Vector(0, 0), 2, 2);
  EXPECT_TRUE(sb::boxIntersectsBox(a, Box(Vector(2, 0), 2, 2)));     // shared edge
  EXPECT_FALSE(sb::boxIntersectsBox(a, Box(Vector(2.01f, 0), 2, 2)));
  EXPECT_TRUE(sb::boxIntersectsBox(a, Box(Vector(2, 2), 1, 1)));     // shared corner
  EXPECT_TRUE(sb::boxIntersectsBox(a, Box(Vector(-1, -1), 1, 1)));
  EXPECT_FALSE(sb::boxIntersectsBox(a, Box(Vector(0, 2.01f), 2, 2)));
  EXPECT_TRUE(sb::boxIntersectsBox(a, Box(Vector(-1, 0.5f), 5, 1)));  // crossing, no corner in
  EXPECT_TRUE(sb::boxIntersectsBox(Box(Vector(-1, 0.5f), 5, 1), a));
  EXPECT_TRUE(sb::boxIntersectsBox(a, Box(Vector(1, 1), 0, 0)));     // a point inside
  EXPECT_TRUE(sb::boxIntersectsBox(Box(Vector(1, 1), 0, 0), a));
  EXPECT_TRUE(sb::boxIntersectsBox(a, Box(Vector(2, 2), 0, 0)));     // a point on the corner
  EXPECT_FALSE(sb::boxIntersectsBox(a, Box(Vector(3, 1), 0, 0)));

  Box b(Vector(0, 0), 2, 3);
  EXPECT_TRUE(sb::boxContainsPosition(b, Vector(2, 3)));
  EXPECT_TRUE(sb::boxContainsPosition(b, Vector(0, 0)));
  EXPECT_FALSE(sb::boxContainsPosition(b, Vector(2.5f, 3)));
  EXPECT_FALSE(sb::boxContainsPosition(b, Vector(1, -0.01f)));

  EXPECT_TRUE(sb::boxContainsBox(b, b));
  EXPECT_TRUE(sb::boxContainsBox(b, Box(Vector(0.5f, 0.5f), 1, 1)));
  EXPECT_FALSE(sb::boxContainsBox(b, Box(Vector(1, 1), 2, 1)));   // far corner outside
  EXPECT_FALSE(sb::boxContainsBox(b, Box(Vector(-1, 1), 1, 1)));  // near corner outside
  EXPECT_FALSE(sb::boxContainsBox(Box(Vector(0.5f, 0.5f), 1, 1), b));

  EXPECT_TRUE(sb::valueInRange(1, 1, 2));
  EXPECT_TRUE(sb::valueInRange(2, 1, 2));
  EXPECT_FALSE(sb::valueInRange(2.001f, 1, 2));
  EXPECT_FALSE(sb::valueInRange(0.999f, 1, 2));
}

TEST(Geometry, LineBoundaries) {
  // Collinear overlapping segments never intersect; meeting ends do.
  EXPECT_FALSE(sb::lineIntersectsLine(Line(Vector(0, 0), Vector(2, 0)),
                                      Line(Vector(1, 0), Vector(3, 0))));
  EXPECT_TRUE(sb::lineIntersectsLine(Line(Vector(0, 0), Vector(2, 2)),
                                     Line(Vector(2, 2), Vector(4, 0))));
  EXPECT_TRUE(sb::lineIntersectsLine(Line(Vector(0, 0), Vector(2, 2)),
                                     Line(Vector(0, 2), Vector(2, 0))));
  EXPECT_FALSE(sb::lineIntersectsLine(Line(Vector(0, 0), Vector(1, 1)),
                                      Line(Vector(0, 2), Vector(2, 1.5f))));
  EXPECT_FALSE(sb::lineIntersectsLine(Line(Vector(0, 0), Vector(0, 2)),
                                      Line(Vector(1, 0), Vector(1, 2))));  // parallel
  // A T-junction: B's end lies on A.
  EXPECT_TRUE(sb::lineIntersectsLine(Line(Vector(0, 0), Vector(4, 0)),
                                     Line(Vector(2, 0), Vector(2, 3))));

  Box box(Vector(0, 0), 4, 4);
  EXPECT_TRUE(sb::lineIntersectsBox(Line(Vector(1, 1), Vector(3, 2)), box));  // inside
  EXPECT_FALSE(sb::lineIntersectsBox(Line(Vector(5, 0), Vector(5, 4)), box));  // beside
  EXPECT_TRUE(sb::lineIntersectsBox(Line(Vector(-1, 2), Vector(5, 2)), box));  // through
  EXPECT_TRUE(sb::lineIntersectsBox(Line(Vector(2, 2), Vector(9, 9)), box));   // one end in
  EXPECT_TRUE(sb::lineIntersectsBox(Line(Vector(-2, 6), Vector(6, -2)), box)); // corner cut
  // Running along an edge is collinear with it, but crosses the two edges it meets.
  EXPECT_TRUE(sb::lineIntersectsBox(Line(Vector(-1, 0), Vector(5, 0)), box));
}

TEST(Geometry, CircleTouchesCornersOnly) {
  Box box(Vector(-0.5f, -0.5f), 10, 10);
  EXPECT_TRUE(sb::circleIntersectsBox(Circle(Vector(0, 0), 1), box));
  EXPECT_FALSE(sb::circleIntersectsBox(Circle(Vector(5, 5), 1), box));  // wholly inside
  // A corner at exactly the radius does not count.
  EXPECT_FALSE(sb::circleIntersectsBox(Circle(Vector(0, -2), 2), Box(Vector(0, 0), 1, 1)));
  EXPECT_TRUE(sb::circleIntersectsBox(Circle(Vector(0, -2), 2.001f), Box(Vector(0, 0), 1, 1)));
  // Crossing an edge without covering a corner.
  EXPECT_FALSE(sb::circleIntersectsBox(Circle(Vector(5, -1), 2), box));
  // The bottom-right corner alone.
  EXPECT_TRUE(sb::circleIntersectsBox(Circle(Vector(10, 10), 1), box));

  EXPECT_FLOAT_EQ(sb::distance(Vector(0, 0), Vector(3, 4)), 5.0f);
  EXPECT_FLOAT_EQ(sb::distance(Vector(-1, -1), Vector(-1, -1)), 0.0f);
}

TEST(Geometry, ObjectDistanceWorldBoxAndView) {
  ASSERT_EQ(sbtest::startEngine("headless:true,\n"), 0);
  sb::Object *a = new sb::Object;
  sb::Object *b = new sb::Object;
  a->setPosition(Vector(1, 1));
  b->setPosition(Vector(4, 5));
  EXPECT_FLOAT_EQ(sb::distance(a, b), 5.0f);
  EXPECT_FLOAT_EQ(sb::distance(nullptr, b), -1.0f);
  EXPECT_FLOAT_EQ(sb::distance(a, nullptr), -1.0f);

  EXPECT_EQ(sb::getWorldBox(b), Box(Vector(3.5f, 4.5f), 0.99f, 0.99f));
  EXPECT_EQ(sb::getWorldBox(b, Vector(10, 20)), Box(Vector(9.5f, 19.5f), 0.99f, 0.99f));
  b->setBox(Box(Vector(1, 2), 3, 4));
  EXPECT_EQ(sb::getWorldBox(b), Box(Vector(5, 7), 3, 4));

  sb::WorldManager::getInstance().setView(Box(Vector(10, 5), 40, 12));
  EXPECT_EQ(sb::worldToView(Vector(12, 7)), Vector(2, 2));
  EXPECT_EQ(sb::viewToWorld(Vector(2, 2)), Vector(12, 7));
  sb::WorldManager::getInstance().setView(Box(Vector(-3, 0), 40, 12));
  EXPECT_EQ(sb::worldToView(Vector(0, 0)), Vector(3, 0));
  EXPECT_EQ(sb::viewToWorld(Vector(0, 0)), Vector(-3, 0));
}

TEST(Geometry, NormalOfContactSide) {
  ASSERT_EQ(sbtest::startEngine("headless:true,\n"), 0);
  sb::Object *wall = new sb::Object;
  wall->setPosition(Vector(10, 5));

  // Coming from the left on the same rows.
  sb::Object *left = new sb::Object;
  left->setPosition(Vector(8, 5));
  left->setVelocity(Vector(1, 0));
  EXPECT_EQ(sb::getNormal(left, wall), Vector(-1, 0));

  // Coming down from above.
  sb::Object *above = new sb::Object;
  above->setPosition(Vector(10, 2));
  above->setVelocity(Vector(0, 1));
  EXPECT_EQ(sb::getNormal(above, wall), Vector(0, -1));

  // Coming up from below, and from the right.
  sb::Object *below = new sb::Object;
  below->setPosition(Vector(10, 8));
  below->setVelocity(Vector(0, -1));
  EXPECT_EQ(sb::getNormal(below, wall), Vector(0, 1));
  sb::Object *right = new sb::Object;
  right->setPosition(Vector(12, 5));
  right->setVelocity(Vector(-1, 0));
  EXPECT_EQ(sb::getNormal(right, wall), Vector(1, 0));

  // Standing diagonally next to it, touching only the upper-left neighbour box.
  sb::Object *corner = new sb::Object;
  corner->setPosition(Vector(8.5f, 3.5f));
  Vector n = sb::getNormal(corner, wall);
  EXPECT_EQ(n, Vector(-1, -1));
  EXPECT_FLOAT_EQ(n.getMagnitude(), std::sqrt(2.0f));

  // Far away: nothing matches.
  sb::Object *far = new sb::Object;
  far->setPosition(Vector(30, 20));
  std::string before = sbtest::readLog();
  EXPECT_EQ(sb::getNormal(far, wall), Vector(0, 0));
  EXPECT_TRUE(sbtest::hasMessage(sbtest::readLog().substr(before.size()),
                                 "getNormal(): collision not detected. Returning (0,0)."));
  // The velocity used for the search is a copy.
  EXPECT_EQ(left->getVelocity(), Vector(1, 0));
  EXPECT_EQ(left->getPosition(), Vector(8, 5));
}

}  // namespace
