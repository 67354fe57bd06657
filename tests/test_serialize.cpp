// Objects written as attribute strings and read back: seeded round trips of
// every attribute, deltas of the modified flags, the choice of attributes,
// escaped values, and hostile strings.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cmath>
#include <functional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "AttributeList.h"
#include "LogManager.h"
#include "Object.h"
#include "ResourceManager.h"
#include "ViewObject.h"
#include "WorldManager.h"
#include "support/TestEngine.h"
#include "utility.h"

namespace {

const char *HEADLESS = "headless:true,\n";

// Texts that break a plain attribute string, next to ones that never did.
const char *const TEXTS[] = {"Ball", "a,b", "k:v", " spaced out ", "50%", "%2C", "x:%",
                             "q,pos-x:99,", "tab\there", "::", "%", "(Undefined)"};
const char *const EVENT_NAMES[] = {"sb-step", "boom", "a,b", "k:v", "x y", "50%"};

using sb::Vector;

struct Random {
  std::mt19937 gen;
  explicit Random(unsigned seed) : gen(seed) {}
  int below(int n) { return std::uniform_int_distribution<int>(0, n - 1)(gen); }
  bool coin() { return below(2) == 1; }
  // Eighths print exactly in six digits, so they come back bit for bit.
  float eighths(int range) { return static_cast<float>(below(2 * range * 8 + 1) - range * 8) / 8; }
  Vector vec(int range) { return Vector(eighths(range), eighths(range)); }
  std::string text() { return TEXTS[below(sizeof TEXTS / sizeof *TEXTS)]; }
};

// Sets every attribute of an object to random values.
void randomize(sb::Object *o, Random &r, bool view) {
  o->setId(1 + r.below(1000000));
  o->setActive(r.coin());
  o->setVisible(r.coin());
  std::vector<std::string> events;
  for (int i = 0; i < o->getEventCount(); i++) events.push_back(o->getEventName(i));
  for (const char *name : EVENT_NAMES)
    if (r.below(3) == 0 && std::find(events.begin(), events.end(), name) == events.end())
      o->registerInterest(name);
  o->setBox(sb::Box(r.vec(4), static_cast<float>(r.below(40)) / 8, static_cast<float>(r.below(40)) / 8));
  o->setType(r.text());
  sb::Animation a = o->getAnimation();
  a.setName(r.text());
  a.setIndex(r.below(20) - 5);
  a.setSlowdownCount(r.below(12) - 1);
  o->setAnimation(a, false);
  o->setAltitude(r.below(5));
  o->setSolidness(static_cast<sb::Solidness>(r.below(3)));
  o->setNoSoft(r.coin());
  o->setSpeed(r.eighths(10));
  static const Vector directions[] = {Vector(0, 0), Vector(1, 0), Vector(0, -1), Vector(0.6f, 0.8f),
                                      Vector(-0.8f, -0.6f)};
  o->setDirection(directions[r.below(5)]);
  o->setAcceleration(r.vec(2));
  sb::Shape s;
  s.setType(static_cast<sb::ShapeType>(r.below(4) - 1));
  s.setSize(static_cast<float>(r.below(100)) / 8);
  s.setColor(static_cast<sb::Color>(r.below(9)));
  s.setOpacity(static_cast<unsigned char>(r.below(256)));
  o->setShape(s);
  o->setAvoidCollisions(r.coin());
  if (view) {
    sb::ViewObject *v = static_cast<sb::ViewObject *>(o);
    v->setViewString(r.text());
    static const int values[] = {0, 7, -12, INT_MAX, INT_MIN};
    v->setValue(values[r.below(5)]);
    v->setColor(static_cast<sb::Color>(r.below(9)));
    v->setDrawValue(r.coin());
    int location = r.below(10) - 1;
    v->setBorder(r.coin());
    if (location >= 0)
      v->setLocation(static_cast<sb::ViewObjectLocation>(location));
    else
      v->setPosition(r.vec(50));
  } else {
    o->setPosition(r.vec(100));
  }
  // The node ahead lies level with the object (whose height is exact, also
  // at a view location), so the direction towards it is exact in six digits.
  sb::Path p;
  int nodes = r.below(5);
  int index = nodes > 0 ? r.below(nodes) : 0;
  for (int i = 0; i < nodes; i++) {
    Vector ahead(r.eighths(100), o->getPosition().getY());
    p.addNode(i == index ? ahead : r.vec(100));
  }
  if (nodes > 0) p.setIndex(index);
  o->setPath(p);
  o->setFollowPath(r.coin());
  // Following a path heads for its next node, on both sides of a copy.
  if (o->getFollowPath() && p.getIndex() < p.getCount()) o->moveTo(p.getNode(p.getIndex()));
}

void expectSameVector(Vector a, Vector b, float tolerance, const char *what) {
  EXPECT_NEAR(a.getX(), b.getX(), tolerance) << what;
  EXPECT_NEAR(a.getY(), b.getY(), tolerance) << what;
}

void expectSameObject(const sb::Object *a, const sb::Object *b) {
  EXPECT_EQ(a->getId(), b->getId());
  EXPECT_EQ(a->isActive(), b->isActive());
  EXPECT_EQ(a->isVisible(), b->isVisible());
  ASSERT_EQ(a->getEventCount(), b->getEventCount());
  for (int i = 0; i < a->getEventCount(); i++) EXPECT_EQ(a->getEventName(i), b->getEventName(i));
  EXPECT_TRUE(a->getBox() == b->getBox());
  EXPECT_TRUE(a->getPosition() == b->getPosition());
  EXPECT_EQ(a->getType(), b->getType());
  EXPECT_EQ(a->getAnimation().getName(), b->getAnimation().getName());
  EXPECT_EQ(a->getAnimation().getSprite(), b->getAnimation().getSprite());
  EXPECT_EQ(a->getAnimation().getIndex(), b->getAnimation().getIndex());
  EXPECT_EQ(a->getAnimation().getSlowdownCount(), b->getAnimation().getSlowdownCount());
  EXPECT_EQ(a->getAltitude(), b->getAltitude());
  EXPECT_EQ(a->getSolidness(), b->getSolidness());
  EXPECT_EQ(a->getNoSoft(), b->getNoSoft());
  EXPECT_EQ(a->getSpeed(), b->getSpeed());
  // A direction is made a unit vector again when read, within rounding.
  expectSameVector(a->getDirection(), b->getDirection(), 1e-5f, "direction");
  EXPECT_TRUE(a->getAcceleration() == b->getAcceleration());
  sb::Shape sa = a->getShape(), sb_ = b->getShape();
  EXPECT_EQ(sa.getType(), sb_.getType());
  EXPECT_EQ(sa.getSize(), sb_.getSize());
  EXPECT_EQ(sa.getColor(), sb_.getColor());
  EXPECT_EQ(sa.getOpacity(), sb_.getOpacity());
  sb::Path pa = a->getPath(), pb = b->getPath();
  ASSERT_EQ(pa.getCount(), pb.getCount());
  for (int i = 0; i < pa.getCount(); i++) EXPECT_TRUE(pa.getNode(i) == pb.getNode(i));
  EXPECT_EQ(pa.getIndex(), pb.getIndex());
  EXPECT_EQ(a->getFollowPath(), b->getFollowPath());
  EXPECT_EQ(a->getAvoidCollisions(), b->getAvoidCollisions());
}

void expectSameView(const sb::ViewObject *a, const sb::ViewObject *b) {
  expectSameObject(a, b);
  EXPECT_EQ(a->getViewString(), b->getViewString());
  EXPECT_EQ(a->getValue(), b->getValue());
  EXPECT_EQ(a->getBorder(), b->getBorder());
  EXPECT_EQ(a->getColor(), b->getColor());
  EXPECT_EQ(a->getLocation(), b->getLocation());
  EXPECT_EQ(a->getDrawValue(), b->getDrawValue());
}

sb::Object *make(bool view) { return view ? new sb::ViewObject : new sb::Object; }

void expectSame(const sb::Object *a, const sb::Object *b, bool view) {
  if (view)
    expectSameView(static_cast<const sb::ViewObject *>(a), static_cast<const sb::ViewObject *>(b));
  else
    expectSameObject(a, b);
}

void dropAll(std::initializer_list<sb::Object *> objects) {
  for (sb::Object *o : objects) sb::WorldManager::getInstance().markForDelete(o);
  sb::WorldManager::getInstance().update();
}

TEST(SerializeRoundTrip, RandomObjectsAndViewObjectsComeBackEqualAndWriteTheSameText) {
  ASSERT_EQ(sbtest::startEngine(HEADLESS), 0);
  Random r(20261208);
  for (int round = 0; round < 300; round++) {
    bool view = round % 3 == 2;
    sb::Object *a = make(view);
    randomize(a, r, view);
    std::string text = a->serialize("ALL");
    sb::Object *b = make(view);
    EXPECT_EQ(b->deserialize(text), 0);
    SCOPED_TRACE(text);
    expectSame(a, b, view);
    EXPECT_EQ(b->serialize("ALL"), text);
    dropAll({a, b});
    if (HasFailure()) break;
  }
}

TEST(SerializeRoundTrip, SpriteNamesFindTheSprite) {
  ASSERT_EQ(sbtest::startEngine(HEADLESS), 0);
  std::istringstream sprite(
      "<HEADER>\nframes 2\nwidth 3\nheight 1\ncolor red\nslowdown 2\n</HEADER>\n<BODY>\n"
      "(o)\nend\n(-)\nend\n</BODY>\n<FOOTER>\nversion 1\n</FOOTER>\n");
  ASSERT_EQ(sb::ResourceManager::getInstance().loadSprite(sprite, "round-trip"), 0);
  sb::Object *a = new sb::Object;
  ASSERT_EQ(a->setSprite("round-trip"), 0);
  sb::Animation anim = a->getAnimation();
  anim.setIndex(1);
  a->setAnimation(anim, false);
  sb::Object *b = new sb::Object;
  b->deserialize(a->serialize("ALL"));
  expectSameObject(a, b);
  EXPECT_NE(b->getAnimation().getSprite(), nullptr);
  // The box is read as it was written, fractions included.
  b->deserialize("box-corner-x:-0.5,box-corner-y:-0.5,box-horizontal:0.99,box-vertical:0.99,");
  EXPECT_TRUE(b->getBox() == sb::Box(Vector(-0.5f, -0.5f), 0.99f, 0.99f));
  dropAll({a, b});
  sb::ResourceManager::getInstance().unloadSprite("round-trip");
}

// Random changes in batches; the copy fed each batch's delta ends equal, and
// with nothing changed the delta is empty.
TEST(SerializeDelta, ACopyFedDeltasFollowsTheOriginal) {
  ASSERT_EQ(sbtest::startEngine(HEADLESS), 0);
  Random r(77);
  for (bool view : {false, true}) {
    sb::Object *a = make(view);
    sb::Object *b = make(view);
    b->deserialize(a->serialize(""));
    EXPECT_EQ(a->serialize(""), "");
    EXPECT_FALSE(a->isModified());
    for (int batch = 0; batch < 200; batch++) {
      int changes = 1 + r.below(4);
      for (int c = 0; c < changes; c++) {
        switch (r.below(view ? 14 : 12)) {
          case 0: a->setPosition(r.vec(60)); break;
          case 1: {
            // Multiples of (3,4) keep the speed exact.
            float k = r.eighths(4);
            a->setVelocity(r.coin() ? Vector(3 * k, 4 * k) : Vector(0, 5 * k));
            break;
          }
          case 2: a->setSpeed(r.eighths(5)); break;
          case 3: a->setAcceleration(r.vec(1)); break;
          case 4: a->setType(r.text()); break;
          case 5: a->setAltitude(r.below(5)); break;
          case 6: {
            sb::Animation anim = a->getAnimation();
            anim.setIndex(r.below(9));
            anim.setSlowdownCount(r.below(4));
            a->setAnimation(anim, false);
            break;
          }
          case 7: {
            sb::Path p;
            int nodes = 1 + r.below(3);
            for (int i = 0; i < nodes; i++) p.addNode(r.vec(30));
            a->setPath(p);
            break;
          }
          case 8: {
            const char *name = EVENT_NAMES[1 + r.below(5)];
            if (a->unregisterInterest(name) != 0) a->registerInterest(name);
            break;
          }
          case 9: a->setBox(sb::Box(r.vec(2), 1 + r.eighths(1), 2)); break;
          case 10: a->setNoSoft(r.coin()); a->setAvoidCollisions(r.coin()); break;
          case 11: a->setSolidness(static_cast<sb::Solidness>(r.below(3))); break;
          case 12: static_cast<sb::ViewObject *>(a)->setBorder(r.coin()); break;
          case 13: {
            sb::ViewObject *v = static_cast<sb::ViewObject *>(a);
            v->setValue(r.below(1000));
            v->setViewString(r.text());
            v->setLocation(static_cast<sb::ViewObjectLocation>(r.below(9)));
            break;
          }
        }
      }
      b->deserialize(a->serialize(""));
    }
    expectSame(a, b, view);
    EXPECT_EQ(a->serialize(""), "");
    dropAll({a, b});
  }
}

TEST(SerializeSelection, TokensFlagsAndKeysInOrder) {
  ASSERT_EQ(sbtest::startEngine(HEADLESS), 0);
  sb::Object *o = new sb::Object;
  sb::Path p;
  p.addNode(Vector(3, 4));
  p.addNode(Vector(5, 6));
  o->setPath(p);
  std::string all = o->serialize("");
  // Every key once, in the order written.
  const char *keys[] = {"id:", "is_active:", "is_visible:", "event_count:", "box-corner-x:",
                        "box-corner-y:", "box-horizontal:", "box-vertical:", "pos-x:", "pos-y:",
                        "type:", "sprite_name:", "sprite_index:", "sprite_slowdown_count:",
                        "altitude:", "solidness:", "no_soft:", "speed:", "x_direction:",
                        "y_direction:", "x_acceleration:", "y_acceleration:", "shape:", "size:",
                        "color:", "opacity:", "path:", "path_index:", "follow_path:",
                        "avoid_collisions:"};
  size_t last = 0;
  bool first = true;
  for (const char *key : keys) {
    size_t found = first ? (all.rfind(key, 0) == 0 ? 0 : std::string::npos)
                         : all.find(std::string(",") + key, last);
    ASSERT_NE(found, std::string::npos) << key << " in " << all;
    last = found + 1;
    first = false;
  }
  EXPECT_NE(all.find(",path:3 4|5 6|,path_index:0,"), std::string::npos) << all;
  EXPECT_EQ(o->serialize(""), "");

  struct Case {
    std::string attr;
    std::string expected;
  };
  o->setPosition(Vector(10, 5));
  const Case cases[] = {
      {"POSITION,TYPE,", "pos-x:10,pos-y:5,type:(Undefined),"},
      {"POSITION", ""},  // the last token needs its comma
      {"FOLLOW_PATH,", "path:3 4|5 6|,path_index:0,follow_path:false,"},
      {"ID,ANIMATION,", "id:" + sb::toString(o->getId()) +
                            ",sprite_name:,sprite_index:0,sprite_slowdown_count:0,"},
      {"NOTHING,", ""},
  };
  for (const Case &c : cases) EXPECT_EQ(o->serialize(c.attr), c.expected) << c.attr;
  EXPECT_TRUE(sbtest::readLog().find(
                  "Object::serialize(): Warning! Attribute 'POSITION' missing trailing ','") !=
              std::string::npos);
  // Asking for some attributes leaves the others' flags: the move is still a change.
  o->setSpeed(2);
  EXPECT_EQ(o->serialize("TYPE,"), "type:(Undefined),");
  EXPECT_TRUE(o->isModified(sb::SPEED));
  EXPECT_EQ(o->serialize(""), "speed:2,");

  sb::ViewObject *v = new sb::ViewObject;
  v->serialize("");
  v->setValue(3);
  EXPECT_EQ(v->serialize(""), "view_value:3,");
  EXPECT_EQ(v->serialize("DRAW_VALUE,"), "view_value:3,view_draw_value:true,");
  dropAll({o, v});
}

// Escaped values read back as written, inject nothing, and plain values are
// written as they are.
TEST(SerializeEscaping, AnyValueComesBackAndPlainOnesAreUnchanged) {
  ASSERT_EQ(sbtest::startEngine(HEADLESS), 0);
  Random r(5);
  const std::string alphabet = std::string("ab:,% \t\n%2C|") + '\0' + "\x7f\xff";
  for (int i = 0; i < 2000; i++) {
    std::string value;
    int length = 1 + r.below(12);
    for (int k = 0; k < length; k++) value += alphabet[r.below(static_cast<int>(alphabet.size()))];
    std::string text = "k:" + sb::AttributeList::escape(value) + ",after:1,";
    sb::AttributeList list(text);
    EXPECT_EQ(list.value("k"), value) << text;
    EXPECT_EQ(list.value("after"), "1") << text;
    EXPECT_EQ(sb::match(text, "after"), "1") << text;
    bool plain = value.find_first_of(":, \t\n\r\v\f") == std::string::npos;
    if (plain) {
      EXPECT_EQ(sb::AttributeList::escape(value), value);
    }
  }
}

bool finite(Vector v) { return std::isfinite(v.getX()) && std::isfinite(v.getY()); }

std::string manyNodes() {
  std::string text = "path:";
  for (int i = 0; i < 20000; i++) text += "1 2|";
  return text + ",";
}

std::string hundredEvents() {
  std::string text = "event_count:100,";
  for (int i = 0; i < 100; i++) text += "event_name[" + std::to_string(i) + "]:sb-step,";
  return text;
}

TEST(SerializeHostile, StringsLeaveObjectsValidFiniteAndAreQuick) {
  ASSERT_EQ(sbtest::startEngine(HEADLESS), 0);
  using Check = std::function<void(sb::Object *, sb::Object *fresh)>;
  auto unchanged = [](sb::Object *o, sb::Object *fresh) { expectSameObject(fresh, o); };
  auto at = [](float x, float y) {
    return [x, y](sb::Object *o, sb::Object *) { EXPECT_TRUE(o->getPosition() == Vector(x, y)); };
  };
  struct Case {
    std::string text;
    Check check;
  };
  const Case cases[] = {
      // An empty string does not apply the last string parsed by match().
      {"", unchanged},
      {"pos-x:nan,pos-y:1,", unchanged},
      {"pos-x:inf,pos-y:-inf,", unchanged},
      {"pos-x:1e39,pos-y:2,", unchanged},
      {"pos-x:2e9,pos-y:2,", unchanged},
      {" pos-x : 3 , pos-y:\t4 ,", at(3, 4)},
      {"pos-x:5,pos-y:6,:::,pos-x:7,", at(5, 6)},
      {":::,pos-x:5,pos-y:5,", unchanged},
      {"box-corner-x:0,box-corner-y:0,box-horizontal:-1,box-vertical:1,", unchanged},
      {"box-corner-x:0.25,box-corner-y:-0.5,box-horizontal:1.5,box-vertical:2.75,",
       [](sb::Object *o, sb::Object *) {
         EXPECT_TRUE(o->getBox() == sb::Box(Vector(0.25f, -0.5f), 1.5f, 2.75f));
       }},
      {"box-corner-x:1,box-corner-y:1,box-horizontal:1,", unchanged},
      {"x_direction:0,y_direction:1,", [](sb::Object *o, sb::Object *) {
         EXPECT_EQ(o->getSpeed(), 1.0f);
         EXPECT_TRUE(o->getDirection() == Vector(0, 1));
       }},
      {"event_count:2147483647,event_name[0]:boom,", unchanged},
      {"event_count:99999999999999,", unchanged},
      {"event_count:-5,", unchanged},
      {hundredEvents(), [](sb::Object *o, sb::Object *) {
         EXPECT_GE(o->getEventCount(), 1);
         EXPECT_EQ(o->getEventName(0), "sb-step");
       }},
      {"solidness:7,altitude:9,", unchanged},
      {"solidness:4294967297,altitude:-4294967295,", unchanged},
      {"shape:9,size:1,color:1,opacity:1,", unchanged},
      {"shape:1,size:nan,color:1,opacity:1,", unchanged},
      {"shape:1,size:2,color:42,opacity:1,", unchanged},
      {"shape:1,size:2,color:1,opacity:256,", unchanged},
      {"x_direction:nan,y_direction:inf,speed:1e40,x_acceleration:-inf,y_acceleration:nan,",
       unchanged},
      {"id:99999999999,", unchanged},
      {"sprite_name:nosuch,sprite_index:2147483648,sprite_slowdown_count:-99999999999,",
       [](sb::Object *o, sb::Object *) {
         EXPECT_EQ(o->getAnimation().getName(), "nosuch");
         EXPECT_EQ(o->getAnimation().getIndex(), 0);
       }},
      {"type:a%2Cpos-x%3A9:%,", [](sb::Object *o, sb::Object *fresh) {
         EXPECT_EQ(o->getType(), "a,pos-x:9");
         EXPECT_TRUE(o->getPosition() == fresh->getPosition());
       }},
      {"path:1 2|3 4|junk|5 6|,path_index:7,", [](sb::Object *o, sb::Object *) {
         ASSERT_EQ(o->getPath().getCount(), 2);
         EXPECT_TRUE(o->getPath().getNode(1) == Vector(3, 4));
         EXPECT_EQ(o->getPath().getIndex(), 0);  // 7 is past the end
       }},
      // Without blanks a node still reads where its two numbers can be told apart.
      {"path:3-4|0.5-1.25|,", [](sb::Object *o, sb::Object *) {
         ASSERT_EQ(o->getPath().getCount(), 2);
         EXPECT_TRUE(o->getPath().getNode(0) == Vector(3, -4));
         EXPECT_TRUE(o->getPath().getNode(1) == Vector(0.5f, -1.25f));
       }},
      {"path:nan 1|1 inf|,", [](sb::Object *o, sb::Object *) { EXPECT_EQ(o->getPath().getCount(), 0); }},
      {manyNodes(), [](sb::Object *o, sb::Object *) { EXPECT_EQ(o->getPath().getCount(), 20000); }},
      {std::string(1 << 20, ','), unchanged},
      {std::string(1 << 18, ':') + "pos-x", unchanged},
  };
  auto started = std::chrono::steady_clock::now();
  for (const Case &c : cases) {
    SCOPED_TRACE(c.text.substr(0, 80));
    for (bool view : {false, true}) {
      sb::Object *fresh = make(view);
      sb::Object *o = make(view);
      fresh->setId(o->getId());
      // What match() parsed last must not leak into the object.
      sb::match("pos-x:77,pos-y:77,type:Primed,altitude:0,", "");
      EXPECT_EQ(o->deserialize(c.text), 0);
      EXPECT_TRUE(finite(o->getPosition()) && finite(o->getDirection()) &&
                  finite(o->getAcceleration()) && std::isfinite(o->getSpeed()));
      EXPECT_TRUE(finite(o->getBox().getCorner()) && o->getBox().getHorizontal() >= 0 &&
                  o->getBox().getVertical() >= 0);
      EXPECT_GE(o->getAltitude(), 0);
      EXPECT_LE(o->getAltitude(), sb::MAX_ALTITUDE);
      EXPECT_LE(o->getEventCount(), sb::MAX_OBJ_EVENTS);
      EXPECT_NE(o->getType(), "Primed");
      if (!view) c.check(o, fresh);
      if (view) {
        sb::ViewObject *v = static_cast<sb::ViewObject *>(o);
        EXPECT_GE(v->getLocation(), sb::UNDEFINED_LOCATION);
        EXPECT_LE(v->getLocation(), sb::BOTTOM_RIGHT);
      }
      o->serialize("ALL");
      dropAll({fresh, o});
    }
  }
  double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  EXPECT_LT(seconds, 20.0);

  // View attributes out of range are refused, not cast.
  sb::ViewObject *v = new sb::ViewObject;
  v->deserialize("view_location:42,view_color:-3,view_value:1e10,view_value:x,");
  EXPECT_EQ(v->getLocation(), sb::TOP_CENTER);
  EXPECT_EQ(v->getColor(), sb::WHITE);
  EXPECT_EQ(v->getValue(), 1);  // strtol reads the 1 of 1e10
  dropAll({v});
}

// An id read near the largest int raises the id counter without overflowing it.
TEST(SerializeHostile, IdsNearTheLargestIntStopTheCounter) {
  ASSERT_EQ(sbtest::startEngine(HEADLESS), 0);
  int old_max_id = sb::Object::getMaxId();
  sb::Object *a = new sb::Object;
  a->deserialize("id:2147483646,");
  EXPECT_EQ(a->getId(), INT_MAX - 1);
  EXPECT_EQ(sb::Object::getMaxId(), INT_MAX);
  a->deserialize("id:2147483647,");
  EXPECT_EQ(sb::Object::getMaxId(), INT_MAX);
  sb::Object *b = new sb::Object;
  EXPECT_EQ(b->getId(), INT_MAX);
  EXPECT_EQ(sb::Object::getMaxId(), INT_MAX);
  dropAll({a, b});
  sb::Object::setMaxId(old_max_id + 2);
}

// A game's setter that calls match() while the object is read does not change
// what the rest of the string gives.
class Meddler : public sb::Object {
 public:
  int setPosition(Vector where) override {
    sb::match("type:Meddled,speed:99,", "type");
    return Object::setPosition(where);
  }
};

TEST(SerializeHostile, MatchCallsFromGameCodeDoNotRedirectTheRead) {
  ASSERT_EQ(sbtest::startEngine(HEADLESS), 0);
  Meddler *m = new Meddler;
  m->deserialize("pos-x:4,pos-y:5,type:Real,speed:1.5,");
  EXPECT_EQ(m->getType(), "Real");
  EXPECT_EQ(m->getSpeed(), 1.5f);
  EXPECT_TRUE(m->getPosition() == Vector(4, 5));
  dropAll({m});
}

}  // namespace
