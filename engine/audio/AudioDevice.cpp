#include "AudioDevice.h"

#include <dirent.h>
#include <dlfcn.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include "LogManager.h"

namespace sb {

namespace {

bool pathExists(const std::string &path) { return access(path.c_str(), F_OK) == 0; }

// Whether some ALSA playback device node (/dev/snd/pcmC*p) exists.
bool alsaPlaybackNode() {
  DIR *dir = opendir("/dev/snd");
  if (!dir) return false;
  bool found = false;
  while (struct dirent *entry = readdir(dir))
    if (strncmp(entry->d_name, "pcm", 3) == 0) found = true;
  closedir(dir);
  return found;
}

// True only when no OpenAL Soft backend could reach a device: no sound
// hardware, no sound server, and no ALSA or OpenAL set-up of the user's own.
bool surelyNoAudioDevice() {
  const char *home = getenv("HOME");
  const char *runtime = getenv("XDG_RUNTIME_DIR");
  const char *config_home = getenv("XDG_CONFIG_HOME");
  std::string user_config =
      config_home ? config_home : (home ? std::string(home) + "/.config" : "");
  if (getenv("ALSOFT_DRIVERS") || getenv("ALSOFT_CONF") || getenv("PULSE_SERVER")) return false;
  if (alsaPlaybackNode() || pathExists("/dev/dsp") || pathExists("/etc/asound.conf")) return false;
  if (home && (pathExists(std::string(home) + "/.asoundrc") ||
               pathExists(std::string(home) + "/.alsoftrc")))
    return false;
  if (!user_config.empty() && pathExists(user_config + "/alsoft.conf")) return false;
  std::string run_dir = runtime ? runtime : "/run/user/" + std::to_string(getuid());
  return !pathExists(run_dir + "/pulse/native") && !pathExists(run_dir + "/pipewire-0");
}

}  // namespace

bool AudioDevice::isOpen() {
  static int open = -1;
  if (open < 0) {
    // SFML makes the device's OpenAL context current when it opens the
    // device; OpenAL is already loaded with SFML's audio library, so its
    // function is looked up by name rather than linked.
    using GetContext = void *(*)();
    auto get_context = reinterpret_cast<GetContext>(dlsym(RTLD_DEFAULT, "alcGetCurrentContext"));
    open = !get_context || get_context() ? 1 : 0;
    if (!open)
      LogManager::getInstance().writeLog(
          "audioDeviceOpen(): Warning! No audio device. Sounds and music are silent.");
  }
  return open == 1;
}

void AudioDevice::quietWithoutDevice() {
  static bool done = false;
  if (done) return;
  done = true;
  if (!surelyNoAudioDevice()) return;
  // OpenAL Soft reads these once, when SFML first opens the device. A
  // backend name that does not exist leaves it no backend to try, so the
  // sound libraries below it print nothing either.
  setenv("ALSOFT_LOGLEVEL", "0", 0);
  setenv("ALSOFT_DRIVERS", "none", 0);
}

}  // namespace sb
