#include "Particle.h"

#include <typeinfo>

#include "LogManager.h"
#include "WorldManager.h"

namespace sb {

// Walks over many particles read one cache line for each.
static_assert(sizeof(Particle) <= 64, "a particle fills no more than one cache line");

Particle::Particle(float size, int init_age, unsigned char opacity, unsigned char r,
                   unsigned char g, unsigned char b) {
  setSolidness(SPECTRAL);
  setType("Particle");
  setAltitude(3);
  age = init_age;

  // Particles use up no object ids.
  setId(0);
  setMaxId(getMaxId() - 1);

  // Copying the object's own shape avoids building another default shape.
  Shape shape = getShape();
  shape.setType(CIRCLE);
  shape.setColor(r, g, b);
  shape.setSize(size);
  shape.setOpacity(opacity);
  setShape(shape);

  registerInterest(STEP_EVENT);
  WorldManager::getInstance().setQuietClass(typeid(Particle));
}

Particle::~Particle() {}

int Particle::eventHandler(const Event *p_e) {
  if (!p_e) return 0;
  EventKind kind = p_e->getKind();
  if (kind == EVENT_STEP) {
    age--;
    if (age <= 0) WorldManager::getInstance().markForDelete(this);
    return 1;
  }
  if (kind == EVENT_OUT) {
    WorldManager::getInstance().markForDelete(this);
    return 1;
  }
  return 0;
}

std::string Particle::serialize(std::string attr) {
  LogManager::getInstance().writeLog(
      1, "Particle::serialize(): Warning!  Particles attributes are not serialized");
  return Object::serialize(attr);
}

int Particle::deserialize(std::string str) {
  LogManager::getInstance().writeLog(
      1, "Particle::deserialize(): Warning! Cannot deserialize particles.");
  return Object::deserialize(str);
}

}  // namespace sb
