#include "Firework.h"

namespace sb {

Firework::Firework(float init_size, int age, unsigned char init_opacity, unsigned char init_r,
                   unsigned char init_g, unsigned char init_b)
    : Particle(init_size, age, init_opacity, init_r, init_g, init_b),
      r(init_r),
      g(init_g),
      b(init_b),
      opacity(init_opacity),
      initial_age(age),
      size(init_size) {
  setType("Firework");
  setAcceleration(Vector(0, 0.01f));
  registerInterest(STEP_EVENT);  // a second time: two steps per game step
}

Firework::~Firework() {}

int Firework::eventHandler(const Event *p_e) {
  int result = Particle::eventHandler(p_e);
  if (!p_e || p_e->getKind() != EVENT_STEP) return result;
  // The trail particle has no velocity: it stays where it was dropped.
  Particle *p_trail = new Particle(size * 0.5f, initial_age / 4, 255, r, g, b);
  p_trail->setPosition(getPosition());
  return 1;
}

}  // namespace sb
