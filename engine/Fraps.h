#ifndef SORBELANE_FRAPS_H
#define SORBELANE_FRAPS_H

#include <SFML/Graphics/Texture.hpp>

#include "Clock.h"
#include "ViewObject.h"

namespace sb {

// Heads-up display of the smoothed frame rate. F9 shows or hides it, F11
// logs the rate every step, F12 records every frame as fraps-<step>.jpg.
// The smoothed rate is shared by all instances.
class Fraps : public ViewObject {
 private:
  bool record;
  bool log_frame_rate;
  Clock clock;  // time between steps
  // The finished frame, captured by the display manager; made only when there
  // is a window, since an SFML texture needs a graphics context (an X display).
  sf::Texture *p_texture;

  void updateCapture();
  int handleKey(const Event *p_e);
  int handleStep();
  void saveFrame();
  void updateRate();

 public:
  explicit Fraps(bool record = false);
  ~Fraps() override;

  void setRecord(bool new_record = true);
  bool getRecord() const { return record; }
  void setLogFrameRate(bool new_log_frame_rate = true) { log_frame_rate = new_log_frame_rate; }
  bool getLogFrameRate() const { return log_frame_rate; }

  // The smoothed frame rate shared by every Fraps.
  static float getFrameRate();
  static void setFrameRate(float new_frame_rate);

  int eventHandler(const Event *p_e) override;
};

}  // namespace sb

#endif
