// Objects written as attribute strings and read back: seeded round trips of
// every attribute, deltas of the modified flags, the choice of attributes,
// escaped values, and hostile strings.
#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <cstdio>
#include <functional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "AttributeList.h"
#include "Object.h"
#include "ResourceManager.h"
#include "ViewObject.h"
#include "WorldManager.h"
#include "support/CoreChecks.h"
#include "support/TestEngine.h"
#include "utility.h"

namespace {

using sb::Vector;
using sbtest::HEADLESS;

// Texts that break a plain attribute string, next to ones that never did.
const char *const TEXTS[] = {"Ball", "a,b", "k:v", " spaced out ", "50%", "%2C", "x:%",
                             "q,pos-x:99,", "tab\there", "::", "%", "(Undefined)"};
const char *const EVENT_NAMES[] = {"sb-step", "boom", "a,b", "k:v", "x y", "50%"};

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

// Everything an object holds, as text: the oracle of equality. Floats are
// exact, except the direction, which is made a unit vector again when read.
std::string describe(const sb::Object *o) {
  std::ostringstream out;
  auto num = [&out](float f) {
    char buffer[32];
    snprintf(buffer, sizeof buffer, "%.9g ", static_cast<double>(f));
    out << buffer;
  };
  out << o->getId() << ' ' << o->isActive() << o->isVisible() << " events";
  for (int i = 0; i < o->getEventCount(); i++) out << " [" << o->getEventName(i) << ']';
  sb::Box box = o->getBox();
  out << "\nbox ";
  for (float f : {box.getCorner().getX(), box.getCorner().getY(), box.getHorizontal(),
                  box.getVertical(), o->getPosition().getX(), o->getPosition().getY()})
    num(f);
  sb::Animation a = o->getAnimation();
  out << "\ntype [" << o->getType() << "] sprite [" << a.getName() << "] " << a.getSprite() << ' '
      << a.getIndex() << ' ' << a.getSlowdownCount() << " alt " << o->getAltitude() << ' '
      << o->getSolidness() << o->getNoSoft() << "\nmove ";
  char direction[64];
  snprintf(direction, sizeof direction, "(%.4f %.4f) ", static_cast<double>(o->getDirection().getX()),
           static_cast<double>(o->getDirection().getY()));
  out << direction;
  for (float f : {o->getSpeed(), o->getAcceleration().getX(), o->getAcceleration().getY()}) num(f);
  sb::Shape s = o->getShape();
  out << "\nshape " << s.getType() << ' ' << s.getSize() << ' ' << s.getColor() << ' '
      << static_cast<int>(s.getOpacity()) << "\npath";
  sb::Path p = o->getPath();
  for (int i = 0; i < p.getCount(); i++) num(p.getNode(i).getX()), num(p.getNode(i).getY());
  out << "at " << p.getIndex() << ' ' << o->getFollowPath() << o->getAvoidCollisions();
  if (const sb::ViewObject *v = dynamic_cast<const sb::ViewObject *>(o))
    out << "\nview [" << v->getViewString() << "] " << v->getValue() << ' ' << v->getBorder() << ' '
        << v->getColor() << ' ' << v->getLocation() << ' ' << v->getDrawValue();
  return out.str();
}

// Sets every attribute of an object to random values.
void randomize(sb::Object *o, Random &r) {
  o->setId(1 + r.below(1000000));
  o->setActive(r.coin());
  o->setVisible(r.coin());
  for (const char *name : EVENT_NAMES)
    if (r.below(3) == 0) o->registerInterest(name);
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
  const Vector directions[] = {Vector(0, 0), Vector(1, 0), Vector(0, -1), Vector(0.6f, 0.8f)};
  o->setDirection(directions[r.below(4)]);
  o->setAcceleration(r.vec(2));
  sb::Shape s;
  s.setType(static_cast<sb::ShapeType>(r.below(4) - 1));
  s.setSize(static_cast<float>(r.below(100)) / 8);
  s.setColor(static_cast<sb::Color>(r.below(9)));
  s.setOpacity(static_cast<unsigned char>(r.below(256)));
  o->setShape(s);
  o->setAvoidCollisions(r.coin());
  if (sb::ViewObject *v = dynamic_cast<sb::ViewObject *>(o)) {
    v->setViewString(r.text());
    const int values[] = {0, 7, -12, INT_MAX, INT_MIN};
    v->setValue(values[r.below(5)]);
    v->setColor(static_cast<sb::Color>(r.below(9)));
    v->setDrawValue(r.coin());
    v->setBorder(r.coin());
    int location = r.below(10) - 1;
    if (location >= 0) v->setLocation(static_cast<sb::ViewObjectLocation>(location));
    if (location < 0) v->setPosition(r.vec(50));
  } else {
    o->setPosition(r.vec(100));
  }
  // The node ahead lies level with the object (whose height is exact, also
  // at a view location), so following it gives a direction exact in six digits.
  sb::Path p;
  int nodes = r.below(5), index = nodes > 0 ? r.below(nodes) : 0;
  for (int i = 0; i < nodes; i++)
    p.addNode(i == index ? Vector(r.eighths(100), o->getPosition().getY()) : r.vec(100));
  p.setIndex(index);
  o->setPath(p);
  o->setFollowPath(r.coin());
  if (o->getFollowPath() && index < nodes) o->moveTo(p.getNode(index));
}

sb::Object *make(bool view) { return view ? new sb::ViewObject : new sb::Object; }

void drop(std::initializer_list<sb::Object *> objects) {
  for (sb::Object *o : objects) sb::WorldManager::getInstance().markForDelete(o);
  sb::WorldManager::getInstance().update();
}

TEST(SerializeRoundTrip, RandomObjectsComeBackEqualAndWriteTheSameText) {
  ASSERT_EQ(sbtest::startEngine(HEADLESS), 0);
  Random r(20261208);
  for (int round = 0; round < 300 && !HasFailure(); round++) {
    bool view = round % 3 == 2;
    sb::Object *a = make(view), *b = make(view);
    randomize(a, r);
    std::string text = a->serialize("ALL");
    EXPECT_EQ(b->deserialize(text), 0);
    EXPECT_EQ(describe(b), describe(a)) << text;
    EXPECT_EQ(b->serialize("ALL"), text);
    drop({a, b});
  }
  // A sprite's name finds the sprite again.
  std::istringstream sprite(
      "<HEADER>\nframes 2\nwidth 3\nheight 1\ncolor red\nslowdown 2\n</HEADER>\n<BODY>\n"
      "(o)\nend\n(-)\nend\n</BODY>\n<FOOTER>\nversion 1\n</FOOTER>\n");
  ASSERT_EQ(sb::ResourceManager::getInstance().loadSprite(sprite, "round-trip"), 0);
  sb::Object *a = new sb::Object, *b = new sb::Object;
  ASSERT_EQ(a->setSprite("round-trip"), 0);
  b->deserialize(a->serialize("ALL"));
  EXPECT_NE(b->getAnimation().getSprite(), nullptr);
  EXPECT_EQ(describe(b), describe(a));
  drop({a, b});
}

// Random changes in batches; a copy fed each batch's changes ends equal, and
// with nothing changed there are no changes to write.
TEST(SerializeDelta, ACopyFedChangesFollowsTheOriginal) {
  ASSERT_EQ(sbtest::startEngine(HEADLESS), 0);
  Random r(77);
  for (bool view : {false, true}) {
    sb::Object *a = make(view), *b = make(view);
    b->deserialize(a->serialize(""));
    EXPECT_EQ(a->serialize(""), "");
    sb::ViewObject *v = dynamic_cast<sb::ViewObject *>(a);
    const std::function<void()> changes[] = {
        [&] { a->setPosition(r.vec(60)); },
        [&] {
          float k = r.eighths(4);
          a->setVelocity(Vector(3 * k, 4 * k));  // an exact speed
        },
        [&] { a->setSpeed(r.eighths(5)); },
        [&] { a->setAcceleration(r.vec(1)); },
        [&] { a->setType(r.text()); },
        [&] { a->setAltitude(r.below(5)); },
        [&] {
          sb::Animation anim = a->getAnimation();
          anim.setIndex(r.below(9));
          a->setAnimation(anim, false);
        },
        [&] {
          sb::Path p;
          for (int i = 0; i <= r.below(3); i++) p.addNode(r.vec(30));
          a->setPath(p);
        },
        [&] {
          const char *name = EVENT_NAMES[1 + r.below(5)];
          if (a->unregisterInterest(name) != 0) a->registerInterest(name);
        },
        [&] { a->setBox(sb::Box(r.vec(2), 1 + r.eighths(1), 2)); },
        [&] { a->setSolidness(static_cast<sb::Solidness>(r.below(3))), a->setNoSoft(r.coin()); },
        [&] { if (v) v->setBorder(r.coin()); },
        [&] { if (v) v->setValue(r.below(1000)), v->setViewString(r.text()); },
        [&] { if (v) v->setLocation(static_cast<sb::ViewObjectLocation>(r.below(9))); },
    };
    for (int batch = 0; batch < 200; batch++) {
      for (int c = 0; c <= r.below(4); c++) changes[r.below(sizeof changes / sizeof *changes)]();
      b->deserialize(a->serialize(""));
    }
    EXPECT_EQ(describe(b), describe(a));
    EXPECT_EQ(a->serialize(""), "");
    EXPECT_FALSE(a->isModified());
    drop({a, b});
  }
}

// Each setter marks exactly the attributes its delta then carries: a table
// of {setter, attributes}. Setting the value already held, a refused value,
// setDirection and moveTo mark nothing.
TEST(SerializeDelta, EachSetterMarksTheAttributesItChanges) {
  ASSERT_EQ(sbtest::startEngine(HEADLESS), 0);
  using Set = std::vector<sb::ObjectAttribute>;
  struct Row {
    const char *setter;
    std::function<void(sb::Object *)> change;
    Set marked;
  };
  sb::Path path;
  path.addNode(Vector(3, 4));
  sb::Shape shape;
  shape.setType(sb::SQUARE);
  sb::Animation animation;
  animation.setIndex(2);
  const Row rows[] = {
      {"setId", [](sb::Object *o) { o->setId(o->getId() + 1000); }, {sb::ID}},
      {"setId same", [](sb::Object *o) { o->setId(o->getId()); }, {}},
      {"setActive", [](sb::Object *o) { o->setActive(false); }, {sb::ACTIVE}},
      {"setActive same", [](sb::Object *o) { o->setActive(true); }, {}},
      {"setVisible", [](sb::Object *o) { o->setVisible(false); }, {sb::VISIBLE}},
      {"registerInterest", [](sb::Object *o) { o->registerInterest("boom"); }, {sb::EVENTS}},
      {"setBox", [](sb::Object *o) { o->setBox(sb::Box(Vector(0, 0), 2, 3)); }, {sb::BOX}},
      {"setBox same", [](sb::Object *o) { o->setBox(o->getBox()); }, {}},
      {"setPosition", [](sb::Object *o) { o->setPosition(Vector(7, 8)); }, {sb::POSITION}},
      {"setPosition same", [](sb::Object *o) { o->setPosition(o->getPosition()); }, {}},
      {"setType", [](sb::Object *o) { o->setType("Enemy"); }, {sb::TYPE}},
      {"setAnimation", [&](sb::Object *o) { o->setAnimation(animation, false); }, {sb::ANIMATION}},
      {"setAltitude", [](sb::Object *o) { o->setAltitude(4); }, {sb::ALTITUDE}},
      {"setAltitude refused", [](sb::Object *o) { o->setAltitude(9); }, {}},
      {"setSolidness", [](sb::Object *o) { o->setSolidness(sb::SOFT); }, {sb::SOLIDNESS}},
      {"setNoSoft", [](sb::Object *o) { o->setNoSoft(true); }, {sb::NO_SOFT}},
      {"setSpeed", [](sb::Object *o) { o->setSpeed(2); }, {sb::SPEED}},
      {"setDirection", [](sb::Object *o) { o->setDirection(Vector(1, 0)); }, {}},
      {"moveTo", [](sb::Object *o) { o->moveTo(Vector(9, 9)); }, {}},
      {"setVelocity", [](sb::Object *o) { o->setVelocity(Vector(3, 4)); },
       {sb::SPEED, sb::DIRECTION}},
      {"setAcceleration", [](sb::Object *o) { o->setAcceleration(Vector(0, 1)); },
       {sb::ACCELERATION}},
      {"setShape", [&](sb::Object *o) { o->setShape(shape); }, {sb::SHAPE}},
      {"setPath", [&](sb::Object *o) { o->setPath(path); }, {sb::PATH}},
      {"setFollowPath", [](sb::Object *o) { o->setFollowPath(false); }, {sb::FOLLOW_PATH}},
      {"setAvoidCollisions", [](sb::Object *o) { o->setAvoidCollisions(true); },
       {sb::AVOID_COLLISIONS}},
  };
  for (const Row &row : rows) {
    sb::Object *o = new sb::Object;
    o->serialize("");
    row.change(o);
    Set marked;
    for (int a = 0; a < sb::ATTR_COUNT; a++)
      if (o->isModified(static_cast<sb::ObjectAttribute>(a)))
        marked.push_back(static_cast<sb::ObjectAttribute>(a));
    EXPECT_EQ(marked, row.marked) << row.setter;
    // The delta writes those attributes and clears their flags.
    std::string delta = o->serialize("");
    EXPECT_EQ(delta.empty(), row.marked.empty()) << row.setter << ": " << delta;
    EXPECT_FALSE(o->isModified()) << row.setter;
    drop({o});
  }
}

TEST(SerializeSelection, TokensFlagsAndKeysInOrder) {
  ASSERT_EQ(sbtest::startEngine(HEADLESS), 0);
  sb::Object *o = new sb::Object;
  sb::Path p;
  p.addNode(Vector(3, 4));
  p.addNode(Vector(5, 6));
  o->setPath(p);
  std::string id = "id:" + sb::toString(o->getId()) + ",";
  EXPECT_EQ(o->serialize(""),
            id + "is_active:true,is_visible:true,event_count:0,box-corner-x:-0.5,box-corner-y:-0.5,"
                 "box-horizontal:0.99,box-vertical:0.99,pos-x:1,pos-y:1,type:(Undefined),"
                 "sprite_name:,sprite_index:0,sprite_slowdown_count:0,altitude:2,solidness:0,"
                 "no_soft:false,speed:0,x_direction:0,y_direction:0,x_acceleration:0,"
                 "y_acceleration:0,shape:-1,size:" +
                sb::toString(o->getShape().getSize()) +
                ",color:7,opacity:255,path:3 4|5 6|,path_index:0,follow_path:false,"
                "avoid_collisions:false,");
  EXPECT_EQ(o->serialize(""), "");
  o->setPosition(Vector(10, 5));
  o->setSpeed(2);
  const std::pair<std::string, std::string> cases[] = {
      {"POSITION,TYPE,", "pos-x:10,pos-y:5,type:(Undefined),"},
      {"POSITION", ""},  // the last token needs its comma
      {"FOLLOW_PATH,", "path:3 4|5 6|,path_index:0,follow_path:false,"},
      {"ID,ANIMATION,", id + "sprite_name:,sprite_index:0,sprite_slowdown_count:0,"},
      {"NOTHING,", ""},
      {"", "speed:2,"},  // the attributes asked for by name were written, the speed was not
  };
  for (const auto &c : cases) EXPECT_EQ(o->serialize(c.first), c.second) << c.first;
  EXPECT_NE(sbtest::readLog().find(
                "Object::serialize(): Warning! Attribute 'POSITION' missing trailing ','"),
            std::string::npos);
  sb::ViewObject *v = new sb::ViewObject;
  v->serialize("");
  v->setValue(3);
  EXPECT_EQ(v->serialize(""), "view_value:3,");
  EXPECT_EQ(v->serialize("DRAW_VALUE,"), "view_value:3,view_draw_value:true,");
  drop({o, v});
}

// Escaped values come back as they were and inject nothing, for the parse of
// objects and for match(); plain values are written as they are.
TEST(SerializeEscaping, AnyValueComesBackAndPlainOnesAreUnchanged) {
  ASSERT_EQ(sbtest::startEngine(HEADLESS), 0);
  Random r(5);
  const std::string alphabet = std::string("ab:,% \t\n%2C|") + '\0' + "\x7f\xff";
  for (int i = 0; i < 2000; i++) {
    std::string value;
    for (int k = 0; k <= r.below(12); k++) value += alphabet[r.below(static_cast<int>(alphabet.size()))];
    std::string text = "k:" + sb::AttributeList::escape(value) + ",after:1,";
    sb::AttributeList list(text);
    EXPECT_EQ(list.value("k"), value) << text;
    EXPECT_EQ(list.value("after"), "1") << text;
    EXPECT_EQ(sb::match(text, "after"), "1") << text;
    if (value.find_first_of(":, \t\n\r\v\f") == std::string::npos) {
      EXPECT_EQ(sb::AttributeList::escape(value), value);
    }
  }
}

std::string repeated(const std::string &head, const std::string &part, int times) {
  std::string text = head;
  for (int i = 0; i < times; i++) text += part;
  return text;
}

// Each string read into a new object and view object: every number stays
// finite and in range, and the object holds what the row expects: a line of
// describe() (from its start); for "", what a fresh object holds; for "*",
// nothing more.
TEST(SerializeHostile, StringsLeaveObjectsValidFiniteAndAreQuick) {
  ASSERT_EQ(sbtest::startEngine(HEADLESS), 0);
  const std::pair<std::string, std::string> cases[] = {
      {"", ""},  // not the last string match() parsed
      {"pos-x:nan,pos-y:1,pos-x:2,", ""},
      {"pos-x:inf,pos-y:-inf,", ""},
      {"pos-x:1e39,pos-y:2,", ""},
      {"pos-x:2e9,pos-y:2,", ""},
      {" pos-x : 3 , pos-y:\t4 ,", "box -0.5 -0.5 0.99000001 0.99000001 3 4 "},
      {":::,pos-x:5,pos-y:5,", ""},
      {"box-corner-x:0,box-corner-y:0,box-horizontal:-1,box-vertical:1,", ""},
      {"box-corner-x:1,box-corner-y:1,box-horizontal:1,", ""},
      {"box-corner-x:0.25,box-corner-y:-0.5,box-horizontal:1.5,box-vertical:2.75,",
       "box 0.25 -0.5 1.5 2.75 "},
      {"event_count:2147483647,event_name[0]:boom,", ""},
      {"event_count:99999999999999,", ""},
      {"event_count:-5,", ""},
      {repeated("event_count:100,", "event_name[0]:sb-step,", 100), "*"},
      {"solidness:7,altitude:9,", ""},
      {"solidness:4294967297,altitude:-4294967295,id:99999999999,", ""},
      {"shape:9,size:1,color:1,opacity:1,", ""},
      {"shape:1,size:nan,color:1,opacity:1,", ""},
      {"shape:1,size:2,color:42,opacity:1,", ""},
      {"shape:1,size:2,color:1,opacity:256,", ""},
      {"x_direction:nan,y_direction:inf,speed:1e40,x_acceleration:-inf,y_acceleration:nan,", ""},
      {"x_direction:0,y_direction:1,", "move (0.0000 1.0000) 1 0 0 "},
      {"type:a%2Cpos-x%3A9:%,sprite_name:nosuch,sprite_index:2147483648,",
       "type [a,pos-x:9] sprite [nosuch] 0 0 0 alt"},
      {"path:1 2|3 4|junk|5 6|,path_index:7,", "path1 2 3 4 at 0 "},
      // Without blanks a node still reads where its two numbers can be told apart.
      {"path:3-4|0.5-1.25|,path_index:1,", "path3 -4 0.5 -1.25 at 1 "},
      {"path:nan 1|1 inf|,", "pathat 0 "},
      {repeated("path:", "1 2|", 20000), "*"},
      {std::string(1 << 20, ','), ""},
      {std::string(1 << 18, ':') + "pos-x", ""},
  };
  auto started = std::chrono::steady_clock::now();
  for (const auto &c : cases) {
    for (bool view : {false, true}) {
      sb::Object *fresh = make(view), *o = make(view);
      fresh->setId(o->getId());
      sb::match("pos-x:77,pos-y:77,type:Primed,altitude:0,", "");  // must not leak in
      EXPECT_EQ(o->deserialize(c.first), 0);
      std::string held = describe(o);
      if (c.second.empty()) {
        EXPECT_EQ(held, describe(fresh)) << c.first;
      } else if (c.second != "*" && !view) {
        EXPECT_NE(held.find("\n" + c.second), std::string::npos) << c.first << "\n" << held;
      }
      for (const char *bad : {"nan", "inf", "Primed"}) EXPECT_EQ(held.find(bad), std::string::npos);
      o->serialize("ALL");
      drop({fresh, o});
    }
  }
  EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count(), 20);

  // View attributes out of range are refused, not cast.
  sb::ViewObject *v = new sb::ViewObject;
  v->deserialize("view_location:42,view_color:-3,view_value:1e10,");
  EXPECT_EQ(v->getLocation(), sb::TOP_CENTER);
  EXPECT_EQ(v->getColor(), sb::WHITE);
  EXPECT_EQ(v->getValue(), 1);  // strtol reads the 1 of 1e10
  drop({v});

  // An unlocated view object standing where its old location would put it stays there.
  sb::ViewObject *placed = new sb::ViewObject, *copy = new sb::ViewObject;
  placed->setBorder(false);
  placed->setPosition(copy->getPosition());
  copy->deserialize(placed->serialize("ALL"));
  EXPECT_EQ(copy->getPosition(), placed->getPosition());
  EXPECT_EQ(copy->getLocation(), sb::UNDEFINED_LOCATION);
  drop({placed, copy});

  // A bad solidness or location is refused by its setter, with the setter's line.
  std::string log = sbtest::readLog();
  EXPECT_TRUE(sbtest::hasMessage(
      log, "Object::setSolidness(): Solidness 7 not one of HARD, SOFT or SPECTRAL."));
  EXPECT_TRUE(sbtest::hasMessage(
      log, "ViewObject::setLocation(): Warning! Location out of range (42). Ignored."));
  EXPECT_FALSE(sbtest::hasMessage(log, "solidness '7' not valid"));
  EXPECT_FALSE(sbtest::hasMessage(log, "view_location '42' not valid"));
}

// Ids read from strings stay positive and below a bound, so that the objects
// made afterwards still get unique ids; what is refused is logged.
TEST(SerializeHostile, IdsReadLeaveRoomForUniqueIds) {
  ASSERT_EQ(sbtest::startEngine(HEADLESS), 0);
  int old_max_id = sb::Object::getMaxId();
  sb::Object *a = new sb::Object;
  int own = a->getId();
  for (const char *bad : {"2147483647", "2147483646", "1073741825", "0", "-5", "-2147483648"}) {
    SCOPED_TRACE(bad);
    std::string refused = std::string("Object::deserialize(): Warning! id ") + bad +
                          " not in range [1," + std::to_string(sb::MAX_READ_ID) + "]. Ignored.";
    int before = sbtest::countMessage(sbtest::readLog(), refused);
    a->deserialize(std::string("id:") + bad + ",");
    EXPECT_EQ(a->getId(), own);
    EXPECT_EQ(sb::Object::getMaxId(), own + 1);
    EXPECT_EQ(sbtest::countMessage(sbtest::readLog(), refused), before + 1);
  }
  a->deserialize("id:" + std::to_string(sb::MAX_READ_ID) + ",");  // the bound itself is taken
  EXPECT_EQ(a->getId(), sb::MAX_READ_ID);
  sb::Object *b = new sb::Object, *c = new sb::Object;
  EXPECT_EQ(b->getId(), sb::MAX_READ_ID + 1);
  EXPECT_EQ(c->getId(), sb::MAX_READ_ID + 2);
  // Ids the counter handed out read back, even past the bound; the counter's own does not.
  a->deserialize(c->serialize("ID,"));
  EXPECT_EQ(a->getId(), sb::MAX_READ_ID + 2);
  a->deserialize("id:" + std::to_string(sb::MAX_READ_ID + 3) + ",");
  EXPECT_EQ(a->getId(), sb::MAX_READ_ID + 2);
  EXPECT_EQ(sb::Object::getMaxId(), sb::MAX_READ_ID + 3);
  drop({a, b, c});
  sb::Object::setMaxId(old_max_id + 3);
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
  drop({m});
}

}  // namespace
