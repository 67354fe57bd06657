#ifndef SORBELANE_PARTICLE_H
#define SORBELANE_PARTICLE_H

#include <string>

#include "Object.h"

namespace sb {

// A light, short-lived object drawn as a small coloured circle. It flies with
// a fixed velocity and is removed when its age runs out or it leaves the world.
class Particle : public Object {
 private:
  int age;  // steps still to live

 public:
  Particle(float size, int age, unsigned char opacity, unsigned char r, unsigned char g,
           unsigned char b);
  ~Particle() override;

  void setAge(int new_age) { age = new_age; }
  int getAge() const { return age; }

  // Step: ages by one and dies at 0. Out: dies.
  int eventHandler(const Event *p_e) override;

  // Particles are not meant to be written or read back; both warn first.
  std::string serialize(std::string attr = "") override;
  int deserialize(std::string str) override;
};

}  // namespace sb

#endif
