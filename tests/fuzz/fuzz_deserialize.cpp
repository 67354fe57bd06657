// Attribute strings read into objects: the input is read into an object and a
// view object, the world is updated once, and both are written again. Every
// number they hold must stay finite and in range, what they write must read
// back into an object that writes the same text again, and objects made
// afterwards still get ids of their own.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "LogManager.h"
#include "Object.h"
#include "ViewObject.h"
#include "WorldManager.h"

namespace {

void check(bool condition, const char *what) {
  if (condition) return;
  fprintf(stderr, "fuzz_deserialize: %s\n", what);
  abort();
}

bool finite(sb::Vector v) { return std::isfinite(v.getX()) && std::isfinite(v.getY()); }

void checkValid(const sb::Object *o) {
  check(finite(o->getPosition()), "position not finite");
  check(finite(o->getDirection()) && std::isfinite(o->getSpeed()), "velocity not finite");
  check(finite(o->getAcceleration()), "acceleration not finite");
  sb::Box box = o->getBox();
  check(finite(box.getCorner()) && box.getHorizontal() >= 0 && box.getVertical() >= 0,
        "box not finite or negative");
  check(o->getAltitude() >= 0 && o->getAltitude() <= sb::MAX_ALTITUDE, "altitude out of range");
  check(o->getSolidness() >= sb::HARD && o->getSolidness() <= sb::SPECTRAL,
        "solidness out of range");
  check(o->getEventCount() >= 0 && o->getEventCount() <= sb::MAX_OBJ_EVENTS,
        "event count out of range");
  sb::Shape shape = o->getShape();
  check(shape.getType() >= sb::UNDEFINED_SHAPE && shape.getType() <= sb::TRIANGLE,
        "shape out of range");
  check(shape.getColor() >= sb::BLACK && shape.getColor() <= sb::CUSTOM, "colour out of range");
  check(std::isfinite(shape.getSize()), "shape size not finite");
  sb::Path path = o->getPath();
  for (int i = 0; i < path.getCount(); i++) check(finite(path.getNode(i)), "path node not finite");
}

// Written text read into a new object of the same kind gives that text again
// (a direction is made a unit vector again when read, so it is left out).
std::string withoutDirection(const std::string &text) {
  std::string out;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find(',', start);
    if (end == std::string::npos) end = text.size();
    std::string element = text.substr(start, end - start);
    if (element.rfind("x_direction:", 0) != 0 && element.rfind("y_direction:", 0) != 0)
      out += element + ",";
    start = end + 1;
  }
  return out;
}

void rereads(sb::Object *copy, const std::string &text) {
  copy->deserialize(text);
  checkValid(copy);
  std::string again = copy->serialize("ALL");
  check(withoutDirection(again) == withoutDirection(text), "written text does not read back");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
  setenv("SORBELANE_LOG", "/dev/null", 1);
  sb::LogManager::getInstance().startUp();
  sb::WorldManager::getInstance().startUp();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  sb::WorldManager &world = sb::WorldManager::getInstance();
  if (!world.isStarted()) LLVMFuzzerInitialize(nullptr, nullptr);
  std::string input(reinterpret_cast<const char *>(data), size);

  sb::Object *o = new sb::Object;
  sb::ViewObject *v = new sb::ViewObject;
  check(o->deserialize(input) == 0 && v->deserialize(input) == 0, "deserialize failed");
  checkValid(o);
  checkValid(v);
  world.update();
  checkValid(o);
  checkValid(v);

  std::string object_text = o->serialize("ALL");
  std::string view_text = v->serialize("ALL");
  check(o->serialize("") == "" && !o->isModified(), "flags left set after writing all");
  sb::Object *object_copy = new sb::Object;
  sb::ViewObject *view_copy = new sb::ViewObject;
  rereads(object_copy, object_text);
  rereads(view_copy, view_text);
  // Whatever ids were read, a new object still gets one of its own.
  sb::Object *newcomer = new sb::Object;
  check(newcomer->getId() > o->getId() && newcomer->getId() > v->getId(), "new id not unique");
  world.markForDelete(newcomer);

  world.markForDelete(o);
  world.markForDelete(v);
  world.markForDelete(object_copy);
  world.markForDelete(view_copy);
  world.update();
  return 0;
}
