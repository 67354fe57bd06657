#ifndef SORBELANE_FRAPS_H
#define SORBELANE_FRAPS_H

#include <SFML/Graphics/Texture.hpp>

#include "Clock.h"
#include "ViewObject.h"

namespace sb {

/// Heads-up display of the smoothed frame rate. F9 shows or hides it, F11
/// logs the rate every step, F12 records every frame as `fraps-<step>.jpg`.
/// The smoothed rate is shared by all instances.
/// A game makes one with `new Fraps` to show the rate in the top right corner;
/// its colour is green, yellow below 28 and red below 20 frames per second,
/// cyan while logging and white while recording.
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
  /// Makes the display in the world, recording from the start when record is true.
  explicit Fraps(bool record = false);
  /// Stops capturing frames and removes the display.
  ~Fraps() override;

  /// Turns recording on or off; each step then saves the last frame as
  /// `fraps-<step>.jpg` in the working directory (a failure is logged).
  /// Without a window nothing is recorded.
  void setRecord(bool new_record = true);
  /// True while recording.
  bool getRecord() const { return record; }
  /// Turns logging the rate every step on or off.
  void setLogFrameRate(bool new_log_frame_rate = true) { log_frame_rate = new_log_frame_rate; }
  /// True while the rate is logged every step.
  bool getLogFrameRate() const { return log_frame_rate; }

  /// The smoothed frame rate shared by every Fraps, in frames per second (30 at first).
  static float getFrameRate();
  /// Sets the smoothed frame rate shared by every Fraps.
  static void setFrameRate(float new_frame_rate);

  /// Handles the keys F9, F11 and F12 and, each step, updates the rate, logs
  /// and records. Returns 1 for keyboard and step events and for events the
  /// ViewObject handles, else 0.
  int eventHandler(const Event *p_e) override;
};

}  // namespace sb

#endif
