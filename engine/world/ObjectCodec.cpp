// The object's attribute codec: serialize, deserialize and the modified flags.
#include "Object.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "AttributeList.h"
#include "LogManager.h"
#include "ResourceManager.h"
#include "utility.h"

namespace sb {

namespace {

// Whether an attribute is written: every one for "ALL", the modified ones for
// "", and otherwise those whose token occurs in the list.
bool attributeChosen(const std::string &attr, const char *token, bool modified) {
  if (attr == "ALL") return true;
  if (attr.empty()) return modified;
  return attr.find(token) != std::string::npos;
}

void addElement(std::string &text, const std::string &key, const std::string &value) {
  text += key;
  text += ':';
  text += value;
  text += ',';
}

bool readWholeFloat(const char *begin, const char *end, float &value) {
  if (begin >= end) return false;
  std::string piece(begin, end);
  double whole = 0;
  if (!readNumber(piece, whole, NumberRule::WHOLE)) return false;
  return readFloat(piece, value);
}

bool isBlankChar(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }

// One node of a path text: x and y apart by blanks, or, where the blanks are
// gone, the first number read as far as it goes and the second after it
// (so "3 -4" and "3-4" both give (3,-4)).
bool readPathNode(const std::string &node_text, Vector &node) {
  size_t begin = 0, end = node_text.size();
  while (begin < end && isBlankChar(node_text[begin])) begin++;
  while (end > begin && isBlankChar(node_text[end - 1])) end--;
  const char *text = node_text.c_str();
  size_t blank = begin;
  while (blank < end && !isBlankChar(node_text[blank])) blank++;
  float x = 0, y = 0;
  if (blank < end) {
    size_t y_begin = blank;
    while (y_begin < end && isBlankChar(node_text[y_begin])) y_begin++;
    if (!readWholeFloat(text + begin, text + blank, x) ||
        !readWholeFloat(text + y_begin, text + end, y))
      return false;
  } else {
    std::string piece(text + begin, text + end);
    char *stop = nullptr;
    std::strtod(piece.c_str(), &stop);
    size_t split = static_cast<size_t>(stop - piece.c_str());
    if (split == 0 || split >= piece.size()) return false;
    if (!readWholeFloat(piece.c_str(), piece.c_str() + split, x) ||
        !readWholeFloat(piece.c_str() + split, piece.c_str() + piece.size(), y))
      return false;
  }
  node = Vector(x, y);
  return true;
}

void logIgnored(const char *key, const std::string &value) {
  LogManager::getInstance().writeLog("Object::deserialize(): Warning! %s '%s' not valid. Ignored.",
                                     key, value.c_str());
}

const char *boolText(bool value) { return value ? "true" : "false"; }

}  // namespace

// The private parts of an object that its attribute codecs reach: everything
// else goes through the getters and setters.
struct ObjectCodecs {
  static Animation &animation(Object &o) { return o.ownAnimation(); }
  static void letGoOfSprite(Object &o, const Sprite *p_old) { o.letGoOfSprite(p_old); }
  static void setModified(Object &o, ObjectAttribute attribute) { o.setModified(attribute); }
};

namespace {

// Reads the keys of one parsed string. Each reader gives false for an absent
// key, and logs and gives false for a value that is no number in range; the
// value is logged when taken.
class AttributeReader {
 public:
  explicit AttributeReader(const AttributeList &list)
      : list(list), log_manager(LogManager::getInstance()) {}

  const AttributeList &list;
  LogManager &log_manager;

  bool text(const char *key, std::string &value) const {
    value = list.value(key);
    if (value.empty()) return false;
    log_manager.writeLog(20, "Object::deserialize(): %s is %s", key, value.c_str());
    return true;
  }
  bool integer(const char *key, int &value, int low, int high) const {
    std::string raw = list.value(key);
    if (raw.empty()) return false;
    bool part = shapePart(key, raw);
    if (!readInt(raw, value) || value < low || value > high) {
      logIgnored(key, raw);
      return false;
    }
    if (!part) log_manager.writeLog(20, "Object::deserialize(): %s is %d", key, value);
    return true;
  }
  bool number(const char *key, float &value, float low = -MAX_ATTRIBUTE_MAGNITUDE) const {
    std::string raw = list.value(key);
    if (raw.empty()) return false;
    bool part = shapePart(key, raw);
    if (!readFloat(raw, value) || value < low) {
      logIgnored(key, raw);
      return false;
    }
    if (!part)
      log_manager.writeLog(20, "Object::deserialize(): %s is %.2f", key,
                           static_cast<double>(value));
    return true;
  }

 private:
  // The parts of a shape are logged as the text read.
  bool shapePart(const char *key, const std::string &raw) const {
    bool part = std::strcmp(key, "shape") == 0 || std::strcmp(key, "size") == 0 ||
                std::strcmp(key, "color") == 0 || std::strcmp(key, "opacity") == 0;
    if (part) log_manager.writeLog(20, "Object::deserialize(): %s is '%s'", key, raw.c_str());
    return part;
  }
};

// --- Writers: the elements of one attribute, in the order they are written.

void writeId(Object &o, const std::string &, std::string &text) {
  addElement(text, "id", toString(o.getId()));
}
void writeActive(Object &o, const std::string &, std::string &text) {
  addElement(text, "is_active", toString(o.isActive()));
}
void writeVisible(Object &o, const std::string &, std::string &text) {
  addElement(text, "is_visible", toString(o.isVisible()));
}
void writeEvents(Object &o, const std::string &, std::string &text) {
  addElement(text, "event_count", toString(o.getEventCount()));
  for (int e = 0; e < o.getEventCount(); e++)
    addElement(text, "event_name[" + toString(e) + "]", AttributeList::escape(o.getEventName(e)));
}
void writeBox(Object &o, const std::string &, std::string &text) {
  Box box = o.getBox();
  addElement(text, "box-corner-x", toString(box.getCorner().getX()));
  addElement(text, "box-corner-y", toString(box.getCorner().getY()));
  addElement(text, "box-horizontal", toString(box.getHorizontal()));
  addElement(text, "box-vertical", toString(box.getVertical()));
}
void writePosition(Object &o, const std::string &, std::string &text) {
  addElement(text, "pos-x", toString(o.getPosition().getX()));
  addElement(text, "pos-y", toString(o.getPosition().getY()));
}
void writeType(Object &o, const std::string &, std::string &text) {
  addElement(text, "type", AttributeList::escape(o.typeRef()));
}
// A delta writes the sprite only when the animation changed; "ALL" and an
// explicit ANIMATION, write it in any case.
void writeAnimation(Object &o, const std::string &attr, std::string &text) {
  text += ObjectCodecs::animation(o).serialize(attr);
}
void writeAltitude(Object &o, const std::string &, std::string &text) {
  addElement(text, "altitude", toString(o.getAltitude()));
}
void writeSolidness(Object &o, const std::string &, std::string &text) {
  addElement(text, "solidness", toString(static_cast<int>(o.getSolidness())));
}
void writeNoSoft(Object &o, const std::string &, std::string &text) {
  addElement(text, "no_soft", toString(o.getNoSoft()));
}
void writeSpeed(Object &o, const std::string &, std::string &text) {
  addElement(text, "speed", toString(o.getSpeed()));
}
void writeDirection(Object &o, const std::string &, std::string &text) {
  addElement(text, "x_direction", toString(o.getDirection().getX()));
  addElement(text, "y_direction", toString(o.getDirection().getY()));
}
void writeAcceleration(Object &o, const std::string &, std::string &text) {
  addElement(text, "x_acceleration", toString(o.getAcceleration().getX()));
  addElement(text, "y_acceleration", toString(o.getAcceleration().getY()));
}
void writeShape(Object &o, const std::string &, std::string &text) {
  Shape shape = o.getShape();
  addElement(text, "shape", toString(static_cast<int>(shape.getType())));
  addElement(text, "size", toString(shape.getSize()));
  addElement(text, "color", toString(static_cast<int>(shape.getColor())));
  addElement(text, "opacity", toString(static_cast<int>(shape.getOpacity())));
}
// Written with its blanks; the reader keeps them (see AttributeList).
void writePath(Object &o, const std::string &, std::string &text) {
  Path path = o.getPath();
  addElement(text, "path", toString(path));
  addElement(text, "path_index", toString(path.getIndex()));
}
void writeFollowPath(Object &o, const std::string &, std::string &text) {
  addElement(text, "follow_path", toString(o.getFollowPath()));
}
void writeAvoidCollisions(Object &o, const std::string &, std::string &text) {
  addElement(text, "avoid_collisions", toString(o.getAvoidCollisions()));
}

// --- Readers: take back what the writer of the same attribute wrote.

// A string may not raise the id counter past the bound, which would leave it
// no room for unique ids; ids already below the counter come back as written.
void readId(Object &o, const AttributeReader &in) {
  int n = 0;
  if (!in.integer("id", n, INT_MIN, INT_MAX)) return;
  int highest = std::max(MAX_READ_ID, Object::getMaxId() - 1);
  if (n >= 1 && n <= highest)
    o.setId(n);
  else
    in.log_manager.writeLog("Object::deserialize(): Warning! id %d not in range [1,%d]. Ignored.",
                            n, highest);
}
void readActive(Object &o, const AttributeReader &in) {
  std::string value;
  if (in.text("is_active", value) && (value == "true") != o.isActive())
    o.setActive(value == "true");
}
void readVisible(Object &o, const AttributeReader &in) {
  std::string value;
  if (in.text("is_visible", value) && (value == "true") != o.isVisible())
    o.setVisible(value == "true");
}
// No more names than an object may hold, so a huge count costs nothing.
void readEvents(Object &o, const AttributeReader &in) {
  int n = 0;
  if (!in.integer("event_count", n, 0, MAX_OBJ_EVENTS)) return;
  for (int i = o.getEventCount() - 1; i >= 0; i--) o.unregisterInterest(o.getEventName(i));
  for (int i = 0; i < n; i++) {
    std::string name = in.list.value("event_name[" + toString(i) + "]");
    if (name.empty()) continue;
    in.log_manager.writeLog(20, "Object::deserialize(): event_name[%d] is '%s'", i, name.c_str());
    o.registerInterest(name);
  }
}
// The box in floats (its fractions kept), extents not negative.
void readBox(Object &o, const AttributeReader &in) {
  float x = 0, y = 0, horizontal = 0, vertical = 0;
  bool complete = in.number("box-corner-x", x);
  complete = in.number("box-corner-y", y) && complete;
  complete = in.number("box-horizontal", horizontal, 0) && complete;
  complete = in.number("box-vertical", vertical, 0) && complete;
  if (complete)
    o.setBox(Box(Vector(x, y), horizontal, vertical));
  else
    in.log_manager.writeLog(20, "Object::deserialize(): box not complete, so ignoring.");
}
void readPosition(Object &o, const AttributeReader &in) {
  float x = 0, y = 0;
  bool complete = in.number("pos-x", x);
  complete = in.number("pos-y", y) && complete;
  if (complete)
    o.setPosition(Vector(x, y));
  else
    in.log_manager.writeLog(20, "Object::deserialize(): position not complete, so ignoring.");
}
void readType(Object &o, const AttributeReader &in) {
  std::string value;
  if (in.text("type", value)) o.setType(value);
}
void readAnimation(Object &o, const AttributeReader &in) {
  Animation &animation = ObjectCodecs::animation(o);
  std::string old_name = animation.getName();
  const Sprite *p_old_sprite = animation.getSprite();
  int old_index = animation.getIndex(), old_slowdown = animation.getSlowdownCount();
  animation.deserializeAttributes(in.list);
  ObjectCodecs::letGoOfSprite(o, p_old_sprite);
  if (animation.getName() != old_name || animation.getSprite() != p_old_sprite ||
      animation.getIndex() != old_index || animation.getSlowdownCount() != old_slowdown)
    ObjectCodecs::setModified(o, ANIMATION);
}
void readAltitude(Object &o, const AttributeReader &in) {
  int n = 0;
  if (in.integer("altitude", n, INT_MIN, INT_MAX)) o.setAltitude(n);
}
// Any int is a Solidness value; the setter refuses and logs a bad one.
void readSolidness(Object &o, const AttributeReader &in) {
  int n = 0;
  if (in.integer("solidness", n, INT_MIN, INT_MAX)) o.setSolidness(static_cast<Solidness>(n));
}
void readNoSoft(Object &o, const AttributeReader &in) {
  std::string value;
  if (in.text("no_soft", value)) o.setNoSoft(value == "true");
}
void readSpeed(Object &o, const AttributeReader &in) {
  float f = 0;
  if (in.number("speed", f)) o.setSpeed(f);
}
// x alone replaces the direction's x; y sets the velocity, and so the speed.
void readDirection(Object &o, const AttributeReader &in) {
  float f = 0;
  if (in.number("x_direction", f)) o.setDirection(Vector(f, o.getDirection().getY()));
  if (in.number("y_direction", f)) o.setVelocity(Vector(o.getDirection().getX(), f));
}
void readAcceleration(Object &o, const AttributeReader &in) {
  float f = 0;
  if (in.number("x_acceleration", f)) o.setAcceleration(Vector(f, o.getAcceleration().getY()));
  if (in.number("y_acceleration", f)) o.setAcceleration(Vector(o.getAcceleration().getX(), f));
}
// The shape changes only with all four parts present and valid.
void readShape(Object &o, const AttributeReader &in) {
  int shape_type = 0, color = 0, opacity = 0;
  float size = 0;
  bool complete = in.integer("shape", shape_type, UNDEFINED_SHAPE, TRIANGLE);
  complete = in.number("size", size, 0) && complete;
  complete = in.integer("color", color, BLACK, CUSTOM) && complete;
  complete = in.integer("opacity", opacity, 0, 255) && complete;
  if (!complete) return;
  Shape new_shape = o.getShape();
  new_shape.setType(static_cast<ShapeType>(shape_type));
  new_shape.setSize(size);
  new_shape.setColor(static_cast<Color>(color));
  new_shape.setOpacity(static_cast<unsigned char>(opacity));
  o.setShape(new_shape);
}
// Nodes as "x y|"; the blanks are kept by the parse. A bad node ends the path.
void readPath(Object &o, const AttributeReader &in) {
  std::string value = in.list.rawValue("path");
  if (value.empty()) return;
  Path new_path;
  size_t start = 0;
  size_t bar;
  while ((bar = value.find('|', start)) != std::string::npos) {
    Vector node;
    if (!readPathNode(value.substr(start, bar - start), node)) {
      in.log_manager.writeLog("Object::deserialize(): malformed node %s.", value.c_str() + start);
      in.log_manager.writeLog("\tNot added.");
      break;
    }
    new_path.addNode(node);
    start = bar + 1;
  }
  // The index comes back when it is within the nodes read (or just past the
  // last, a path followed to its end).
  int n = 0;
  if (in.integer("path_index", n, 0, new_path.getCount()) && new_path.setIndex(n) != 0 && n > 0) {
    new_path.setIndex(n - 1);
    new_path++;
  }
  o.setPath(new_path);
}
void readFollowPath(Object &o, const AttributeReader &in) {
  std::string value;
  if (in.text("follow_path", value)) o.setFollowPath(value == "true");
}
void readAvoidCollisions(Object &o, const AttributeReader &in) {
  std::string value;
  if (in.text("avoid_collisions", value)) o.setAvoidCollisions(value == "true");
}

// One serializable attribute: its token in attribute lists (the text of
// OBJECT_ATTRIBUTE_TOKEN), its writer and its reader.
struct AttributeCodec {
  ObjectAttribute attribute;
  void (*write)(Object &o, const std::string &attr, std::string &text);
  void (*read)(Object &o, const AttributeReader &in);
  const char *token() const { return OBJECT_ATTRIBUTE_TOKEN[attribute]; }
};

// In the order of writing, which is the order of the attributes' values.
const AttributeCodec ATTRIBUTE_CODECS[ATTR_COUNT] = {
    {ID, writeId, readId},
    {ACTIVE, writeActive, readActive},
    {VISIBLE, writeVisible, readVisible},
    {EVENTS, writeEvents, readEvents},
    {BOX, writeBox, readBox},
    {POSITION, writePosition, readPosition},
    {TYPE, writeType, readType},
    {ANIMATION, writeAnimation, readAnimation},
    {ALTITUDE, writeAltitude, readAltitude},
    {SOLIDNESS, writeSolidness, readSolidness},
    {NO_SOFT, writeNoSoft, readNoSoft},
    {SPEED, writeSpeed, readSpeed},
    {DIRECTION, writeDirection, readDirection},
    {ACCELERATION, writeAcceleration, readAcceleration},
    {SHAPE, writeShape, readShape},
    {PATH, writePath, readPath},
    {FOLLOW_PATH, writeFollowPath, readFollowPath},
    {AVOID_COLLISIONS, writeAvoidCollisions, readAvoidCollisions},
};

// Reading takes the direction before the speed (the only change from the
// order of writing), so that a string holding both ends with the speed written.
const ObjectAttribute READING_ORDER[ATTR_COUNT] = {
    ID,    ACTIVE,       VISIBLE,  EVENTS,    BOX,         POSITION,
    TYPE,  ANIMATION,    ALTITUDE, SOLIDNESS, NO_SOFT,     DIRECTION,
    SPEED, ACCELERATION, SHAPE,    PATH,      FOLLOW_PATH, AVOID_COLLISIONS,
};

}  // namespace

std::string Object::serialize(std::string attr) {
  LogManager &log_manager = LogManager::getInstance();
  log_manager.writeLog(20, "Object::serialize(): attr is '%s'", attr.c_str());
  if (!attr.empty() && attr != "ALL" && attr.back() != ',')
    log_manager.writeLog("Object::serialize(): Warning! Attribute '%s' missing trailing ','",
                         attr.c_str());

  std::string text;
  for (const AttributeCodec &codec : ATTRIBUTE_CODECS) {
    if (!attributeChosen(attr, codec.token(), attr.empty() && isModified(codec.attribute)))
      continue;
    codec.write(*this, attr, text);
    modified[codec.attribute] = false;
  }
  return text;
}

int Object::deserialize(std::string str) {
  // Game code that overrides deserialize may still look its own keys up with
  // match(""), so match is primed; the engine's lookups use a parse of their own.
  if (!str.empty()) match(str, "");
  AttributeList list(str);
  return deserializeAttributes(list);
}

int Object::deserializeAttributes(const AttributeList &list) {
  AttributeReader in(list);
  for (ObjectAttribute attribute : READING_ORDER) ATTRIBUTE_CODECS[attribute].read(*this, in);
  return 0;
}

bool Object::isModified(ObjectAttribute attribute) const {
  if (attribute < 0 || attribute >= ATTR_COUNT) return false;
  return modified[attribute];
}

bool Object::isModified() const {
  LogManager &log_manager = LogManager::getInstance();
  for (int i = 0; i < ATTR_COUNT; i++) {
    log_manager.writeLog(20, "Object::isModified(): %d is %s", i, boolText(modified[i]));
    if (modified[i]) return true;
  }
  return false;
}

}  // namespace sb
