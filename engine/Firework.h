#ifndef SORBELANE_FIREWORK_H
#define SORBELANE_FIREWORK_H

#include "Particle.h"

namespace sb {

// A particle that falls under a small acceleration and drops a trail of
// half-size particles. It takes the step event twice per game step, so it
// ages by two and leaves two trail particles each step.
class Firework : public Particle {
 private:
  unsigned char r;
  unsigned char g;
  unsigned char b;
  unsigned char opacity;  // kept as made, not used afterwards
  int initial_age;
  float size;

 public:
  Firework(float size, int age, unsigned char opacity, unsigned char r, unsigned char g,
           unsigned char b);
  ~Firework() override;

  int eventHandler(const Event *p_e) override;
};

}  // namespace sb

#endif
