#ifndef SORBELANE_AUDIO_DEVICE_H
#define SORBELANE_AUDIO_DEVICE_H

namespace sb {

/// The machine's audio device, as sounds and music find it.
class AudioDevice {
 public:
  /// Whether sounds can be heard: false when no audio device could be opened
  /// (no sound card, no sound server). Ask only while a sound or a track is
  /// loaded, since the device is opened with the first one; the answer is kept.
  static bool isOpen();
  /// Quietens OpenAL Soft when this machine surely has no audio device (no
  /// sound hardware, no sound server, no ALSA or OpenAL set-up of the user's,
  /// and ALSOFT_DRIVERS unset): it then neither searches for one nor prints
  /// its errors. Acts once, before SFML first opens the audio device; the
  /// game manager's startUp() calls it.
  static void quietWithoutDevice();
};

}  // namespace sb

#endif
